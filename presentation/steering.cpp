// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "presentation/presentation.h"

namespace tw {

void keyboard_steering() {}
void joystick_steering() {}
void steer_by_keyboard(cursor_sprite& /*s*/, int /*dx*/, int /*dy*/) {}
void steer_by_joystick(cursor_sprite& /*s*/) {}
void set_heading(cursor_sprite& /*s*/, int /*dx*/, int /*dy*/) {}
void move_cursor_sprites(int /*dx*/, int /*dy*/) {}

}  // namespace tw
