// The program: everything happens in engine_main.
#include "core/core.h"

int main() { return tw::engine_main(); }
