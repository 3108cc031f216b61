// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "presentation/presentation.h"

namespace tw {

void load_sprite_font() {}
void release_sprite_font() {}
void read_font_description(const text& /*path*/) {}
void draw_sprite_text(const text& /*t*/, float /*x*/, float /*y*/, float /*scale*/, float /*angle*/, int /*alpha*/, float /*spacing*/) {}
void draw_sprite_char(int /*code*/, float /*x*/, float /*y*/, float /*scale*/, float /*angle*/, int /*alpha*/, float /*spacing*/) {}

}  // namespace tw
