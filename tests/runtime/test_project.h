#pragma once
// A small project of test screens that exercises every rule of the runtime:
//  "Home"  : a label array Label1(0..1), a one-element array Image2(0), a hot
//            spot Image1 with a custom pointer, an invisible picture over a
//            label, a shape over everything, a timer, an external control.
//  "Other" : a plain screen with one label, loaded and shown by Home.
//  "Empty" : a sizable empty window.

#include "runtime/driver.h"
#include "runtime/runtime.h"

#include <QStringList>
#include <memory>

namespace rttest {

// Everything the handlers saw, in order ("Home.Load", "Home.Label1_Click(1)").
struct Journal {
    QStringList events;
    int timerTicks = 0;
    float lastX = -1, lastY = -1;  // X and Y of the last control MouseMove, in twips
};

inline constexpr const char* kCursorPath = ":/test/cursor.png";  // not a resource: an empty picture

rt::ScreenLayout homeLayout(int timerInterval = 0);
rt::ScreenLayout otherLayout();
rt::ScreenLayout emptyLayout();

// A recording external control that can be told to fail its calls.
struct FakeExternal : rt::ExternalControl {
    QStringList* calls = nullptr;
    int failDispid = -1;
    rt::Status invoke(int dispid, rt::InvokeKind kind, std::span<const rt::Variant> args, rt::Variant*) override;
    void paint(QPainter& painter, const QRect& area) override;
    void mouseMove(QPoint, int) override;
    void mousePress(QPoint, rt::MouseButton) override;
    void mouseRelease(QPoint, rt::MouseButton) override;
};

struct TestProject {
    Journal journal;
    QStringList externalCalls;
    bool failCreate = false;
    int failDispid = -1;
    int timerInterval = 0;
    rt::Project project();
};

}  // namespace rttest
