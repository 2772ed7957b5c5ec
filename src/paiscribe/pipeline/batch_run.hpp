#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/io/output_folder.hpp"
#include "paiscribe/pipeline/pipeline_error.hpp"

namespace paiscribe {

// One log to convert: raw path bytes of the input and of its output (below
// the run's output folder), or the record's bytes themselves when it is held
// in memory (standard input); the input's path then only names it. The
// worker that takes the job converts those bytes where they lie.
struct BatchJob {
  std::string input;
  std::string output;
  std::optional<PaddedText> text{};
};

struct JobFailure {
  std::size_t job;  // index into the jobs
  PipelineError error;
};

// What a batch does with each job.
struct BatchWork {
  enum class Task : std::uint8_t { Convert, Check };
  Task task = Task::Convert;
  bool gzip = false;   // converting: compress the outputs
  bool check = false;  // converting: check each game's lines under the rules before its output is written
  std::string output_dir{};  // converting: the folder every output path starts from (raw path bytes)
};

struct BatchCounts {
  std::size_t converted;
  std::size_t failed;
};

// Converts (or checks) every job on worker threads that start with the run. Each worker
// takes the next job, holds that one log until its output is written, then
// takes another, so memory stays at one log per worker however many jobs
// there are. Inputs and outputs are regular files only, opened without a
// wait; below the output folder no link is followed, and the folders an
// output goes into are made as needed. Counts and failures can be read
// while it runs.
class BatchRun {
 public:
  // Starts up to `workers` threads; the run goes on with those that could
  // start (see workers()).
  BatchRun(std::vector<BatchJob> jobs, unsigned workers, BatchWork work);
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

  // Whether every worker has finished, waiting up to `timeout` for it.
  bool wait_for(std::chrono::milliseconds timeout);

  // Each worker finishes the log it holds and takes no other.
  void stop();

  // The failures recorded since the last call, in the order they came.
  std::vector<JobFailure> take_failures();

  // Waits for the workers; then the failures not taken yet, in the order of
  // the jobs.
  std::vector<JobFailure> finish();

 private:
  void take_jobs();
  void note_failure(std::size_t job, PipelineError error);
  void record_marked();

  std::vector<BatchJob> jobs_;  // each taken by one worker, which may take its text
  const BatchWork work_;
  std::atomic<std::size_t> next_job_ = 0;
  std::atomic<bool> stopping_ = false;
  std::atomic<std::size_t> converted_ = 0;
  std::atomic<std::size_t> failed_ = 0;
  std::atomic<unsigned> working_ = 0;
  // A job whose failure could not be recorded for lack of memory, by index.
  std::vector<std::atomic<bool>> out_of_memory_;
  std::atomic<std::size_t> marked_ = 0;
  int start_error_ = 0;
  std::expected<OutputFolder, int> output_folder_ = std::unexpected(0);  // converting: opened with the run

  std::mutex mutex_;  // guards the two below
  std::condition_variable worker_done_;
  unsigned running_ = 0;
  std::vector<JobFailure> failures_;
  std::size_t recorded_marks_ = 0;

  // Last, so the workers are joined before anything they use goes away.
  std::vector<std::jthread> workers_;
};

}  // namespace paiscribe
