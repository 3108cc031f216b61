// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "runtime/media_runtime.h"
#include "runtime/platform.h"

namespace tw {

bool init_sound() { return {}; }
void use_png_decoder() {}
void use_jpeg_decoder() {}
void use_tga_decoder() {}
void use_tiff_decoder() {}
void use_ogg_decoder() {}
int load_sound(int /*number*/, const text& /*path*/) { return {}; }
void play_sound(int /*number*/, int /*flags*/) {}
void play_sound_once(int /*number*/) {}
void free_sound(int /*number*/) {}
bool is_sound(int /*number*/) { return {}; }

}  // namespace tw

namespace tw::platform {
void sound_shutdown() {}
}  // namespace tw::platform
