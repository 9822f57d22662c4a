#include "swf/script/stage.h"

#include "swf/script/machine.h"

namespace swf::script {

bool StageObject::getVirtual(Machine& m, std::string_view name, Value& out) { return false; }
bool StageObject::setVirtual(Machine& m, std::string_view name, const Value& v) { return false; }
bool StageObject::hasVirtual(Machine& m, std::string_view name) { return false; }
void StageObject::virtualNames(Machine& m, std::vector<std::string>& out) {}

}  // namespace swf::script
