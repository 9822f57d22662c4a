// The composed movie before it becomes SWF: shared symbols (drawings and text
// blocks, in stage pixels) and, per frame, what stands at each depth.
#pragma once

#include "lessons/kit/drawing.h"
#include "lessons/kit/text.h"

#include <map>
#include <string>
#include <vector>

namespace lessons {

struct Symbol {
    bool isText = false;
    Drawing drawing;
    TextBlock text;
};

// A symbol at a depth: drawn at its own stage coordinates, then scaled about
// (0, 0) and moved by (tx, ty); alpha multiplies its opacity.
struct Placement {
    int symbol = -1;
    double tx = 0, ty = 0, scale = 1, alpha = 1;
    friend bool operator==(const Placement&, const Placement&) = default;
};

struct Frame {
    std::map<int, Placement> layers;
    std::string label;  // a frame label, empty for none
};

class Timeline {
public:
    double width = 705, height = 481, fps = 12;
    std::vector<Symbol> symbols;
    std::vector<Frame> frames;

    // Shares identical symbols; an empty drawing or text gives -1 (nothing placed).
    int shape(const Drawing& d);
    int text(const TextBlock& t);

private:
    std::map<std::string, int> index_;
};

}  // namespace lessons
