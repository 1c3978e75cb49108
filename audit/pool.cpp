#include "audit/pool.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace varnic::audit {

unsigned EffectiveJobs(unsigned jobs) {
  if (jobs != 0) return jobs;
  return std::max(1U, std::thread::hardware_concurrency());
}

std::size_t RunPool(std::size_t count, unsigned jobs, const std::function<void(std::size_t)>& work,
                    const std::atomic<bool>& stop,
                    const std::function<void(std::size_t)>& monitor) {
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> started{0};
  std::atomic<std::size_t> done{0};
  std::atomic<bool> failed{false};
  std::mutex mutex;
  std::condition_variable finished;
  std::size_t running = 0;
  std::exception_ptr failure;

  const auto worker = [&] {
    for (;;) {
      if (stop.load() || failed.load()) break;
      const std::size_t i = next.fetch_add(1);
      if (i >= count) break;
      started.fetch_add(1);
      try {
        work(i);
      } catch (...) {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!failure) failure = std::current_exception();
        failed.store(true);
      }
      done.fetch_add(1);
    }
    const std::lock_guard<std::mutex> lock(mutex);
    --running;
    finished.notify_all();
  };

  const std::size_t threads =
      std::min<std::size_t>(EffectiveJobs(jobs), std::max<std::size_t>(count, 1));
  std::vector<std::thread> pool;
  pool.reserve(threads);
  {
    const std::lock_guard<std::mutex> lock(mutex);
    running = threads;
  }
  for (std::size_t t = 0; t < threads; ++t) pool.emplace_back(worker);
  if (monitor) monitor(0);  // at once: the total shows before the first item is done
  {
    std::unique_lock<std::mutex> lock(mutex);
    while (running > 0) {
      finished.wait_for(lock, std::chrono::milliseconds(200));
      if (monitor && running > 0) {
        lock.unlock();
        monitor(done.load());
        lock.lock();
      }
    }
  }
  for (std::thread& thread : pool) thread.join();
  if (failure) std::rethrow_exception(failure);
  return started.load();
}

}  // namespace varnic::audit
