#pragma once
// Form1, the main menu: nine lesson titles with their markers, and the exit
// area in the top right corner.

#include "runtime/screen.h"

#include <array>

namespace screens {

class Form1 : public rt::Screen {
public:
    // The lesson screen that title k opens.
    static constexpr std::array<const char*, 9> kTargets = {"Form3", "Form4", "Form5",  "Form6", "Form7",
                                                            "Form8", "Form9", "Form10", "Form11"};

    explicit Form1(rt::Runtime& runtime);

    void Form_Load();
    void Form_MouseMove(short Button, short Shift, float X, float Y);
    void Label1_MouseMove(short Index, short Button, short Shift, float X, float Y);
    void Label1_Click(short Index);
    void Image1_MouseMove(short Button, short Shift, float X, float Y);
    void Image1_Click();
};

}  // namespace screens
