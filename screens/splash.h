#pragma once
// Form2, the countdown splash: its count lives in the caption of Label1,
// which lies below the client area and is never seen.

#include "runtime/screen.h"

namespace screens {

class Form2 : public rt::Screen {
public:
    explicit Form2(rt::Runtime& runtime);

    void Timer1_Timer();
    void Image2_Click(short Index);
    void Image2_MouseMove(short Index, short Button, short Shift, float X, float Y);
};

}  // namespace screens
