#include "runtime/qt/screen_window.h"

#include "runtime/paint.h"
#include "runtime/runtime.h"
#include "runtime/screen.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace rtqt {

namespace {

int buttonsOf(Qt::MouseButtons b) {
    int mask = 0;
    if (b & Qt::LeftButton) mask |= int(rt::MouseButton::Left);
    if (b & Qt::RightButton) mask |= int(rt::MouseButton::Right);
    if (b & Qt::MiddleButton) mask |= int(rt::MouseButton::Middle);
    return mask;
}

int shiftOf(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

std::optional<rt::MouseButton> buttonOf(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton: return rt::MouseButton::Left;
    case Qt::RightButton: return rt::MouseButton::Right;
    case Qt::MiddleButton: return rt::MouseButton::Middle;
    default: return std::nullopt;
    }
}

QPoint pixelOf(const QMouseEvent* e) { return e->position().toPoint(); }

}  // namespace

ScreenWindow::ScreenWindow(rt::Runtime& runtime, rt::Screen& screen)
    : QWidget(nullptr, flagsFor(screen)), runtime_(runtime), screen_(screen) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    setWindowTitle(screen.caption());
    if (screen.icon() && !screen.icon()->isNull()) setWindowIcon(QIcon(QPixmap::fromImage(screen.icon()->image())));
    const QSize client = screen.clientSize();
    if (screen.window().border == rt::BorderStyle::None)
        setFixedSize(client);
    else
        resize(client);
}

Qt::WindowFlags ScreenWindow::flagsFor(const rt::Screen& screen) {
    const rt::WindowDef& w = screen.window();
    Qt::WindowFlags flags = Qt::Window;
    if (w.border == rt::BorderStyle::None) flags |= Qt::FramelessWindowHint;
    // A tool window gets no task-bar button.
    if (!w.showInTaskbar) flags |= Qt::Tool;
    return flags;
}

void ScreenWindow::place() {
    const rt::StartPosition pos = screen_.window().position;
    if (pos == rt::StartPosition::PlatformDefault) return;
    // Centred on the owner: screens never have one, so on the screen too.
    QScreen* display = QGuiApplication::primaryScreen();
    if (!display) return;
    QRect frame = frameGeometry();
    frame.moveCenter(display->availableGeometry().center());
    move(frame.topLeft());
}

void ScreenWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    rt::paintScreen(screen_, painter);
}

void ScreenWindow::mouseMoveEvent(QMouseEvent* e) {
    runtime_.mouseMove(screen_, pixelOf(e), buttonsOf(e->buttons()), shiftOf(e->modifiers()));
}

void ScreenWindow::mousePressEvent(QMouseEvent* e) {
    if (auto b = buttonOf(e->button())) runtime_.mousePress(screen_, pixelOf(e), *b, shiftOf(e->modifiers()));
}

void ScreenWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (auto b = buttonOf(e->button())) runtime_.mouseRelease(screen_, pixelOf(e), *b, shiftOf(e->modifiers()));
}

// A double click is a press as far as the screens are concerned; no screen
// handles double clicks.
void ScreenWindow::mouseDoubleClickEvent(QMouseEvent* e) { mousePressEvent(e); }

void ScreenWindow::closeEvent(QCloseEvent* e) {
    // The runtime unloads the screen, which takes this window away.
    e->ignore();
    runtime_.closeRequested(screen_);
}

}  // namespace rtqt
