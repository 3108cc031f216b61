// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "presentation/presentation.h"

namespace tw {

void enemy_step(enemy& /*e*/, int /*ai_level*/) {}
void wander(enemy& /*e*/) {}
void keep_walking(enemy& /*e*/) {}
void step_x(enemy& /*e*/, int /*d*/) {}
void step_y(enemy& /*e*/, int /*d*/) {}

}  // namespace tw
