#pragma once
// The movie player control: plays SWF movies with the SWF engine, inside a
// screen's rectangle, as its persisted design-time values ask (transparent,
// playing at once, looping, whole movie shown centred with its proportions).

#include "runtime/external.h"

namespace media {

// The factory the runtime uses to create every external control of class
// media::flash::kClassId from its layout's persisted state block. It refuses
// (nullptr with a French reason) an unknown class or a block that does not decode.
rt::ExternalFactory moviePlayerFactory();

}  // namespace media
