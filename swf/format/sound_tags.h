// The sound tags between tag bodies and values: DefineSound, StartSound,
// SoundStreamHead and the sound info that starts an event sound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "swf/format/error.h"
#include "swf/format/types.h"

namespace swf {

// 0..3: 5512.5, 11025, 22050, 44100 Hz (5.5 kHz is played at 5512 Hz).
int sampleRateOf(std::uint8_t rateCode);

Result<SoundInfo> parseSoundInfo(std::span<const std::uint8_t> bytes, std::size_t* used = nullptr);
Bytes encodeSoundInfo(const SoundInfo& info);
Result<DefineSound> parseDefineSound(std::span<const std::uint8_t> body);
Bytes encodeDefineSound(const DefineSound& tag);
Result<StartSound> parseStartSound(std::uint8_t version, std::span<const std::uint8_t> body);
Bytes encodeStartSound(const StartSound& tag);
Result<SoundStreamHead> parseSoundStreamHead(std::uint8_t version, std::span<const std::uint8_t> body);
Bytes encodeSoundStreamHead(const SoundStreamHead& tag);

}  // namespace swf
