// Wait.cpp - waiting with the message loop running.
#include "tests/support/Wait.h"

#include <windows.h>

#include "ui/Application.h"

namespace rulv::test {

void ProcessMessages() { ui::Application().ProcessMessages(); }

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return condition();
        ProcessMessages();
        // Sleep until a message arrives or a little time passes (the
        // condition may depend on another thread or program).
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

}  // namespace rulv::test
