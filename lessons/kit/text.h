// Text for the lesson movies: glyph outlines of DejaVu Sans (regular and bold)
// taken at authoring time, metrics for layout, and text blocks placed in stage
// pixels. The emitter turns the glyphs that blocks use into embedded fonts.
#pragma once

#include "lessons/kit/drawing.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace lessons {

// One glyph in the 1024-unit em square, y growing downwards from the baseline.
struct GlyphOutline {
    char32_t code = 0;
    std::vector<Contour> contours;
    double advance = 0;  // em units
};

class FontBank {
public:
    // Loads the two faces from their files; throws std::runtime_error when one cannot be read.
    FontBank(const std::string& regularPath, const std::string& boldPath);
    ~FontBank();
    FontBank(const FontBank&) = delete;
    FontBank& operator=(const FontBank&) = delete;

    static FontBank& standard();  // DejaVu Sans from the system's font folder

    double advance(bool bold, char32_t c) const;  // em units (1024 per em)
    double width(bool bold, const std::u32string& text, double sizePx) const;
    GlyphOutline outline(bool bold, char32_t c) const;  // cached
    bool hasGlyph(bool bold, char32_t c) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

std::u32string utf32(const std::string& utf8);
std::string utf8(const std::u32string& s);

struct TextRun {
    bool bold = false;
    double size = 12;  // pixels per em
    Rgba colour = rgb(0x000000);
    double x = 0, y = 0;  // start of the baseline, stage pixels
    std::u32string text;
};

struct TextBlock {
    std::vector<TextRun> runs;
    bool empty() const { return runs.empty(); }
    void add(const std::string& s, double x, double y, double size, Rgba colour, bool bold = false);
    void append(const TextBlock& o) { runs.insert(runs.end(), o.runs.begin(), o.runs.end()); }
};

std::string textKey(const TextBlock& t);

// A piece of a paragraph: words inherit their piece's weight and colour.
struct RichPiece {
    std::string text;
    bool bold = false;
    Rgba colour = rgb(0x000000);
};

// Lays pieces out into lines no wider than maxWidth, the first baseline at y.
// Returns the number of lines used.
int layoutParagraph(TextBlock& out, const std::vector<RichPiece>& pieces, double x, double y, double maxWidth,
                    double size, double lineHeight, bool centred = false);

}  // namespace lessons
