#include "swf/player/dictionary.h"

#include <QPainterPathStroker>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "swf/decode/bitmap.h"
#include "swf/format/asset_tags.h"
#include "swf/format/codes.h"
#include "swf/player/audio_mixer.h"
#include "swf/player/button.h"
#include "swf/player/morph.h"

namespace swf {

namespace {
std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
constexpr std::size_t kMaxMediaWarnings = 100;
bool isTimelineTag(const Tag& t) {
    return std::holds_alternative<PlaceObject>(t) || std::holds_alternative<RemoveObject>(t) ||
           std::holds_alternative<DoAction>(t);
}
}  // namespace

// --- FrameIndex ---------------------------------------------------------------

FrameIndex FrameIndex::build(const std::vector<Tag>& tags, int declaredFrames) {
    FrameIndex fi;
    fi.tags = &tags;
    fi.declaredFrames = std::max(declaredFrames, 0);
    std::size_t begin = 0;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        if (std::holds_alternative<ShowFrame>(tags[i])) {
            fi.frames.push_back({begin, i});
            begin = i + 1;
        } else if (auto* l = std::get_if<FrameLabel>(&tags[i])) {
            fi.labels.emplace_back(lower(l->name), static_cast<int>(fi.frames.size()) + 1);
        }
    }
    // Display-list changes after the last ShowFrame still make a frame, as
    // they would show in a movie cut short.
    fi.shownFrames = static_cast<int>(fi.frames.size());
    bool trailing = std::any_of(tags.begin() + static_cast<std::ptrdiff_t>(begin), tags.end(), isTimelineTag);
    if (trailing || fi.frames.empty()) fi.frames.push_back({begin, tags.size()});
    return fi;
}

int FrameIndex::frameOfLabel(const std::string& label) const {
    std::string l = lower(label);
    for (const auto& [name, frame] : labels)
        if (name == l) return std::min(frame, static_cast<int>(frames.size()));
    return 0;
}

// --- Dictionary -----------------------------------------------------------------

Dictionary::Dictionary(const MovieData& movie) {
    collect(movie.tags);
    root_ = FrameIndex::build(movie.tags, movie.header.frameCount);
    for (const auto& t : movie.tags)
        if (auto* u = std::get_if<UnknownTag>(&t); u && u->code == code::ExportAssets)
            if (auto ex = parseExportAssets(u->data))
                for (const auto& a : ex->assets) {
                    exports_[lower(a.name)] = a.id;
                    exportNames_[a.id] = a.name;
                }
}

std::string Dictionary::exportName(std::uint16_t id) const {
    auto it = exportNames_.find(id);
    return it == exportNames_.end() ? std::string() : it->second;
}

std::uint16_t Dictionary::exported(std::string_view name) const {
    auto it = exports_.find(lower(std::string(name)));
    return it == exports_.end() ? 0 : it->second;
}

bool Dictionary::defined(std::uint16_t id) const {
    return shapes_.count(id) || sprites_.count(id) || fonts_.count(id) || texts_.count(id) || morphs_.count(id) ||
           buttons_.count(id) || editTexts_.count(id) || sounds_.count(id) || jpegs_.count(id) || lossless_.count(id);
}

void Dictionary::collect(const std::vector<Tag>& tags) {
    auto add = [&](auto& map, std::uint16_t id, auto* value) {
        if (!defined(id)) map.emplace(id, value);
    };
    for (const auto& t : tags) {
        if (auto* s = std::get_if<DefineShape>(&t)) {
            add(shapes_, s->id, s);
        } else if (auto* sp = std::get_if<DefineSprite>(&t)) {
            if (!defined(sp->id)) {
                sprites_.emplace(sp->id, sp);
                spriteFrames_.emplace(sp->id, FrameIndex::build(sp->tags, sp->frameCount));
            }
        } else if (auto* f = std::get_if<DefineFont>(&t)) {
            add(fonts_, f->id, f);
        } else if (auto* tx = std::get_if<DefineText>(&t)) {
            add(texts_, tx->id, tx);
        } else if (auto* m = std::get_if<DefineMorphShape>(&t)) {
            add(morphs_, m->id, m);
        } else if (auto* b = std::get_if<DefineButton>(&t)) {
            add(buttons_, b->id, b);
        } else if (auto* e = std::get_if<DefineEditText>(&t)) {
            add(editTexts_, e->id, e);
        } else if (auto* snd = std::get_if<DefineSound>(&t)) {
            add(sounds_, snd->id, snd);
        } else if (auto* j = std::get_if<DefineBitsJpeg>(&t)) {
            add(jpegs_, j->id, j);
        } else if (auto* l = std::get_if<DefineBitsLossless>(&t)) {
            add(lossless_, l->id, l);
        } else if (auto* jt = std::get_if<JpegTables>(&t)) {
            if (!jpegTables_) jpegTables_ = jt;
        } else if (auto* bc = std::get_if<DefineButtonCxform>(&t)) {
            buttonCxforms_.emplace(bc->buttonId, bc);
        } else if (auto* bs = std::get_if<DefineButtonSound>(&t)) {
            buttonSounds_.emplace(bs->buttonId, bs);
        }
    }
}

template <typename M>
static auto find(const M& map, std::uint16_t id) -> typename M::mapped_type {
    auto it = map.find(id);
    return it == map.end() ? nullptr : it->second;
}

