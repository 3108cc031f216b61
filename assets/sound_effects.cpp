// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "assets/assets.h"

namespace tw {

void load_sound_effects() {}

}  // namespace tw
