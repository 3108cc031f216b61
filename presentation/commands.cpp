// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "presentation/presentation.h"

namespace tw {

void keyboard_step() {}
void joystick_step() {}
void quit_screen(int /*device*/) {}
void pause_screen(int /*device*/) {}

}  // namespace tw
