#include "pipeline_checks.hpp"

#include <rapidjson/document.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "paiscribe/json/parse_json_log.hpp"
#include "paiscribe/json/tenhou_json_writer.hpp"
#include "paiscribe/pipeline/converter.hpp"
#include "paiscribe/xml/parse_mjlog.hpp"
#include "utf8_check.hpp"

namespace paiscribe::fuzz {
namespace {

[[noreturn]] void fail(std::string_view what, std::string_view line = {}) {
  std::fprintf(stderr, "pipeline check failed: %.*s\n", static_cast<int>(what.size()), what.data());
  if (!line.empty()) std::fprintf(stderr, "  line: %.*s\n", static_cast<int>(line.size()), line.data());
  std::abort();
}

void require(bool condition, std::string_view what, std::string_view line = {}) {
  if (!condition) fail(what, line);
}

// Compact means no blank outside a string.
bool is_compact(std::string_view line) {
  bool in_string = false;
  bool escaped = false;
  for (const char c : line) {
    if (in_string) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      return false;
    }
  }
  return !in_string;
}

// Checks one line on its own and returns its "type".
std::string check_line(std::string_view line, bool input_was_utf8) {
  constexpr std::string_view kPrefix = R"({"type":")";
  require(line.starts_with(kPrefix), "line does not start with the type", line);
  require(line.ends_with('}'), "line does not end with a brace", line);
  require(line.find('\n') == std::string_view::npos, "line holds a line feed", line);
  if (input_was_utf8) require(is_valid_utf8(line), "line is not valid UTF-8", line);
  require(is_compact(line), "line has blanks outside strings", line);

  rapidjson::Document document;
  document.Parse(line.data(), line.size());
  require(!document.HasParseError(), "line is not JSON", line);
  require(document.IsObject() && document.MemberCount() > 0, "line is not an object", line);
  const auto& first = *document.MemberBegin();
  require(std::string_view(first.name.GetString(), first.name.GetStringLength()) == "type" && first.value.IsString(),
          "first member is not the type", line);
  return std::string(first.value.GetString(), first.value.GetStringLength());
}

bool is_gzip_magic(std::string_view text) { return text.size() >= 2 && text[0] == '\x1f' && text[1] == '\x8b'; }

bool is_result(std::string_view type) { return type == "hora" || type == "ryukyoku"; }

bool belongs_inside_kyoku(std::string_view type) {
  return type != "start_game" && type != "end_game" && type != "start_kyoku" && type != "none" &&
         type != "end_kyoku";
}

// start_game, one block per kyoku (start_kyoku .. hora* or ryukyoku .. end_kyoku), end_game.
void check_game_shape(const std::vector<std::string>& lines, const std::vector<std::string>& types,
                      const RawLog& log) {
  require(types.size() >= 2, "a converted game has fewer than two lines");
  require(types.front() == "start_game", "first line is not start_game", lines.front());
  require(lines.back() == R"({"type":"end_game"})", "last line is not end_game", lines.back());

  std::size_t kyokus = 0;
  std::size_t i = 1;
  while (i + 1 < types.size()) {
    require(types[i] == "start_kyoku", "a kyoku does not open with start_kyoku", lines[i]);
    ++kyokus;
    ++i;
    while (i + 1 < types.size() && belongs_inside_kyoku(types[i]) && !is_result(types[i])) ++i;
    require(i + 1 < types.size(), "a kyoku runs into the end of the game");
    if (types[i] == "ryukyoku") {
      ++i;
    } else {
      while (types[i] == "hora") ++i;
    }
    require(types[i] == "end_kyoku", "a kyoku's result is not followed by end_kyoku", lines[i]);
    ++i;
  }
  require(kyokus == log.kyokus.size(), "not one start_kyoku per kyoku of the log");

  // The names come back unchanged through the escaping.
  rapidjson::Document start;
  start.Parse(lines.front().data(), lines.front().size());
  const auto member = start.FindMember("names");
  require(member != start.MemberEnd() && member->value.IsArray() && member->value.Size() == 4,
          "start_game does not hold four names", lines.front());
  const auto& names = member->value;
  for (rapidjson::SizeType seat = 0; seat < 4; ++seat) {
    require(std::string_view(names[seat].GetString(), names[seat].GetStringLength()) == log.name[seat],
            "a name does not survive the round trip", lines.front());
  }
}

}  // namespace

std::string_view outcome_name(Outcome outcome) {
  switch (outcome) {
    case Outcome::Converted: return "converted";
    case Outcome::ParseFailed: return "parse failed";
    case Outcome::ConversionFailed: return "conversion failed";
  }
  return "?";
}

