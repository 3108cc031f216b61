// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "presentation/presentation.h"

namespace tw {

void collect_objects(int32_t /*cx*/, int32_t /*cy*/) {}
void collect_object(int32_t /*cx*/, int32_t /*cy*/, int /*k*/) {}
void play_count_sound(int32_t /*index*/) {}
void draw_hud() {}

}  // namespace tw
