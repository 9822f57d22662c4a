// The script's verbs (`point`, `menu`, `grow`, ...; lessons/README.md lists
// them): one small function each, found by name. A verb changes the stage
// state and, if it takes time, lets the composer record frames.
#pragma once

#include "lessons/kit/stage.h"

#include <string>

namespace lessons {

// Carries out one command; `intro` is true before the first step, where
// nothing may take time. Throws SourceError on a bad argument.
using Verb = void (*)(Composer& co, const Command& c, bool intro);

// The verb of that name, or nullptr.
Verb findVerb(const std::string& name);

}  // namespace lessons
