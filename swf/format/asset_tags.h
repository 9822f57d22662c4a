// The tags that share characters between movies: ExportAssets (56) names
// characters of this movie; ImportAssets (57) and ImportAssets2 (71) take
// named characters from another movie under ids of this one. The reader
// keeps them as UnknownTag; these codecs turn their bodies into values.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "swf/format/error.h"
#include "swf/format/types.h"

namespace swf {

struct AssetName {
    std::uint16_t id = 0;
    std::string name;
    bool operator==(const AssetName&) const = default;
};

struct ExportAssets {
    std::vector<AssetName> assets;
    bool operator==(const ExportAssets&) const = default;
};

struct ImportAssets {
    std::uint8_t version = 1;  // 2: ImportAssets2, with two reserved bytes after the url
    std::string url;
    std::vector<AssetName> assets;  // id: the id the character takes in the importing movie
    bool operator==(const ImportAssets&) const = default;
};

Result<ExportAssets> parseExportAssets(std::span<const std::uint8_t> body);
Bytes encodeExportAssets(const ExportAssets& tag);
// `version` 1 for tag 57, 2 for tag 71.
Result<ImportAssets> parseImportAssets(std::uint8_t version, std::span<const std::uint8_t> body);
Bytes encodeImportAssets(const ImportAssets& tag);

}  // namespace swf
