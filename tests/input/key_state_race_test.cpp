// The keyboard table shared by the window thread and the script fibres,
// driven from a real second thread while the plug-in runs (run under
// ThreadSanitizer by ./run test).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "input/input.h"
#include "shell/entry.h"
#include "support/plugin_fixture.h"

namespace tavrel::testing {
namespace {

using KeyStateRaceTest = PluginTest;

TEST_F(KeyStateRaceTest, WindowThreadWritesWhileTheFibresReadAndConsume) {
    sandbox.writeIni(kImmediateIni);
    sim.start();
    std::atomic<bool> stop{false};
    std::atomic<int> messages{0};
    // The game's window thread: key-downs, repeats and releases of the lock,
    // unlock and menu keys and of others, as fast as it can.
    std::thread window([&] {
        const std::uint32_t keys[] = {kVkL, kVkU, kVkF9, 0x41, 0x68, 0x62, 0x60, 8};
        unsigned i = 0;
        while (!stop.load(std::memory_order_relaxed)) {
            const std::uint32_t key = keys[i % 8];
            const int up = (i / 8) % 2;
            onKeyboardMessage(key, 1, 0, 0, 0, up, up);
            messages.fetch_add(1, std::memory_order_relaxed);
            ++i;
        }
    });
    // Frames go on until the window thread has sent plenty while they ran:
    // on user-space fibres 5 s of frames can be over before that thread is
    // first scheduled.
    int frames = 0;
    while (frames < 300 || messages.load(std::memory_order_relaxed) < 20000) {
        sim.runFrames(1);
        ++frames;
    }
    stop.store(true);
    window.join();

    // The table is still coherent afterwards: a fresh press reads as held,
    // its release is reported exactly once.
    onKeyboardMessage(0x42, 1, 0, 0, 0, 0, 0);
    EXPECT_TRUE(isKeyHeld(0x42));
    onKeyboardMessage(0x42, 1, 0, 0, 0, 1, 1);
    EXPECT_FALSE(isKeyHeld(0x42));
    EXPECT_TRUE(isKeyJustReleased(0x42));
    EXPECT_FALSE(isKeyJustReleased(0x42));
}

}  // namespace
}  // namespace tavrel::testing
