// The one way from a record's text to its lines: what each input policy
// takes, a converter kept from record to record giving what a fresh one
// gives, and a batch run writing for each record what a fresh converter
// gives for it, failing each bad record alone with its class and message.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "paiscribe/io/gzip.hpp"
#include "paiscribe/pipeline/batch_run.hpp"
#include "paiscribe/pipeline/converter.hpp"

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

std::string packed(std::string_view data) { return gzip_compress(data).value(); }

// All the lines of a record, each with its line feed, or its failure.
std::expected<std::string, PipelineError> lines_of(Converter& converter, std::string_view text, InputPolicy policy) {
  if (auto started = converter.start(PaddedText(text), policy); !started) return std::unexpected(started.error());
  std::string lines;
  for (;;) {
    auto made = converter.next_batch();
    if (!made) return std::unexpected(made.error());
    if (!*made) return lines;
    lines += converter.lines().text();
  }
}

std::expected<std::string, PipelineError> fresh_lines(std::string_view text, InputPolicy policy = kAnyRecord) {
  Converter converter;
  return lines_of(converter, text, policy);
}

// "lines", or the failure's class and message, for a table.
std::string outcome(const std::expected<std::string, PipelineError>& lines) {
  if (lines) return "lines";
  switch (lines.error().error_class) {
    case ErrorClass::OSError: return "OSError: " + lines.error().message;
    case ErrorClass::JsonParsingError: return "JsonParsingError: " + lines.error().message;
    case ErrorClass::MjlogParsingError: return "MjlogParsingError: " + lines.error().message;
    default: return std::to_string(static_cast<int>(lines.error().error_class)) + ": " + lines.error().message;
  }
}

// The jobs again, for a run that takes them while the test reads their paths.
std::vector<BatchJob> copies(const std::vector<BatchJob>& jobs) {
  std::vector<BatchJob> copied;
  for (const BatchJob& job : jobs) {
    copied.push_back({job.input, job.output});
    if (job.text) copied.back().text.emplace(job.text->view());
  }
  return copied;
}

class Scratch : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("paiscribe-batch-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "out");
  }
  void TearDown() override { fs::remove_all(dir_); }
  // A run into the folder "out": each output is named below it.
  BatchWork into_out(BatchWork work = {}) const {
    work.output_dir = (dir_ / "out").native();
    return work;
  }
  fs::path out(const BatchJob& job) const { return dir_ / "out" / job.output; }
  fs::path dir_;
};

struct LogCase {
  std::string_view name;
  std::string bytes;
};

std::vector<LogCase> log_cases() {
  const std::string game = sample("hanchan_double_ron.json");
  std::string cut_gzip = packed(game);
  cut_gzip.resize(cut_gzip.size() / 2);
  return {
      {"plain", game},
      {"pretty", sample("four_kan_abort.json")},
      {"gzip", packed(sample("tonpuu_double_ron.json"))},
      {"two_gzip_members", packed(game.substr(0, 1000)) + packed(game.substr(1000))},
      {"xml", sample("mjlog/mjlog_023.xml")},
      {"xml_gzip", sample("mjlog/mjlog_007.mjlog")},
      {"three_player", sample("three_player.json")},
      {"three_player_xml", sample("mjlog/mjlog_011.xml")},
      {"not_json", "{"},
      {"not_utf8", "{\"log\":\"\xff\"}"},
      {"cut_gzip", cut_gzip},
      {"gzip_then_garbage", packed(game) + "garbage"},
  };
}

