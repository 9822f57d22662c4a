// SWF writer for every tag the reader supports: read(write(m)) == m.
#pragma once

#include <cstdint>
#include <vector>

#include "swf/format/types.h"

namespace swf {

// Encodes a whole movie (header, tags, final End). The file length field is
// the uncompressed length; with Zlib everything after the first 8 bytes is
// deflated (signature "CWS"; the version should then be 6 or more).
std::vector<std::uint8_t> write(const MovieData& movie, Compression compression = Compression::None);

// Encodes one tag with its header (short form below 63 bytes of body, long
// form otherwise). Values outside a field's range are clamped or, for shape
// edges and text runs, split into several records.
std::vector<std::uint8_t> writeTag(const Tag& tag);

}  // namespace swf
