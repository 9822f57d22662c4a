#pragma once
// The course's project description: its 27 screens, the start-up screen
// Form2 and the movie player as the one external control.

#include "runtime/runtime.h"

namespace screens {

// `external` is the movie player's factory. Tests put a stand-in there by
// assigning `external` before handing the project on.
rt::Project courseProject();

}  // namespace screens
