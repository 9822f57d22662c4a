#include "screens/main_menu.h"

#include "layouts/layouts.h"
#include "runtime/palette.h"

namespace screens {

namespace {
constexpr int kRest = 0;          // black
constexpr int kHighlighted = 13;  // light magenta
}  // namespace

Form1::Form1(rt::Runtime& runtime) : rt::Screen(runtime, layouts::mainMenu()) {
    onLoad(&Form1::Form_Load);
    onMouseMove(&Form1::Form_MouseMove);
    onMouseMove("Label1", &Form1::Label1_MouseMove);
    onClick("Label1", &Form1::Label1_Click);
    onMouseMove("Image1", &Form1::Image1_MouseMove);
    onClick("Image1", &Form1::Image1_Click);
}

// The layout stores the markers visible; the menu always starts without one.
void Form1::Form_Load() {
    for (short i = 0; i <= 8; ++i) image("Image2", i).setVisible(false);
}

// Over the uncovered background: every highlight goes.
void Form1::Form_MouseMove(short, short, float, float) {
    for (short i = 0; i <= 8; ++i) {
        label("Label1", i).setForeColor(rt::QBColor(kRest));
        image("Image2", i).setVisible(false);
    }
}

// Highlights the title under the pointer; the others keep their state.
void Form1::Label1_MouseMove(short Index, short, short, float, float) {
    for (short i = 0; i <= 8; ++i) {
        if (Index == i) {
            label("Label1", i).setMousePointer(rt::kCustomPointer);
            label("Label1", i).setForeColor(rt::QBColor(kHighlighted));
            image("Image2", i).setVisible(true);
        }
    }
}

void Form1::Label1_Click(short Index) {
    if (Index >= 0 && Index < short(kTargets.size())) goTo(kTargets[Index]);
}

void Form1::Image1_MouseMove(short, short, float, float) { image("Image1").setMousePointer(rt::kCustomPointer); }

void Form1::Image1_Click() { close(); }

}  // namespace screens
