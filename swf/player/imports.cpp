#include "swf/player/imports.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "swf/format/asset_tags.h"
#include "swf/format/codes.h"
#include "swf/format/reader.h"

namespace swf {

namespace {

bool bitmapFill(FillType t) { return t >= FillType::RepeatingBitmap; }

void fillRefs(std::vector<FillStyle>& fills, const std::function<void(std::uint16_t&)>& f) {
    for (auto& fill : fills)
        if (bitmapFill(fill.type) && fill.bitmapId != 0xFFFF) f(fill.bitmapId);
}

void shapeRefs(Shape& s, const std::function<void(std::uint16_t&)>& f) {
    fillRefs(s.fills, f);
    for (auto& r : s.records)
        if (auto* c = std::get_if<StyleChange>(&r)) fillRefs(c->fills, f);
}

// Calls `f` on every character id a tag refers to, its own id aside.
void forEachRef(Tag& tag, const std::function<void(std::uint16_t&)>& f) {
    if (auto* s = std::get_if<DefineShape>(&tag)) {
        shapeRefs(s->shape, f);
    } else if (auto* m = std::get_if<DefineMorphShape>(&tag)) {
        for (auto& fill : m->fills)
            if (bitmapFill(fill.type) && fill.bitmapId != 0xFFFF) f(fill.bitmapId);
    } else if (auto* sp = std::get_if<DefineSprite>(&tag)) {
        for (auto& t : sp->tags) {
            if (auto* p = std::get_if<PlaceObject>(&t)) {
                if (p->characterId) f(*p->characterId);
            } else if (auto* r = std::get_if<RemoveObject>(&t)) {
                if (r->version == 1) f(r->characterId);
            } else if (auto* st = std::get_if<StartSound>(&t)) {
                if (st->version == 1) f(st->soundId);
            }
        }
    } else if (auto* t = std::get_if<DefineText>(&tag)) {
        for (auto& r : t->records)
            if (r.fontId) f(*r.fontId);
    } else if (auto* e = std::get_if<DefineEditText>(&tag)) {
        if (e->fontId) f(*e->fontId);
    } else if (auto* b = std::get_if<DefineButton>(&tag)) {
        for (auto& r : b->records) f(r.characterId);
    } else if (auto* bs = std::get_if<DefineButtonSound>(&tag)) {
        for (auto& id : bs->soundId)
            if (id) f(id);
    }
}

// The id a definition tag defines, or the id of the character a tag belongs
// to (font info, button colour and sounds, a sprite's init actions); null for
// other tags.
std::uint16_t* ownerId(Tag& tag) {
    return std::visit(
        [](auto& t) -> std::uint16_t* {
            using T = std::decay_t<decltype(t)>;
            if constexpr (std::is_same_v<T, DefineFontInfo>)
                return &t.fontId;
            else if constexpr (std::is_same_v<T, DefineButtonCxform> || std::is_same_v<T, DefineButtonSound>)
                return &t.buttonId;
            else if constexpr (std::is_same_v<T, DoInitAction>)
                return &t.spriteId;
            else if constexpr (requires { t.id; } && !std::is_same_v<T, UnknownTag>)
                return &t.id;
            else
                return nullptr;
        },
        tag.base());
}

bool isDefinition(const Tag& tag) {
    return !std::holds_alternative<DefineFontInfo>(tag) && !std::holds_alternative<DefineButtonCxform>(tag) &&
           !std::holds_alternative<DefineButtonSound>(tag) && !std::holds_alternative<DoInitAction>(tag);
}

std::optional<ImportAssets> importTag(const Tag& tag, std::string& problem) {
    auto* u = std::get_if<UnknownTag>(&tag);
    if (!u || (u->code != code::ImportAssets && u->code != code::ImportAssets2)) return std::nullopt;
    auto parsed = parseImportAssets(u->code == code::ImportAssets2 ? 2 : 1, u->data);
    if (!parsed) {
        problem = "une balise d'importation est illisible (" + parsed.error().detail + ")";
        return std::nullopt;
    }
    return std::move(*parsed);
}

// The folder part of a '/'-separated path, with its final '/'.
std::string folderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

struct Resolver {
    const AssetFetcher& fetch;
    const ImportLimits& limits;
    std::vector<std::string> warnings;
    std::size_t files = 0, bytes = 0, definitions = 0;

