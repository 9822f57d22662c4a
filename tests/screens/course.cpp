#include "tests/screens/course.h"

#include "media/flash_component.h"

#include <QPainter>
#include <cstdlib>

namespace scrtest {

rt::Status FakePlayer::invoke(int dispid, rt::InvokeKind kind, std::span<const rt::Variant> args, rt::Variant*) {
    using namespace media::flash;
    QString entry;
    if (dispid == kDispidMovie && kind == rt::InvokeKind::PropertyPut && args.size() == 1 &&
        std::holds_alternative<QString>(args[0]))
        entry = QStringLiteral("Movie=") + std::get<QString>(args[0]);
    else if (dispid == kDispidRewind && kind == rt::InvokeKind::Method && args.empty())
        entry = QStringLiteral("Rewind");
    else if (dispid == kDispidPlay && kind == rt::InvokeKind::Method && args.empty())
        entry = QStringLiteral("Play");
    else
        entry = QStringLiteral("unexpected %1").arg(dispid);
    log_.calls << entry;
    return dispid == log_.failDispid ? rt::kFailed : rt::kOk;
}

// Draws nothing, as a transparent movie with an empty frame would.
void FakePlayer::paint(QPainter&, const QRect&) {}

rt::Project courseWithFakePlayer(PlayerLog& log) {
    rt::Project p = screens::courseProject();
    p.external = [&log](const rt::ControlDef& def, rt::ControlSite&,
                        QString& reason) -> std::unique_ptr<rt::ExternalControl> {
        if (log.refuseCreate || !def.classId || def.persisted.size() != 210) {
            reason = QStringLiteral("composant absent");
            return nullptr;
        }
        ++log.created;
        return std::make_unique<FakePlayer>(log);
    };
    return p;
}

void Course::toMainMenu() {
    driver.start();
    driver.click(60, 275);  // the skip area
}

QPoint menuLabelCentre(const QString& lesson) {
    return lesson == QLatin1String("Form5") ? QPoint(28, 512) : QPoint(36, 512);
}
QPoint quitLabelCentre(const QString& lesson) {
    return lesson == QLatin1String("Form5") ? QPoint(584, 512) : QPoint(592, 512);
}

int pixelsNear(const QImage& image, const QRect& rect, QRgb rgb, int tolerance) {
    int n = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - qRed(rgb)) <= tolerance && std::abs(qGreen(p) - qGreen(rgb)) <= tolerance &&
                std::abs(qBlue(p) - qBlue(rgb)) <= tolerance)
                ++n;
        }
    return n;
}

}  // namespace scrtest
