#pragma once
// The one kind of outside control a screen can host (the movie player). The
// runtime knows it only through this interface: it is created from the
// layout's class identifier and persisted state, driven through automation
// members by dispatch identifier, painted into its rectangle and given all
// mouse input over its area.

#include "runtime/layout.h"
#include "runtime/picture.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <variant>
#include <vector>

class QPainter;

namespace rt {

using Variant = std::variant<std::monostate, bool, std::int32_t, double, QString>;
enum class InvokeKind { Method, PropertyGet, PropertyPut };

using Status = std::int32_t;
inline constexpr Status kOk = 0;
inline constexpr Status kFailed = static_cast<Status>(0x80004005u);
inline constexpr Status kUnknownMember = static_cast<Status>(0x80020003u);
inline constexpr Status kBadArgument = static_cast<Status>(0x80070057u);

enum class MouseButton { Left = 1, Right = 2, Middle = 4 };

struct MenuItem {
    QString text;
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
    bool separator = false;
};

// What the hosting screen offers its external control.
class ControlSite {
public:
    virtual ~ControlSite() = default;
    virtual std::int64_t nowMs() const = 0;
    // A repeating timer on the runtime's clock; its ticks are not program events.
    virtual int startTimer(int intervalMs, std::function<void()> tick) = 0;
    virtual void stopTimer(int id) = 0;
    virtual void invalidate() = 0;  // repaint the control's whole area
    // A context menu at a point of the control; `chosen` gets the index of the
    // picked item, later, from the event loop (never when the menu is dismissed).
    virtual void popupMenu(QPoint local, std::vector<MenuItem> items, std::function<void(int)> chosen) = 0;
};

class ExternalControl {
public:
    virtual ~ExternalControl() = default;
    virtual Status invoke(int dispid, InvokeKind kind, std::span<const Variant> args, Variant* result) = 0;
    // Paint into `area`, the control's rectangle in client pixels (it may reach
    // past the client area; the painter clips).
    virtual void paint(QPainter& painter, const QRect& area) = 0;
    virtual void mouseMove(QPoint local, int buttons) {}
    virtual void mousePress(QPoint local, MouseButton button) {}
    virtual void mouseRelease(QPoint local, MouseButton button) {}
    // The pointer the control shows over a point of its area, as of the last
    // input it was given; null for the screen's usual pointer.
    virtual PictureRef pointerAt(QPoint local) const { return nullptr; }
};

// Creates the control a layout names; returns nullptr with `reason` set when
// it cannot (unknown class, persisted state that does not decode).
using ExternalFactory =
    std::function<std::unique_ptr<ExternalControl>(const ControlDef& def, ControlSite& site, QString& reason)>;

}  // namespace rt
