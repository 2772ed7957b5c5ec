// Runs files through the same checks as the fuzzer, without libFuzzer: for the
// test suite (hand-made games must convert) and for replaying a crash input.
//
//   pipeline_replay [--must-convert | --may-fail] PATH...
//
// A directory stands for the files in it (other than .order files); each flag applies to the paths
// after it. When a converted X.json has an X.order beside it (the order its
// game was played in, one kyoku a line), the lines must replay that order.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "game_order.hpp"
#include "pipeline_checks.hpp"

namespace {

std::string read_file(const std::filesystem::path& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  ok = static_cast<bool>(in);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// Compares the converted game's order of play with the one recorded beside the log.
bool replays_recorded_order(const std::filesystem::path& log_file, const std::vector<std::string>& lines) {
  auto order_file = log_file;
  order_file.replace_extension(".order");
  if (!std::filesystem::exists(order_file)) return true;
  bool ok = false;
  const auto expected = split_lines(read_file(order_file, ok));
  const auto actual = paiscribe::fuzz::action_order(lines);
  if (actual.size() != expected.size()) {
    std::fprintf(stderr, "%s: %zu kyokus converted, %zu recorded\n", log_file.c_str(), actual.size(),
                 expected.size());
    return false;
  }
  for (std::size_t kyoku = 0; kyoku < actual.size(); ++kyoku) {
    if (actual[kyoku] == expected[kyoku]) continue;
    const auto& a = actual[kyoku];
    const auto& e = expected[kyoku];
    const auto differs = std::ranges::mismatch(a, e).in1 - a.begin();
    const auto from = a.rfind(" | ", differs);
    const auto start = from == std::string::npos ? 0 : from + 3;
    std::fprintf(stderr, "%s: kyoku %zu is played in another order from \"%s\" on (recorded: \"%s\")\n",
                 log_file.c_str(), kyoku, a.substr(start, 40).c_str(), e.substr(start, 40).c_str());
    return false;
  }
  return true;
}

std::vector<std::filesystem::path> files_under(const std::filesystem::path& path) {
  if (!std::filesystem::is_directory(path)) return {path};
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(path)) {
    if (entry.is_regular_file() && entry.path().extension() != ".order") files.push_back(entry.path());
  }
  std::ranges::sort(files);
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  bool must_convert = false;
  int checked = 0;
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--must-convert" || arg == "--may-fail") {
      must_convert = arg == "--must-convert";
      continue;
    }
    for (const auto& file : files_under(arg)) {
      bool readable = false;
      const std::string text = read_file(file, readable);
      if (!readable) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        ++failures;
        continue;
      }
      const auto checked_file = paiscribe::fuzz::check_pipeline(text);
      const auto name = paiscribe::fuzz::outcome_name(checked_file.outcome);
      std::printf("%-60s %.*s\n", file.c_str(), static_cast<int>(name.size()), name.data());
      ++checked;
      const bool converted = checked_file.outcome == paiscribe::fuzz::Outcome::Converted;
      if (must_convert && !converted) ++failures;
      if (converted && !replays_recorded_order(file, checked_file.lines)) ++failures;
    }
  }
  if (checked == 0) {
    std::fprintf(stderr, "no input files\n");
    return 1;
  }
  return failures == 0 ? 0 : 1;
}