    void warn(std::string text) {
        if (warnings.size() < 100) warnings.push_back(std::move(text));
    }

    void resolve(MovieData& movie, const std::string& folder, int depth) {
        // Ids the movie defines or gives to imports: fresh ids avoid them.
        std::unordered_set<std::uint16_t> used;
        bool anyImport = false;
        for (auto& tag : movie.tags) {
            std::string problem;
            if (auto imp = importTag(tag, problem)) {
                anyImport = true;
                for (const auto& a : imp->assets) used.insert(a.id);
            } else if (std::uint16_t* id = ownerId(tag)) {
                used.insert(*id);
            }
        }
        if (!anyImport) return;
        std::uint16_t nextFresh = 0xFFFF;
        auto fresh = [&]() -> std::uint16_t {
            while (nextFresh > 0 && used.count(nextFresh)) --nextFresh;
            used.insert(nextFresh);
            return nextFresh;
        };

        std::vector<Tag> out;
        out.reserve(movie.tags.size());
        for (auto& tag : movie.tags) {
            std::string problem;
            auto imp = importTag(tag, problem);
            if (!problem.empty()) warn(problem);
            if (!imp) {
                out.push_back(std::move(tag));
                continue;
            }
            importInto(*imp, folder, depth, out, fresh);
        }
        movie.tags = std::move(out);
    }

