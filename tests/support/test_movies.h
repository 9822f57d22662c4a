// Small movies built with the SWF types, shared by the tests, the benchmark
// and the fuzz seed corpus.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "swf/format/types.h"

namespace swf::samples {

// Building blocks (coordinates in twips).
ShapeRecord moveTo(int x, int y);
StyleChange styles(std::optional<std::uint32_t> fill0, std::optional<std::uint32_t> fill1,
                   std::optional<std::uint32_t> line);
// A style change with each part optional: move to (mx, my), fill 0, fill 1, line.
StyleChange styleChange(std::optional<int> mx, std::optional<int> my, std::optional<std::uint32_t> f0,
                        std::optional<std::uint32_t> f1, std::optional<std::uint32_t> line);
// A closed rectangle outline with fill style 1 inside (clockwise on screen).
std::vector<ShapeRecord> rectRecords(int x0, int y0, int x1, int y1, std::uint32_t fill, std::uint32_t line = 0);
// A circle of eight quadratic curves, fill style 1 inside.
std::vector<ShapeRecord> circleRecords(int cx, int cy, int r, std::uint32_t fill, std::uint32_t line = 0);
// A shape definition with its styles and no records yet; from version 4 its
// edge bounds are its bounds.
DefineShape shapeDef(std::uint16_t id, Rect bounds, std::vector<FillStyle> fills, std::vector<LineStyle> lines = {},
                     int version = 3);
LineStyle lineStyle(std::uint16_t width, Rgba color);
DefineShape rectShape(std::uint16_t id, int x0, int y0, int x1, int y1, FillStyle fill, int version = 3);
// A morph shape definition with no styles or edges yet; from version 2 its
// edge bounds are its bounds.
DefineMorphShape morphShapeDef(std::uint16_t id, Rect startBounds, Rect endBounds, int version = 1);
// A solid morph fill and a morph line style, each from its start to its end look.
MorphFillStyle morphFill(Rgba from, Rgba to);
MorphLineStyle morphLine(std::uint16_t startWidth, std::uint16_t endWidth, Rgba from, Rgba to);
// A DefineBitsLossless (version 1) or DefineBitsLossless2 (version 2) header
// with its deflated colour table and pixels.
DefineBitsLossless losslessBitmap(std::uint8_t version, std::uint16_t id, std::uint8_t format, std::uint16_t width,
                                  std::uint16_t height, std::uint16_t colorTableSize, Bytes zlibData = {});
// A sound stream head that plays back just as the stream is coded.
SoundStreamHead streamHead(SoundFormat format, std::uint8_t rate, bool is16Bit, bool stereo,
                           std::uint16_t samplesPerBlock, std::uint8_t version = 2);
// Appends one frame to `m`: its tags (placements, scripts) and its end.
void showFrame(MovieData& m, std::initializer_list<Tag> tags = {});
PlaceObject place(std::uint16_t depth, std::uint16_t id, int x = 0, int y = 0);
PlaceObject moveObject(std::uint16_t depth, int x, int y);
ButtonRecord buttonRecord(std::uint8_t states, std::uint16_t id, std::uint16_t depth);
DefineSprite sprite(std::uint16_t id, std::vector<Tag> tags, std::uint16_t frames = 1);
// A frame script that traces `text`.
DoAction traceAction(const char* text);
Gradient gradient(std::vector<GradientRecord> recs, SpreadMode spread = SpreadMode::Pad,
                  InterpolationMode interpolation = InterpolationMode::Normal);
// Gradient matrix mapping the gradient square onto a box of size w x h at x, y.
Matrix gradientBox(int x, int y, int w, int h);

// A blocky font (DefineFont2) with glyphs for the letters "ILOT" and space;
// `textRecord` lays out a string with it.
DefineFont blockFont(std::uint16_t id);
TextRecord textRecord(const DefineFont& font, const std::string& s, int x, int y, int height, Rgba color);

struct NamedMovie {
    std::string name;
    MovieData movie;
    std::vector<int> goldenFrames;  // frames with golden renders
};

// Movies with golden renders: fills, lines, curves, overlap, masks, cxform,
// text, sprites (see the .cpp for what each shows).
std::vector<NamedMovie> goldenMovies();
// Frame labels and every supported action, in the root and in a sprite.
MovieData actionsMovie();
// A lesson-like movie: a few hundred shapes and some lines of text per frame.
MovieData lessonLikeMovie(int frames = 12);

}  // namespace swf::samples