namespace {

// What a conversion gives: every line with its line feed, or the failure.
struct Result {
  bool converted = false;
  std::string text;  // the lines, or the failure's class and message
};

Result lines_of(Converter& converter, std::string_view text, InputPolicy policy) {
  const auto failed = [](const PipelineError& error) {
    return Result{false, std::to_string(static_cast<int>(error.error_class)) + " " + error.message};
  };
  if (auto started = converter.start(PaddedText(text), policy); !started) return failed(started.error());
  Result result{true, {}};
  for (;;) {
    auto made = converter.next_batch();
    if (!made) return failed(made.error());
    if (!*made) return result;
    result.text += converter.lines().text();
  }
}

std::vector<std::string> split_lines(std::string_view text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// Checks every line and the game's shape against the record it came from.
std::vector<std::string> check_lines(std::string_view text, const RawLog& log, bool lines_must_be_utf8) {
  std::vector<std::string> lines = split_lines(text);
  std::vector<std::string> types;
  types.reserve(lines.size());
  for (const std::string& line : lines) types.push_back(check_line(line, lines_must_be_utf8));
  check_game_shape(lines, types, log);
  return lines;
}

// The record as the reader of `policy` reads it, when it does.
std::optional<RawLog> record_of(std::string_view text, RecordFormat format) {
  PaddedText padded(text);
  if (format == RecordFormat::Xml) {
    auto log = parse_mjlog(padded);
    return log ? std::optional(std::move(*log)) : std::nullopt;
  }
  auto log = parse_json_log(padded);
  return log ? std::optional(std::move(*log)) : std::nullopt;
}

// The records of one input for a converter kept from record to record: the
// whole text, then its pieces between NUL bytes (which no record holds).
std::vector<std::string_view> records_of(std::string_view text) {
  std::vector<std::string_view> records{text};
  if (text.find('\0') == std::string_view::npos) return records;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find('\0', start), text.size());
    records.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return records;
}

}  // namespace

// Every input goes to both readers, and to a converter that tells them apart
// itself; then its records go through one kept converter.
Checked check_pipeline(std::string_view text) {
  Converter fresh;
  const Result as_json = lines_of(fresh, text, kJsonLogAsIs);
  const Result as_xml = lines_of(fresh, text, kMjlog);
  const Result as_either = lines_of(fresh, text, kAnyRecord);
  require(!(as_json.converted && as_xml.converted), "a text converts both as JSON and as XML");
  if (!is_gzip_magic(text)) {
    require(as_either.text == as_json.text || as_either.text == as_xml.text,
            "a record told apart converts as neither reader does");
  }

  Checked checked{Outcome::ParseFailed, {}};
  for (const auto& [result, format] : {std::pair{&as_json, RecordFormat::Json}, std::pair{&as_xml, RecordFormat::Xml}}) {
    const auto log = record_of(text, format);
    // So a converter may check the whole text for UTF-8 only once a parse failed.
    if (log && format == RecordFormat::Json) require(is_valid_utf8(text), "a text that is not UTF-8 parsed");
    if (!log) continue;
    if (!result->converted) {
      checked.outcome = Outcome::ConversionFailed;
      continue;
    }
    // The XML reader checks the names it decodes, so its lines are UTF-8 whatever the input.
    checked = {Outcome::Converted, check_lines(result->text, *log, format == RecordFormat::Xml || is_valid_utf8(text))};
  }

  // An XML record that converts, written as Tenhou's JSON log, converts to the same lines.
  if (as_xml.converted) {
    PaddedText padded(text);
    GameDetails details;
    // Its details may hold what the JSON log cannot; the plain reader does not read them.
    if (auto log = parse_mjlog(padded, {}, &details)) {
      auto json = write_tenhou_json(*log, details, "");
      require(json.has_value(), "an XML record's details disagree with its results");
      Converter from_json;
      const Result again = lines_of(from_json, *json, kJsonLogAsIs);
      require(again.converted && again.text == as_xml.text, "an XML record written as a JSON log converts otherwise",
              json->substr(0, 200));
    }
  }

  Converter kept;
  for (const std::string_view record : records_of(text)) {
    Converter once;
    const Result expected = lines_of(once, record, kAnyRecord);
    const Result actual = lines_of(kept, record, kAnyRecord);
    require(actual.converted == expected.converted && actual.text == expected.text,
            "a kept converter gives another result than a fresh one", record.substr(0, 200));
    kept.keep_typical();
  }
  return checked;
}

}  // namespace paiscribe::fuzz
