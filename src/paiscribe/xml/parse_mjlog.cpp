#include "paiscribe/xml/parse_mjlog.hpp"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

#include "paiscribe/base/quoted.hpp"
#include "paiscribe/record/notation.hpp"
#include "paiscribe/xml/attribute_values.hpp"
#include "paiscribe/xml/call_bits.hpp"
#include "paiscribe/xml/details_reader.hpp"
#include "paiscribe/xml/kyoku_recorder.hpp"
#include "paiscribe/xml/record_limits.hpp"
#include "paiscribe/xml/tag.hpp"
#include "paiscribe/xml/tile_ids.hpp"
#include "paiscribe/xml/tile_tags.hpp"

namespace paiscribe {
namespace {

using xml::Tag;
using Failure = std::unexpected<MjlogError>;
using Status = std::expected<void, MjlogError>;
template <typename T>
using Read = std::expected<T, MjlogError>;

using Kind = MjlogErrorKind;

constexpr std::uint32_t kThreePlayerBit = 0x10;
constexpr std::uint32_t kRedFivesOffBit = 0x02;
constexpr std::int64_t kLastTileId = xml::kLastTileId;

using xml::TilePlay;
using xml::TileTag;
using xml::plain_tile_play;
using xml::tile_tag;

struct DrawKind {
  std::string_view type;
  std::string_view name;
  bool has_deltas;
};

// The aborted draws move no points; the log names them without deltas.
constexpr std::array<DrawKind, 6> kDrawKinds = {{
    {"yao9", notation::kNineTerminals, false},
    {"reach4", notation::kFourRiichi, false},
    {"ron3", notation::kTripleRon, false},
    {"kan4", notation::kFourKans, false},
    {"kaze4", notation::kFourWinds, false},
    {"nm", notation::kNagashiMangan, true},
}};
constexpr DrawKind kExhaustiveDraw = {"", notation::kExhaustiveDraw, true};
constexpr DrawKind kAllTenpai = {"", notation::kAllTenpai, false};
constexpr DrawKind kAllNoten = {"", notation::kAllNoten, false};

// Reads the tags in order into the log: the game's rule and players first,
// then each kyoku from its opening to its result. With `details`, it also
// keeps what the JSON log holds beyond the record the conversion reads.
class GameReader {
 public:
  GameReader(RawLog::Kyokus spare, GameDetails* details) : details_(details) {
    log_.kyokus = std::move(spare);
    if (details_) details_->clear();
  }

  Status read(const Tag& tag) {
    const std::string_view name = tag.name();
    // Draws and discards first: nine tags in ten are one of them.
    if (const auto tile = tile_tag(name)) return read_tile(tag, *tile);
    if (name == "N") return read_call(tag);
    if (name == "SHUFFLE" || name == "TAIKYOKU") return {};
    if (name == "BYE") {
      if (details_) ++details_->disconnections;
      return {};
    }
    if (name == "GO") return read_rule(tag);
    if (name == "UN") return read_players(tag);
    if (name == "INIT") return read_opening(tag);
    if (name == "REACH") return read_riichi(tag);
    if (name == "DORA") return read_dora(tag);
    if (name == "AGARI") return read_win(tag);
    if (name == "RYUUKYOKU") return read_draw(tag);
    return tag.fail(Kind::NotAGame, "no game record holds this tag");
  }

  Read<RawLog> finish(const Tag& last) && {
    if (!kyoku_) return last.fail(Kind::NotAGame, "the record holds no kyoku");
    if (!kyoku_->ended()) return last.fail(Kind::NotAGame, "the record ends before the kyoku's result");
    if (!game_over_) return last.fail(Kind::NotAGame, "the record ends before the game's final scores");
    log_.kyokus.resize(kyoku_count_);  // the spare kyokus left over
    return std::move(log_);
  }

  // Counting the kyoku still being played.
  std::size_t kyoku_count() const { return kyoku_count_; }

  // A draw or discard that is all well, recorded without a Tag. False
  // leaves everything as it was, for read() to say what is wrong.
  bool record_tile(const char* name) {
    const auto play = plain_tile_play(name);
    if (!play || game_over_ || !kyoku_) return false;
    const auto [is_draw, seat] = play->letter;
    return is_draw ? kyoku_->try_draw(seat, play->id) : kyoku_->try_discard(seat, play->id);
  }

