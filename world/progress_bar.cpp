// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "world/world.h"

namespace tw {

void build_progress_tick() {}
void load_progress_tick() {}

}  // namespace tw
