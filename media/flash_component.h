#pragma once
// The component record of the movie player control the lesson screens host,
// and the automation members they drive by dispatch identifier.

namespace media::flash {

inline constexpr const char* kClassId = "{D27CDB6E-AE6D-11CF-96B8-444553540000}";
inline constexpr const char* kDefaultInterface = "{D27CDB6C-AE6D-11CF-96B8-444553540000}";
inline constexpr const char* kEventInterface = "{D27CDB6D-AE6D-11CF-96B8-444553540000}";
inline constexpr const char* kTypeName = "ShockwaveFlashObjectsCtl.ShockwaveFlash";
inline constexpr const char* kClassName = "ShockwaveFlash";
inline constexpr const char* kComponentFile = "Flash8a.ocx";

// Dispatch identifiers of the three members the screens use.
inline constexpr int kDispidMovie = 102;   // property, set: the movie path (a string)
inline constexpr int kDispidRewind = 116;  // method, no arguments
inline constexpr int kDispidPlay = 112;    // method, no arguments

}  // namespace media::flash
