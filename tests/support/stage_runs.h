// A player with its traces collected, and movie files served from memory:
// what the tests of clips as script objects share.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "swf/format/writer.h"
#include "swf/player/imports.h"
#include "swf/player/player.h"

namespace stage_runs {

struct Run {
    std::vector<std::string> traces;
    std::unique_ptr<swf::Player> player;
};

inline std::unique_ptr<Run> start(swf::MovieData movie) {
    auto run = std::make_unique<Run>();
    run->player = std::make_unique<swf::Player>(std::make_shared<const swf::MovieData>(std::move(movie)),
                                                [r = run.get()](std::string_view s) { r->traces.emplace_back(s); });
    return run;
}

// Files served from memory, as a fetcher serves them from the movie's folder.
inline swf::AssetFetcher memoryFiles(std::map<std::string, swf::Bytes> files) {
    return [files = std::move(files)](const std::string& path, std::size_t maxBytes) -> std::optional<swf::Bytes> {
        auto it = files.find(path);
        if (it == files.end() || it->second.size() > maxBytes) return std::nullopt;
        return it->second;
    };
}

inline swf::Bytes movieBytes(std::vector<swf::Tag> tags) {
    swf::MovieData m;
    m.tags = std::move(tags);
    return swf::write(m);
}

}  // namespace stage_runs
