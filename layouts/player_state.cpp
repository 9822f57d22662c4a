// The movie player's persisted state blocks. The bytes were generated once by
// layouts/make_player_state.py (python3 layouts/make_player_state.py writes
// player_state.inc) and are checked against an independent encoder in
// tests/layouts.

#include "layouts/layouts.h"

namespace layouts {

namespace {
#include "layouts/player_state.inc"
}  // namespace

std::span<const std::uint8_t> playerStateForm3() { return kPlayerStateForm3; }
std::span<const std::uint8_t> playerStateForm5() { return kPlayerStateForm5; }
std::span<const std::uint8_t> playerStateCommon() { return kPlayerStateCommon; }

}  // namespace layouts
