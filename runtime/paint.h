#pragma once
// Drawing a screen: the background colour, the background picture at 1:1
// from the client area's top-left corner, then the windowless controls from
// the bottom of the stacking order up.

#include <QImage>
#include <QPainter>

namespace rt {

class Screen;
class Control;

void paintScreen(const Screen& screen, QPainter& painter);
void paintControl(const Screen& screen, const Control& control, QPainter& painter);

// The screen's client area drawn into an image, at a device pixel ratio.
QImage renderScreen(const Screen& screen, qreal devicePixelRatio = 1.0);

}  // namespace rt
