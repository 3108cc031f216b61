// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "world/world.h"

namespace tw {

void build_world(const text& /*base_path*/) {}
void rebuild_world() {}
void reset_world() {}
void clear_enemies() {}
void clear_cursor_sprites() {}
void size_cell_sprites() {}
void load_cell_object(int32_t /*x*/, int32_t /*y*/) {}
void compute_view_cells() {}
text object_file_path(const world_cell& /*c*/) { return {}; }

}  // namespace tw
