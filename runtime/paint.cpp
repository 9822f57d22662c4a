#include "runtime/paint.h"

#include "runtime/runtime.h"
#include "runtime/screen.h"

namespace rt {

namespace {

Qt::Alignment textAlignment(Alignment a) {
    switch (a) {
    case Alignment::Left: return Qt::AlignLeft;
    case Alignment::Right: return Qt::AlignRight;
    case Alignment::Center: return Qt::AlignHCenter;
    }
    return Qt::AlignLeft;
}

}  // namespace

void paintControl(const Screen& screen, const Control& control, QPainter& painter) {
    if (!control.visible()) return;
    const QRect r = control.pixelRect();
    const SystemColors& scheme = screen.runtime().systemColors();
    switch (control.kind()) {
    case ControlKind::Image: {
        const auto& image = static_cast<const Image&>(control);
        // A picture control without a picture draws nothing: a hot spot.
        if (image.picture() && !image.picture()->isNull()) painter.drawImage(r.topLeft(), image.picture()->image());
        break;
    }
    case ControlKind::Label: {
        const auto& label = static_cast<const Label&>(control);
        if (!control.def().transparent) painter.fillRect(r, QColor(control.def().backColor.resolve(scheme)));
        painter.save();
        painter.setClipRect(r, Qt::IntersectClip);
        painter.setFont(label.font());
        painter.setPen(QColor(label.foreColor()));
        painter.drawText(r, int(textAlignment(control.def().alignment) | Qt::AlignTop | Qt::TextSingleLine),
                         label.caption());
        painter.restore();
        break;
    }
    case ControlKind::Shape: {
        // An unfilled outline, dashed for border style 2, inside the rectangle.
        painter.save();
        QPen pen(QColor(control.def().borderColor.resolve(scheme)));
        pen.setWidth(1);
        pen.setStyle(control.def().borderStyle == 2 ? Qt::DashLine : Qt::SolidLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.restore();
        break;
    }
    case ControlKind::External: {
        painter.save();
        painter.setClipRect(r, Qt::IntersectClip);
        const_cast<ExternalHost&>(static_cast<const ExternalHost&>(control)).object().paint(painter, r);
        painter.restore();
        break;
    }
    case ControlKind::Timer: break;
    }
}

void paintScreen(const Screen& screen, QPainter& painter) {
    const QRect client(QPoint(0, 0), screen.clientSize());
    painter.save();
    painter.setClipRect(client, Qt::IntersectClip);
    painter.fillRect(client, QColor(screen.window().backColor.resolve(screen.runtime().systemColors())));
    if (screen.picture() && !screen.picture()->isNull()) painter.drawImage(QPoint(0, 0), screen.picture()->image());
    const auto& controls = screen.controls();
    for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
        // A control wholly outside the client area is never seen (the splash's counter).
        if ((*it)->pixelRect().intersects(client)) paintControl(screen, **it, painter);
    }
    painter.restore();
}

QImage renderScreen(const Screen& screen, qreal devicePixelRatio) {
    const QSize size = screen.clientSize();
    QImage image(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintScreen(screen, painter);
    painter.end();
    return image;
}

}  // namespace rt
