// The display properties scripts read and write on a display object
// (_x, _y, _xscale, _yscale, _rotation, _alpha, _visible, _width, _height),
// as the reference player keeps them: positions in whole twips, scales and
// rotation taken from the matrix (or as last set, which the matrix cannot
// always give back), alpha as the 8.8 multiplier of the colour transform.
// A write of NaN changes nothing.
#pragma once

#include <QRectF>

#include <optional>

#include "swf/player/timeline.h"

namespace swf {

double displayX(const DisplayObject& obj);
double displayY(const DisplayObject& obj);
void setDisplayX(DisplayObject& obj, double x);
void setDisplayY(DisplayObject& obj, double y);

double displayXScale(const DisplayObject& obj);
double displayYScale(const DisplayObject& obj);
double displayRotation(const DisplayObject& obj);  // degrees, in (-180, 180]
void setDisplayXScale(DisplayObject& obj, double percent);
void setDisplayYScale(DisplayObject& obj, double percent);
void setDisplayRotation(DisplayObject& obj, double degrees);

double displayAlpha(const DisplayObject& obj);  // percent
void setDisplayAlpha(DisplayObject& obj, double percent);
void setDisplayVisible(DisplayObject& obj, double v);

// What the object's character draws, in its own twips (sprites: their
// display lists, nested); nullopt when it draws nothing.
std::optional<QRectF> characterBounds(const Dictionary& dict, const DisplayObject& obj, int depth = 0);
// _width and _height: those bounds through the object's matrix, in pixels.
double displayWidth(const Dictionary& dict, const DisplayObject& obj);
double displayHeight(const Dictionary& dict, const DisplayObject& obj);
// Scales the object so its bounds take this size; an object that draws
// nothing keeps its scale.
void setDisplayWidth(const Dictionary& dict, DisplayObject& obj, double pixels);
void setDisplayHeight(const Dictionary& dict, DisplayObject& obj, double pixels);

}  // namespace swf
