// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "core/core.h"

namespace tw {

text fatal_error_text(int /*code*/) { return {}; }
void fatal_error(int /*code*/) {}
void write_error_report() {}

}  // namespace tw
