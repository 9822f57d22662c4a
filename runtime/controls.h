#pragma once
// Windowless controls: each is a rectangle on its screen with the few
// properties handlers use. Setting a property repaints the control.

#include "runtime/external.h"
#include "runtime/layout.h"
#include "runtime/picture.h"

#include <QFont>
#include <QRect>
#include <QRgb>
#include <QString>
#include <memory>
#include <optional>

namespace rt {

class Screen;

class Control {
public:
    Control(Screen& screen, const ControlDef& def);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlKind kind() const { return def_.kind; }
    const QString& name() const { return name_; }
    short index() const { return def_.index; }
    bool isArrayElement() const { return def_.index >= 0; }
    const ControlDef& def() const { return def_; }
    QRect pixelRect() const { return rect_; }

    bool visible() const { return visible_; }
    void setVisible(bool visible);
    short mousePointer() const { return mousePointer_; }
    void setMousePointer(short pointer);
    const PictureRef& mouseIcon() const { return mouseIcon_; }

    // Whether the mouse over this control reaches it (and not what lies below).
    virtual bool takesMouse() const { return visible_; }

protected:
    void repaint();
    Screen& screen_;

private:
    const ControlDef& def_;
    QString name_;
    QRect rect_;
    bool visible_;
    short mousePointer_;
    PictureRef mouseIcon_;
};

class Label : public Control {
public:
    Label(Screen& screen, const ControlDef& def);
    const QString& caption() const { return caption_; }
    void setCaption(const QString& caption);
    QRgb foreColor() const { return foreColor_; }
    void setForeColor(QRgb color);
    // Resolved on first use: a label that is never drawn never costs a font look-up.
    const QFont& font() const;

private:
    QString caption_;
    QRgb foreColor_;
    mutable std::optional<QFont> font_;
};

class Image : public Control {
public:
    Image(Screen& screen, const ControlDef& def);
    const PictureRef& picture() const { return picture_; }

private:
    PictureRef picture_;
};

class Timer : public Control {
public:
    using Control::Control;
    bool takesMouse() const override { return false; }
    int interval() const { return def().interval; }
    bool enabled() const { return def().enabled; }
};

class Shape : public Control {
public:
    using Control::Control;
    bool takesMouse() const override { return false; }
};

// Hosts the external control and is the screen's end of its automation calls.
class ExternalHost : public Control, private ControlSite {
public:
    ExternalHost(Screen& screen, const ControlDef& def, const ExternalFactory& factory);
    ~ExternalHost() override;

    ExternalControl& object() { return *object_; }
    const ExternalControl& object() const { return *object_; }

    // Automation calls with their status tested: a failing status raises the
    // runtime error, so the caller's later steps do not run.
    void setProperty(int dispid, const QString& member, Variant value);
    Variant getProperty(int dispid, const QString& member);
    void call(int dispid, const QString& member);

private:
    std::int64_t nowMs() const override;
    int startTimer(int intervalMs, std::function<void()> tick) override;
    void stopTimer(int id) override;
    void invalidate() override;
    void popupMenu(QPoint local, std::vector<MenuItem> items, std::function<void(int)> chosen) override;

    std::vector<int> timers_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::unique_ptr<ExternalControl> object_;
};

}  // namespace rt
