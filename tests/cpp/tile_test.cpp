#include "paiscribe/record/tile_code.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>

#include "paiscribe/mjai/tile_names.hpp"

namespace paiscribe {
namespace {

bool is_tile_code(int code) {
  const int group = code / 10, number = code % 10;
  if (code == 0) return true;
  if (group >= 1 && group <= 3) return number >= 1 && number <= 9;
  if (group == 4) return number >= 1 && number <= 7;
  if (group == 5) return number >= 1 && number <= 3;
  return false;
}

TEST(TileFromCode, AcceptsExactlyTheThirtyEightCodes) {
  int accepted = 0;
  std::array<bool, Tile::kCount> seen{};
  for (int code = 0; code <= 255; ++code) {
    SCOPED_TRACE(code);
    const auto tile = tile_from_code(static_cast<std::uint8_t>(code));
    EXPECT_EQ(tile.has_value(), is_tile_code(code));
    if (!tile) {
      EXPECT_EQ(tile.error().code, code);
      continue;
    }
    ++accepted;
    EXPECT_FALSE(std::exchange(seen[tile->index()], true)) << "two codes give one tile";
  }
  EXPECT_EQ(accepted, Tile::kCount);
}

TEST(TileFromCode, NamesFollowTheCodes) {
  struct Case {
    std::uint8_t code;
    std::string_view name;
    std::uint8_t index;
  };
  const Case cases[] = {
      {0, "?", 37},  {11, "1m", 0}, {15, "5m", 4},  {19, "9m", 8},   {21, "1p", 9},   {29, "9p", 17},
      {31, "1s", 18}, {39, "9s", 26}, {41, "E", 27}, {42, "S", 28},   {43, "W", 29},   {44, "N", 30},
      {45, "P", 31},  {46, "F", 32},  {47, "C", 33}, {51, "5mr", 34}, {52, "5pr", 35}, {53, "5sr", 36},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const auto tile = tile_from_code(c.code);
    ASSERT_TRUE(tile.has_value());
    EXPECT_EQ(mjai_name(*tile), c.name);
    EXPECT_EQ(tile->index(), c.index);
  }
}

TEST(TileFromCode, RedFiveIsNotThePlainFive) {
  EXPECT_NE(*tile_from_code(51), *tile_from_code(15));
  EXPECT_EQ(*tile_from_code(0), Tile::hidden());
}

TEST(TileFromCode, RejectionListsEveryValidCode) {
  EXPECT_EQ(tile_from_code(60).error().message(),
            "invalid value: 60, expected one of: 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 21, 22, 23, 24, 25, 26, "
            "27, 28, 29, 31, 32, 33, 34, 35, 36, 37, 38, 39, 41, 42, 43, 44, 45, 46, 47, 51, 52, 53");
  EXPECT_TRUE(tile_from_code(255).error().message().starts_with("invalid value: 255, expected one of: 0, 11,"));
}

}  // namespace
}  // namespace paiscribe
