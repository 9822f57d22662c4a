// Clips as scripts see them: an object whose own properties are the
// timeline's variables, whose display properties (_x, _alpha...) and child
// instances are read from the host. The machine keeps one object per live
// clip, so a clip keeps its identity; when the host reports the clip gone,
// the object stays but its stage names stop resolving.
#pragma once

#include "swf/script/host.h"
#include "swf/script/object.h"

namespace swf::script {

// "_level3" → 3 (the prefix in any case); false for any other name.
bool levelNumber(std::string_view name, int& n);

class Machine;

// A clip of an exported symbol whose name Object.registerClass gave a
// constructor takes the constructor's prototype and runs it, once, on the
// clip. From the player (inScript false), errors and bounds end the
// constructor only; from a native, they reach the script that called it.
// Returns whether a constructor ran.
bool constructClip(Machine& m, ClipHandle clip, std::string_view exportName, bool inScript = false);

class StageObject final : public Object {
public:
    StageObject(Object* proto, ClipHandle clip) : Object(proto, Kind::Stage), clip_(clip) {}
    ClipHandle clip() const { return clip_; }
    bool alive() const { return clip_ != 0; }
    void detach() { clip_ = 0; }
    // The registered class's constructor ran (or there was none to run).
    bool constructed() const { return constructed_; }
    void setConstructed() { constructed_ = true; }

    bool getVirtual(Machine&, std::string_view name, Value& out) override;
    bool setVirtual(Machine&, std::string_view name, const Value& v) override;
    bool hasVirtual(Machine&, std::string_view name) override;
    void virtualNames(Machine&, std::vector<std::pair<std::uint32_t, std::string>>& out) override;

private:
    ClipHandle clip_;
    bool constructed_ = false;
};

template <>
struct CompleteBarrier<StageObject> : std::true_type {};  // changes only through Object's accessors

}  // namespace swf::script
