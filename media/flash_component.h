#pragma once
// The movie player control the lesson screens host: its class identifier,
// and the automation members they drive by dispatch identifier.

namespace media::flash {

inline constexpr const char* kClassId = "{D27CDB6E-AE6D-11CF-96B8-444553540000}";

// Dispatch identifiers of the three members the screens use.
inline constexpr int kDispidMovie = 102;   // property, set: the movie path (a string)
inline constexpr int kDispidRewind = 116;  // method, no arguments
inline constexpr int kDispidPlay = 112;    // method, no arguments

}  // namespace media::flash
