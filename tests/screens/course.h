#pragma once
// The course project driven headless, with a stand-in for the movie player
// that records every automation call and can be told to fail one member.

#include "runtime/driver.h"
#include "screens/project.h"

#include <QImage>
#include <QStringList>
#include <memory>

namespace scrtest {

struct PlayerLog {
    QStringList calls;  // "Movie=<path>", "Rewind", "Play", "press", "move" ...
    int created = 0;
    int live = 0;
    int failDispid = -1;  // the member whose calls fail
    bool refuseCreate = false;
};

class FakePlayer : public rt::ExternalControl {
public:
    explicit FakePlayer(PlayerLog& log) : log_(log) { ++log_.live; }
    ~FakePlayer() override { --log_.live; }
    rt::Status invoke(int dispid, rt::InvokeKind kind, std::span<const rt::Variant> args, rt::Variant*) override;
    void paint(QPainter& painter, const QRect& area) override;
    void mouseMove(QPoint, int) override { log_.calls << QStringLiteral("move"); }
    void mousePress(QPoint, rt::MouseButton) override { log_.calls << QStringLiteral("press"); }
    void mouseRelease(QPoint, rt::MouseButton) override { log_.calls << QStringLiteral("release"); }

private:
    PlayerLog& log_;
};

// The course's own project with the fake player in place of the real one.
rt::Project courseWithFakePlayer(PlayerLog& log);

struct Course {
    PlayerLog player;
    rt::Driver driver{courseWithFakePlayer(player)};

    // The splash skipped at once: the main menu is shown.
    void toMainMenu();
    rt::Screen& screen(const char* name) { return driver.screen(QString::fromLatin1(name)); }
};

// Client pixels of the lesson screens' two labels.
QPoint menuLabelCentre(const QString& lesson);
QPoint quitLabelCentre(const QString& lesson);

// Pixels of `image` inside `rect` whose colour is near `rgb`.
int pixelsNear(const QImage& image, const QRect& rect, QRgb rgb, int tolerance = 40);

}  // namespace scrtest
