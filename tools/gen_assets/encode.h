// encode: writes the generated pictures as PNG, the sounds as Ogg Vorbis and
// the data files as bytes, creating folders on the way. Every writer
// produces the same bytes for the same input.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"

namespace gen {

enum class PngKind {
    opaque,  // RGB; alpha ignored (tiles, loading screens)
    keyed,   // RGBA; fully transparent pixels are written as white, the
             // colour the engine keys out of sprites, and no visible pixel is
             // pure white, so the image reads the same with or without its
             // alpha channel
};

bool write_png(const std::string& path, const Canvas& c, PngKind kind);
// Mono samples in -1..1 at `rate` Hz, Vorbis quality `quality` (-0.1..1).
bool write_ogg(const std::string& path, const std::vector<float>& samples, int rate, float quality);
bool write_bytes(const std::string& path, const std::string& bytes);

// Line pairs joined with CR LF, the line end of the games' data files.
std::string crlf_lines(const std::vector<std::string>& lines);

}  // namespace gen
