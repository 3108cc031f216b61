// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "core/core.h"

namespace tw {

void load_configuration(const text& /*path*/) {}
void apply_config_key(const text& /*key*/, const text& /*value*/) {}
void read_configuration_pairs(const text& /*path*/) {}

}  // namespace tw
