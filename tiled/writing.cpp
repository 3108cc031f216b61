// writing: staged files, and the pieces every new game needs (the sprite
// font and the figure), drawn by the same code as the sample games'.
#include "tiled/writing.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tools/gen_assets/art.h"
#include "tools/gen_assets/encode.h"
#include "tools/gen_assets/glyphs.h"

namespace tw::tiled {

namespace fs = std::filesystem;

staging::staging(std::string stage_folder, std::string game_folder)
    : stage(std::move(stage_folder)), game(std::move(game_folder)) {}

staging::~staging() {
    std::error_code ec;
    fs::remove_all(stage, ec);
}

namespace {
// Every file goes below the game folder: a path key that leads out of it is refused.
bool inside(staging& s, const std::string& relative) {
    const fs::path p = fs::path(relative).lexically_normal();
    if (!relative.empty() && !p.is_absolute() && !p.has_root_name() && *p.begin() != "..") return true;
    if (s.failure.empty()) s.failure = relative + ": lies outside the game folder " + s.game + "; nothing written";
    return false;
}
bool prepare(const fs::path& file) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    return !ec;
}
}  // namespace

bool staging::text(const std::string& relative, const std::string& bytes) {
    if (!inside(*this, relative)) return false;
    const fs::path file = fs::path(stage) / relative;
    std::ofstream f;
    if (prepare(file)) f.open(file, std::ios::binary | std::ios::trunc);
    if (f) f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) {
        if (failure.empty()) failure = (fs::path(game) / relative).string() + ": cannot be written";
        return false;
    }
    written.push_back(relative);
    return true;
}

bool staging::png(const std::string& relative, const rgba_image& image) {
    if (!inside(*this, relative)) return false;
    const fs::path file = fs::path(stage) / relative;
    if (!prepare(file) || !save_png(file.string(), image)) {
        if (failure.empty()) failure = (fs::path(game) / relative).string() + ": cannot be written";
        return false;
    }
    written.push_back(relative);
    return true;
}

bool staging::commit(std::string& why) {
    std::error_code ec;
    fs::create_directories(game, ec);
    if (ec) {
        why = game + ": cannot be made: " + ec.message();
        return false;
    }
    std::vector<std::string> unique;
    for (const std::string& relative : written)
        if (std::find(unique.begin(), unique.end(), relative) == unique.end()) unique.push_back(relative);
    written = unique;
    for (const std::string& relative : written) {
        const fs::path to = fs::path(game) / relative;
        fs::create_directories(to.parent_path(), ec);
        fs::rename(fs::path(stage) / relative, to, ec);
        if (ec) {
            why = to.string() + ": cannot be moved into place: " + ec.message();
            return false;
        }
    }
    return true;
}

void write_game_basics(staging& out) {
    const fs::path stage(out.stage);
    auto put = [&](const std::string& relative, const gen::Canvas& c, gen::PngKind kind) {
        const fs::path file = stage / relative;
        if (prepare(file) && gen::write_png(file.string(), c, kind)) {
            out.written.push_back(relative);
        } else if (out.failure.empty()) {
            out.failure = (fs::path(out.game) / relative).string() + ": cannot be written";
        }
    };
    gen::FontStyle style;
    for (const auto& img : gen::font_images())
        put("GFX/FONT/" + img.image_name + ".png", gen::render_font_image(img.code, style), gen::PngKind::keyed);
    out.text("DATA/font.txt", gen::font_line() + "\r\nThe first line lists every character of the sprite font.\r\n");
    put("GFX/CURSOR/hero.png", gen::hero_picture(), gen::PngKind::keyed);
}

}  // namespace tw::tiled