TEST(Converter, PolicyDecidesGzipAndFormat) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  const std::string json = sample("hanchan_double_ron.json");
  const std::string xml = sample("mjlog/mjlog_001.xml");
  const std::string not_utf8 = "OSError: stream did not contain valid UTF-8";
  const std::string json_failed = "JsonParsingError: failed to parse tenhou.net/6 log";
  const std::string xml_failed = "MjlogParsingError: failed to parse mjlog record";
  const struct {
    std::string_view name;
    std::string text;
    std::string as_json, as_xml, as_either;  // kJsonLogAsIs, kMjlog, kAnyRecord
  } cases[] = {
      {"json", json, "lines", xml_failed, "lines"},
      {"json, gzip", packed(json), not_utf8, xml_failed, "lines"},
      {"json after a byte-order mark", std::string(kBom) + json, json_failed, xml_failed, json_failed},
      {"xml", xml, json_failed, "lines", "lines"},
      {"xml, gzip", packed(xml), not_utf8, "lines", "lines"},
      {"xml after a byte-order mark and blanks", std::string(kBom) + " \n" + xml, json_failed, "lines", "lines"},
      {"xml, gzip, after a byte-order mark", packed(std::string(kBom) + xml), not_utf8, "lines", "lines"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(outcome(fresh_lines(c.text, kJsonLogAsIs)), c.as_json);
    EXPECT_EQ(outcome(fresh_lines(c.text, kMjlog)), c.as_xml);
    EXPECT_EQ(outcome(fresh_lines(c.text, kAnyRecord)), c.as_either);
  }
  // A record read either way gives the same lines.
  EXPECT_EQ(fresh_lines(packed(xml)).value(), fresh_lines(xml, kMjlog).value());
}

// Whatever came before, a kept converter gives each record what a fresh one
// gives it: every ordered pair of records, failures among them.
TEST(Converter, KeptFromRecordToRecordGivesWhatAFreshOneGives) {
  const std::vector<LogCase> cases = log_cases();
  for (const LogCase& before : cases) {
    for (const LogCase& after : cases) {
      SCOPED_TRACE(std::string(before.name) + " then " + std::string(after.name));
      Converter kept;
      static_cast<void>(lines_of(kept, before.bytes, kAnyRecord));
      kept.keep_typical();
      const auto expected = fresh_lines(after.bytes);
      const auto actual = lines_of(kept, after.bytes, kAnyRecord);
      ASSERT_EQ(outcome(actual), outcome(expected));
      if (expected) {
        EXPECT_EQ(*actual, *expected);
      }
    }
  }
}

TEST_F(Scratch, EachLogGivesWhatAFreshConverterGivesForIt) {
  std::vector<BatchJob> jobs;
  for (const LogCase& c : log_cases()) {
    const fs::path input = dir_ / (std::string(c.name) + ".json");
    write_file(input, c.bytes);
    jobs.push_back({input.native(), std::string(c.name) + ".mjson"});
  }
  jobs.push_back({(dir_ / "gone.json").native(), "gone.mjson"});

  BatchRun run(copies(jobs), 2, into_out());
  const std::vector<JobFailure> failures = run.finish().failures;
  std::size_t next_failure = 0;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE(jobs[i].input);
    Converter fresh;
    const auto started = fresh.start_file(jobs[i].input, kAnyRecord);
    const auto expected = started ? fresh_lines(read_file(jobs[i].input)) : std::unexpected(started.error());
    const bool failed = next_failure < failures.size() && failures[next_failure].job == i;
    if (expected) {
      EXPECT_FALSE(failed);
      EXPECT_EQ(read_file(out(jobs[i])), *expected);
    } else {
      ASSERT_TRUE(failed);
      EXPECT_EQ(failures[next_failure].error.error_class, expected.error().error_class);
      EXPECT_EQ(failures[next_failure].error.message, expected.error().message);
    }
    if (failed) {
      EXPECT_FALSE(fs::exists(out(jobs[i])));
      ++next_failure;
    }
  }
  EXPECT_EQ(next_failure, failures.size());
  EXPECT_EQ(run.counts().converted + run.counts().failed, jobs.size());
}

// A run never waits on a FIFO, whether it is a log or an output; a record
// held in memory converts as its file would.
TEST_F(Scratch, FifosFailAtOnceAndRecordsInMemoryConvert) {
  const std::string game = sample("hanchan_double_ron.json");
  const fs::path input = dir_ / "game.json";
  write_file(input, game);
  const fs::path fifo = dir_ / "fifo.json";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo((dir_ / "out" / "fifo_out.mjson").c_str(), 0600), 0);
  std::vector<BatchJob> jobs;
  jobs.push_back({fifo.native(), "fifo.mjson"});
  jobs.push_back({input.native(), "fifo_out.mjson"});
  jobs.push_back({"-", "stdin.mjson", PaddedText(game)});
  BatchRun run(copies(jobs), 2, into_out());
  const auto failures = run.finish().failures;
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_EQ(failures[0].error.message, "failed to open tenhou.net/6 log file \"" + fifo.native() + "\"");
  EXPECT_EQ(failures[0].error.detail, "not a regular file but a FIFO: a run of many logs reads regular files only");
  EXPECT_EQ(failures[1].error.message, "failed to create mjai out file " + out(jobs[1]).native());
  EXPECT_EQ(failures[1].error.detail, "not a regular file but a FIFO: a run of many logs writes regular files only");
  EXPECT_EQ(read_file(out(jobs[2])), fresh_lines(game).value());
}

