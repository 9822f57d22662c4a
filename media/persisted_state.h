#pragma once
// The movie player's persisted design-time state: the 210-byte block each
// lesson screen's layout carries for its player, as plain data with an exact
// encoder and a bounds-checked decoder.
//
// Block layout (little-endian): signature 0x55665567 ("gUfU"), format word
// 0x00000710, extent width and height in HIMETRIC (u32 each), then 22 typed
// values in a fixed order. A typed value is a u16 type code followed by:
//   8  string  : u32 byte count, then UTF-16LE text with its terminating zero
//                (count 0: no string at all; count 2: the empty string)
//   11 boolean : 16 bits, -1 true, 0 false
//   3  integer : s32
//   13 object  : a 16-byte class identifier, all zero for no object

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace media {

inline constexpr std::uint32_t kStateSignature = 0x55665567u;  // "gUfU" in the file
inline constexpr std::uint32_t kStateFormat = 0x00000710u;
inline constexpr std::size_t kStateSize = 210;

// A boolean as the block stores it. Written true is -1; the block of every
// lesson screen stores SeamlessTabbing as 1, so reading treats any non-zero
// value as true and keeps the raw value for an exact re-encoding.
struct StoredBool {
    std::int16_t raw = 0;
    static constexpr StoredBool of(bool v) { return {static_cast<std::int16_t>(v ? -1 : 0)}; }
    constexpr bool value() const { return raw != 0; }
    bool operator==(const StoredBool&) const = default;
};

// A string that can be absent (count 0) or present, possibly empty (count 2).
using StoredString = std::optional<QString>;

struct PersistedState {
    std::uint32_t extentWidth = 0;  // HIMETRIC (0.01 mm)
    std::uint32_t extentHeight = 0;

    StoredString flashVars;
    StoredString movie;
    StoredString src;
    StoredString wmode;
    StoredBool play;
    StoredBool loop;
    StoredString quality;
    StoredString salign;
    StoredBool menu;
    StoredString base;
    StoredString allowScriptAccess;
    StoredString scale;
    StoredBool deviceFont;
    StoredBool embedMovie;
    StoredString bgColor;
    StoredString swRemote;
    StoredString movieData;
    std::array<std::uint8_t, 16> objectClassId{};  // all zero: no object
    StoredBool seamlessTabbing;
    StoredBool profile;
    StoredString profileAddress;
    std::int32_t profilePort = 0;

    bool operator==(const PersistedState&) const = default;
};

// Why a block was refused.
enum class StateError {
    WrongSize,      // the block is not 210 bytes (its values decoded fine otherwise)
    BadSignature,   // not "gUfU"
    UnknownFormat,  // a format word other than 0x00000710
    Truncated,      // a header, type code or value runs past the end
    WrongType,      // a type code other than the one its position requires
    CountPastEnd,   // a string's byte count runs past the end of the block
    OddCount,       // a string's byte count is odd (not whole UTF-16 units)
    NoTerminator,   // a non-empty string does not end with a zero character
    TrailingBytes,  // bytes left after the 22nd value
};

struct StateDecodeError {
    StateError code = StateError::Truncated;
    std::size_t offset = 0;  // where in the block the fault was found
    QString value;           // the value being read ("WMode"), when there is one
    // A short French description, for the "cannot create" runtime error.
    QString message() const;
};

struct StateDecodeResult {
    std::optional<PersistedState> state;
    StateDecodeError error;  // meaningful when state is empty
    bool ok() const { return state.has_value(); }
};

std::vector<std::uint8_t> encodeState(const PersistedState& state);
StateDecodeResult decodeState(std::span<const std::uint8_t> block);

// Twips to HIMETRIC, dropping the fraction: twips * 2540 / 1440.
struct Extent {
    std::uint32_t width = 0, height = 0;
    bool operator==(const Extent&) const = default;
};
Extent extentFromTwips(int widthTwips, int heightTwips);

// The names of the 22 typed values in block order, as error messages give them.
extern const std::array<const char*, 22> kStateValueNames;

// The design-time values every lesson screen's player carries; only the
// extent differs, following the player's size (in twips) on its screen.
PersistedState lessonDesignValues(int widthTwips, int heightTwips);

}  // namespace media
