// Movies and variables loaded by scripts: loadMovie, loadMovieNum,
// loadVariables and MovieClipLoader, read through the player's local fetcher
// and started between frames.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

#include "swf/format/action_builder.h"
#include "swf/format/reader.h"
#include "swf/player/timeline.h"
#include "swf/player/timeline_scripts.h"

namespace swf {

namespace {

// What a load read: the movie, or why not.
struct Fetched {
    std::shared_ptr<const LoadedMovie> movie;
    bool found = false;  // the file was read (it may still be no movie)
};

// The movie at `url`, read through the context's fetcher; no movie (with a
// French message on standard error) when it cannot be had.
std::shared_ptr<const Bytes> fetchFile(PlayerContext& ctx, const std::string& url) {
    if (!ctx.fetch) return nullptr;
    std::optional<Bytes> bytes = ctx.fetch(url, std::min(ctx.maxLoadBytes, ctx.loadBudget));
    if (!bytes) return nullptr;
    ctx.loadBudget -= std::min(ctx.loadBudget, bytes->size());
    return std::make_shared<const Bytes>(std::move(*bytes));
}

// `bytes`: the file when it was read already.
Fetched fetchMovie(PlayerContext& ctx, const std::string& url, std::shared_ptr<const Bytes> bytes = nullptr) {
    Fetched out;
    auto fail = [&](const char* why) {
        std::fprintf(stderr, "swf : le film « %s » n'a pas pu être chargé (%s).\n", url.c_str(), why);
        return out;
    };
    if (!ctx.fetch) return fail("aucun accès aux fichiers");
    if (!bytes) bytes = fetchFile(ctx, url);
    if (!bytes) return fail("fichier absent, illisible, hors du dossier du film ou trop grand");
    out.found = true;
    ReadResult r = read(*bytes);
    if (!r.ok()) return fail("ce n'est pas un film lisible");
    auto loaded = std::make_shared<LoadedMovie>();
    loaded->movie = std::make_shared<const MovieData>(std::move(*r.movie));
    loaded->dictionary = std::make_unique<Dictionary>(*loaded->movie);
    loaded->bytes = bytes->size();
    out.movie = std::move(loaded);
    return out;
}

// Tells a MovieClipLoader one step of its load: loader.broadcastMessage(event, clip, extra...).
void tellLoader(PlayerContext& ctx, script::Object* loader, const char* event, Timeline* target,
                std::vector<script::Value> extra = {}) {
    if (!ctx.machine || !loader) return;
    script::Machine& m = *ctx.machine;
    std::vector<script::Value> args{m.str(event)};
    args.push_back(target && ctx.alive(target) ? script::Value::object(m.clipObject(scriptHandle(target)))
                                               : script::Value());
    args.insert(args.end(), extra.begin(), extra.end());
    m.callMethodIfPresent(loader, "broadcastMessage", args);
}

// A movie coming into a clip drops the variables and handlers scripts gave
// the clip; the object itself stays (references to it see the new movie).
void forgetClipVariables(PlayerContext& ctx, Timeline* target) {
    if (!ctx.machine) return;
    script::Machine& m = *ctx.machine;
    script::Object* o = m.clipObject(scriptHandle(target));
    std::vector<std::string> names;
    for (const script::Property& p : o->properties())
        if (!p.dead) names.push_back(p.name);
    for (const std::string& name : names) o->remove(name, true, true);
    o->setProto(m.realm().movieClipProto);
}

// "a=1&b=deux+mots&c=%C3%A9t%C3%A9" → its pairs, decoded ('+' is a space).
std::vector<std::pair<std::string, std::string>> decodeVariables(const Bytes& text) {
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    auto decode = [&](std::string_view s) {
        std::string out;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '+') {
                out += ' ';
            } else if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
                out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
                i += 2;
            } else {
                out += s[i];
            }
        }
        return out;
    };
    std::vector<std::pair<std::string, std::string>> out;
    std::string_view all(reinterpret_cast<const char*>(text.data()), text.size());
    while (!all.empty()) {
        std::size_t amp = all.find('&');
        std::string_view pair = all.substr(0, amp);
        all = amp == std::string_view::npos ? std::string_view() : all.substr(amp + 1);
        std::size_t eq = pair.find('=');
        if (eq == std::string_view::npos || eq == 0) continue;
        out.emplace_back(decode(pair.substr(0, eq)), decode(pair.substr(eq + 1)));
    }
    return out;
}

// Sets the variables of a text file on a clip, as a script would.
void loadVariablesInto(PlayerContext& ctx, Timeline* target, const std::string& url) {
    if (!ctx.fetch) return;
    std::optional<Bytes> text = ctx.fetch(url, std::min(ctx.maxLoadBytes, ctx.loadBudget));
    if (!text) {
        std::fprintf(stderr, "swf : les variables de « %s » n'ont pas pu être lues.\n", url.c_str());
        return;
    }
    ctx.loadBudget -= std::min(ctx.loadBudget, text->size());
    ActionBuilder set;
    for (const auto& [name, value] : decodeVariables(*text)) {
        // Plain names only: a path would reach other clips. A push record holds at most 64 KiB.
        if (name.find_first_of("/:.") != std::string::npos || name.size() + value.size() > 60000) continue;
        set.setVariable(name, value);
    }
    runScriptOn(ctx, set.bytes(), target);
}

}  // namespace

