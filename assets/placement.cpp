// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "assets/assets.h"

namespace tw {

void place_cell_children(int32_t /*x*/, int32_t /*y*/) {}
void spawn_enemies() {}
void anchor_instance(object_instance& /*inst*/, const object_definition& /*def*/) {}
void anchor_enemy(enemy& /*e*/, const object_definition& /*def*/) {}

}  // namespace tw
