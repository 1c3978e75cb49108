#include "audit/pool.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace varnic::audit {
namespace {

// What the threads share with the caller. Held by each thread too, so that a thread left
// running after the caller gave up on it still has it.
struct CPoolState {
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> started{0};
  std::atomic<std::size_t> done{0};
  std::atomic<bool> failed{false};
  std::mutex mutex;
  std::condition_variable finished;
  std::size_t running = 0;
  std::exception_ptr failure;
};

}  // namespace

unsigned EffectiveJobs(unsigned jobs) {
  if (jobs != 0) return jobs;
  return std::max(1U, std::thread::hardware_concurrency());
}

std::size_t RunPool(std::size_t count, unsigned jobs, const std::function<void(std::size_t)>& work,
                    const std::atomic<bool>& stop, const std::function<void(std::size_t)>& monitor,
                    std::size_t* abandoned, std::chrono::milliseconds grace) {
  const auto state = std::make_shared<CPoolState>();
  const auto worker = [state, count, &work, &stop] {
    for (;;) {
      if (stop.load() || state->failed.load()) break;
      const std::size_t i = state->next.fetch_add(1);
      if (i >= count) break;
      state->started.fetch_add(1);
      try {
        work(i);
      } catch (...) {
        const std::lock_guard<std::mutex> lock(state->mutex);
        if (!state->failure) state->failure = std::current_exception();
        state->failed.store(true);
      }
      state->done.fetch_add(1);
    }
    const std::lock_guard<std::mutex> lock(state->mutex);
    --state->running;
    state->finished.notify_all();
  };

  const std::size_t threads =
      std::min<std::size_t>(EffectiveJobs(jobs), std::max<std::size_t>(count, 1));
  std::vector<std::thread> pool;
  pool.reserve(threads);
  {
    const std::lock_guard<std::mutex> lock(state->mutex);
    state->running = threads;
  }
  for (std::size_t t = 0; t < threads; ++t) pool.emplace_back(worker);
  if (monitor) monitor(0);  // at once: the total shows before the first item is done
  std::size_t left = 0;
  {
    std::unique_lock<std::mutex> lock(state->mutex);
    std::optional<std::chrono::steady_clock::time_point> stopped;
    while (state->running > 0) {
      state->finished.wait_for(lock, std::chrono::milliseconds(200));
      if (abandoned != nullptr && stop.load() && state->running > 0) {
        const auto now = std::chrono::steady_clock::now();
        if (!stopped) stopped = now;
        if (now - *stopped >= grace) {
          left = state->running;
          break;
        }
      }
      if (monitor && state->running > 0) {
        lock.unlock();
        monitor(state->done.load());
        lock.lock();
      }
    }
  }
  if (abandoned != nullptr) *abandoned = left;
  for (std::thread& thread : pool) {
    // A thread stuck in its item (a read that never returns) is left to it.
    if (left > 0) {
      thread.detach();
    } else {
      thread.join();
    }
  }
  if (left == 0 && state->failure) std::rethrow_exception(state->failure);
  return state->started.load();
}

}  // namespace varnic::audit
