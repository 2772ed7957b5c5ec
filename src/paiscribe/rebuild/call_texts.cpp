#include "paiscribe/rebuild/call_texts.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include "paiscribe/record/tile_code.hpp"
#include "paiscribe/scoring/tile_kind.hpp"

namespace paiscribe::rebuild {
namespace {

using notation::Call;

void put_code(std::string& text, std::size_t at, Tile tile) {
  const std::uint8_t code = code_of_tile(tile);
  text[at] = static_cast<char>('0' + code / 10);
  text[at + 1] = static_cast<char>('0' + code % 10);
}

// The caller's own tiles in the order Tenhou writes them.
template <std::size_t N>
std::array<Tile, N> in_order(std::span<const Tile, N> own) {
  std::array<Tile, N> tiles = [&]<std::size_t... I>(std::index_sequence<I...>) {
    return std::array<Tile, N>{own[I]...};
  }(std::make_index_sequence<N>{});
  std::ranges::sort(tiles, {}, [](Tile tile) { return std::pair(scoring::kind_of(tile), scoring::is_red(tile)); });
  return tiles;
}

// The codes where the reader looks for them, the letter's tile first: what
// is written here reads back the same.
template <Call kCall>
std::string lettered(Tile letter_tile, std::span<const Tile> others, std::uint8_t giver) {
  const auto positions = notation::code_positions<kCall>(giver);
  std::string text(notation::size_of(kCall), ' ');
  text[notation::letter_position(kCall, giver)] = notation::letter_of(kCall);
  put_code(text, positions[0], letter_tile);
  for (std::size_t at = 1; at < positions.size(); ++at) put_code(text, positions[at], others[at - 1]);
  return text;
}

}  // namespace

std::string chi_text(Tile taken, std::span<const Tile, 2> own) {
  return lettered<Call::Chi>(taken, in_order(own), 3);
}

std::string pon_text(Tile taken, std::span<const Tile, 2> own, std::uint8_t giver) {
  return lettered<Call::Pon>(taken, in_order(own), giver);
}

std::string open_kan_text(Tile taken, std::span<const Tile, 3> own, std::uint8_t giver) {
  return lettered<Call::OpenKan>(taken, in_order(own), giver);
}

std::string closed_kan_text(std::span<const Tile, 4> tiles) {
  const auto sorted = in_order<4>(tiles);
  return lettered<Call::ClosedKan>(sorted[3], std::span(sorted).first<3>(), 0);
}

std::string added_kan_text(std::string_view pon, Tile added) {
  const std::size_t letter = pon.find(notation::letter_of(Call::Pon));
  std::string text(pon.substr(0, letter));
  text += notation::letter_of(Call::AddedKan);
  text += "00";
  put_code(text, text.size() - 2, added);
  text += pon.substr(letter + 1);
  return text;
}

}  // namespace paiscribe::rebuild
