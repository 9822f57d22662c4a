#include "screens/splash.h"

#include "layouts/layouts.h"
#include "runtime/text.h"

namespace screens {

Form2::Form2(rt::Runtime& runtime) : rt::Screen(runtime, layouts::splash()) {
    onTimer("Timer1", &Form2::Timer1_Timer);
    onClick("Image2", &Form2::Image2_Click);
    onMouseMove("Image2", &Form2::Image2_MouseMove);
}

// Two countdown steps per tick: 60 reaches "0" on the second step of the
// 30th tick, and going to the menu is then the last thing the tick does.
void Form2::Timer1_Timer() {
    for (int i = 0; i <= 1; ++i) {
        double count;
        {
            rt::FloatStatus status;
            count = rt::Val(label("Label1").caption()) - 1;
            status.check();
        }
        label("Label1").setCaption(rt::numberText(count));
        if (label("Label1").caption() == QLatin1String("0")) goTo("Form1");
    }
}

void Form2::Image2_Click(short Index) {
    if (Index == 0) goTo("Form1");
}

void Form2::Image2_MouseMove(short Index, short, short, float, float) {
    for (short i = 0; i <= 1; ++i) {
        if (Index == i) image("Image2", i).setMousePointer(rt::kCustomPointer);
    }
}

}  // namespace screens