// Jobs added while the workers run, with facts: each job hands back its
// facts once, a game the filter leaves out is neither converted nor
// failed, and a failure comes beside its job's facts.
TEST_F(Scratch, FedJobsHandBackEachGamesFactsAndChoice) {
  const struct {
    std::string_view name;
    std::string record;
    std::string_view left_out;
    bool failed;
    std::size_t kyokus;
  } cases[] = {
      {"phoenix record", sample("mjlog/mjlog_001.xml"), "", false, 10},
      {"general room record", sample("mjlog/mjlog_023.xml"), "room", false, 12},
      {"three-player record", sample("mjlog/mjlog_011.xml"), "", true, 0},
      {"phoenix JSON log, its room by its rule's name", sample("hanchan_double_ron.json"), "", false, 7},
      {"record cut short", sample("mjlog/mjlog_001.xml").substr(0, 5000), "", true, 0},
  };
  BatchWork work{.output_dir = dir_.native(), .facts = true};
  work.filter.room = Room::Phoenix;
  BatchRun run(2, work);
  for (const auto& c : cases) run.add({std::string(c.name), std::string(c.name) + ".mjson", PaddedText(c.record)});
  run.close();
  const BatchReports reports = run.finish();
  ASSERT_EQ(reports.facts.size(), std::size(cases));
  std::size_t failures = 0;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.name);
    const JobFacts& facts = reports.facts[i];
    EXPECT_EQ(facts.job, i);
    EXPECT_EQ(facts.left_out, c.left_out);
    EXPECT_EQ(facts.facts.has_value(), !c.failed);
    EXPECT_EQ(facts.facts ? facts.facts->kyokus : 0, c.kyokus);
    const bool failed = failures < reports.failures.size() && reports.failures[failures].job == i;
    EXPECT_EQ(failed, c.failed);
    failures += failed;
    EXPECT_EQ(fs::exists(dir_ / (std::string(c.name) + ".mjson")), !c.failed && c.left_out.empty());
  }
  EXPECT_EQ(run.counts().converted, 2u);
  const GameFacts& first = *reports.facts[0].facts;
  EXPECT_EQ(first.grades(), (std::array<std::string_view, 4>{"七段", "七段", "七段", "九段"}));
  EXPECT_EQ(first.final_scores.size(), 8u);
  EXPECT_TRUE(first.standard_rules());
}

TEST_F(Scratch, StoppedRunLeavesOnlyWholeOutputs) {
  const fs::path input = dir_ / "game.json";
  write_file(input, sample("four_kan_abort.json"));
  const std::string expected = fresh_lines(read_file(input)).value();
  std::vector<BatchJob> jobs;
  for (int i = 0; i < 200; ++i) jobs.push_back({input.native(), std::to_string(i) + ".mjson"});

  BatchRun run(copies(jobs), 2, into_out());
  run.stop();
  EXPECT_TRUE(run.finish().failures.empty());
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

// A folder an output goes into is made as needed, unless something else is
// in its place.
TEST_F(Scratch, UnwritableOutputFailsThatLogAndLeavesNothing) {
  const fs::path input = dir_ / "game.json";
  write_file(input, sample("hanchan_double_ron.json"));
  write_file(dir_ / "out" / "file", "");
  std::vector<BatchJob> jobs;
  jobs.push_back({input.native(), "file/game.mjson"});
  jobs.push_back({input.native(), "made/game.mjson"});
  BatchRun run(std::move(jobs), 1, into_out(BatchWork{.gzip = true}));
  const auto failures = run.finish().failures;
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].error.message, "failed to create mjai out file " + (dir_ / "out" / "file" / "game.mjson").native());
  EXPECT_EQ(failures[0].error.detail, "Not a directory (ENOTDIR)");
  EXPECT_TRUE(fs::exists(dir_ / "out" / "made" / "game.mjson"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "out"), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace paiscribe
