// ViewerMemoryTest.cpp - the viewer's load when memory runs out, at every
// allocation of it: the real window in this process, the test allocator
// armed around one drop of a map. Each drop must end with the new map and
// its title, or with the standard error report or a line's message and the
// old map and title; never the new colours under the old title. And the
// window goes on.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "tests/memory/FailingAllocator.h"
#include "tests/support/MessageBoxWatcher.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ViewerWindow.h"
#include "tests/support/Wait.h"
#include "tests/support/WindowText.h"

namespace rulv::test {
namespace {

// One drop of `file` with the allocator armed as asked while the viewer
// handles it; the drop's block is built before, while nothing fails.
// The C++ runtime takes an exception's block from an emergency pool when
// malloc fails, under a mutex that winpthreads creates, with calloc, the
// first time it is locked. Were that first lock to come while every
// allocation fails, the failed lock would throw again and recurse until the
// stack overflows; so it is taken once here, with memory to spare.
void PrepareTheEmergencyPool() {
    ArmAllocationFailure(1, false);  // the exception's own block only
    try {
        throw std::runtime_error("no memory for this exception");
    } catch (const std::runtime_error&) {
    }
    DisarmAllocationFailure();
}

void DropWhileArmed(HWND window, const std::wstring& file, std::uint64_t failAt, bool sticky) {
    PostDrop(window, {file});
    ArmAllocationFailure(failAt, sticky);
    ProcessMessages();
    DisarmAllocationFailure();
}

TEST(ViewerMemory, ALoadThatRunsOutOfMemoryLeavesTheOldMapAndTheWindowGoesOn) {
    TTempFolder folder;
    const std::wstring old = folder.Write(L"old.rulv", "112233\r\n");
    const std::wstring fresh = folder.Write(L"new.rulv", "* a map\r\n#GRAD 000000,FFFFFF,5000\r\nFF0000 red\r\n");
    const TPaletteArray oldColors{0x332211};
    PrepareTheEmergencyPool();
    TViewerWindow window;
    window.Drop({fresh});
    ASSERT_TRUE(window->Loaded());
    const TPaletteArray freshColors = window->Colors();
    ASSERT_EQ(freshColors.size(), 5001u);

    // How many allocations one drop of the map makes.
    window.Drop({old});
    DropWhileArmed(window.Handle(), fresh, 0, false);
    const std::uint64_t allocations = AllocationsCounted();
    ASSERT_EQ(window->Colors(), freshColors);
    ASSERT_GT(allocations, 2u);

    for (std::uint64_t n = 1; n <= allocations; ++n) {
        for (const bool sticky : {false, true}) {
            const std::string where = "allocation " + std::to_string(n) + (sticky ? "+" : "");
            window.Drop({old});
            ASSERT_EQ(window->Colors(), oldColors) << where;
            TMessageBoxWatcher watcher;
            DropWhileArmed(window.Handle(), fresh, n, sticky);
            ASSERT_GT(AllocationsFailed(), 0u) << where;
            // The map and its title change together or not at all.
            const bool loaded = window->Colors() == freshColors;
            EXPECT_TRUE(loaded || window->Colors() == oldColors) << where;
            EXPECT_EQ(WindowText(window.Handle()), loaded ? L"new.rulv - RULV Viewer" : L"old.rulv - RULV Viewer")
                << where;
            // A load that did not happen was reported: one failed allocation
            // gives one message; while every later one fails too, the
            // repaints under the first box may fail and report it again.
            if (!loaded) {
                EXPECT_GE(watcher.Count(), 1u) << where;
            }
            if (!sticky) {
                EXPECT_LE(watcher.Count(), 1u) << where;
            }
            for (const TBoxSnapshot& box : watcher.Boxes()) {
                const bool report = box.HasIcon() && box.Text() == L"Out of memory.";
                const bool lineMessage = !box.HasIcon() && box.Text().find(L" 行目に間違いがあります") != std::wstring::npos;
                EXPECT_TRUE(report || lineMessage) << where << ": " << testing::PrintToString(box.Text());
            }
        }
    }
    // And the window goes on as before.
    window.Drop({fresh});
    EXPECT_EQ(window->Colors(), freshColors);
}

}  // namespace
}  // namespace rulv::test
