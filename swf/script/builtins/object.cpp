#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

void installObject(Realm& realm) {}

}  // namespace swf::script
