#include "paiscribe/json/tenhou_json_writer.hpp"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <utility>
#include <variant>

#include "paiscribe/record/tile_code.hpp"
#include "paiscribe/json/tenhou_texts.hpp"

namespace paiscribe {
namespace {

// Four players' games are rated in one class.
constexpr std::string_view kRatingClass = "PF4";

// Below 1,000: at most three digits.
constexpr char* put_small(char* at, unsigned value) {
  if (value >= 100) *at++ = static_cast<char>('0' + value / 100);
  if (value >= 10) *at++ = static_cast<char>('0' + value / 10 % 10);
  *at++ = static_cast<char>('0' + value % 10);
  return at;
}

// A byte's number and a comma, four bytes written at once. Where the next
// one goes is worked out from the number, not looked up, so that one
// number's place does not wait on the table for the last.
constexpr std::array<std::array<char, 4>, 256> kListed = [] {
  std::array<std::array<char, 4>, 256> table{};
  for (unsigned value = 0; value < table.size(); ++value) *put_small(table[value].data(), value) = ',';
  return table;
}();
char* put_listed(char* at, std::uint8_t value) {
  std::memcpy(at, kListed[value].data(), kListed[value].size());
  return at + 2 + (value >= 10) + (value >= 100);
}

// The array of kyokus, written straight into the document's buffer: it is
// most of a log, and most of it small numbers, on which a general writer
// spends its time. Each list is sized, then filled; texts are escaped as
// the document's writer escapes them.
class KyokuListWriter {
 public:
  explicit KyokuListWriter(rapidjson::StringBuffer& out) : out_(out) {}

  void put(char c) { out_.Put(c); }

  void integer(std::int64_t value) {
    fill(24, [&](char* at) { return std::to_chars(at, at + 24, value).ptr; });
  }

  void text(std::string_view value) {
    fill(text_room(value), [&](char* at) { return put_text(at, value); });
  }

  void tiles(const auto& tiles) {
    fill(2 + 4 * std::size(tiles), [&](char* at) {
      *at++ = '[';
      for (const Tile tile : tiles) at = put_listed(at, code_of_tile(tile));
      return close_list(at, std::size(tiles));
    });
  }

  void integers(const auto& values) {
    put('[');
    bool first = true;
    for (const auto value : values) {
      if (!first) put(',');
      first = false;
      integer(value);
    }
    put(']');
  }

  // A number is its own byte, the code of its tile when it is one; a text
  // is shorter than the bytes it takes in the list.
  void items(const ActionItems& items) {
    fill(2 + 4 * items.size() + 6 * items.byte_size(), [&](char* at) {
      *at++ = '[';
      for (auto item = items.begin(); item != items.end(); ++item) {
        if (item.first_byte() != ActionItems::kEscape) [[likely]] {
          at = put_listed(at, item.first_byte());
        } else {
          at = put_rare(at, *item);
          *at++ = ',';
        }
      }
      return close_list(at, items.size());
    });
  }

 private:
  // Writes through `write(start) -> end` into room for up to `bytes`.
  template <typename Write>
  void fill(std::size_t bytes, Write&& write) {
    char* const start = out_.Push(bytes);
    char* const end = write(start);
    out_.Pop(bytes - static_cast<std::size_t>(end - start));
  }

  // A list's last comma becomes its bracket.
  static char* close_list(char* at, std::size_t count) {
    if (count == 0) {
      *at++ = ']';
    } else {
      at[-1] = ']';
    }
    return at;
  }

  static std::size_t text_room(std::string_view text) { return 2 + 6 * text.size(); }

  static char* put_rare(char* at, const ActionItem& item) {
    if (const auto value = item.number()) return put_small(at, *value);
    return put_text(at, *item.text());
  }

