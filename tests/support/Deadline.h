#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

namespace testsupport {

// Runs work on a thread of its own and gives its result, waiting at most `limit`. A call
// that hangs (an open() waiting for a FIFO's writer) cannot be stopped, so the test program
// then ends at once, failed, instead of stalling the suite.
template <class Work>
auto finishWithin(std::chrono::milliseconds limit, Work work) -> decltype(work())
{
    std::packaged_task<decltype(work())()> task(std::move(work));
    auto result = task.get_future();
    std::thread(std::move(task)).detach();
    if (result.wait_for(limit) != std::future_status::ready) {
        ADD_FAILURE() << "still running after " << limit.count() << " ms";
        std::fprintf(stderr, "a call hung for %lld ms; ending the test program\n",
                     static_cast<long long>(limit.count()));
        std::fflush(nullptr);
        std::_Exit(1);
    }
    return result.get();
}

} // namespace testsupport
