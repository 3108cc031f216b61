// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "core/core.h"

namespace tw {

void query_desktop() {}
void open_main_window() {}
void open_main_screen(int /*window*/) {}

}  // namespace tw
