// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "core/core.h"

namespace tw {

int engine_main() { return {}; }
[[noreturn]] void end_program() { std::abort(); }

}  // namespace tw