    template <class Fresh>
    void importInto(const ImportAssets& imp, const std::string& folder, int depth, std::vector<Tag>& out,
                    Fresh& fresh) {
        const std::string& url = imp.url;
        if (depth >= limits.maxDepth) {
            warn("importation de « " + url + " » ignorée : trop d'importations imbriquées");
            return;
        }
        if (files >= limits.maxFiles || bytes >= limits.maxTotalBytes) {
            warn("importation de « " + url + " » ignorée : trop de fichiers importés");
            return;
        }
        ++files;
        std::string path = folder + url;
        std::optional<Bytes> data = fetch(path, limits.maxTotalBytes - bytes);
        if (!data) {
            warn("le fichier importé « " + url + " » est introuvable ou illisible");
            return;
        }
        bytes += data->size();
        ReadResult r = read(*data);
        if (!r.ok()) {
            warn("le fichier importé « " + url + " » n'est pas une animation lisible");
            return;
        }
        MovieData& other = *r.movie;
        resolve(other, folderOf(path), depth + 1);

        // The other movie's exported names and definitions (the first of an id wins).
        std::map<std::string, std::uint16_t> exported;
        std::unordered_map<std::uint16_t, std::size_t> definitionAt;
        for (std::size_t i = 0; i < other.tags.size(); ++i) {
            Tag& t = other.tags[i];
            if (auto* u = std::get_if<UnknownTag>(&t); u && u->code == code::ExportAssets) {
                if (auto ex = parseExportAssets(u->data))
                    for (auto& a : ex->assets) exported.emplace(a.name, a.id);
            } else if (std::uint16_t* id = ownerId(t); id && isDefinition(t)) {
                definitionAt.emplace(*id, i);
            }
        }

        // Their ids here: the named ones as the import says, what they use fresh.
        std::unordered_map<std::uint16_t, std::uint16_t> idHere;
        std::vector<std::pair<std::uint16_t, std::uint16_t>> extraNames;  // one character under a second id
        std::vector<std::uint16_t> queue;
        // The names imported stay names here: scripts attach them, and a
        // movie importing this one may import them in turn.
        ExportAssets names;
        for (const auto& a : imp.assets) {
            auto e = exported.find(a.name);
            if (e == exported.end()) {
                warn("« " + a.name + " » n'est pas exporté par « " + url + " »");
                continue;
            }
            names.assets.push_back(a);
            if (idHere.emplace(e->second, a.id).second)
                queue.push_back(e->second);
            else if (idHere[e->second] != a.id)
                extraNames.emplace_back(e->second, a.id);
        }
        // Follow what the named characters use; attached tags (font info,
        // button sounds) bring their references too.
        std::unordered_set<std::uint16_t> seen(queue.begin(), queue.end());
        std::unordered_map<std::uint16_t, std::vector<std::size_t>> attached;
        for (std::size_t i = 0; i < other.tags.size(); ++i)
            if (std::uint16_t* id = ownerId(other.tags[i]); id && !isDefinition(other.tags[i]))
                attached[*id].push_back(i);
        while (!queue.empty()) {
            std::uint16_t id = queue.back();
            queue.pop_back();
            std::vector<std::size_t> tags = attached[id];
            if (auto d = definitionAt.find(id); d != definitionAt.end()) tags.push_back(d->second);
            for (std::size_t i : tags)
                forEachRef(other.tags[i], [&](std::uint16_t& ref) {
                    if (seen.insert(ref).second) {
                        idHere.emplace(ref, fresh());
                        queue.push_back(ref);
                    }
                });
        }

        // Copy the definitions in the other movie's order, ids changed.
        for (Tag& t : other.tags) {
            std::uint16_t* id = ownerId(t);
            if (!id || !idHere.count(*id)) continue;
            if (++definitions > limits.maxDefinitions) {
                warn("importation de « " + url + " » tronquée : trop de définitions importées");
                return;
            }
            std::uint16_t original = *id;
            Tag copy = t;
            forEachRef(copy, [&](std::uint16_t& ref) {
                auto m = idHere.find(ref);
                if (m != idHere.end()) ref = m->second;
            });
            *ownerId(copy) = idHere[original];
            for (const auto& [from, second] : extraNames)
                if (from == original) {
                    Tag again = copy;
                    *ownerId(again) = second;
                    out.push_back(std::move(again));
                }
            out.push_back(std::move(copy));
        }
        if (!names.assets.empty()) out.push_back(UnknownTag{code::ExportAssets, encodeExportAssets(names)});
    }
};

}  // namespace

AssetFetcher localFileFetcher(std::filesystem::path folder) {
    return [folder = std::move(folder)](const std::string& url, std::size_t maxBytes) -> std::optional<Bytes> {
        std::string path = url;
        if (path.rfind("file://", 0) == 0) path = path.substr(7);
        if (path.empty() || path.find("://") != std::string::npos || path[0] == '/' || path[0] == '\\' ||
            path.find(':') != std::string::npos)
            return std::nullopt;
        std::filesystem::path rel = std::filesystem::path(path).lexically_normal();
        if (rel.empty() || *rel.begin() == "..") return std::nullopt;
        std::error_code ec;
        std::filesystem::path full = folder / rel;
        if (!std::filesystem::is_regular_file(full, ec)) return std::nullopt;
        auto size = std::filesystem::file_size(full, ec);
        if (ec || size > maxBytes) return std::nullopt;
        std::ifstream in(full, std::ios::binary);
        if (!in) return std::nullopt;
        Bytes bytes(static_cast<std::size_t>(size));
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (static_cast<std::size_t>(in.gcount()) != bytes.size()) return std::nullopt;
        return bytes;
    };
}

std::vector<std::string> resolveImports(MovieData& movie, const AssetFetcher& fetch, const ImportLimits& limits) {
    Resolver r{fetch, limits, {}};
    r.resolve(movie, std::string(), 0);
    return std::move(r.warnings);
}

}  // namespace swf
