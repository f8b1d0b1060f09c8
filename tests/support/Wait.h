// Wait.h - a test's thread waiting for what its own windows, another thread
// or another program bring about, with its messages processed meanwhile.
#pragma once

#include <chrono>
#include <functional>

namespace rulv::test {

// Processes every message waiting for this thread (sent, posted, paint) as
// the program's message loop does.
void ProcessMessages();

// Waits until `condition` holds, processing this thread's messages
// meanwhile; the result of the last test of the condition, made at the
// latest once `timeout` has passed.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace rulv::test
