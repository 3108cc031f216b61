// sounds: the synthesised sound effects of the sample game.
#pragma once

#include <vector>

namespace gen {

constexpr int sound_rate = 22050;

std::vector<float> chime_sound();  // a coin: two bright rising notes
std::vector<float> blip_sound();   // a gem: a short rising blip
std::vector<float> bell_sound();   // the bell post: a struck bell that starts at full strength

}  // namespace gen
