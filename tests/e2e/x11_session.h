#pragma once
// A virtual X display (Xvfb) with the real program started on it, driven by
// xdotool and read back by screenshots, as a user at the machine would.

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace e2e {

class X11Session {
public:
    // Starts Xvfb on a free display; isUp() is false when it could not.
    explicit X11Session(QSize screen = {1280, 1024});
    ~X11Session();
    X11Session(const X11Session&) = delete;
    X11Session& operator=(const X11Session&) = delete;

    bool isUp() const { return up_; }
    QString display() const { return QStringLiteral(":%1").arg(number_); }
    QSize screenSize() const { return size_; }

    // Runs a command on the display and returns its standard output.
    QString run(const QString& program, const QStringList& args, int timeoutMs = 10000) const;

    // The program under test, started with the display's environment.
    void startProgram(const QString& path, const QStringList& args = {});
    QProcess& program() { return *program_; }
    bool programRunning() const;
    // Waits for the program to exit; its exit code, or nullopt on time-out.
    std::optional<int> waitForExit(int timeoutMs);

    // The geometry of the visible window whose name is exactly `name`.
    std::optional<QRect> findWindow(const QString& name, int timeoutMs = 5000) const;
    bool waitWindowGone(const QString& name, int timeoutMs = 5000) const;

    void moveMouse(QPoint screenPos) const;
    void click(QPoint screenPos) const;
    QImage screenshot() const;
    // The pointer's picture as the X server shows it now (XFixes); null when
    // the server cannot say.
    QImage cursorImage() const;
    // Saves a screenshot into the build folder (for failures); returns its path.
    QString saveScreenshot(const QString& name) const;

private:
    // The ids of the visible windows named exactly `name`, one a line.
    QString visibleWindowIds(const QString& name) const;
    QSize size_;
    int number_ = -1;
    bool up_ = false;
    std::unique_ptr<QProcess> xvfb_;
    std::unique_ptr<QProcess> program_;
};

// Colour helpers for screenshot checks.
int countPixels(const QImage& image, const QRect& area, QRgb colour, int tolerance);

}  // namespace e2e
