#include "runtime/qt/qt_host.h"

#include "runtime/errors.h"
#include "runtime/qt/screen_window.h"
#include "runtime/runtime.h"
#include "runtime/screen.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPalette>
#include <QThread>

namespace rtqt {

rt::SystemColors systemColorsFromPalette() {
    rt::SystemColors colors;
    const QPalette palette = QGuiApplication::palette();
    colors.buttonFace = palette.color(QPalette::Active, QPalette::Button).rgb();
    colors.windowBackground = palette.color(QPalette::Active, QPalette::Base).rgb();
    colors.windowText = palette.color(QPalette::Active, QPalette::WindowText).rgb();
    return colors;
}

QtHost::QtHost() {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
}

QtHost::~QtHost() {
    for (auto& [name, window] : windows_) delete window.data();
}

void QtHost::attach(rt::Runtime& runtime) {
    runtime_ = &runtime;
    QObject::connect(&timer_, &QTimer::timeout, [this] { runtime_->runDueTimers(); });
}

void QtHost::showWindow(rt::Screen& screen) {
    QPointer<ScreenWindow>& window = windows_[screen.name()];
    if (!window) {
        window = new ScreenWindow(*runtime_, screen);
        window->place();
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void QtHost::destroyWindow(rt::Screen& screen) {
    auto it = windows_.find(screen.name());
    if (it == windows_.end()) return;
    if (ScreenWindow* window = it->second.data()) {
        window->hide();
        // The window may be delivering the very event that unloads it.
        window->deleteLater();
    }
    windows_.erase(it);
}

void QtHost::invalidate(rt::Screen& screen, const QRect& pixels) {
    if (QWidget* w = window(screen.name())) w->update(pixels);
}

void QtHost::setCursor(rt::Screen& screen, const rt::PictureRef& cursor) {
    QWidget* w = window(screen.name());
    if (!w) return;
    if (cursor && cursor->standardShape() != Qt::BitmapCursor) {
        w->setCursor(cursor->standardShape());
        return;
    }
    if (!cursor || cursor->isNull()) {
        w->unsetCursor();
        return;
    }
    // The pointer's active point is the centre of the 32 x 32 icon.
    static std::map<const rt::Picture*, QCursor> cursors;
    auto it = cursors.find(cursor.get());
    if (it == cursors.end()) {
        const QImage& image = cursor->image();
        it = cursors.emplace(cursor.get(), QCursor(QPixmap::fromImage(image), image.width() / 2, image.height() / 2))
                 .first;
    }
    w->setCursor(it->second);
}

void QtHost::showError(const rt::RuntimeError& error) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tarvik Dovadovore Fr"), error.message(),
                    QMessageBox::NoButton);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

void QtHost::timersChanged() {
    if (!runtime_) return;
    const auto due = runtime_->nextTimerDue();
    if (!due) {
        timer_.stop();
        return;
    }
    const std::int64_t wait = std::max<std::int64_t>(0, *due - runtime_->clock().nowMs());
    timer_.start(static_cast<int>(std::min<std::int64_t>(wait, 24 * 3600 * 1000)));
}

void QtHost::quit() {
    timer_.stop();
    // Only a running event loop has anything to leave (the program starts its
    // screens from inside the loop, so the course always has one).
    if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
}

void QtHost::popupMenu(rt::Screen& screen, QPoint clientPos, std::vector<rt::MenuItem> items,
                       std::function<void(int)> chosen) {
    QWidget* w = window(screen.name());
    if (!w) return;
    auto* menu = new QMenu(w);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (int i = 0; i < int(items.size()); ++i) {
        const rt::MenuItem& item = items[size_t(i)];
        if (item.separator) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(item.text);
        action->setEnabled(item.enabled);
        action->setCheckable(item.checkable);
        action->setChecked(item.checked);
        QObject::connect(action, &QAction::triggered, menu, [chosen, i] { chosen(i); });
    }
    menu->popup(w->mapToGlobal(clientPos));
}

QWidget* QtHost::window(const QString& screen) const {
    auto it = windows_.find(screen);
    return it == windows_.end() ? nullptr : it->second.data();
}

}  // namespace rtqt