  static char* put_text(char* at, std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    *at++ = '"';
    for (const char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte >= 0x20 && c != '"' && c != '\\') [[likely]] {
        *at++ = c;
        continue;
      }
      *at++ = '\\';
      switch (c) {
        case '"': *at++ = '"'; break;
        case '\\': *at++ = '\\'; break;
        case '\b': *at++ = 'b'; break;
        case '\t': *at++ = 't'; break;
        case '\n': *at++ = 'n'; break;
        case '\f': *at++ = 'f'; break;
        case '\r': *at++ = 'r'; break;
        default:
          for (const char escaped : {'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xF]}) *at++ = escaped;
          break;
      }
    }
    *at++ = '"';
    return at;
  }

  rapidjson::StringBuffer& out_;
};

class LogWriter {
 public:
  explicit LogWriter(const GameDetails& details) : writer_(buffer_), details_(details) {}

  std::expected<std::string, std::string> write(const RawLog& log, std::string_view ref) {
    // A kyoku takes about a kilobyte.
    buffer_.Reserve(1024 * (log.kyokus.size() + 1));
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
    // The writer places the value, putting the colon before it; its text follows.
    writer_.RawValue("", 0, rapidjson::kArrayType);
    KyokuListWriter out(buffer_);
    out.put('[');
    for (const RawKyoku& kyoku : log.kyokus) {
      if (&kyoku != log.kyokus.data()) out.put(',');
      if (auto written = write_kyoku(kyoku, out); !written) return std::unexpected(std::move(written.error()));
    }
    out.put(']');
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

  std::expected<void, std::string> write_kyoku(const RawKyoku& kyoku, KyokuListWriter& out) {
    out.put('[');
    out.integers(std::array{kyoku.header.kyoku_index, kyoku.header.honba, kyoku.header.kyotaku});
    out.put(',');
    out.integers(kyoku.scores);
    out.put(',');
    out.tiles(kyoku.dora_indicators);
    out.put(',');
    out.tiles(kyoku.ura_indicators);
    for (const RawSeat& seat : kyoku.seats) {
      out.put(',');
      out.tiles(seat.haipai);
      out.put(',');
      out.items(seat.take_items);
      out.put(',');
      out.items(seat.discard_items);
    }
    out.put(',');
    out.put('[');
    for (const ResultItem& item : kyoku.result) {
      if (&item != kyoku.result.data()) out.put(',');
      if (const auto* text = std::get_if<ResultItem::Text>(&item.value)) {
        out.text(text->value);
      } else if (const auto* deltas = std::get_if<ResultItem::Deltas>(&item.value)) {
        out.integers(deltas->values);
      } else if (next_win_ == details_.wins.size()) {
        return std::unexpected("fewer wins than the results hold");
      } else if (auto written = write_win(details_.wins[next_win_++], kyoku.header.kyoku_index % 4, out); !written) {
        return written;
      }
    }
    out.put(']');
    out.put(']');
    return {};
  }

  // [who, from whom, who is liable, "points", "yaku(n飜)", ...]
  std::expected<void, std::string> write_win(const WinDetails& win, Seat dealer, KyokuListWriter& out) {
    auto points = point_text(win, win.who == dealer);
    if (!points) return std::unexpected(std::move(points.error()));
    out.put('[');
    for (const Seat seat : {win.who, win.from_who, win.pao_who}) {
      out.integer(seat);
      out.put(',');
    }
    out.text(*points);
    for (const auto& yaku : win.yaku) {
      out.put(',');
      yaku_text_.clear();
      append_yaku_text(yaku_text_, yaku);
      out.text(yaku_text_);
    }
    out.put(']');
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
  std::string yaku_text_;  // each yaku's text in turn, in one room
  const GameDetails& details_;
  std::size_t next_win_ = 0;
};

}  // namespace

std::expected<std::string, std::string> write_tenhou_json(const RawLog& log, const GameDetails& details,
                                                          std::string_view ref) {
  return LogWriter(details).write(log, ref);
}

}  // namespace paiscribe
