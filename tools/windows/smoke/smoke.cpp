// Proves a Windows build of the libraries the engine links: SDL2 opens a
// hidden window with a renderer and draws, SDL2_ttf renders text through
// FreeType, libpng, libjpeg and libtiff each decode an image they have just
// encoded, and vorbisfile decodes an Ogg Vorbis stream vorbisenc has just
// made (encoded by tools/encoders, as for the tests). Prints OK and exits 0,
// or says what failed and exits 1.
//
//   smoke FONT.ttf
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <SDL_ttf.h>
#include <png.h>
#include <tiffio.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "tools/encoders/encoders.h"

namespace {

using Bytes = tw::encoders::Bytes;

bool fail(const char* what, const char* detail = "") {
  std::fprintf(stderr, "smoke: %s %s\n", what, detail);
  return false;
}

// A 4x4 RGBA picture whose every pixel differs.
Bytes test_pixels() {
  Bytes px(4 * 4 * 4);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<unsigned char>(i * 16 + 3);
  for (size_t i = 3; i < px.size(); i += 4) px[i] = 255;
  return px;
}

// --- Decoding what the shared encoders made with the same libraries ---
struct Reader {
  const Bytes* data;
  size_t at;
};

bool png_round_trip(Bytes& decoded) {
  const Bytes px = test_pixels();
  tw::encoders::PngPicture picture;
  picture.width = picture.height = 4;
  picture.colour_type = PNG_COLOR_TYPE_RGB_ALPHA;
  picture.rows = px;
  const Bytes file = tw::encoders::png(picture);
  if (file.empty()) return fail("libpng could not encode");

  Reader reader{&file, 0};
  png_structp r = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop ri = png_create_info_struct(r);
  if (setjmp(png_jmpbuf(r))) return fail("libpng could not decode");
  png_set_read_fn(r, &reader, [](png_structp p, png_bytep d, size_t n) {
    auto* in = static_cast<Reader*>(png_get_io_ptr(p));
    if (in->at + n > in->data->size()) png_error(p, "short");
    std::memcpy(d, in->data->data() + in->at, n);
    in->at += n;
  });
  png_read_info(r, ri);
  if (png_get_image_width(r, ri) != 4 || png_get_image_height(r, ri) != 4) return fail("PNG size");
  decoded.assign(px.size(), 0);
  for (int y = 0; y < 4; ++y) png_read_row(r, decoded.data() + y * 16, nullptr);
  png_destroy_read_struct(&r, &ri, nullptr);
  return decoded == px || fail("PNG pixels differ");
}

// A grey ramp (lossy: compared loosely).
bool jpeg_round_trip() {
  const int size = 16;
  Bytes grey(size * size);
  for (int i = 0; i < size * size; ++i) grey[i] = static_cast<unsigned char>((i % size) * 16);
  Bytes file = tw::encoders::jpeg(size, size, 1, grey, 95);
  if (file.empty()) return fail("libjpeg could not encode");

  jpeg_error_mgr err;
  jpeg_decompress_struct d;
  d.err = jpeg_std_error(&err);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, file.data(), file.size());
  jpeg_read_header(&d, TRUE);
  jpeg_start_decompress(&d);
  Bytes back(size * size);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = back.data() + d.output_scanline * size;
    jpeg_read_scanlines(&d, &row, 1);
  }
  const bool sized = d.output_width == size && d.output_height == size;
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  if (!sized) return fail("JPEG size");
  for (int i = 0; i < size * size; ++i)
    if (std::abs(back[i] - grey[i]) > 8) return fail("JPEG pixels differ");
  return true;
}

// Deflate-compressed, so that libtiff's zlib is proved too; read back from a
// file through the RGBA interface.
bool tiff_round_trip() {
  const Bytes px = test_pixels();
  tw::encoders::TiffPicture picture;
  picture.width = picture.height = 4;
  picture.samples = 4;
  picture.extra_kind = EXTRASAMPLE_UNASSALPHA;
  picture.compression = COMPRESSION_ADOBE_DEFLATE;
  picture.pixels = px;
  const Bytes file = tw::encoders::tiff(picture);
  if (file.empty()) return fail("libtiff could not encode");
  const char* path = "smoke.tif";
  FILE* out = std::fopen(path, "wb");
  if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size()) return fail("could not write", path);
  std::fclose(out);

  TIFF* t = TIFFOpen(path, "r");
  if (!t) return fail("libtiff could not reopen", path);
  std::vector<uint32_t> rgba(16);
  const int read = TIFFReadRGBAImageOriented(t, 4, 4, rgba.data(), ORIENTATION_TOPLEFT, 0);
  TIFFClose(t);
  std::remove(path);
  if (!read) return fail("libtiff could not decode");
  for (int i = 0; i < 16; ++i)
    if (TIFFGetR(rgba[i]) != px[i * 4] || TIFFGetB(rgba[i]) != px[i * 4 + 2])
      return fail("TIFF pixels differ");
  return true;
}

