#include "sounds.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace gen {

namespace {

constexpr float two_pi = 6.28318531f;

std::vector<float> silence(float seconds) {
    return std::vector<float>(static_cast<size_t>(seconds * sound_rate), 0.0f);
}

// Adds a decaying sine partial starting at `start` seconds.
void add_partial(std::vector<float>& s, float start, float freq, float amp, float decay, float attack = 0.003f) {
    size_t first = static_cast<size_t>(start * sound_rate);
    for (size_t i = first; i < s.size(); ++i) {
        float t = static_cast<float>(i - first) / sound_rate;
        float env = std::min(1.0f, t / attack) * std::exp(-t / decay);
        s[i] += amp * env * std::sin(two_pi * freq * t);
    }
}

// Fades the last `seconds` out, so the sound never ends on a click.
void fade_tail(std::vector<float>& s, float seconds) {
    size_t n = static_cast<size_t>(seconds * sound_rate);
    for (size_t i = 0; i < n && i < s.size(); ++i) s[s.size() - 1 - i] *= static_cast<float>(i) / n;
}

}  // namespace

std::vector<float> chime_sound() {
    auto s = silence(0.5f);
    for (auto [start, f] : {std::pair{0.0f, 1318.5f}, {0.075f, 1975.5f}}) {
        add_partial(s, start, f, 0.34f, 0.14f);
        add_partial(s, start, f * 2, 0.10f, 0.07f);
        add_partial(s, start, f * 3, 0.04f, 0.04f);
    }
    fade_tail(s, 0.05f);
    return s;
}

std::vector<float> blip_sound() {
    auto s = silence(0.16f);
    float phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = static_cast<float>(i) / sound_rate;
        float f = 520.0f + 900.0f * std::min(1.0f, t / 0.09f);
        phase += two_pi * f / sound_rate;
        // a soft square: odd harmonics only, falling off fast
        float v = std::sin(phase) + std::sin(3 * phase) / 5 + std::sin(5 * phase) / 14;
        float env = std::min(1.0f, t / 0.004f) * std::exp(-t / 0.06f);
        s[i] = 0.38f * env * v;
    }
    fade_tail(s, 0.02f);
    return s;
}

std::vector<float> bell_sound() {
    auto s = silence(1.6f);
    const float f = 740.0f;
    const float ratios[] = {0.5f, 1.0f, 1.19f, 1.5f, 2.0f, 2.74f, 3.76f};
    const float amps[] = {0.12f, 0.3f, 0.12f, 0.08f, 0.1f, 0.05f, 0.03f};
    const float decays[] = {0.9f, 0.6f, 0.45f, 0.35f, 0.3f, 0.18f, 0.12f};
    for (int i = 0; i < 7; ++i) add_partial(s, 0, f * ratios[i], amps[i], decays[i], 0.001f);
    fade_tail(s, 0.1f);
    return s;
}

}  // namespace gen
