#pragma once
// The native window of one shown screen. It paints the screen through the
// runtime and hands every pointer event and close request to the runtime.

#include <QWidget>

namespace rt {
class Runtime;
class Screen;
}  // namespace rt

namespace rtqt {

class ScreenWindow : public QWidget {
public:
    ScreenWindow(rt::Runtime& runtime, rt::Screen& screen);

    rt::Screen& screen() const { return screen_; }
    // Flags, size and position from the screen's window properties.
    static Qt::WindowFlags flagsFor(const rt::Screen& screen);
    void place();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    rt::Runtime& runtime_;
    rt::Screen& screen_;
};

}  // namespace rtqt
