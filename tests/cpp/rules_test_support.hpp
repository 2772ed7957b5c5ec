#pragma once

// What the rules tests share: real logs, and their lines as the converter
// writes them. This is the one place the tests reach the conversion.

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/pipeline/converter.hpp"

namespace paiscribe::rules_test {

// The converter's lines for a log (JSON, or mjlog XML by any other name);
// none when it does not convert.
inline std::vector<std::string> mjai_lines_of(const std::filesystem::path& path) {
  Converter converter;
  std::vector<std::string> out;
  if (!converter.start_file(path.string(), kAnyRecord)) return out;
  const auto lines = converter.all_lines();
  if (!lines) return out;
  for (std::size_t index = 0; index < (*lines)->size(); ++index) out.emplace_back((**lines)[index]);
  return out;
}

inline std::vector<std::string_view> views_of(const std::vector<std::string>& lines) {
  return {lines.begin(), lines.end()};
}

inline const std::filesystem::path kData = PAISCRIBE_TEST_DATA;

// The real four-player Tenhou JSON logs among the test data.
inline std::vector<std::filesystem::path> real_json_logs() {
  std::vector<std::filesystem::path> logs;
  for (const auto& entry : std::filesystem::directory_iterator(kData / "real")) logs.push_back(entry.path());
  std::ranges::sort(logs);
  for (const char* name : {"hanchan_double_ron.json", "tonpuu_double_ron.json", "four_kan_abort.json",
                           "mjlog/real_001.json", "mjlog/real_011.json"})
    logs.push_back(kData / name);
  return logs;
}

// Those and the real games recorded as Tenhou's XML.
inline std::vector<std::filesystem::path> real_games() {
  auto games = real_json_logs();
  for (const char* name : {"mjlog/mjlog_001.xml", "mjlog/mjlog_007.mjlog", "mjlog/mjlog_023.xml"})
    games.push_back(kData / name);
  return games;
}

}  // namespace paiscribe::rules_test
