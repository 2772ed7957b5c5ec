#include "paiscribe/scoring/hand_value.hpp"

#include <optional>

#include "paiscribe/scoring/fu.hpp"
#include "paiscribe/scoring/hand_shape.hpp"
#include "paiscribe/scoring/points.hpp"
#include "paiscribe/scoring/reading.hpp"
#include "paiscribe/scoring/shape_yaku.hpp"
#include "paiscribe/scoring/split_hand.hpp"
#include "paiscribe/scoring/yakuman.hpp"

namespace paiscribe::scoring {
namespace {

KindCounts all_tiles(const WinningHand& hand) {
  KindCounts all = hand.concealed;
  add_meld_tiles(all, hand.melds);
  return all;
}

int dora_in(const KindCounts& all, std::span<const Tile> markers) {
  int dora = 0;
  for (const Tile marker : markers) dora += all[dora_after(kind_of(marker))];
  return dora;
}

// The yaku of how the hand was won, whatever its shape.
void add_situation_yaku(const Situation& situation, bool closed_hand, YakuList& out) {
  if (situation.double_riichi) out.add(Yaku::DoubleRiichi, 2);
  else if (situation.riichi) out.add(Yaku::Riichi, 1);
  if (situation.ippatsu) out.add(Yaku::Ippatsu, 1);
  if (situation.tsumo && closed_hand) out.add(Yaku::MenzenTsumo, 1);
  if (situation.haitei) out.add(Yaku::Haitei, 1);
  if (situation.houtei) out.add(Yaku::Houtei, 1);
  if (situation.rinshan) out.add(Yaku::RinshanKaihou, 1);
  if (situation.chankan) out.add(Yaku::Chankan, 1);
}

// Dora, red fives and (in riichi) ura dora: those that count.
YakuList dora_of(const KindCounts& all, const WinningHand& hand, const Situation& situation) {
  YakuList dora;
  if (const int count = dora_in(all, situation.dora_markers); count > 0) dora.add(Yaku::Dora, count);
  if (hand.red_fives > 0) dora.add(Yaku::AkaDora, hand.red_fives);
  if (const int ura = situation.riichi ? dora_in(all, situation.ura_markers) : 0; ura > 0)
    dora.add(Yaku::UraDora, ura);
  return dora;
}

// A value from its yaku and the dora, or none when the yaku are none.
std::optional<HandValue> with_dora(YakuList yaku, int fu, const YakuList& dora) {
  if (yaku.items().empty()) return std::nullopt;
  for (const YakuHan& item : dora.items()) yaku.add(item.yaku, item.han);
  return HandValue{yaku, yaku.total(), fu, 0};
}

std::optional<HandValue> as_yakuman(const YakuList& yaku) {
  if (yaku.items().empty()) return std::nullopt;
  return HandValue{yaku, 0, 0, yaku.total()};
}

// Every reading of one split: the winning tile may have completed the pair
// or any concealed set that holds its kind.
template <class Consider>
void read_split(const Split& split, const WinningHand& hand, const Situation& situation, Consider&& consider) {
  Reading reading;
  reading.pair = split.pair;
  reading.closed_hand = all_closed(hand.melds);
  std::size_t at = 0;
  for (const Meld& meld : hand.melds) {
    const auto shape = meld.kind == MeldKind::Chi ? SetShape::Run : SetShape::Triplet;
    reading.groups[at++] = {shape, meld.first, !meld.is_open(), meld.is_kan()};
  }
  const std::size_t concealed_from = at;
  for (std::size_t set = 0; set < split.set_count && at < 4; ++set)
    reading.groups[at++] = {split.sets[set].shape, split.sets[set].first, true, false};
  if (at != 4) return;

  const Kind won = hand.winning;
  if (split.pair == won) {
    reading.wait = Wait::Tanki;
    consider(reading);
  }
  for (std::size_t index = concealed_from; index < 4; ++index) {
    Group& group = reading.groups[index];
    if (group.shape == SetShape::Triplet) {
      if (group.first != won) continue;
      reading.wait = Wait::Shanpon;
      group.concealed = situation.tsumo;
      consider(reading);
      group.concealed = true;
      continue;
    }
    if (won < group.first || won > group.first + 2) continue;
    const int number = number_of(group.first);
    if (won == group.first + 1) reading.wait = Wait::Kanchan;
    else if (won == group.first) reading.wait = number == 7 ? Wait::Penchan : Wait::Ryanmen;
    else reading.wait = number == 1 ? Wait::Penchan : Wait::Ryanmen;
    consider(reading);
  }
}

}  // namespace

std::expected<HandValue, NoWin> value_hand(const WinningHand& hand, const Situation& situation) {
  const KindCounts all = all_tiles(hand);
  const bool closed_hand = all_closed(hand.melds);
  std::optional<HandValue> best;
  const auto points_of = [&](const HandValue& value) {
    return hand_points(base_points(value), situation.dealer(), situation.tsumo);
  };
  const auto keep = [&](std::optional<HandValue> value) {
    if (!value) return;
    if (best) {
      const int have = points_of(*best), offered = points_of(*value);
      if (offered < have || (offered == have && (value->han < best->han ||
                                                 (value->han == best->han && value->fu <= best->fu))))
        return;
    }
    best = value;
  };

  YakuList tile_yakuman;
  if (situation.first_draw && situation.tsumo)
    tile_yakuman.add(situation.dealer() ? Yaku::Tenhou : Yaku::Chiihou, 1);
  const KindsHeld held = kinds_held(all);
  add_tile_yakuman(held, hand, tile_yakuman);

  // The same for every reading.
  YakuList common;
  add_situation_yaku(situation, closed_hand, common);
  add_tile_yaku(held.at_least[1], closed_hand, situation, common);
  const YakuList dora = dora_of(all, hand, situation);

  bool complete = false;
  if (closed_hand && is_thirteen_orphans(hand.concealed)) {
    complete = true;
    YakuList yaku = tile_yakuman;
    yaku.add(Yaku::Kokushi, 1);
    keep(as_yakuman(yaku));
  }
  if (closed_hand && is_seven_pairs(hand.concealed)) {
    complete = true;
    YakuList yaku = common;
    yaku.add(Yaku::Chiitoitsu, 2);
    keep(tile_yakuman.items().empty() ? with_dora(yaku, 25, dora) : as_yakuman(tile_yakuman));
  }
  const Splits splits = splits_of(hand.concealed);
  for (std::size_t index = 0; index < splits.count; ++index) {
    complete = true;
    read_split(splits.items[index], hand, situation, [&](const Reading& reading) {
      YakuList yakuman = tile_yakuman;
      if (is_suuankou(reading)) yakuman.add(Yaku::Suuankou, 1);
      if (!yakuman.items().empty()) return keep(as_yakuman(yakuman));
      YakuList yaku = common;
      add_shape_yaku(reading, situation, yaku);
      keep(with_dora(yaku, fu_of(reading, situation), dora));
    });
  }
  if (!complete) return std::unexpected(NoWin::Incomplete);
  if (!best) return std::unexpected(NoWin::NoYaku);
  return *best;
}

}  // namespace paiscribe::scoring
