// One sound decoder at a time, as the image harnesses do it.
#pragma once

#include <cstring>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "runtime/inspection.h"
#include "runtime/media_runtime.h"

namespace fuzz {

inline void check_sound(const uint8_t* data, size_t size) {
    static const bool registered = (tw::use_ogg_decoder(), true);
    (void)registered;
    tw::pcm_sound pcm;
    std::string why;
    if (tw::decode_sound(data, size, pcm, &why)) {
        check(pcm.channels >= 1 && pcm.channels <= 8, "channel count");
        check(pcm.rate > 0, "sample rate");
        check(!pcm.samples.empty(), "a decoded sound has samples");
        check(pcm.samples.size() % static_cast<size_t>(pcm.channels) == 0, "whole frames only");
        check(pcm.samples.size() * sizeof(int16_t) <= tw::max_sound_bytes, "decoded size limit");
    } else {
        check(!why.empty(), "a refusal says why");
        check(pcm.samples.empty() && pcm.channels == 0, "a refusal leaves no sound");
    }
}

}  // namespace fuzz
