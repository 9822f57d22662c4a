// A stage for the machine's tests: a tree of clips with names, display
// properties and a timeline position, and everything traced or warned.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "swf/format/action_builder.h"
#include "swf/format/codes.h"
#include "swf/script/host.h"
#include "swf/script/value.h"

namespace swf::script::test {

// The names the tests write their programs with.
using Asm = swf::ActionBuilder;
using Reg = Asm::Register;
using Const = Asm::Constant;
using Null = Asm::Null;
using Undef = Asm::Undefined;
namespace op = swf::action;

class TestHost : public Host {
public:
    struct Clip {
        std::string name;
        ClipHandle parent = 0;
        std::vector<ClipHandle> children;
        std::map<int, double> props;
        int frame = 0;  // 0-based
        int frames = 10;
        bool playing = true;
        std::map<std::string, int> labels;
    };
    std::map<ClipHandle, Clip> clips;
    std::vector<std::string> traces;
    std::vector<std::string> warnings;
    std::vector<std::string> urls;
    double now = 0;

    TestHost() { clips[1] = Clip{"", 0}; }
    ClipHandle add(ClipHandle parent, const std::string& name) {
        ClipHandle h = clips.size() + 1;
        while (clips.count(h)) ++h;
        clips[h] = Clip{name, parent};
        clips[parent].children.push_back(h);
        return h;
    }

    ClipHandle root() override { return 1; }
    ClipHandle parent(ClipHandle c) override { return clips.count(c) ? clips[c].parent : 0; }
    ClipHandle child(ClipHandle c, std::string_view name, bool cs) override {
        if (!clips.count(c)) return 0;
        for (ClipHandle k : clips[c].children)
            if (equalNames(clips[k].name, name, cs)) return k;
        return 0;
    }
    std::vector<std::pair<std::string, ClipHandle>> children(ClipHandle c) override {
        std::vector<std::pair<std::string, ClipHandle>> out;
        for (ClipHandle k : clips[c].children) out.emplace_back(clips[k].name, k);
        return out;
    }
    std::string targetPath(ClipHandle c, bool dotted) override {
        if (c == 1) return dotted ? "_level0" : "/";
        std::string path;
        for (ClipHandle k = c; k && k != 1; k = clips[k].parent) path = (dotted ? "." : "/") + clips[k].name + path;
        return dotted ? "_level0" + path : path;
    }
    bool alive(ClipHandle c) override { return clips.count(c) > 0; }
    HostValue getProperty(ClipHandle c, DisplayProperty p) override {
        Clip& k = clips[c];
        switch (p) {
        case DisplayProperty::Name: return k.name;
        case DisplayProperty::Target: return targetPath(c, false);
        case DisplayProperty::CurrentFrame: return double(k.frame + 1);
        case DisplayProperty::TotalFrames: return double(k.frames);
        default: {
            auto it = k.props.find(static_cast<int>(p));
            double d =
                p == DisplayProperty::XScale || p == DisplayProperty::YScale || p == DisplayProperty::Alpha ? 100 : 0;
            return it == k.props.end() ? d : it->second;
        }
        }
    }
    void setProperty(ClipHandle c, DisplayProperty p, const HostValue& v) override {
        if (p == DisplayProperty::Name) {
            if (auto s = std::get_if<std::string>(&v)) clips[c].name = *s;
        } else if (auto d = std::get_if<double>(&v)) {
            clips[c].props[static_cast<int>(p)] = *d;
        }
    }
    void play(ClipHandle c) override { clips[c].playing = true; }
    void stop(ClipHandle c) override { clips[c].playing = false; }
    void gotoFrame(ClipHandle c, int f, bool andPlay) override {
        clips[c].frame = std::max(0, std::min(f, clips[c].frames - 1));
        clips[c].playing = andPlay;
    }
    bool gotoLabel(ClipHandle c, std::string_view l, bool andPlay) override {
        auto it = clips[c].labels.find(std::string(l));
        if (it == clips[c].labels.end()) return false;
        gotoFrame(c, it->second, andPlay);
        return true;
    }
    void nextFrame(ClipHandle c) override { gotoFrame(c, clips[c].frame + 1, false); }
    void prevFrame(ClipHandle c) override { gotoFrame(c, clips[c].frame - 1, false); }
    int currentFrame(ClipHandle c) override { return clips[c].frame + 1; }
    int totalFrames(ClipHandle c) override { return clips[c].frames; }
    void removeSprite(ClipHandle c) override { removed.push_back(c); }
    void cloneSprite(ClipHandle source, std::string_view name, int depth) override {
        add(clips[source].parent, std::string(name));
    }
    void getUrl(std::string_view url, std::string_view window, int) override { urls.emplace_back(url); }
    void trace(std::string_view line) override { traces.emplace_back(line); }
    void warning(std::string_view m) override { warnings.emplace_back(m); }
    double timeMs() override { return now; }
    std::uint32_t random(std::uint32_t bound) override { return bound > 3 ? 3 : 0; }

    std::vector<ClipHandle> removed;
};

}  // namespace swf::script::test
