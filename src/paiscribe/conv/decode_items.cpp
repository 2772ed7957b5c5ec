#include "paiscribe/conv/decode_items.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "paiscribe/base/utf8.hpp"
#include "paiscribe/record/notation.hpp"
#include "paiscribe/record/tile_code.hpp"

namespace paiscribe {
namespace {

namespace ce = conversion_error;

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// A riichi discard of the drawn tile writes its mark where a code would stand.
constexpr std::array<char, 2> kDrawnTileDigitArray = {static_cast<char>('0' + notation::kDrawnTile / 10),
                                                      static_cast<char>('0' + notation::kDrawnTile % 10)};
constexpr std::string_view kDrawnTileDigits(kDrawnTileDigitArray.data(), kDrawnTileDigitArray.size());

// The bytes of a code as text for the error, each ill-formed piece replaced.
std::string code_text(std::string_view bytes) {
  std::string text;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = utf8::sequence_prefix(bytes, at);
    if (length == utf8::lead_of(static_cast<std::uint8_t>(bytes[at])).length)
      text.append(bytes.substr(at, length));
    else
      text.append(kReplacementCharacter);
    at += length;
  }
  return text;
}

// Out of line and cold: every code of a log is read here, and only a failure copies.
[[gnu::cold, gnu::noinline]] ce::InvalidTileCode invalid_tile_code(std::string_view text, std::string_view bytes) {
  return {{}, std::string(text), code_text(bytes)};
}

constexpr bool is_digit(char byte) { return byte >= '0' && byte <= '9'; }

// An optional "+" and then digits only: "14", "05" and "+5" are numbers,
// "-1", "1c" and anything shorter than two bytes are not.
constexpr std::optional<std::uint8_t> code_number(std::string_view bytes) {
  if (bytes.size() != 2 || !is_digit(bytes[1])) return std::nullopt;
  const auto units = static_cast<std::uint8_t>(bytes[1] - '0');
  if (bytes[0] == '+') return units;
  if (!is_digit(bytes[0])) return std::nullopt;
  return static_cast<std::uint8_t>((bytes[0] - '0') * 10 + units);
}

constexpr Seat seat_after(Seat actor, std::uint8_t steps) { return static_cast<Seat>((actor + steps) % 4); }

// Reads the codes at `positions` in that order; the first bad one decides the error.
template <std::size_t N>
std::expected<std::array<Tile, N>, ce::InvalidTileCode> read_codes(std::string_view text,
                                                                   const std::array<std::size_t, N>& positions) {
  auto tiles = [&]<std::size_t... I>(std::index_sequence<I...>) {
    return std::array<Tile, N>{((void)I, Tile::hidden())...};
  }(std::make_index_sequence<N>{});
  for (std::size_t at = 0; at < N; ++at) {
    const auto tile = parse_tile_code(text, positions[at]);
    if (!tile) return std::unexpected(tile.error());
    tiles[at] = *tile;
  }
  return tiles;
}

// Where the letter of a call stands decides whose tile it took and where the
// taken tile (read first) and the player's own tiles are written.
template <std::size_t N>
struct LetterForm {
  std::size_t letter_at;
  std::uint8_t target_steps;  // seats after the actor; unused for kans from the hand
  std::array<std::size_t, N> codes;
};

template <notation::Call kCall>
constexpr auto form_of(std::uint8_t giver) {
  return LetterForm<notation::own_codes(kCall) + 1>{notation::letter_position(kCall, giver), giver,
                                                      notation::code_positions<kCall>(giver)};
}

template <notation::Call kCall>
constexpr std::array<LetterForm<notation::own_codes(kCall) + 1>, 3> kFormsByGiver = {form_of<kCall>(3), form_of<kCall>(2),
                                                                                   form_of<kCall>(1)};

// Where a chi's letter stands is not examined; its tile always came from the seat before.
constexpr auto kChiForm = form_of<notation::Call::Chi>(3);
constexpr auto& kPonForms = kFormsByGiver<notation::Call::Pon>;
constexpr auto& kDaiminkanForms = kFormsByGiver<notation::Call::OpenKan>;
constexpr auto& kKakanForms = kFormsByGiver<notation::Call::AddedKan>;
// Where a closed kan's letter stands is not examined either: the code after it is read first.
constexpr auto kAnkanReadOrder = notation::code_positions<notation::Call::ClosedKan>(0);

constexpr std::size_t kTakeCallSize = notation::size_of(notation::Call::Pon);
constexpr std::size_t kKanSize = notation::size_of(notation::Call::OpenKan);

template <std::size_t N, std::size_t Count>
const LetterForm<N>* form_at(const std::array<LetterForm<N>, Count>& forms, std::size_t letter_at) {
  for (const auto& form : forms)
    if (form.letter_at == letter_at) return &form;
  return nullptr;
}

// The decoders do not know where their item stands: the list's loop places
// the failure.
using Decoded = std::expected<void, ConversionError>;

std::unexpected<ConversionError> invalid_call(std::string_view text) {
  return std::unexpected(ConversionError{ce::InvalidCallString{{}, std::string(text)}});
}

std::unexpected<ConversionError> invalid_code(ce::InvalidTileCode&& error) {
  return std::unexpected(ConversionError{std::move(error)});
}

using Kind = Action::Kind;

// A call on another seat's discard: the taken tile first, then the player's own.
template <std::size_t N>
Decoded put_claim(Kind kind, Seat actor, std::string_view text, const LetterForm<N>& form,
                  std::vector<Action>& out) {
  auto tiles = read_codes(text, form.codes);
  if (!tiles) return invalid_code(std::move(tiles.error()));
  Action& call = out.emplace_back(Action{kind, seat_after(actor, form.target_steps), (*tiles)[0]});
  std::copy(tiles->begin() + 1, tiles->end(), call.consumed.begin());
  return {};
}

// A pon or daiminkan: the length first, then where its letter stands.
template <std::size_t N, std::size_t Count>
Decoded put_lettered_claim(Kind kind, Seat actor, std::string_view text, std::size_t size, std::size_t letter_at,
                           const std::array<LetterForm<N>, Count>& forms, std::vector<Action>& out) {
  if (text.size() != size) return invalid_call(text);
  const auto* form = form_at(forms, letter_at);
  if (!form) return invalid_call(text);
  return put_claim(kind, actor, text, *form, out);
}

Decoded put_take_text(Seat actor, std::string_view text, std::vector<Action>& out) {
  if (text.find(notation::letter_of(notation::Call::Chi)) != std::string_view::npos) {
    if (text.size() != kTakeCallSize) return invalid_call(text);
    return put_claim(Kind::Chi, actor, text, kChiForm, out);
  }
  if (const auto at = text.find(notation::letter_of(notation::Call::Pon)); at != std::string_view::npos)
    return put_lettered_claim(Kind::Pon, actor, text, kTakeCallSize, at, kPonForms, out);
  if (const auto at = text.find(notation::letter_of(notation::Call::OpenKan)); at != std::string_view::npos)
    return put_lettered_claim(Kind::Daiminkan, actor, text, kKanSize, at, kDaiminkanForms, out);
  return invalid_call(text);
}

Decoded put_discard_text(std::string_view text, std::vector<Action>& out) {
  if (const auto at = text.find(notation::letter_of(notation::Call::AddedKan)); at != std::string_view::npos) {
    if (text.size() != kKanSize) return invalid_call(text);
    const auto* form = form_at(kKakanForms, at);
    if (!form) return invalid_call(text);
    auto tiles = read_codes(text, form->codes);
    if (!tiles) return invalid_code(std::move(tiles.error()));
    const auto& t = *tiles;
    out.push_back(Action{Kind::Kakan, 0, t[0], false, {t[1], t[2], t[3], Tile::hidden()}});
    return {};
  }
  if (text.find(notation::letter_of(notation::Call::ClosedKan)) != std::string_view::npos) {
    if (text.size() != kKanSize) return invalid_call(text);
    auto tiles = read_codes(text, kAnkanReadOrder);
    if (!tiles) return invalid_code(std::move(tiles.error()));
    const auto& t = *tiles;
    out.push_back(Action{Kind::Ankan, 0, Tile::hidden(), false, {t[1], t[2], t[3], t[0]}});
    return {};
  }
  if (text.size() == notation::kRiichiSize) {
    // "60" is the drawn tile itself; its tile is learnt from the draw it pairs with.
    Tile tile = Tile::hidden();
    if (text.compare(1, 2, kDrawnTileDigits) != 0) {
      auto code = parse_tile_code(text, 1);
      if (!code) return invalid_code(std::move(code.error()));
      tile = *code;
    }
    out.push_back(Action{Kind::Reach});
    out.push_back(Action{Kind::Dahai, 0, tile, tile == Tile::hidden()});
    return {};
  }
  return invalid_call(text);
}

Decoded put_take(Seat actor, ActionItem item, std::vector<Action>& out) {
  if (const auto tile = item.tile()) {
    out.push_back(Action{Kind::Tsumo, 0, *tile});
    return {};
  }
  if (const auto number = item.number()) return std::unexpected(ConversionError{ce::UnexpectedNumber{{}, *number}});
  return put_take_text(actor, *item.text(), out);
}

Decoded put_discard(ActionItem item, std::vector<Action>& out) {
  if (const auto tile = item.tile()) {
    out.push_back(Action{Kind::Dahai, 0, *tile, false});
    return {};
  }
  // Any number that is no tile (the log writes 60) discards the tile just drawn.
  if (item.number()) {
    out.push_back(Action{Kind::Dahai, 0, Tile::hidden(), true});
    return {};
  }
  return put_discard_text(*item.text(), out);
}

// Names the item a decoder failed on. Out of line and cold: it runs once for
// a failed log, the loop that calls it once for every item.
[[gnu::cold, gnu::noinline]] void place(ConversionError& error, const ItemAt& at) {
  // The decoders fail only with kinds that stand at an item.
  std::visit(
      [&](auto& kind) {
        if constexpr (requires { kind.at = at; }) kind.at = at;
      },
      error);
}

// Decodes one list, stopping at the first item that fails.
template <ActionList list>
std::expected<void, ConversionError> append_list(const SeatAt& seat, const ActionItems& items,
                                                 std::vector<Action>& actions) {
  const Seat actor = seat.seat;
  // Nearly every item is a tile code: a draw, or a discard from the hand.
  constexpr Kind kTileKind = list == ActionList::Takes ? Kind::Tsumo : Kind::Dahai;
  std::size_t index = 0;
  for (auto item = items.begin(); item != items.end(); ++item, ++index) {
    if (const std::uint8_t tile = tile_detail::kIndexOfByte[item.first_byte()]; tile != tile_detail::kNoTile) {
      actions.push_back(Action{kTileKind, 0, Tile(tile)});
      continue;
    }
    auto decoded = list == ActionList::Takes ? put_take(actor, *item, actions) : put_discard(*item, actions);
    if (!decoded) {
      place(decoded.error(), ItemAt{seat, list, index});
      return decoded;
    }
  }
  return {};
}

}  // namespace

std::expected<Tile, ce::InvalidTileCode> parse_tile_code(std::string_view text, std::size_t position) {
  const std::string_view bytes = position < text.size() ? text.substr(position, 2) : std::string_view{};
  if (const auto number = code_number(bytes)) {
    if (const auto tile = tile_from_code(*number)) return *tile;
  }
  return std::unexpected(invalid_tile_code(text, bytes));
}

std::expected<void, ConversionError> append_takes(const SeatAt& seat, const ActionItems& items,
                                                  std::vector<Action>& actions) {
  return append_list<ActionList::Takes>(seat, items, actions);
}

std::expected<void, ConversionError> append_discards(const SeatAt& seat, const ActionItems& items,
                                                     std::vector<Action>& actions) {
  return append_list<ActionList::Discards>(seat, items, actions);
}

}  // namespace paiscribe
