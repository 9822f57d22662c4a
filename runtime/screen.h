#pragma once
// A screen: one top-level window with the controls its layout gives, and the
// handlers of its class. Screens keep no variables; all state lives in control
// properties, rebuilt from the layout at every load.

#include "runtime/controls.h"
#include "runtime/errors.h"
#include "runtime/layout.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace rt {

class Runtime;

class Screen {
public:
    enum class State { Created, Loaded, Shown };

    Screen(Runtime& runtime, const ScreenLayout& layout);
    virtual ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    const QString& name() const { return name_; }
    const ScreenLayout& layout() const { return layout_; }
    const WindowDef& window() const { return layout_.window; }
    QString caption() const { return QString::fromUtf8(layout_.window.caption); }
    QSize clientSize() const { return layout_.window.clientPixels(); }
    // The window's picture and icon, decoded while the screen is loaded.
    const PictureRef& picture() const { return picture_; }
    const PictureRef& icon() const { return icon_; }
    Runtime& runtime() const { return runtime_; }

    State state() const { return state_; }
    bool isLoaded() const { return state_ != State::Created; }
    bool isShown() const { return state_ == State::Shown; }

    // The controls, top-most first; empty unless loaded.
    const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }
    // The top-most visible control under a client pixel that takes the mouse.
    Control* hitTest(QPoint pixel) const;
    // A control by name and index (-1 for a single control), or nullptr; no implicit load.
    Control* find(std::string_view name, short index = -1) const;

    // Property access as handlers make it: loads the screen first when it is
    // not loaded, and raises the runtime error for a missing control or index.
    Control& control(std::string_view name);
    Control& control(std::string_view name, short index);
    Label& label(std::string_view name) { return as<Label>(control(name), name); }
    Label& label(std::string_view name, short index) { return as<Label>(control(name, index), name); }
    Image& image(std::string_view name) { return as<Image>(control(name), name); }
    Image& image(std::string_view name, short index) { return as<Image>(control(name, index), name); }
    Timer& timer(std::string_view name) { return as<Timer>(control(name), name); }
    ExternalHost& external(std::string_view name) { return as<ExternalHost>(control(name), name); }

    // Lifecycle, driven by the runtime.
    void load();
    void show();
    void unload();
    void discard();  // End: destroy without any event

    // Events, raised by the runtime's dispatch. X and Y are in twips.
    void raiseMouseMove(Control* target, short button, short shift, float x, float y);
    void raiseClick(Control* target);
    void raiseTimer(const QString& control, short index);

    // Ask the host to repaint part of the window (client pixels).
    void invalidate(const QRect& pixels);

protected:
    // Navigation steps, always in this order.
    void goTo(const char* target);  // Unload(this), then Show(target)
    void close();                   // Unload(this)
    void quit();                    // Unload(this), then End

    // Handler registration, in a screen class's constructor.
    template <class S>
    void onLoad(void (S::*f)()) {
        load_ = [this, f] { (static_cast<S*>(this)->*f)(); };
    }
    template <class S>
    void onMouseMove(void (S::*f)(short, short, float, float)) {
        formMove_ = [this, f](short b, short s, float x, float y) { (static_cast<S*>(this)->*f)(b, s, x, y); };
    }
    template <class S>
    void onMouseMove(const char* control, void (S::*f)(short, short, float, float)) {
        handlers_[control].move = [this, f](short, short b, short s, float x, float y) {
            (static_cast<S*>(this)->*f)(b, s, x, y);
        };
    }
    template <class S>
    void onMouseMove(const char* control, void (S::*f)(short, short, short, float, float)) {
        handlers_[control].move = [this, f](short i, short b, short s, float x, float y) {
            (static_cast<S*>(this)->*f)(i, b, s, x, y);
        };
    }
    template <class S>
    void onClick(const char* control, void (S::*f)()) {
        handlers_[control].click = [this, f](short) { (static_cast<S*>(this)->*f)(); };
    }
    template <class S>
    void onClick(const char* control, void (S::*f)(short)) {
        handlers_[control].click = [this, f](short i) { (static_cast<S*>(this)->*f)(i); };
    }
    template <class S>
    void onTimer(const char* control, void (S::*f)()) {
        handlers_[control].timer = [this, f] { (static_cast<S*>(this)->*f)(); };
    }

private:
    template <class T>
    T& as(Control& c, std::string_view name) {
        if (auto* t = dynamic_cast<T*>(&c)) return *t;
        throw notSupported(QString::fromUtf8(name.data(), qsizetype(name.size())), QStringLiteral("propriété"));
    }
    void ensureLoaded();
    void buildControls();
    void releasePictures();

    struct Handlers {
        std::function<void(short index, short button, short shift, float x, float y)> move;
        std::function<void(short index)> click;
        std::function<void()> timer;
    };

    Runtime& runtime_;
    const ScreenLayout& layout_;
    QString name_;
    PictureRef picture_;
    PictureRef icon_;
    State state_ = State::Created;
    std::vector<std::unique_ptr<Control>> controls_;
    std::function<void()> load_;
    std::function<void(short, short, float, float)> formMove_;
    std::map<QString, Handlers, std::less<>> handlers_;
};

}  // namespace rt