const DefineShape* Dictionary::shape(std::uint16_t id) const { return find(shapes_, id); }
const DefineSprite* Dictionary::sprite(std::uint16_t id) const { return find(sprites_, id); }
const DefineFont* Dictionary::font(std::uint16_t id) const { return find(fonts_, id); }
const DefineText* Dictionary::text(std::uint16_t id) const { return find(texts_, id); }
const DefineMorphShape* Dictionary::morph(std::uint16_t id) const { return find(morphs_, id); }
const DefineButton* Dictionary::button(std::uint16_t id) const { return find(buttons_, id); }
const DefineButtonCxform* Dictionary::buttonCxform(std::uint16_t id) const { return find(buttonCxforms_, id); }
const DefineButtonSound* Dictionary::buttonSound(std::uint16_t id) const { return find(buttonSounds_, id); }
const DefineEditText* Dictionary::editText(std::uint16_t id) const { return find(editTexts_, id); }
const DefineSound* Dictionary::sound(std::uint16_t id) const { return find(sounds_, id); }
bool Dictionary::isBitmap(std::uint16_t id) const { return jpegs_.count(id) || lossless_.count(id); }

QImage Dictionary::bitmap(std::uint16_t id) const {
    if (const QImage* kept = bitmaps_.find(id)) return *kept;
    if (undecodable_.count(id) || !isBitmap(id)) return {};
    Result<QImage> d = Result<QImage>::fail(ErrorCode::Malformed, "no bitmap");
    if (const DefineBitsJpeg* j = find(jpegs_, id)) {
        std::span<const std::uint8_t> tables;
        if (jpegTables_) tables = jpegTables_->data;
        d = decodeBitmap(*j, tables);
    } else {
        d = decodeBitmap(*find(lossless_, id));
    }
    if (!d.ok()) {
        noteUndecodable(id, "bitmap", d.error());
        return {};
    }
    QImage image = std::move(*d);
    bitmaps_.put(id, image, static_cast<std::size_t>(image.sizeInBytes()));
    return image;
}

std::shared_ptr<const Pcm> Dictionary::soundPcm(std::uint16_t id) const {
    if (const auto* kept = soundCache_.find(id)) return *kept;
    const DefineSound* s = sound(id);
    if (!s || undecodable_.count(id)) return nullptr;
    SoundLimits limits;
    limits.maxFrames = kMaxSoundFrames;
    Result<Pcm> d = decodeSound(*s, limits);
    if (!d.ok()) {
        noteUndecodable(id, "sound", d.error());
        return nullptr;
    }
    auto pcm = std::make_shared<const Pcm>(toMixFormat(*d));
    soundCache_.put(id, pcm, pcm->samples.size() * sizeof(std::int16_t));
    return pcm;
}

void Dictionary::noteUndecodable(std::uint16_t id, const char* kind, const Error& error) const {
    undecodable_.insert(id);
    if (mediaWarnings_.size() < kMaxMediaWarnings)
        mediaWarnings_.push_back(std::string(kind) + " " + std::to_string(id) + ": " + error.detail);
}

bool Dictionary::hits(std::uint16_t id, QPointF local, int depth) const {
    if (depth > 8) return false;
    auto inGeometry = [&](const ShapeGeometry& g) {
        for (const auto& layer : g.layers) {
            for (const auto& f : layer.fills)
                if (f.path.contains(local)) return true;
            for (const auto& s : layer.strokes) {
                QPainterPathStroker stroker;
                stroker.setWidth(std::max<double>(s.style.width, 20));
                if (stroker.createStroke(s.path).contains(local)) return true;
            }
        }
        return false;
    };
    if (shape(id)) {
        const ShapeGeometry* g = hitGeometry(id);
        return g->bounds.contains(local) && inGeometry(*g);
    }
    if (morph(id)) return inGeometry(*hitGeometry(id));
    auto inRect = [&](const Rect& r) { return QRectF(r.xmin, r.ymin, r.width(), r.height()).contains(local); };
    if (const DefineText* t = text(id)) return inRect(t->bounds);
    if (const DefineEditText* e = editText(id)) return inRect(e->bounds);
    if (isBitmap(id)) {
        QImage img = bitmap(id);
        return !img.isNull() && QRectF(0, 0, img.width() * 20.0, img.height() * 20.0).contains(local);
    }
    if (const DefineButton* b = button(id))
        return hitTest(*b, local, [&](std::uint16_t c, QPointF p) { return hits(c, p, depth + 1); });
    if (const FrameIndex* fi = spriteFrames(id)) {
        // What the sprite shows on its first frame.
        const auto& range = fi->frames.front();
        for (std::size_t i = range.begin; i < range.end; ++i) {
            auto* p = std::get_if<PlaceObject>(&(*fi->tags)[i]);
            if (!p || !p->characterId || p->clipDepth) continue;
            bool ok = false;
            QTransform inv = toTransform(p->matrix.value_or(Matrix{})).inverted(&ok);
            if (ok && hits(*p->characterId, inv.map(local), depth + 1)) return true;
        }
    }
    return false;
}

const FrameIndex* Dictionary::spriteFrames(std::uint16_t id) const {
    auto it = spriteFrames_.find(id);
    return it == spriteFrames_.end() ? nullptr : &it->second;
}

const ShapeGeometry* Dictionary::hitGeometry(std::uint16_t id) const {
    auto it = hitGeometry_.find(id);
    if (it != hitGeometry_.end()) return &it->second;
    if (const DefineShape* s = shape(id)) {
        bool winding = s->version >= 4 && s->usesFillWindingRule;
        return &hitGeometry_.emplace(id, tessellate(s->shape, winding)).first->second;
    }
    if (const DefineMorphShape* m = morph(id))
        return &hitGeometry_.emplace(id, tessellate(morphShapeAt(*m, 0), false)).first->second;
    return nullptr;
}

}  // namespace swf
