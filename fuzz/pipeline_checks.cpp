#include "pipeline_checks.hpp"

#include <rapidjson/document.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "paiscribe/conv/convert_log.hpp"
#include "paiscribe/mjai/mjai_lines.hpp"
#include "paiscribe/tenhou/mjlog.hpp"
#include "paiscribe/tenhou/parse_log.hpp"
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

// Converts a record that parsed and checks every line and the game's shape.
Checked check_conversion(const RawLog& log, bool lines_must_be_utf8) {
  const auto events = convert_log(log);
  if (!events) return {Outcome::ConversionFailed, {}};

  const auto serialized = serialize_events(*events);
  // Every event the conversion builds has a text form.
  require(serialized.has_value(), "an event failed to serialise");
  std::vector<std::string> lines;
  lines.reserve(serialized->size());
  for (std::size_t i = 0; i < serialized->size(); ++i) {
    // A line from the shared buffer reads the same as one on its own.
    const auto alone = serialize_event((*events)[i]);
    require(alone.has_value() && *alone == (*serialized)[i], "a line of the game differs from the event's own line",
            (*serialized)[i]);
    lines.emplace_back((*serialized)[i]);
  }

  std::vector<std::string> types;
  types.reserve(lines.size());
  for (const std::string& line : lines) types.push_back(check_line(line, lines_must_be_utf8));
  check_game_shape(lines, types, log);
  return {Outcome::Converted, std::move(lines)};
}

// The XML reader checks the names it decodes, so its lines are UTF-8 whatever the input.
Checked check_mjlog(std::string_view text) {
  const auto log = parse_mjlog(text);
  if (!log) {
    require(!log.error().message.empty(), "an mjlog error without a message");
    return {Outcome::ParseFailed, {}};
  }
  return check_conversion(*log, true);
}

}  // namespace

// Every input goes to both readers; no text is both a JSON log and an XML record.
Checked check_pipeline(std::string_view text) {
  Checked from_xml = check_mjlog(text);
  const auto log = parse_log(text);
  if (!log) return from_xml;
  // So the entry may check the whole text for UTF-8 only once a parse failed.
  require(is_valid_utf8(text), "a text that is not UTF-8 parsed");
  require(from_xml.outcome == Outcome::ParseFailed, "a text reads both as JSON and as XML");
  return check_conversion(*log, is_valid_utf8(text));
}

}  // namespace paiscribe::fuzz
