// Tiled maps: importing a 1024 x 1024 map (CSV, four tiles, a second layer
// with a few stacks, a start object) into a game made by the same import, and
// exporting that world again. Yardstick in the same run: reading the map's
// bytes and parsing its numbers with strtoul, the least any importer does;
// and writing the topography's bytes, the least any exporter does.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "support/test_support.h"
#include "tiled/tiled.h"

namespace {

namespace fs = std::filesystem;
constexpr int side = 1024;

struct Setup {
    tw::test::TempDir dir;
    std::string map, game;
    Setup() {
        tw::use_png_decoder();
        tw::rgba_image img;
        img.width = 64, img.height = 16, img.has_alpha = true;
        img.rgba.assign(64 * 16 * 4, 255);
        for (int x = 0; x < 64; ++x)
            for (int y = 0; y < 16; ++y) img.rgba[(y * 64 + x) * 4] = static_cast<uint8_t>(x * 4);
        tw::save_png(dir.path + "tiles.png", img);
        std::string ground, upper;
        ground.reserve(side * side * 2 + side);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const bool last = x + 1 == side && y + 1 == side;
                ground += std::to_string(1 + (x * 7 + y * 3) % 4) + (last ? "" : ",");
                upper += std::string((x % 97 == 0 && y % 89 == 0) ? "2" : "0") + (last ? "" : ",");
                if (x + 1 == side) ground += '\n', upper += '\n';
            }
        map = dir.write("big.tmx",
                        "<?xml version=\"1.0\"?>\n<map orientation=\"orthogonal\" width=\"1024\" height=\"1024\" "
                        "tilewidth=\"16\" tileheight=\"16\" infinite=\"0\">\n"
                        " <tileset firstgid=\"1\" name=\"t\" tilewidth=\"16\" tileheight=\"16\" tilecount=\"4\" columns=\"4\">\n"
                        "  <image source=\"tiles.png\" width=\"64\" height=\"16\"/>\n"
                        "  <tile id=\"3\"><properties><property name=\"blocks\" type=\"bool\" value=\"true\"/></properties></tile>\n"
                        " </tileset>\n"
                        " <layer name=\"ground\" width=\"1024\" height=\"1024\"><data encoding=\"csv\">\n" + ground +
                        "</data></layer>\n <layer name=\"upper\" width=\"1024\" height=\"1024\" opacity=\"0.5\"><data encoding=\"csv\">\n" +
                        upper + "</data></layer>\n"
                        " <objectgroup name=\"o\"><object id=\"1\" type=\"start\" x=\"40\" y=\"40\" width=\"16\" height=\"16\"/></objectgroup>\n"
                        "</map>\n");
        game = dir.path + "game";
        tw::tiled::import_result r;
        std::string why;
        if (!tw::tiled::import_map(map, game, {}, r, why)) std::fprintf(stderr, "setup: %s\n", why.c_str());
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

void BM_ImportMap(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        tw::tiled::import_result r;
        std::string why;
        if (!tw::tiled::import_map(s.map, s.game, {}, r, why)) state.SkipWithError(why.c_str());
        benchmark::DoNotOptimize(r.cells);
    }
}

void BM_ExportMap(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        std::string why;
        if (!tw::tiled::export_map(s.game, s.dir.path + "out.tmx", {}, why)) state.SkipWithError(why.c_str());
    }
}

// Yardstick for the import: the map's bytes read and every number parsed.
void BM_ReadMapNumbers(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        std::string bytes;
        tw::tiled::read_file_bytes(s.map, bytes);
        unsigned long sum = 0;
        const char* p = bytes.c_str();
        while (*p) {
            if (*p >= '0' && *p <= '9') {
                char* end;
                sum += std::strtoul(p, &end, 10);
                p = end;
            } else {
                ++p;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
}

// Yardstick for the export: the topography's bytes written to a file.
void BM_WriteTopographyBytes(benchmark::State& state) {
    Setup& s = setup();
    std::string bytes;
    tw::tiled::read_file_bytes(s.game + "/WORLDS/BIG.ai42", bytes);
    for (auto _ : state) {
        FILE* f = std::fopen((s.dir.path + "copy.ai42").c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

BENCHMARK(BM_ImportMap)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportMap)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadMapNumbers)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WriteTopographyBytes)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    return run_and_print_ratios(argc, argv, [](const RatioReporter& r) {
        auto t = [&](const char* name) {
            auto it = r.totals.find(name);
            return it == r.totals.end() ? 0.0 : it->second;
        };
        if (t("BM_ReadMapNumbers") > 0)
            std::printf("import of a 1024 x 1024 map: %.1f x reading its numbers\n",
                        t("BM_ImportMap") / t("BM_ReadMapNumbers"));
        if (t("BM_WriteTopographyBytes") > 0)
            std::printf("export of a 1024 x 1024 world: %.1f x writing its topography's bytes\n",
                        t("BM_ExportMap") / t("BM_WriteTopographyBytes"));
    });
}
