#include "screens/picture_menu.h"

#include "layouts/layouts.h"

namespace screens {

Form15::Form15(rt::Runtime& runtime) : rt::Screen(runtime, layouts::pictureMenu()) {
    onLoad(&Form15::Form_Load);
    onMouseMove(&Form15::Form_MouseMove);
    onClick("Image1", &Form15::Image1_Click);
    onMouseMove("Image1", &Form15::Image1_MouseMove);
    onClick("Image3", &Form15::Image3_Click);
    onMouseMove("Image3", &Form15::Image3_MouseMove);
}

void Form15::hideHoverPictures() {
    for (short i = 0; i <= 8; ++i) image("Image2", i).setVisible(false);
}

// The layout stores the hover pictures visible; the menu starts without any.
void Form15::Form_Load() { hideHoverPictures(); }

void Form15::Form_MouseMove(short, short, float, float) { hideHoverPictures(); }

void Form15::Image1_Click(short Index) {
    if (Index >= 0 && Index < short(kTargets.size())) goTo(kTargets[Index]);
}

// Shows the row's hover picture; the others stay as they are.
void Form15::Image1_MouseMove(short Index, short, short, float, float) {
    for (short i = 0; i <= 8; ++i) {
        if (Index == i) {
            image("Image1", i).setMousePointer(rt::kCustomPointer);
            image("Image2", i).setVisible(true);
        }
    }
}

void Form15::Image3_Click() { quit(); }

void Form15::Image3_MouseMove(short, short, float, float) { image("Image3").setMousePointer(rt::kCustomPointer); }

}  // namespace screens
