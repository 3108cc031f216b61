// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "assets/assets.h"

namespace tw {

void load_object_definitions() {}
text definition_file_path(const text& /*image_path*/, const text& /*gfx_codec*/) { return {}; }
void apply_definition_key(object_definition& /*d*/, const text& /*key*/, const text& /*value*/) {}

}  // namespace tw
