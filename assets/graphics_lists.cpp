// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "assets/assets.h"

namespace tw {

void show_loading_screen() {}
text loading_screen_name(const text& /*load_screen*/) { return {}; }
void load_world_graphics() {}
void clear_asset_lists() {}
void load_cursor_sprites(int32_t /*x*/, int32_t /*y*/) {}

}  // namespace tw
