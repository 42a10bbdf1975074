#pragma once

// Work on the items of a list spread over the machine's cores. Each item is worked on by one thread
// alone, and what is made of it goes to its own place, so the result does not depend on the order the
// threads take the items in.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace epub {

// How many threads work on `items` items: one per core, at least one, never more than the items.
inline std::size_t WorkersFor(std::size_t items)
{
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return std::min(cores, items);
}

// Calls work(i) once for each i below `items`, on WorkersFor(items) threads, the calling one among them.
// The first exception a call throws is thrown here once every thread is done; the items not yet begun
// by then are left alone.
template <typename Work> void ForEachInParallel(std::size_t items, const Work& work)
{
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr failure;
    std::mutex failureGuard;
    const auto worker = [&] {
        for (std::size_t i; !failed && (i = next++) < items;) {
            try {
                work(i);
            } catch (...) {
                const std::lock_guard lock(failureGuard);
                if (!failure) {
                    failure = std::current_exception();
                }
                failed = true;
            }
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (std::size_t i = 1; i < WorkersFor(items); ++i) {
            helpers.emplace_back(worker);
        }
        worker();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

} // namespace epub
