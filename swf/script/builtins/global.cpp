#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

void installGlobal(Realm& realm) {}

}  // namespace swf::script
