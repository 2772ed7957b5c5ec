#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <expected>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/io/output_folder.hpp"
#include "paiscribe/pipeline/game_facts.hpp"
#include "paiscribe/pipeline/pipeline_error.hpp"

namespace paiscribe {

// One log to convert: raw path bytes of the input and of its output (below
// the run's output folder), or the record's bytes themselves when it is held
// in memory (standard input, a database's row); the input's path then only
// names it. The worker that takes the job converts those bytes where they lie.
struct BatchJob {
  std::string input;
  std::string output;
  std::optional<PaddedText> text{};
};

struct JobFailure {
  std::size_t job;  // index into the jobs
  PipelineError error;
};

// What a converting run with facts learnt of one job: the game's facts
// when its record could be read, and why the filter left it out (empty
// when it did not). A job that failed has its failure beside.
struct JobFacts {
  std::size_t job;
  std::string_view left_out;
  std::optional<GameFacts> facts;
};

// What a batch does with each job.
struct BatchWork {
  enum class Task : std::uint8_t { Convert, Check };
  Task task = Task::Convert;
  bool gzip = false;   // converting: compress the outputs
  bool check = false;  // converting: check each game's lines under the rules before its output is written
  std::string output_dir{};  // converting: the folder every output path starts from (raw path bytes)
  // Converting: each game's facts, and the filter's choice before it is
  // converted; every job then has its JobFacts.
  bool facts = false;
  GameFilter filter{};
};

// What the workers did since the last take: the facts first, so that the
// failure of any job among them is among the failures.
struct BatchReports {
  std::vector<JobFacts> facts;
  std::vector<JobFailure> failures;
};

struct BatchCounts {
  std::size_t converted;
  std::size_t failed;
};

// Converts (or checks) every job on worker threads that start with the run.
// Each worker takes the next job, holds that one log until its output is
// written, then takes another, so memory stays at one log per worker however
// many jobs there are. The jobs are all given at the start, or added as
// they come while the workers work (a source too large to hold): then the
// caller keeps the queue short and closes it after the last. Inputs and
// outputs are regular files only, opened without a wait; below the output
// folder no link is followed, and the folders an output goes into are made
// as needed. Counts and reports can be read while it runs.
class BatchRun {
 public:
  // Starts up to `workers` threads; the run goes on with those that could
  // start (see workers()).
  BatchRun(std::vector<BatchJob> jobs, unsigned workers, BatchWork work);
  // The same for jobs that add() gives until close().
  BatchRun(unsigned workers, BatchWork work);
  BatchRun(const BatchRun&) = delete;
  BatchRun& operator=(const BatchRun&) = delete;
  ~BatchRun();

  // The threads that started, and when fewer than asked, the errno of the
  // first that could not (ENOMEM when memory ran out).
  unsigned workers() const { return static_cast<unsigned>(workers_.size()); }
  int start_error() const { return start_error_; }
  // The workers that had the memory to begin work; once the run is
  // finished, none means no job was tried.
  unsigned working() const { return working_.load(std::memory_order_relaxed); }

  BatchCounts counts() const;

  // The next job, numbered after those before it; and no more after close().
  void add(BatchJob job);
  void close();
  // The jobs added and not taken yet.
  std::size_t queued();

  // Whether every worker has finished, waiting up to `timeout` for it, or
  // until the queue is shorter than `hungry_below` while it is open.
  bool wait_for(std::chrono::milliseconds timeout, std::size_t hungry_below = 0);

  // Each worker finishes the log it holds and takes no other.
  void stop();

  // The facts and failures recorded since the last call, in the order they came.
  BatchReports take_reports();

  // Waits for the workers; then the facts and failures not taken yet, in
  // the order of the jobs.
  BatchReports finish();

 private:
  void start_workers(std::size_t count);
  std::optional<std::pair<std::size_t, BatchJob>> next_job();
  void take_jobs();
  void note(std::size_t job, std::optional<PipelineError> error, std::optional<JobFacts> facts);
  void note_unrecorded(std::size_t job);
  void record_unrecorded();

  const BatchWork work_;
  std::atomic<bool> stopping_ = false;
  std::atomic<std::size_t> converted_ = 0;
  std::atomic<std::size_t> failed_ = 0;
  std::atomic<unsigned> working_ = 0;
  int start_error_ = 0;
  std::expected<OutputFolder, int> output_folder_ = std::unexpected(0);  // converting: opened with the run

  std::mutex mutex_;  // guards everything below
  std::condition_variable worker_done_;  // a worker ended, or the queue runs short
  std::condition_variable job_added_;
  std::deque<BatchJob> queue_;  // each taken whole by one worker
  std::size_t taken_ = 0;       // the number of the queue's first job
  bool closed_ = false;
  std::size_t hungry_below_ = 0;
  unsigned running_ = 0;
  std::vector<JobFailure> failures_;
  std::vector<JobFacts> facts_;
  // Jobs whose failure could not be recorded for lack of memory: room made
  // with the run, so that noting one needs none.
  std::vector<std::size_t> unrecorded_;

  // Last, so the workers are joined before anything they use goes away.
  std::vector<std::jthread> workers_;
};

}  // namespace paiscribe
