// The character dictionary of a movie and the frame index of its timelines.
#pragma once

#include <QImage>
#include <QPointF>

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "swf/decode/sound.h"
#include "swf/format/error.h"
#include "swf/format/types.h"
#include "swf/player/shape_tessellator.h"

namespace swf {

// The tags of one timeline cut into frames, and its labels.
struct FrameIndex {
    struct Range {
        std::size_t begin = 0, end = 0;
    };  // tag indices, ShowFrame excluded
    const std::vector<Tag>* tags = nullptr;
    std::vector<Range> frames;                        // at least one frame
    std::vector<std::pair<std::string, int>> labels;  // lower-cased label, 1-based frame
    int shownFrames = 0;     // frames ended by a ShowFrame; the tags after the last make one more
    int declaredFrames = 0;  // the count the sprite's (or movie's) header gives
    // Tags after the last ShowFrame of a timeline that has shown frames:
    // playing reaches that frame once and stays there, as a movie still loading.
    bool endsUnfinished() const { return shownFrames > 0 && int(frames.size()) > shownFrames; }
    // The frame count scripts read (_totalframes, _framesloaded): the shown
    // frames, or the declared count when none is shown.
    int scriptFrameCount() const { return shownFrames > 0 ? shownFrames : declaredFrames; }
    static FrameIndex build(const std::vector<Tag>& tags, int declaredFrames = 1);
    int frameOfLabel(const std::string& label) const;  // 0 when unknown; case-insensitive
};

// Decoded media by character id, within a byte budget: the least recently
// used entry is given up first; an entry larger than the whole budget is
// handed out but not kept.
template <class Value>
class BudgetCache {
public:
    explicit BudgetCache(std::size_t budgetBytes) : budget_(budgetBytes) {}
    // The entry, now the most recently used; null when it is not kept.
    const Value* find(std::uint16_t id) {
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->id != id) continue;
            entries_.splice(entries_.end(), entries_, it);
            return &entries_.back().value;
        }
        return nullptr;
    }
    void put(std::uint16_t id, Value value, std::size_t bytes) {
        if (bytes > budget_) return;
        while (!entries_.empty() && used_ + bytes > budget_) {
            used_ -= entries_.front().bytes;
            entries_.pop_front();
        }
        entries_.push_back({id, std::move(value), bytes});
        used_ += bytes;
    }

private:
    struct Entry {
        std::uint16_t id;
        Value value;
        std::size_t bytes;
    };
    std::list<Entry> entries_;  // least recently used first
    std::size_t budget_, used_ = 0;
};

// Characters by id (the first definition of an id wins), decoded media
// within a budget, and hit testing. Built once per
// movie and shared by every timeline; what only drawing needs is cached by
// the renderer, not here.
class Dictionary {
public:
    explicit Dictionary(const MovieData& movie);

    const DefineShape* shape(std::uint16_t id) const;
    const DefineSprite* sprite(std::uint16_t id) const;
    const DefineFont* font(std::uint16_t id) const;
    const DefineText* text(std::uint16_t id) const;
    const FrameIndex* spriteFrames(std::uint16_t id) const;
    const FrameIndex& rootFrames() const { return root_; }

    const DefineMorphShape* morph(std::uint16_t id) const;
    const DefineButton* button(std::uint16_t id) const;
    const DefineButtonCxform* buttonCxform(std::uint16_t id) const;
    const DefineButtonSound* buttonSound(std::uint16_t id) const;
    const DefineEditText* editText(std::uint16_t id) const;
    const DefineSound* sound(std::uint16_t id) const;
    bool isBitmap(std::uint16_t id) const;

    // Decoded images are kept up to this many bytes, the least recently used
    // given up first, so a movie of many frame-sized pictures stays bounded.
    static constexpr std::size_t kBitmapBudgetBytes = 256u << 20;
    // Decoded sounds (in the mixer's format) are kept up to this many bytes.
    static constexpr std::size_t kSoundBudgetBytes = 256u << 20;
    // Event sounds are decoded up to this many sample frames (5 minutes).
    static constexpr std::size_t kMaxSoundFrames = 44100u * 60u * 5u;

    // A bitmap character decoded (premultiplied ARGB), on first use; a null
    // image when the id is no bitmap or its data cannot be decoded.
    QImage bitmap(std::uint16_t id) const;
    // An event sound decoded into the mixer's format, on first use; null
    // when the id is no sound or its data cannot be decoded.
    std::shared_ptr<const Pcm> soundPcm(std::uint16_t id) const;
    // Whether a point (in the character's own twips) is inside what the
    // character draws: used for the hit-test state of buttons. Shapes are
    // tessellated for it on first use (a morph shape at its start).
    bool hits(std::uint16_t id, QPointF local, int depth = 0) const;
    // Decoding failures met so far (English, for logs and tools).
    const std::vector<std::string>& mediaWarnings() const { return mediaWarnings_; }

    // The character exported under this name (ExportAssets; names compare
    // without case), 0 when none.
    std::uint16_t exported(std::string_view name) const;
    // The name a character is exported under (the last export), empty when none.
    std::string exportName(std::uint16_t id) const;

    // Whether any definition tag gave this character id.
    bool defined(std::uint16_t id) const;

private:
    void collect(const std::vector<Tag>& tags);
    // Remembers that an id's data does not decode, with a warning.
    void noteUndecodable(std::uint16_t id, const char* kind, const Error& error) const;
    std::unordered_map<std::uint16_t, const DefineShape*> shapes_;
    std::unordered_map<std::uint16_t, const DefineSprite*> sprites_;
    std::unordered_map<std::uint16_t, const DefineFont*> fonts_;
    std::unordered_map<std::uint16_t, const DefineText*> texts_;
    std::unordered_map<std::uint16_t, const DefineMorphShape*> morphs_;
    std::unordered_map<std::uint16_t, const DefineButton*> buttons_;
    std::unordered_map<std::uint16_t, const DefineButtonCxform*> buttonCxforms_;
    std::unordered_map<std::uint16_t, const DefineButtonSound*> buttonSounds_;
    std::unordered_map<std::uint16_t, const DefineEditText*> editTexts_;
    std::unordered_map<std::uint16_t, const DefineSound*> sounds_;
    std::unordered_map<std::uint16_t, const DefineBitsJpeg*> jpegs_;
    std::unordered_map<std::uint16_t, const DefineBitsLossless*> lossless_;
    const JpegTables* jpegTables_ = nullptr;
    std::unordered_map<std::uint16_t, FrameIndex> spriteFrames_;
    FrameIndex root_;
    std::unordered_map<std::uint16_t, std::string> exportNames_;
    std::unordered_map<std::string, std::uint16_t> exports_;  // lower-cased name -> id, the last export wins
    const ShapeGeometry* hitGeometry(std::uint16_t id) const;
    mutable std::unordered_map<std::uint16_t, ShapeGeometry> hitGeometry_;  // shapes and morph shapes at ratio 0

    mutable BudgetCache<QImage> bitmaps_{kBitmapBudgetBytes};
    mutable BudgetCache<std::shared_ptr<const Pcm>> soundCache_{kSoundBudgetBytes};
    mutable std::unordered_set<std::uint16_t> undecodable_;  // bitmaps and sounds alike (ids are unique)
    mutable std::vector<std::string> mediaWarnings_;
};

}  // namespace swf
