#pragma once

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <type_traits>

// Runs `work` on a thread of its own and gives its result, or nothing when it has not finished
// within `timeout`; a hung thread is left behind to end with the test process, so that a test of
// something that must not block fails instead of hanging.
template <typename Work>
std::optional<std::invoke_result_t<Work>> FinishedWithin(std::chrono::milliseconds timeout,
                                                         Work work)
{
    using Result = std::invoke_result_t<Work>;
    auto promise = std::make_shared<std::promise<Result>>();
    std::future<Result> result = promise->get_future();
    std::thread([promise, work]() mutable { promise->set_value(work()); }).detach();
    if (result.wait_for(timeout) != std::future_status::ready)
        return std::nullopt;
    return result.get();
}