// Half a second of a tone, decoded with vorbisfile.
bool vorbis_round_trip() {
  const int rate = 22050, frames = rate / 2;
  std::vector<float> tone(frames);
  for (int i = 0; i < frames; ++i) tone[i] = 0.5f * std::sin(2 * 3.14159265f * 440 * i / rate);
  const Bytes file = tw::encoders::ogg_vorbis(1, rate, tone, 0.3f, 1);
  if (file.empty()) return fail("vorbisenc could not encode");

  Reader reader{&file, 0};
  ov_callbacks io{};
  io.read_func = [](void* dst, size_t size, size_t count, void* src) -> size_t {
    auto* in = static_cast<Reader*>(src);
    const size_t n = std::min(size * count, in->data->size() - in->at);
    std::memcpy(dst, in->data->data() + in->at, n);
    in->at += n;
    return n / size;
  };
  OggVorbis_File vf;
  if (ov_open_callbacks(&reader, &vf, nullptr, 0, io) != 0) return fail("vorbisfile could not open");
  const vorbis_info* info = ov_info(&vf, -1);
  const bool format = info->channels == 1 && info->rate == rate;
  long samples = 0;
  double energy = 0;
  char pcm[4096];
  int section = 0;
  for (long got; (got = ov_read(&vf, pcm, sizeof pcm, 0, 2, 1, &section)) > 0;) {
    for (long i = 0; i + 1 < got; i += 2) {
      const short s = static_cast<short>((pcm[i] & 0xff) | (pcm[i + 1] << 8));
      energy += std::fabs(s / 32768.0);
    }
    samples += got / 2;
  }
  ov_clear(&vf);
  if (!format) return fail("Ogg format differs");
  if (samples != frames) return fail("Ogg length differs");
  return energy / samples > 0.2 || fail("Ogg decoded to silence");
}

// --- SDL2 and SDL2_ttf: draw the PNG and a line of text, read the pixels back ---
bool sdl_draws(const char* font_path, const Bytes& rgba) {
  SDL_SetMainReady();
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return fail("SDL_Init:", SDL_GetError());
  SDL_Window* window = SDL_CreateWindow("smoke", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 64, 32,
                                        SDL_WINDOW_HIDDEN);
  if (!window) return fail("SDL_CreateWindow:", SDL_GetError());
  SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
  if (!renderer) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer) return fail("SDL_CreateRenderer:", SDL_GetError());
  SDL_RendererInfo info;
  SDL_GetRendererInfo(renderer, &info);
  std::printf("video driver %s, renderer %s\n", SDL_GetCurrentVideoDriver(), info.name);

  if (TTF_Init() != 0) return fail("TTF_Init:", TTF_GetError());
  TTF_Font* font = TTF_OpenFont(font_path, 12);
  if (!font) return fail("TTF_OpenFont:", TTF_GetError());
  SDL_Surface* text = TTF_RenderUTF8_Blended(font, "OK", SDL_Color{255, 255, 255, 255});
  if (!text || text->w < 4 || text->h < 4) return fail("TTF_RenderUTF8_Blended:", TTF_GetError());

  SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<unsigned char*>(rgba.data()), 4, 4, 32,
                                                            16, SDL_PIXELFORMAT_ABGR8888);
  SDL_Texture* picture_texture = SDL_CreateTextureFromSurface(renderer, picture);
  SDL_Texture* text_texture = SDL_CreateTextureFromSurface(renderer, text);
  if (!picture_texture || !text_texture) return fail("SDL_CreateTextureFromSurface:", SDL_GetError());
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
  SDL_RenderClear(renderer);
  SDL_Rect at{0, 0, 4, 4}, text_at{8, 0, text->w, text->h};
  SDL_RenderCopy(renderer, picture_texture, nullptr, &at);
  SDL_RenderCopy(renderer, text_texture, nullptr, &text_at);

  Uint32 shown[16];
  if (SDL_RenderReadPixels(renderer, &at, SDL_PIXELFORMAT_ABGR8888, shown, 16) != 0)
    return fail("SDL_RenderReadPixels:", SDL_GetError());
  if (std::memcmp(shown, rgba.data(), sizeof shown) != 0) return fail("drawn pixels differ from the PNG's");
  // The text must have lit some pixels right of the picture.
  std::vector<Uint32> row(text->w * text->h);
  if (SDL_RenderReadPixels(renderer, &text_at, SDL_PIXELFORMAT_ABGR8888, row.data(), text->w * 4) != 0)
    return fail("SDL_RenderReadPixels:", SDL_GetError());
  int lit = 0;
  for (Uint32 p : row) lit += (p & 0xffffff) != 0;
  if (lit < 4) return fail("the text drew nothing");
  SDL_RenderPresent(renderer);

  SDL_FreeSurface(text);
  SDL_FreeSurface(picture);
  TTF_CloseFont(font);
  TTF_Quit();
  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: smoke FONT.ttf\n");
    return 2;
  }
  Bytes picture;
  const bool ok = png_round_trip(picture) && jpeg_round_trip() && tiff_round_trip() && vorbis_round_trip() &&
                  sdl_draws(argv[1], picture);
  if (!ok) return 1;
  std::printf("OK\n");
  return 0;
}
