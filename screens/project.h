#pragma once
// The course's project description: its 27 screens, the start-up screen
// Form2 and the movie player as the one external control.

#include "runtime/runtime.h"

namespace screens {

// With the media library built in, `external` is the movie player's factory;
// otherwise it is empty and a lesson screen cannot create its player. Tests
// put a stand-in there by assigning `external` before handing the project on.
rt::Project courseProject();

}  // namespace screens
