// Characters a movie takes from other movies (ImportAssets, ImportAssets2).
// Before a movie plays, each import tag is replaced by the definitions it
// names, read from the other file: the named characters under the ids the
// importing movie gives them, what they use (fonts, bitmaps, inner
// sprites...) under fresh ids, and the DoInitAction tags of imported sprites.
// Files come through a fetcher, local files only; a file that is missing,
// unreadable, too large or not a movie leaves the import empty with a
// warning, and the movie plays on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "swf/format/types.h"

namespace swf {

struct ImportLimits {
    int maxDepth = 4;                       // a movie importing a movie importing... this deep
    std::size_t maxFiles = 32;              // files read for one movie, all depths together
    std::size_t maxTotalBytes = 64u << 20;  // bytes of those files together
    std::size_t maxDefinitions = 20000;     // definition tags copied in, all imports together
};

// The bytes of the file at `path` (relative to the importing movie's folder,
// '/'-separated), at most `maxBytes` of them; nullopt when missing,
// unreadable or larger.
using AssetFetcher = std::function<std::optional<Bytes>(const std::string& path, std::size_t maxBytes)>;

// Reads files under `folder` only: urls with a scheme other than file:, absolute
// paths and paths that climb out of the folder are refused.
AssetFetcher localFileFetcher(std::filesystem::path folder);

// Replaces every import tag of `movie` by what it imports. Returns the
// warnings (French, one a problem).
std::vector<std::string> resolveImports(MovieData& movie, const AssetFetcher& fetch, const ImportLimits& limits = {});

}  // namespace swf