 private:
  Status read_rule(const Tag& tag) {
    if (rule_seen_) return tag.fail(Kind::NotAGame, "a second rule");
    auto type = tag.integer("type", 0, std::numeric_limits<std::int32_t>::max());
    if (!type) return Failure(std::move(type.error()));
    if (*type & kThreePlayerBit)
      return tag.fail(Kind::ThreePlayerGame, "type " + std::to_string(*type) + " is a three-player game");
    if (tag.has("lobby")) {
      auto lobby = tag.integer("lobby", std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
      if (!lobby) return Failure(std::move(lobby.error()));
      log_.lobby = static_cast<std::int32_t>(*lobby);
      if (details_) details_->lobby = log_.lobby;
    }
    log_.rule = xml::rule_of_game_type(static_cast<std::uint32_t>(*type));
    if (details_) details_->game_type = static_cast<std::uint32_t>(*type);
    red_fives_ = (*type & kRedFivesOffBit) == 0;
    rule_seen_ = true;
    return {};
  }

  // The first players' tag names all four; a later one, with one name, is a reconnection.
  Status read_players(const Tag& tag) {
    if (players_seen_) return {};
    static constexpr std::array<const char*, 4> kNames = {"n0", "n1", "n2", "n3"};
    for (std::size_t seat = 0; seat < 4; ++seat) {
      auto text = tag.text(kNames[seat]);
      if (!text) return Failure(std::move(text.error()));
      auto name = xml::decode_name(*text);
      if (!name) return tag.fail_attribute(kNames[seat], name.error());
      log_.name[seat] = std::move(*name);
    }
    if (details_) {
      if (auto ranks = xml::read_player_details(tag, *details_); !ranks) return ranks;
    } else if (tag.has("rate")) {
      // Nothing reads the ratings then; they are checked all the same.
      if (auto rate = xml::read_decimal_list(*tag.text("rate")); !rate) return tag.fail_attribute("rate", rate.error());
    }
    players_seen_ = true;
    return {};
  }

  Status read_opening(const Tag& tag) {
    if (!rule_seen_ || !players_seen_) return tag.fail(Kind::NotAGame, "a kyoku before the rule and the players");
    if (game_over_) return tag.fail(Kind::NotAGame, "a kyoku after the game's end");
    if (kyoku_ && !kyoku_->ended()) return tag.fail(Kind::NotAGame, "a kyoku before the last one had its result");

    auto seed = tag.integers<6>("seed", 0, 255);
    if (!seed) return Failure(std::move(seed.error()));
    const auto [round, honba, kyotaku, die1, die2, dora] = *seed;
    if (dora > kLastTileId) return tag.fail_attribute("seed", "the dora indicator " + std::to_string(dora) + " is no tile");
    auto scores = tag.integers<4>("ten", -xml::kHundredsLimit, xml::kHundredsLimit);
    if (!scores) return Failure(std::move(scores.error()));
    auto dealer = tag.seat("oya");
    if (!dealer) return Failure(std::move(dealer.error()));
    if (*dealer != round % 4)
      return tag.fail_attribute("oya", "seat " + std::to_string(*dealer) + " does not deal round " + std::to_string(round));
    static constexpr std::array<const char*, 4> kHands = {"hai0", "hai1", "hai2", "hai3"};
    std::array<std::array<std::uint8_t, 13>, 4> hands{};
    for (std::size_t seat = 0; seat < 4; ++seat) {
      auto hand = tag.small_integers<13>(kHands[seat], kLastTileId);
      if (!hand) return Failure(std::move(hand.error()));
      hands[seat] = *hand;
    }

    RawKyoku& kyoku = next_kyoku();
    kyoku.header = {static_cast<std::uint8_t>(round), static_cast<std::uint8_t>(honba),
                    static_cast<std::uint8_t>(kyotaku)};
    for (std::size_t seat = 0; seat < 4; ++seat) kyoku.scores[seat] = static_cast<std::int32_t>((*scores)[seat] * 100);
    kyoku.dora_indicators.push_back(xml::tile_of_id(static_cast<std::uint8_t>(dora), red_fives_));
    for (std::size_t seat = 0; seat < 4; ++seat) {
      // The log lists a hand by kind, a red five after its plain fives.
      std::array<std::uint8_t, 13> order{};
      std::ranges::transform(hands[seat], order.begin(), [&](std::uint8_t id) {
        return static_cast<std::uint8_t>(xml::hand_order(id, red_fives_));
      });
      std::ranges::sort(order);
      std::ranges::transform(order, kyoku.seats[seat].haipai.begin(), xml::tile_of_hand_order);
    }
    dealer_ = *dealer;
    kyoku_.emplace(kyoku, red_fives_);
    return {};
  }

  // The next kyoku of the log, in the room of a spare one where there is one.
  RawKyoku& next_kyoku() {
    if (kyoku_count_ < log_.kyokus.size()) {
      RawKyoku& kyoku = log_.kyokus[kyoku_count_++];
      kyoku.clear();
      return kyoku;
    }
    ++kyoku_count_;
    return log_.kyokus.emplace_back();
  }

  // Every tag of play needs a kyoku that is still open to it.
  Read<xml::KyokuRecorder*> open_kyoku(const Tag& tag) {
    if (game_over_) return tag.fail(Kind::NotAGame, "play after the game's end");
    if (!kyoku_) return tag.fail(Kind::NotAGame, "play before the first kyoku");
    return &*kyoku_;
  }

  // Runs one step of the kyoku and places its refusal at the tag.
  static Status play(const Tag& tag, const xml::KyokuRecorder::Step& step) {
    if (!step) return tag.fail(Kind::NotAGame, step.error());
    return {};
  }

  Status read_tile(const Tag& tag, const TileTag& tile) {
    auto id = xml::read_integer(tile.id_text, 0, kLastTileId);
    if (!id) return tag.fail(Kind::NotAGame, "tile id " + id.error());
    auto kyoku = open_kyoku(tag);
    if (!kyoku) return Failure(std::move(kyoku.error()));
    const auto tile_id = static_cast<std::uint8_t>(*id);
    const auto [is_draw, seat] = tile.letter;
    return play(tag, is_draw ? (*kyoku)->draw(seat, tile_id) : (*kyoku)->discard(seat, tile_id));
  }

  Status read_call(const Tag& tag) {
    auto who = tag.seat("who");
    if (!who) return Failure(std::move(who.error()));
    auto bits = tag.integer("m", 0, std::numeric_limits<std::int32_t>::max());
    if (!bits) return Failure(std::move(bits.error()));
    auto call = xml::decode_call_bits(static_cast<unsigned>(*bits));
    if (!call) return tag.fail_attribute("m", call.error());
    auto kyoku = open_kyoku(tag);
    if (!kyoku) return Failure(std::move(kyoku.error()));
    return play(tag, (*kyoku)->call(*who, *call));
  }

  Status read_riichi(const Tag& tag) {
    auto who = tag.seat("who");
    if (!who) return Failure(std::move(who.error()));
    auto step = tag.integer("step", 1, 2);
    if (!step) return Failure(std::move(step.error()));
    auto kyoku = open_kyoku(tag);
    if (!kyoku) return Failure(std::move(kyoku.error()));
    return play(tag, *step == 1 ? (*kyoku)->declare_riichi(*who) : (*kyoku)->confirm_riichi());
  }

  Status read_dora(const Tag& tag) {
    auto id = tag.integer("hai", 0, kLastTileId);
    if (!id) return Failure(std::move(id.error()));
    auto kyoku = open_kyoku(tag);
    if (!kyoku) return Failure(std::move(kyoku.error()));
    return play(tag, (*kyoku)->reveal_dora(static_cast<std::uint8_t>(*id)));
  }

  // The score changes of a result tag: "score,change" for each seat, in
  // hundreds, then in a game played for chips the same for each seat's chips.
  static Read<std::array<std::int32_t, 4>> score_changes(const Tag& tag) {
    auto sc = tag.integers<8>("sc", -xml::kHundredsLimit, xml::kHundredsLimit, true);
    if (!sc) return Failure(std::move(sc.error()));
    std::array<std::int32_t, 4> deltas{};
    for (std::size_t seat = 0; seat < 4; ++seat) deltas[seat] = static_cast<std::int32_t>((*sc)[2 * seat + 1] * 100);
    return deltas;
  }

  Status read_win(const Tag& tag) {
    xml::WinTagFields win{};
    for (const auto& [attribute, seat] : {std::pair{"who", &win.winner}, std::pair{"fromWho", &win.loser}}) {
      auto read = tag.seat(attribute);
      if (!read) return Failure(std::move(read.error()));
      *seat = *read;
    }
    if (details_) {
      auto details = xml::read_win_details(tag, win.winner, win.loser, win.winner == dealer_);
      if (!details) return Failure(std::move(details.error()));
      details_->wins.push_back(std::move(*details));
    } else if (tag.has("paoWho")) {
      if (auto liable = tag.seat("paoWho"); !liable) return Failure(std::move(liable.error()));
    }
    auto deltas = score_changes(tag);
    if (!deltas) return Failure(std::move(deltas.error()));
    win.deltas = *deltas;
    auto ura = tag.optional_list("doraHaiUra", 0, kLastTileId);
    if (!ura) return Failure(std::move(ura.error()));
    win.ura_ids.assign(ura->begin(), ura->end());

    auto kyoku = open_kyoku(tag);
    if (!kyoku) return Failure(std::move(kyoku.error()));
    if (auto won = play(tag, (*kyoku)->win(std::move(win))); !won) return won;
    return read_game_end(tag);
  }

  Status read_draw(const Tag& tag) {
    auto kind = draw_kind(tag);
    if (!kind) return Failure(std::move(kind.error()));
    auto deltas = score_changes(tag);
    if (!deltas) return Failure(std::move(deltas.error()));
    auto kyoku = open_kyoku(tag);
    if (!kyoku) return Failure(std::move(kyoku.error()));
    const auto written = kind->has_deltas ? std::optional(*deltas) : std::nullopt;
    if (auto drawn = play(tag, (*kyoku)->draw_game(kind->name, written)); !drawn) return drawn;
    return read_game_end(tag);
  }

  // The final scores a result tag may end the game with.
  Status read_game_end(const Tag& tag) {
    if (!tag.has("owari")) return {};
    auto scores = xml::read_final_scores(tag);
    if (!scores) return Failure(std::move(scores.error()));
    if (details_) details_->final_scores = std::move(*scores);
    game_over_ = true;
    return {};
  }

  // A draw by exhaustion is named by who was ready: everybody, nobody, or some (who then pay).
  static Read<DrawKind> draw_kind(const Tag& tag) {
    if (!tag.has("type")) {
      const auto ready = std::ranges::count_if(std::array{"hai0", "hai1", "hai2", "hai3"},
                                               [&](const char* hand) { return tag.has(hand); });
      return ready == 4 ? kAllTenpai : ready == 0 ? kAllNoten : kExhaustiveDraw;
    }
    const std::string_view type = *tag.text("type");
    for (const DrawKind& kind : kDrawKinds)
      if (kind.type == type) return kind;
    return tag.fail_attribute("type", quoted(type) + " names no draw");
  }

  RawLog log_;
  std::size_t kyoku_count_ = 0;
  std::optional<xml::KyokuRecorder> kyoku_;  // the last kyoku's, in log_.kyokus
  Seat dealer_ = 0;
  GameDetails* details_;
  bool rule_seen_ = false;
  bool players_seen_ = false;
  bool red_fives_ = true;
  bool game_over_ = false;
};

// The reader needs the tags and their attributes as they stand: no entity
// is resolved (the few values that are text resolve their own), and no
// line end or blank is rewritten, so pugixml only finds where things end.
constexpr unsigned kParseOptions = pugi::parse_minimal | pugi::parse_cdata;

// A record cut short fails in its last tag, or as it ends with a tag left
// open: no tag is closed after the place of the failure (which may be the
// last tag's own end). A text that does not open with a tag is no record.
std::string syntax_failure(std::string_view text, const pugi::xml_parse_result& parsed) {
  const auto at = static_cast<std::size_t>(std::max<std::ptrdiff_t>(parsed.offset, 0));
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  std::string_view start = text.substr(text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0);
  start.remove_prefix(std::min(start.find_first_not_of(" \t\r\n"), start.size()));
  if (start.starts_with('<') && text.find('>', at + 1) == std::string_view::npos)
    return "the text ends at byte " + std::to_string(text.size()) + " before the record does: is the file cut short?";
  return std::string(parsed.description()) + " at byte " + std::to_string(parsed.offset);
}

}  // namespace

std::expected<RawLog, MjlogError> parse_mjlog(PaddedText& xml, RawLog::Kyokus spare, GameDetails* details) {
  if (auto fits = check_mjlog_text(xml.view()); !fits) return Failure(std::move(fits.error()));
  pugi::xml_document document;
  // In place: the document's names and values are the text's own bytes. The
  // NUL after the text is the reader's to end on, so the text stays whole.
  const pugi::xml_parse_result parsed =
      document.load_buffer_inplace(xml.data(), xml.size() + 1, kParseOptions, pugi::encoding_utf8);
  if (parsed.status == pugi::status_out_of_memory) return Failure(MjlogError{Kind::OutOfMemory, "out of memory"});
  if (!parsed) return Failure(MjlogError{Kind::NotAGame, syntax_failure(xml.view(), parsed)});

  const pugi::xml_node root = document.document_element();
  if (std::string_view(root.name()) != "mjloggm" || root.next_sibling())
    return Failure(MjlogError{Kind::NotAGame, "the document is no single <mjloggm> element"});

  GameReader reader(std::move(spare), details);
  if (details) details->version = xml::without_references(root.attribute("ver").value());
  std::size_t position = 0;
  for (pugi::xml_node node = root.first_child(); node; node = node.next_sibling()) {
    const char* const raw_name = node.name();
    ++position;
    // Nine tags in ten are draws and discards, and nearly all are well.
    if (reader.record_tile(raw_name)) continue;
    const std::string_view name = raw_name;
    // An opening belongs to the kyoku it opens.
    const Tag tag(node, name, position, reader.kyoku_count() + (name == "INIT" ? 1 : 0));
    if (node.type() != pugi::node_element) return tag.fail(Kind::NotAGame, "text between the tags");
    if (auto read = reader.read(tag); !read) return Failure(std::move(read.error()));
  }
  return std::move(reader).finish(Tag(root, position, reader.kyoku_count()));
}

}  // namespace paiscribe
