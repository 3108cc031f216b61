// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "world/world.h"

namespace tw {

void fill_walls(int32_t /*w*/, int32_t /*h*/) {}
void carve_floor(int32_t /*w*/, int32_t /*h*/) {}
void carve_green(int32_t /*w*/, int32_t /*h*/) {}
void carve_water(int32_t /*w*/, int32_t /*h*/) {}
void mark_edges() {}

}  // namespace tw
