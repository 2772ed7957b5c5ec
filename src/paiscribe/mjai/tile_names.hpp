#pragma once

#include <array>
#include <string_view>

#include "paiscribe/base/tile.hpp"

namespace paiscribe {

// mjai writes "?" for a tile nobody can see.
inline constexpr std::array<std::string_view, Tile::kCount> kMjaiNames = {
    "1m", "2m", "3m", "4m", "5m", "6m", "7m", "8m", "9m",   //
    "1p", "2p", "3p", "4p", "5p", "6p", "7p", "8p", "9p",   //
    "1s", "2s", "3s", "4s", "5s", "6s", "7s", "8s", "9s",   //
    "E",  "S",  "W",  "N",  "P",  "F",  "C",                //
    "5mr", "5pr", "5sr",                                    //
    "?"};

constexpr std::string_view mjai_name(Tile tile) { return kMjaiNames[tile.index()]; }

}  // namespace paiscribe
