// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "world/world.h"

namespace tw {

void load_saved_world(const text& /*topography_path*/) {}
void load_topography(int /*file*/, int32_t /*w*/, int32_t /*h*/) {}
void load_opacity(int /*file*/, int32_t /*w*/, int32_t /*h*/) {}

}  // namespace tw
