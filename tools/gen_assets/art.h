// art: the pictures of the sample games: the ten labyrinth tiles, the
// objects and enemies, the player's figure and the loading screens.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"

namespace gen {

constexpr int tile_size = 48;  // the cell size on a 1920-pixel-wide display

enum class Ground { wall, floor, green, water };
enum class Edge { none, left, top };  // where a floor cell's neighbour lies

// A floor cell with the given neighbour on its left or top side, or (with
// Edge::none) a plain cell of the given ground.
Canvas tile(Ground ground, Edge edge = Edge::none, Ground neighbour = Ground::wall);

// Object pictures, by name: coin, gem, bell, pebbles, flower, bluebell,
// mushroom, bush, lily, lotus, sparkle, moss, crack, slime, watcher.
Canvas object_picture(const std::string& name);
// The player's figure; `scale` > 1 draws it larger with the same shapes.
Canvas hero_picture(float scale = 1);
// The program's icon, `size` pixels square, with transparent corners.
Canvas icon_picture(int size);

// A small map of grounds (columns x rows) rendered with the tiles at
// `cell` pixels per cell, edges included.
struct GroundMap {
    int w = 0, h = 0;
    std::vector<Ground> cells;
    Ground at(int x, int y) const { return cells[static_cast<size_t>(y) * w + x]; }
};
Canvas render_map(const GroundMap& map, int cell);

// The loading screens: variant 0 (day) and 1 (dusk), with a subtitle and
// the line shown above the progress bar.
Canvas loading_screen(int variant, const std::string& subtitle, const std::string& status, const GroundMap& backdrop);

}  // namespace gen
