// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "presentation/presentation.h"

namespace tw {

void draw_world_view() {}
void draw_cells() {}
void draw_objects() {}
void draw_enemies() {}
void draw_players() {}
void zoom_screen() {}

}  // namespace tw
