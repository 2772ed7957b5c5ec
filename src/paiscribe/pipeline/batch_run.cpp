#include "paiscribe/pipeline/batch_run.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <iterator>
#include <new>
#include <system_error>
#include <utility>

#include "paiscribe/pipeline/check_lines.hpp"
#include "paiscribe/pipeline/converter.hpp"
#include "paiscribe/pipeline/run_output.hpp"

namespace paiscribe {
namespace {

// Jobs whose failure a run can keep without memory to record it; past
// these, such a job is still counted as failed.
constexpr std::size_t kUnrecordedRoom = 1024;

// A file of lines to check is read by the converter's reader, so a worker
// keeps one set of buffers for both.
std::expected<void, PipelineError> check_job(const BatchJob& job, Converter& converter) {
  auto findings = job.text ? check_lines(job.text->view()) : check_file(job.input, converter.reader());
  if (!findings) return std::unexpected(std::move(findings.error()));
  if (!findings->empty()) return std::unexpected(illegal_game(std::move(*findings)));
  return {};
}

// What a job came to, beside its failure: with facts, the game's, and
// whether the filter left it out.
struct JobEnd {
  std::optional<JobFacts> facts;
  bool left_out = false;
};

std::expected<void, PipelineError> convert_job(BatchJob& job, std::size_t index, const BatchWork& work,
                                               Converter& converter, RunOutput& output, JobEnd& end) {
  if (work.facts) end.facts.emplace(JobFacts{index, {}, std::nullopt});
  auto started = job.text ? converter.start(*std::exchange(job.text, std::nullopt), kBatchRecord)
                          : converter.start_file(job.input, kBatchRecord);
  if (!started) return started;
  if (work.facts) {
    end.facts->facts = facts_of(converter.record(), converter.details());
    end.facts->left_out = left_out_by(*end.facts->facts, work.filter);
    if (!end.facts->left_out.empty()) {
      end.left_out = true;
      return {};
    }
  }
  auto lines = converter.all_lines();
  if (!lines) return std::unexpected(std::move(lines.error()));
  if (work.check) {
    if (auto findings = check_lines((*lines)->text(), rules_of_record(converter.record())); !findings.empty())
      return std::unexpected(illegal_game(std::move(findings)));
  }
  return output.write(job.output, (*lines)->text(), work.gzip);
}

// A thread must not let an exception escape, so one that a log raises
// becomes that log's failure.
std::expected<void, PipelineError> guarded_job(BatchJob& job, std::size_t index, const BatchWork& work,
                                               Converter& converter, RunOutput& output, JobEnd& end) {
  try {
    if (work.task == BatchWork::Task::Check) return check_job(job, converter);
    return convert_job(job, index, work, converter, output, end);
  } catch (const std::bad_alloc&) {
    return std::unexpected(PipelineError{ErrorClass::MemoryError, "out of memory"});
  } catch (const std::exception& fault) {
    return std::unexpected(PipelineError{ErrorClass::RuntimeError, std::string("internal error: ") + fault.what()});
  } catch (...) {
    return std::unexpected(PipelineError{ErrorClass::RuntimeError, "internal error"});
  }
}

// A worker's first exception makes libstdc++ fetch its thread-local
// globals, which glibc allocates at first use in a module loaded with
// dlopen, and when that allocation fails glibc aborts the process. So a
// worker fetches them as it starts, right after it found memory free for
// them: one that finds none takes no job, as if it had never started.
bool secure_thread_memory() {
  constexpr std::size_t kRoom = std::size_t{64} << 10;  // below the size glibc maps apart
  void* room = std::malloc(kRoom);
  if (room == nullptr) return false;
  std::free(room);
  [[maybe_unused]] volatile int fetched = std::uncaught_exceptions();
  return true;
}

}  // namespace

BatchRun::BatchRun(std::vector<BatchJob> jobs, unsigned workers, BatchWork work) : work_(std::move(work)) {
  queue_.assign(std::make_move_iterator(jobs.begin()), std::make_move_iterator(jobs.end()));
  closed_ = true;
  if (!queue_.empty()) start_workers(std::min<std::size_t>(std::max(workers, 1u), queue_.size()));
}

BatchRun::BatchRun(unsigned workers, BatchWork work) : work_(std::move(work)) { start_workers(std::max(workers, 1u)); }

void BatchRun::start_workers(std::size_t count) {
  unrecorded_.reserve(kUnrecordedRoom);
  if (work_.task == BatchWork::Task::Convert) output_folder_ = OutputFolder::open(work_.output_dir);
  running_ = static_cast<unsigned>(count);  // before any worker can finish
  workers_.reserve(count);
  for (std::size_t started = 0; started < count; ++started) {
    int error = 0;
    try {
      workers_.emplace_back([this] { take_jobs(); });
      continue;
    } catch (const std::system_error& refused) {
      error = refused.code().value();
    } catch (const std::bad_alloc&) {
      error = ENOMEM;
    }
    // The process may have no room for another thread: the run goes on
    // with the workers it has.
    const std::lock_guard lock(mutex_);
    running_ -= static_cast<unsigned>(count - started);
    start_error_ = error;
    break;
  }
}

BatchRun::~BatchRun() { stop(); }

BatchCounts BatchRun::counts() const {
  return {converted_.load(std::memory_order_relaxed), failed_.load(std::memory_order_relaxed)};
}

void BatchRun::add(BatchJob job) {
  const std::lock_guard lock(mutex_);
  queue_.push_back(std::move(job));
  job_added_.notify_one();
}

void BatchRun::close() {
  const std::lock_guard lock(mutex_);
  closed_ = true;
  job_added_.notify_all();
}

std::size_t BatchRun::queued() {
  const std::lock_guard lock(mutex_);
  return queue_.size();
}

bool BatchRun::wait_for(std::chrono::milliseconds timeout, std::size_t hungry_below) {
  std::unique_lock lock(mutex_);
  hungry_below_ = hungry_below;
  worker_done_.wait_for(lock, timeout,
                        [&] { return running_ == 0 || (!closed_ && queue_.size() < hungry_below); });
  return running_ == 0;
}

void BatchRun::stop() {
  stopping_.store(true, std::memory_order_relaxed);
  const std::lock_guard lock(mutex_);
  job_added_.notify_all();
}

BatchReports BatchRun::take_reports() {
  const std::lock_guard lock(mutex_);
  record_unrecorded();
  return {std::exchange(facts_, {}), std::exchange(failures_, {})};
}

BatchReports BatchRun::finish() {
  for (std::jthread& worker : workers_) {
    if (worker.joinable()) worker.join();
  }
  const std::lock_guard lock(mutex_);
  record_unrecorded();
  std::ranges::sort(failures_, {}, &JobFailure::job);
  std::ranges::sort(facts_, {}, &JobFacts::job);
  return {std::move(facts_), std::move(failures_)};
}

// The next job and its number; none once the run stops, or when the queue
// is closed and empty.
std::optional<std::pair<std::size_t, BatchJob>> BatchRun::next_job() {
  std::unique_lock lock(mutex_);
  job_added_.wait(lock, [this] { return stopping_.load(std::memory_order_relaxed) || !queue_.empty() || closed_; });
  if (stopping_.load(std::memory_order_relaxed) || queue_.empty()) return std::nullopt;
  std::pair<std::size_t, BatchJob> next{taken_++, std::move(queue_.front())};
  queue_.pop_front();
  if (!closed_ && queue_.size() < hungry_below_) worker_done_.notify_all();
  return next;
}

void BatchRun::take_jobs() {
  std::optional<Converter> converter;
  try {
    // Kept from log to log, so that the worker's heap does not shrink and grow again for each.
    if (secure_thread_memory()) converter.emplace();
    if (converter) converter->gather_details(work_.facts);
  } catch (...) {
  }
  // Without the memory to begin, the worker ends as if it had never started.
  if (converter) {
    working_.fetch_add(1, std::memory_order_relaxed);
    RunOutput output(output_folder_, work_.output_dir);
    for (;;) {
      std::optional<std::pair<std::size_t, BatchJob>> next;
      try {
        next = next_job();
      } catch (...) {
        break;  // no memory to take the job out of the queue: the others take it
      }
      if (!next) break;
      const std::size_t job = next->first;
      try {
        JobEnd end;
        auto converted = guarded_job(next->second, job, work_, *converter, output, end);
        converter->keep_typical();
        if (converted && !end.left_out) converted_.fetch_add(1, std::memory_order_relaxed);
        if (converted) {
          if (end.facts) note(job, std::nullopt, std::move(end.facts));
        } else {
          note(job, std::move(converted.error()), std::move(end.facts));
        }
      } catch (...) {
        // No memory even to record the job's failure: the room made with
        // the run keeps it, to be recorded when the reports are taken.
        note_unrecorded(job);
      }
    }
  }
  const std::lock_guard lock(mutex_);
  --running_;
  worker_done_.notify_all();
}

void BatchRun::note(std::size_t job, std::optional<PipelineError> error, std::optional<JobFacts> facts) {
  if (error) failed_.fetch_add(1, std::memory_order_relaxed);
  const std::lock_guard lock(mutex_);
  // One lock for both, so that whoever takes a job's facts finds its failure too.
  if (error) failures_.push_back({job, std::move(*error)});
  if (facts) facts_.push_back(std::move(*facts));
}

void BatchRun::note_unrecorded(std::size_t job) {
  failed_.fetch_add(1, std::memory_order_relaxed);
  const std::lock_guard lock(mutex_);
  if (unrecorded_.size() < unrecorded_.capacity()) unrecorded_.push_back(job);
}

// The jobs noted without memory become failures, as far as memory allows
// now; those it does not stay noted. Called with the lock held.
void BatchRun::record_unrecorded() {
  try {
    while (!unrecorded_.empty()) {
      failures_.push_back({unrecorded_.back(), PipelineError{ErrorClass::MemoryError, "out of memory"}});
      unrecorded_.pop_back();
    }
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace paiscribe