void readLoaderFiles(PlayerContext& ctx) {
    if (!ctx.fetch || !ctx.machine) return;  // read once there is a way to read
    std::vector<PlayerContext::PendingLoad> missing;
    for (auto it = ctx.loads.begin(); it != ctx.loads.end();) {
        if (!it->loader || it->read || it->cancelled || it->url.empty()) {
            ++it;
            continue;
        }
        it->read = true;
        it->bytes = fetchFile(ctx, it->url);
        if (it->bytes) {
            ++it;
            continue;
        }
        std::fprintf(stderr, "swf : le film « %s » n'a pas pu être chargé (fichier absent ou illisible).\n",
                     it->url.c_str());
        missing.push_back(std::move(*it));
        it = ctx.loads.erase(it);
    }
    // The loaders' handlers may ask for more loads: told once the list is settled.
    for (auto& load : missing) {
        Timeline* target = const_cast<Timeline*>(load.target);
        if (!target && load.level == 0) target = ctx.root;
        if (!target)
            if (auto it = ctx.levels.find(load.level); it != ctx.levels.end()) target = it->second.get();
        tellLoader(ctx, load.loader, "onLoadError", ctx.alive(target) ? target : nullptr,
                   {ctx.machine->str("URLNotFound")});
        ctx.machine->removeRoot(load.loader);
    }
}

void runLoads(PlayerContext& ctx) {
    std::vector<PlayerContext::PendingLoad> loads = std::move(ctx.loads);
    ctx.loads.clear();
    // MovieClipLoader loads end in two passes: every load's start, progress
    // and completion first, then the new movies' first frames, then the
    // init of each, the last load first.
    struct Told {
        Timeline* target;
        script::Object* loader;
    };
    std::vector<Told> told;
    auto release = [&](script::Object* loader) {
        if (loader && ctx.machine) ctx.machine->removeRoot(loader);
    };
    for (const auto& load : loads) {
        Timeline* target = nullptr;
        if (load.target) {
            if (!ctx.alive(load.target)) {  // the clip left the stage meanwhile
                release(load.loader);
                continue;
            }
            target = const_cast<Timeline*>(load.target);
        } else if (load.level == 0) {
            target = ctx.root;
        } else if (auto it = ctx.levels.find(load.level); it != ctx.levels.end()) {
            target = it->second.get();
        }
        if (load.variables) {
            if (target) loadVariablesInto(ctx, target, load.url);
            continue;
        }
        Fetched fetched;
        if (!load.url.empty()) {
            fetched = fetchMovie(ctx, load.url, load.bytes);
            if (load.loader && !fetched.found) {
                tellLoader(ctx, load.loader, "onLoadError", target, {ctx.machine->str("URLNotFound")});
                release(load.loader);
                continue;
            }
            if (load.loader && load.cancelled) {
                tellLoader(ctx, load.loader, "onLoadStart", target);
                release(load.loader);
                continue;
            }
            // What was shown stays, unless a loader asked: a file that is
            // no movie then leaves the clip empty.
            if (!fetched.movie && !load.loader) continue;
        }
        std::shared_ptr<const LoadedMovie> movie = fetched.movie;
        // What the clip showed leaves: its onUnload handler runs first.
        if (target && ctx.machine)
            ctx.machine->callMethodIfPresent(ctx.machine->clipObject(scriptHandle(target)), "onUnload", {});
        if (target && !ctx.alive(target)) {
            release(load.loader);
            continue;
        }
        if (!target && !movie && !load.loader) continue;  // unloading a level that is not there
        if (!target) {
            auto level = std::make_unique<Timeline>(ctx.emptyFrames, ctx, 0, nullptr);
            level->setLevel(load.level);
            target = level.get();
            ctx.levels[load.level] = std::move(level);
        } else if (!movie && !load.loader && !target->parent() && target->level() != 0) {
            // An unloaded level is gone, not empty.
            auto it = ctx.levels.find(target->level());
            markDead(ctx, *it->second);
            ctx.graveyard.push_back(std::move(it->second));
            ctx.levels.erase(it);
            continue;
        }
        forgetClipVariables(ctx, target);
        if (!load.loader) {
            target->loadContent(std::move(movie));
            continue;
        }
        double bytes = movie ? double(movie->bytes) : 0.0;
        target->showContent(std::move(movie));
        tellLoader(ctx, load.loader, "onLoadStart", target);
        tellLoader(ctx, load.loader, "onLoadProgress", target,
                   {script::Value::number(bytes), script::Value::number(bytes)});
        tellLoader(ctx, load.loader, "onLoadComplete", target, {script::Value::number(0)});
        told.push_back({target, load.loader});
    }
    for (const Told& t : told)
        if (ctx.alive(t.target)) t.target->runQueuedActions();
    for (auto it = told.rbegin(); it != told.rend(); ++it) {
        if (ctx.alive(it->target)) tellLoader(ctx, it->loader, "onLoadInit", it->target);
        release(it->loader);
    }
}

}  // namespace swf
