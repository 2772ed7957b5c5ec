// A corpus run writes for each log what run_pipeline gives for it, and fails
// each bad log alone with run_pipeline's class and message.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "paiscribe/entry/batch_run.hpp"
#include "paiscribe/mjai/each_line.hpp"
#include "paiscribe/entry/gzip.hpp"
#include "paiscribe/entry/pipeline.hpp"

namespace paiscribe {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

void write_file(const fs::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string sample(std::string_view name) { return read_file(fs::path(PAISCRIBE_TEST_DATA) / name); }

// What a written copy of run_pipeline's lines holds, or its failure.
std::expected<std::string, PipelineError> expected_output(const fs::path& input) {
  auto lines = run_pipeline(input.native(), std::nullopt);
  if (!lines) return std::unexpected(lines.error());
  return std::string(lines->text());
}

class Scratch : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("paiscribe-batch-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "out");
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

struct LogCase {
  std::string_view name;
  std::string bytes;
};

std::vector<LogCase> log_cases() {
  const std::string game = sample("hanchan_double_ron.json");
  std::string cut_gzip = gzip_compress(game, 1).value();
  cut_gzip.resize(cut_gzip.size() / 2);
  return {
      {"plain", game},
      {"pretty", sample("four_kan_abort.json")},
      {"gzip", gzip_compress(sample("tonpuu_double_ron.json"), 2).value()},
      {"two_gzip_members", gzip_compress(game.substr(0, 1000), 1).value() + gzip_compress(game.substr(1000), 3).value()},
      {"three_player", sample("three_player.json")},
      {"not_json", "{"},
      {"not_utf8", "{\"log\":\"\xff\"}"},
      {"cut_gzip", cut_gzip},
      {"gzip_then_garbage", gzip_compress(game, 1).value() + "garbage"},
  };
}

TEST_F(Scratch, EachLogGivesWhatRunPipelineGivesForItsText) {
  std::vector<BatchJob> jobs;
  for (const LogCase& c : log_cases()) {
    const fs::path input = dir_ / (std::string(c.name) + ".json");
    write_file(input, c.bytes);
    jobs.push_back({input.native(), (dir_ / "out" / (std::string(c.name) + ".mjson")).native()});
  }
  jobs.push_back({(dir_ / "gone.json").native(), (dir_ / "out" / "gone.mjson").native()});

  BatchRun run(jobs, 2, false);
  const std::vector<JobFailure> failures = run.finish();
  std::size_t next_failure = 0;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE(jobs[i].input);
    // run_pipeline reads the text as it is; restored when it was gzip.
    const std::string text = read_file(jobs[i].input);
    const bool compressed = is_gzip(text);
    if (compressed) write_file(jobs[i].input, gunzip(text).value_or("not restorable"));
    const auto expected = expected_output(jobs[i].input);
    const bool failed = next_failure < failures.size() && failures[next_failure].job == i;
    if (compressed && !gunzip(text)) {
      ASSERT_TRUE(failed);
      EXPECT_EQ(failures[next_failure].error.error_class, ErrorClass::OSError);
      EXPECT_TRUE(failures[next_failure].error.message.starts_with("failed to decompress gzip log: "));
    } else if (expected) {
      EXPECT_FALSE(failed);
      EXPECT_EQ(read_file(jobs[i].output), *expected);
    } else {
      ASSERT_TRUE(failed);
      EXPECT_EQ(failures[next_failure].error.error_class, expected.error().error_class);
      EXPECT_EQ(failures[next_failure].error.message, expected.error().message);
    }
    if (failed) {
      EXPECT_FALSE(fs::exists(jobs[i].output));
      ++next_failure;
    }
  }
  EXPECT_EQ(next_failure, failures.size());
  EXPECT_EQ(run.counts().converted + run.counts().failed, jobs.size());
}

// Collects the lines as one text, each with its line feed.
struct JoinedLines final : LineSink {
  std::expected<void, SerializeError> take_lines_of(std::span<const Event> events, std::string& scratch) override {
    return for_each_line_of(events, scratch, [this](std::string_view line, bool) { (text += line) += '\n'; });
  }
  std::string text;
};

TEST_F(Scratch, StorageKeptFromLogToLogChangesNoResult) {
  PipelineStorage storage;
  for (const LogCase& c : log_cases()) {
    SCOPED_TRACE(c.name);
    const fs::path input = dir_ / (std::string(c.name) + ".json");
    write_file(input, c.bytes);
    JoinedLines lines;
    const auto streamed = stream_pipeline(input.native(), std::nullopt, lines, nullptr, storage);
    const auto expected = expected_output(input);
    ASSERT_EQ(streamed.has_value(), expected.has_value());
    if (expected) EXPECT_EQ(lines.text, *expected);
    else EXPECT_EQ(streamed.error().message, expected.error().message);
  }
  // Buffers past a typical game's needs go back once the log is done; a typical game's stay.
  storage.kyokus.resize(2);
  storage.keep_typical();
  EXPECT_EQ(storage.kyokus.size(), 2u);
  storage.events.reserve(std::size_t{1} << 16);
  storage.kyokus[1].seats[3].discard_items.reserve(std::size_t{2} << 20);
  storage.keep_typical();
  EXPECT_EQ(storage.events.capacity(), 0u);
  EXPECT_TRUE(storage.kyokus.empty());
  storage.kyokus.resize(65);  // more than any game has
  storage.keep_typical();
  EXPECT_TRUE(storage.kyokus.empty());
}

TEST_F(Scratch, StoppedRunLeavesOnlyWholeOutputs) {
  const fs::path input = dir_ / "game.json";
  write_file(input, sample("four_kan_abort.json"));
  const std::string expected = expected_output(input).value();
  std::vector<BatchJob> jobs;
  for (int i = 0; i < 200; ++i) jobs.push_back({input.native(), (dir_ / "out" / (std::to_string(i) + ".mjson")).native()});

  BatchRun run(jobs, 2, false);
  run.stop();
  EXPECT_TRUE(run.finish().empty());
  std::size_t outputs = 0;
  for (const auto& entry : fs::directory_iterator(dir_ / "out")) {
    SCOPED_TRACE(entry.path().native());
    EXPECT_EQ(entry.path().extension(), ".mjson");
    EXPECT_EQ(read_file(entry.path()), expected);
    ++outputs;
  }
  EXPECT_EQ(outputs, run.counts().converted);
  EXPECT_LT(outputs, jobs.size());
}

TEST_F(Scratch, UnwritableOutputFailsThatLogAndLeavesNothing) {
  const fs::path input = dir_ / "game.json";
  write_file(input, sample("hanchan_double_ron.json"));
  const fs::path output = dir_ / "missing" / "game.mjson";
  BatchRun run({{input.native(), output.native()}}, 1, true);
  const auto failures = run.finish();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].error.message, "failed to create mjai out file " + output.native());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace paiscribe
