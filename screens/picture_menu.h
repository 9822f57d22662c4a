#pragma once
// Form15, the picture menu: its rows are drawn into the background picture;
// hot spots over them show a highlighted copy of the row's title.

#include "runtime/screen.h"

#include <array>

namespace screens {

class Form15 : public rt::Screen {
public:
    // The screen that row k opens.
    static constexpr std::array<const char*, 9> kTargets = {"Form16", "Form17", "Form18", "Form19", "Form20",
                                                            "Form21", "Form22", "Form23", "Form24"};

    explicit Form15(rt::Runtime& runtime);

    void Form_Load();
    void Form_MouseMove(short Button, short Shift, float X, float Y);
    void Image1_Click(short Index);
    void Image1_MouseMove(short Index, short Button, short Shift, float X, float Y);
    void Image3_Click();
    void Image3_MouseMove(short Button, short Shift, float X, float Y);

private:
    void hideHoverPictures();
};

}  // namespace screens
