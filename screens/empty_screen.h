#pragma once
// Form23 to Form27: plain framed windows with no controls and no handlers.

#include "runtime/screen.h"

namespace screens {

class EmptyScreen : public rt::Screen {
public:
    EmptyScreen(rt::Runtime& runtime, const rt::ScreenLayout& layout) : rt::Screen(runtime, layout) {}
};

}  // namespace screens
