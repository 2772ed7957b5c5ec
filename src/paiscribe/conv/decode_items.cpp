#include "paiscribe/conv/decode_items.hpp"

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

// Decoders put their events with `out.emplace_back(alternative)`.

// A call on another seat's discard: the taken tile first, then the player's own.
template <typename Call, std::size_t N, typename Out>
Decoded put_claim(Seat actor, std::string_view text, const LetterForm<N>& form, Out& out) {
  auto tiles = read_codes(text, form.codes);
  if (!tiles) return invalid_code(std::move(tiles.error()));
  const auto& t = *tiles;
  [&]<std::size_t... I>(std::index_sequence<I...>) {
    out.emplace_back(Call{actor, seat_after(actor, form.target_steps), t[0], {t[I + 1]...}});
  }(std::make_index_sequence<N - 1>{});
  return {};
}

// A pon or daiminkan: the length first, then where its letter stands.
template <typename Call, std::size_t N, std::size_t Count, typename Out>
Decoded put_lettered_claim(Seat actor, std::string_view text, std::size_t size, std::size_t letter_at,
                           const std::array<LetterForm<N>, Count>& forms, Out& out) {
  if (text.size() != size) return invalid_call(text);
  const auto* form = form_at(forms, letter_at);
  if (!form) return invalid_call(text);
  return put_claim<Call>(actor, text, *form, out);
}

template <typename Out>
Decoded put_take_text(Seat actor, std::string_view text, Out& out) {
  if (text.find(notation::letter_of(notation::Call::Chi)) != std::string_view::npos) {
    if (text.size() != kTakeCallSize) return invalid_call(text);
    return put_claim<ev::Chi>(actor, text, kChiForm, out);
  }
  if (const auto at = text.find(notation::letter_of(notation::Call::Pon)); at != std::string_view::npos)
    return put_lettered_claim<ev::Pon>(actor, text, kTakeCallSize, at, kPonForms, out);
  if (const auto at = text.find(notation::letter_of(notation::Call::OpenKan)); at != std::string_view::npos)
    return put_lettered_claim<ev::Daiminkan>(actor, text, kKanSize, at, kDaiminkanForms, out);
  return invalid_call(text);
}

template <typename Out>
Decoded put_discard_text(Seat actor, std::string_view text, Out& out) {
  if (const auto at = text.find(notation::letter_of(notation::Call::AddedKan)); at != std::string_view::npos) {
    if (text.size() != kKanSize) return invalid_call(text);
    const auto* form = form_at(kKakanForms, at);
    if (!form) return invalid_call(text);
    auto tiles = read_codes(text, form->codes);
    if (!tiles) return invalid_code(std::move(tiles.error()));
    const auto& t = *tiles;
    out.emplace_back(ev::Kakan{actor, t[0], {t[1], t[2], t[3]}});
    return {};
  }
  if (text.find(notation::letter_of(notation::Call::ClosedKan)) != std::string_view::npos) {
    if (text.size() != kKanSize) return invalid_call(text);
    auto tiles = read_codes(text, kAnkanReadOrder);
    if (!tiles) return invalid_code(std::move(tiles.error()));
    const auto& t = *tiles;
    out.emplace_back(ev::Ankan{actor, {t[1], t[2], t[3], t[0]}});
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
    out.emplace_back(ev::Reach{actor});
    out.emplace_back(ev::Dahai{actor, tile, tile == Tile::hidden()});
    return {};
  }
  return invalid_call(text);
}

template <typename Out>
Decoded put_take(Seat actor, ActionItem item, Out& out) {
  if (const auto tile = item.tile()) {
    out.emplace_back(ev::Tsumo{actor, *tile});
    return {};
  }
  if (const auto number = item.number()) return std::unexpected(ConversionError{ce::UnexpectedNumber{{}, *number}});
  return put_take_text(actor, *item.text(), out);
}

template <typename Out>
Decoded put_discard(Seat actor, ActionItem item, Out& out) {
  if (const auto tile = item.tile()) {
    out.emplace_back(ev::Dahai{actor, *tile, false});
    return {};
  }
  // Any number that is no tile (the log writes 60) discards the tile just drawn.
  if (item.number()) {
    out.emplace_back(ev::Dahai{actor, Tile::hidden(), true});
    return {};
  }
  return put_discard_text(actor, *item.text(), out);
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
                                                 std::vector<Event>& events) {
  const Seat actor = seat.seat;
  std::size_t index = 0;
  for (const ActionItem item : items) {
    auto decoded = list == ActionList::Takes ? put_take(actor, item, events) : put_discard(actor, item, events);
    if (!decoded) {
      place(decoded.error(), ItemAt{seat, list, index});
      return decoded;
    }
    ++index;
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
                                                  std::vector<Event>& events) {
  return append_list<ActionList::Takes>(seat, items, events);
}

std::expected<void, ConversionError> append_discards(const SeatAt& seat, const ActionItems& items,
                                                     std::vector<Event>& events) {
  return append_list<ActionList::Discards>(seat, items, events);
}

}  // namespace paiscribe
