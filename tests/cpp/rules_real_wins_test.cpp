// Every win of the real logs, scored by the replay, against the points and
// yaku Tenhou recorded for it.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/rules/game_checker.hpp"
#include "paiscribe/scoring/points.hpp"
#include "rules_test_support.hpp"

namespace paiscribe::rules {
namespace {

using namespace scoring;

// Tenhou's yaku names.
const std::map<std::string, Yaku, std::less<>> kTenhouNames = {
    {"門前清自摸和", Yaku::MenzenTsumo}, {"立直", Yaku::Riichi}, {"両立直", Yaku::DoubleRiichi},
    {"一発", Yaku::Ippatsu}, {"槍槓", Yaku::Chankan}, {"嶺上開花", Yaku::RinshanKaihou},
    {"海底摸月", Yaku::Haitei}, {"河底撈魚", Yaku::Houtei}, {"平和", Yaku::Pinfu}, {"断幺九", Yaku::Tanyao},
    {"一盃口", Yaku::Iipeikou}, {"自風 東", Yaku::SeatWindEast}, {"自風 南", Yaku::SeatWindSouth},
    {"自風 西", Yaku::SeatWindWest}, {"自風 北", Yaku::SeatWindNorth}, {"場風 東", Yaku::RoundWindEast},
    {"場風 南", Yaku::RoundWindSouth}, {"場風 西", Yaku::RoundWindWest}, {"場風 北", Yaku::RoundWindNorth},
    {"役牌 白", Yaku::White}, {"役牌 發", Yaku::Green}, {"役牌 中", Yaku::Red}, {"七対子", Yaku::Chiitoitsu},
    {"混全帯幺九", Yaku::Chanta}, {"一気通貫", Yaku::Ittsu}, {"三色同順", Yaku::SanshokuDoujun},
    {"三色同刻", Yaku::SanshokuDoukou}, {"三槓子", Yaku::Sankantsu}, {"対々和", Yaku::Toitoi},
    {"三暗刻", Yaku::Sanankou}, {"小三元", Yaku::Shousangen}, {"混老頭", Yaku::Honroutou},
    {"二盃口", Yaku::Ryanpeikou}, {"純全帯幺九", Yaku::Junchan}, {"混一色", Yaku::Honitsu},
    {"清一色", Yaku::Chinitsu}, {"天和", Yaku::Tenhou}, {"地和", Yaku::Chiihou}, {"大三元", Yaku::Daisangen},
    {"四暗刻", Yaku::Suuankou}, {"四暗刻単騎", Yaku::Suuankou}, {"字一色", Yaku::Tsuuiisou},
    {"緑一色", Yaku::Ryuuiisou}, {"清老頭", Yaku::Chinroutou}, {"九蓮宝燈", Yaku::Chuuren},
    {"純正九蓮宝燈", Yaku::Chuuren}, {"国士無双", Yaku::Kokushi}, {"国士無双１３面", Yaku::Kokushi},
    {"大四喜", Yaku::Daisuushii}, {"小四喜", Yaku::Shousuushii}, {"四槓子", Yaku::Suukantsu},
    {"ドラ", Yaku::Dora}, {"赤ドラ", Yaku::AkaDora}, {"裏ドラ", Yaku::UraDora},
};

// A win as the log records it.
struct LoggedWin {
  std::string where;  // file and kyoku, to name a failing row
  int winner;
  int from;
  int dealer;
  std::string points;               // "30符3飜3900点", "満貫2000-4000点", "40符2飜1300点∀"
  std::vector<std::string> yaku;    // "riichi 1", sorted; a yakuman counts 1
};

std::string yaku_row(Yaku yaku, int han) { return std::string(info(yaku).name) + " " + std::to_string(han); }

// "立直(1飜)" or "大三元(役満)"; Tenhou lists no dora worth 0.
std::optional<std::string> logged_yaku(std::string_view text) {
  const auto open = text.find('(');
  const auto name = kTenhouNames.find(text.substr(0, open));
  if (name == kTenhouNames.end()) return "unknown " + std::string(text);
  const std::string_view value = text.substr(open + 1);
  const int han = value.starts_with("役満") ? 1 : std::stoi(std::string(value));
  if (han == 0) return std::nullopt;
  return yaku_row(name->second, han);
}

std::vector<LoggedWin> logged_wins(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  rapidjson::Document log;
  log.Parse(text.data(), text.size());
  std::vector<LoggedWin> wins;
  const auto& kyokus = log["log"].GetArray();
  for (rapidjson::SizeType index = 0; index < kyokus.Size(); ++index) {
    const auto& kyoku = kyokus[index].GetArray();
    const auto& result = kyoku[kyoku.Size() - 1].GetArray();
    if (std::string_view(result[0].GetString()) != "和了") continue;
    for (rapidjson::SizeType at = 2; at < result.Size(); at += 2) {
      const auto& details = result[at].GetArray();
      LoggedWin win{path.filename().string() + " kyoku " + std::to_string(index), details[0].GetInt(),
                    details[1].GetInt(), kyoku[0][0].GetInt() % 4, details[3].GetString(), {}};
      for (rapidjson::SizeType item = 4; item < details.Size(); ++item) {
        if (auto row = logged_yaku(details[item].GetString())) win.yaku.push_back(*row);
      }
      std::ranges::sort(win.yaku);
      wins.push_back(std::move(win));
    }
  }
  return wins;
}

// The replay's value written the way Tenhou writes it.
std::string tenhou_points(const HandValue& value, bool dealer, bool tsumo) {
  static constexpr std::array<std::string_view, 7> kLimits = {"", "満貫", "跳満", "倍満", "三倍満", "役満", "役満"};
  const int base = base_points(value);
  const Limit limit = limit_of(value);
  std::string text = limit != Limit::None ? std::string(kLimits[static_cast<std::size_t>(limit)])
                                          : std::to_string(value.fu) + "符" + std::to_string(value.han) + "飜";
  if (!tsumo) return text + std::to_string(ron_payment(base, dealer)) + "点";
  if (dealer) return text + std::to_string(tsumo_payment(base, true, false)) + "点∀";
  const std::string others = std::to_string(tsumo_payment(base, false, false));
  return text + others + "-" + std::to_string(tsumo_payment(base, false, true)) + "点";
}

std::vector<std::string> replay_yaku(const HandValue& value) {
  std::vector<std::string> rows;
  for (const auto& item : value.yaku.items()) rows.push_back(yaku_row(item.yaku, item.han));
  std::ranges::sort(rows);
  return rows;
}

TEST(RealWins, EveryWinScoresAsTenhouRecordedIt) {
  std::size_t matched = 0, total = 0;
  for (const auto& path : rules_test::real_json_logs()) {
    const auto expected = logged_wins(path);
    const auto lines = rules_test::mjai_lines_of(path);
    ASSERT_FALSE(lines.empty()) << path;
    GameChecker checker;
    for (const auto& line : lines) checker.feed(line);
    const auto scored = checker.wins();
    ASSERT_EQ(scored.size(), expected.size()) << path;
    for (std::size_t index = 0; index < expected.size(); ++index) {
      const LoggedWin& logged = expected[index];
      const ScoredWin& win = scored[index];
      SCOPED_TRACE(logged.where + ", winner " + std::to_string(logged.winner));
      ++total;
      ASSERT_EQ(win.actor, logged.winner);
      const bool tsumo = win.actor == win.target;
      const auto points = tenhou_points(win.value, win.actor == logged.dealer, tsumo);
      const auto yaku = replay_yaku(win.value);
      EXPECT_EQ(points, logged.points);
      EXPECT_EQ(yaku, logged.yaku);
      matched += points == logged.points && yaku == logged.yaku;
    }
  }
  EXPECT_EQ(matched, total);
  RecordProperty("wins", static_cast<int>(total));
  std::printf("%zu of %zu real wins score as Tenhou recorded them\n", matched, total);
}

}  // namespace
}  // namespace paiscribe::rules
