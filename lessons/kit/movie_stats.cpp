#include "lessons/kit/movie_stats.h"

#include <map>

namespace lessons {

MovieStats movieStats(const swf::MovieData& m) {
    MovieStats s;
    s.fps = m.header.framesPerSecond();
    std::map<std::uint16_t, std::size_t> glyphCount;
    for (const swf::Tag& t : m.tags) {
        if (std::holds_alternative<swf::ShowFrame>(t)) {
            ++s.frames;
        } else if (auto* l = std::get_if<swf::FrameLabel>(&t)) {
            if (l->name.rfind("etape", 0) == 0) ++s.steps;
        } else if (auto* f = std::get_if<swf::DefineFont>(&t)) {
            ++s.fonts;
            s.glyphs += int(f->glyphs.size());
            glyphCount[f->id] = f->glyphs.size();
        } else if (auto* x = std::get_if<swf::DefineText>(&t)) {
            ++s.texts;
            bool ok = !x->records.empty();
            std::uint16_t font = 0;
            for (const swf::TextRecord& r : x->records) {
                if (r.fontId) font = *r.fontId;
                auto g = glyphCount.find(font);
                if (g == glyphCount.end()) {
                    ok = false;
                    continue;
                }
                for (const swf::GlyphEntry& e : r.glyphs) ok = ok && e.index < g->second;
            }
            s.textsWithGlyphs += ok;
        } else if (std::holds_alternative<swf::DefineShape>(t)) {
            ++s.shapes;
        } else if (std::holds_alternative<swf::UnknownTag>(t)) {
            ++s.unknownTags;
        }
    }
    s.seconds = s.fps > 0 ? s.frames / s.fps : 0;
    return s;
}

}  // namespace lessons
