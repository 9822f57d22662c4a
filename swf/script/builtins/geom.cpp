// The flash.geom package, seen by version 8 movies (a script may lift the
// flag with ASSetPropFlags): Point, and Transform as a bare class.
#include <cmath>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

namespace {

Value nothing(Machine&, Value, std::span<const Value>) { return Value(); }

}  // namespace

void installGeom(Realm& realm) {
    Machine& m = realm.machine;
    bool cs = m.caseSensitive();
    Object* flash = realm.newObject();
    realm.global->define(realm.heap, "flash", Value::object(flash), DontEnum | OnlyV8, cs);
    Object* geom = realm.newObject();
    flash->define(realm.heap, "geom", Value::object(geom), DontEnum, cs);
    FunctionObject* transform = realm.defineClass({}, nothing, nullptr, nullptr);
    geom->define(realm.heap, "Transform", Value::object(transform), DontEnum, cs);
}

}  // namespace swf::script
