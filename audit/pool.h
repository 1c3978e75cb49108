#ifndef VARNIC_AUDIT_POOL_H_
#define VARNIC_AUDIT_POOL_H_

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>

namespace varnic::audit {

// Runs `work(i)` for each i below `count` on `jobs` threads (0: one per core), each thread taking
// the next index from a shared counter, so a slow item holds up one thread only. Once `stop` is
// set no further item starts; those running finish. Meanwhile the calling thread calls
// `monitor(done)` at once and then a few times a second, when given. `work` may run on any thread
// at once with other items and must not touch what another index owns. An exception from `work`
// stops the pool and is rethrown here once every thread has ended. Returns how many items started.
//
// With `abandoned`, the wait after `stop` is bounded: items still running `grace` after it was
// seen are left to their threads, which are detached, and `*abandoned` says how many. Their
// `work` may still run and touch what it refers to: the caller must then report what finished
// and end the process without returning to code that frees it.
std::size_t RunPool(std::size_t count, unsigned jobs, const std::function<void(std::size_t)>& work,
                    const std::atomic<bool>& stop,
                    const std::function<void(std::size_t)>& monitor = {},
                    std::size_t* abandoned = nullptr,
                    std::chrono::milliseconds grace = std::chrono::seconds(1));

// The number of threads `jobs` stands for: itself, or the number of cores for 0.
unsigned EffectiveJobs(unsigned jobs);

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_POOL_H_
