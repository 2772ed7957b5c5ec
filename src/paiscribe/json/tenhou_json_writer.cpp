#include "paiscribe/json/tenhou_json_writer.hpp"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <array>
#include <charconv>
#include <cmath>
#include <utility>
#include <variant>

#include "paiscribe/record/tile_code.hpp"
#include "paiscribe/json/tenhou_texts.hpp"

namespace paiscribe {
namespace {

// Four players' games are rated in one class.
constexpr std::string_view kRatingClass = "PF4";

class LogWriter {
 public:
  explicit LogWriter(const GameDetails& details) : writer_(buffer_), details_(details) {}

  std::expected<std::string, std::string> write(const RawLog& log, std::string_view ref) {
    writer_.StartObject();
    if (!details_.version.empty()) {
      key("ver");
      version(details_.version);
    }
    if (!ref.empty()) {
      key("ref");
      string(ref);
    }
    key("log");
    writer_.StartArray();
    for (const RawKyoku& kyoku : log.kyokus) {
      if (auto written = write_kyoku(kyoku); !written) return std::unexpected(std::move(written.error()));
    }
    writer_.EndArray();
    if (next_win_ != details_.wins.size()) return std::unexpected("more wins than the results hold");
    key("ratingc");
    string(kRatingClass);
    write_rule(log.rule);
    write_players_and_scores(log);
    writer_.EndObject();
    return std::string(buffer_.GetString(), buffer_.GetSize());
  }

 private:
  void key(std::string_view name) { writer_.Key(name.data(), static_cast<rapidjson::SizeType>(name.size())); }
  void string(std::string_view text) { writer_.String(text.data(), static_cast<rapidjson::SizeType>(text.size())); }

  // A number as the log writes it: a whole one without a decimal point, any
  // other in the fewest digits that read back to it, with an exponent only
  // when very large or small. The reader let no infinity or NaN through.
  void number(double value) {
    if (value == std::trunc(value) && std::fabs(value) < 1e15) {
      writer_.Int64(static_cast<std::int64_t>(value));
      return;
    }
    const bool plain = std::fabs(value) >= 1e-6 && std::fabs(value) < 1e21;
    char digits[64];
    const auto written = std::to_chars(digits, digits + sizeof digits, value,
                                       plain ? std::chars_format::fixed : std::chars_format::general);
    writer_.RawValue(digits, static_cast<rapidjson::SizeType>(written.ptr - digits), rapidjson::kNumberType);
  }

  // "2.3" is written as the number it is; a version that is none, as text.
  void version(std::string_view text) {
    double value = 0;
    const auto read = std::from_chars(text.data(), text.data() + text.size(), value);
    if (read.ec == std::errc{} && read.ptr == text.data() + text.size() && std::isfinite(value)) {
      number(value);
    } else {
      string(text);
    }
  }

  template <typename Range, typename Each>
  void array(const Range& values, Each&& each) {
    writer_.StartArray();
    for (const auto& value : values) each(value);
    writer_.EndArray();
  }
  void tiles(const auto& tiles) {
    array(tiles, [&](Tile tile) { writer_.Int(code_of_tile(tile)); });
  }
  void integers(const auto& values) {
    array(values, [&](auto value) { writer_.Int64(value); });
  }

  void items(const ActionItems& list) {
    array(list, [&](const ActionItem& item) {
      if (const auto tile = item.tile()) {
        writer_.Int(code_of_tile(*tile));
      } else if (const auto value = item.number()) {
        writer_.Int(*value);
      } else {
        string(*item.text());
      }
    });
  }

  std::expected<void, std::string> write_kyoku(const RawKyoku& kyoku) {
    writer_.StartArray();
    integers(std::array{kyoku.header.kyoku_index, kyoku.header.honba, kyoku.header.kyotaku});
    integers(kyoku.scores);
    tiles(kyoku.dora_indicators);
    tiles(kyoku.ura_indicators);
    for (const RawSeat& seat : kyoku.seats) {
      tiles(seat.haipai);
      items(seat.take_items);
      items(seat.discard_items);
    }
    writer_.StartArray();
    for (const ResultItem& item : kyoku.result) {
      if (const auto* text = std::get_if<ResultItem::Text>(&item.value)) {
        string(text->value);
      } else if (const auto* deltas = std::get_if<ResultItem::Deltas>(&item.value)) {
        integers(deltas->values);
      } else if (next_win_ == details_.wins.size()) {
        return std::unexpected("fewer wins than the results hold");
      } else if (auto written = write_win(details_.wins[next_win_++], kyoku.header.kyoku_index % 4); !written) {
        return written;
      }
    }
    writer_.EndArray();
    writer_.EndArray();
    return {};
  }

  // [who, from whom, who is liable, "points", "yaku(n飜)", ...]
  std::expected<void, std::string> write_win(const WinDetails& win, Seat dealer) {
    auto points = point_text(win, win.who == dealer);
    if (!points) return std::unexpected(std::move(points.error()));
    writer_.StartArray();
    for (const Seat seat : {win.who, win.from_who, win.pao_who}) writer_.Int(seat);
    string(*points);
    for (const auto& yaku : win.yaku) string(yaku_text(yaku));
    writer_.EndArray();
    return {};
  }

  void write_rule(const Rule& rule) {
    key("rule");
    writer_.StartObject();
    key("disp");
    string(rule.disp);
    const std::array<std::pair<std::string_view, std::uint8_t>, 3> counts = {
        {{"aka53", rule.aka53}, {"aka52", rule.aka52}, {"aka51", rule.aka51}}};
    for (const auto& [name, count] : counts) {
      key(name);
      writer_.Int(count);
    }
    writer_.EndObject();
  }

  void write_players_and_scores(const RawLog& log) {
    if (details_.lobby) {
      key("lobby");
      writer_.Int(*details_.lobby);
    }
    if (details_.dan) {
      key("dan");
      array(*details_.dan, [&](std::uint8_t dan) { string(dan_name(dan)); });
    }
    if (details_.rate) {
      key("rate");
      array(*details_.rate, [&](double rate) { number(rate); });
    }
    if (details_.sx) {
      key("sx");
      array(*details_.sx, [&](const std::string& sx) { string(sx); });
    }
    // Each seat's score, in hundreds in the record, then its result; chips as they are.
    key("sc");
    writer_.StartArray();
    for (std::size_t at = 0; at < details_.final_scores.size(); ++at)
      number(at < 8 && at % 2 == 0 ? details_.final_scores[at] * 100 : details_.final_scores[at]);
    writer_.EndArray();
    key("name");
    array(log.name, [&](const std::string& name) { string(name); });
  }

  rapidjson::StringBuffer buffer_;
  rapidjson::Writer<rapidjson::StringBuffer> writer_;
  const GameDetails& details_;
  std::size_t next_win_ = 0;
};

}  // namespace

std::expected<std::string, std::string> write_tenhou_json(const RawLog& log, const GameDetails& details,
                                                          std::string_view ref) {
  return LogWriter(details).write(log, ref);
}

}  // namespace paiscribe
