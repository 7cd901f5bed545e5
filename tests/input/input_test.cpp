// Keyboard tests of the input layer against the simulator's clock: held and
// released windows, the toggle, the hotkey guard, two-key combinations and
// the 8-bit primary keys.
#include <gtest/gtest.h>

#include "config/settings.h"
#include "input/input.h"
#include "shell/entry.h"
#include "sim/protocol/simulator.h"

namespace tavrel {
namespace {

constexpr int kVkA = 0x41;
constexpr int kVkL = 0x4C;
constexpr int kVkU = 0x55;
constexpr int kVkM = 0x4D;
constexpr int kVkF9 = 0x78;
constexpr int kVkControl = 0x11;

class InputTest : public ::testing::Test {
protected:
    void SetUp() override { resetPluginState(); }

    void down(int vk) { onKeyboardMessage(static_cast<std::uint32_t>(vk), 1, 0, 0, 0, 0, 0); }
    void up(int vk) { onKeyboardMessage(static_cast<std::uint32_t>(vk), 1, 0, 0, 0, 1, 1); }
    // Moves the clock by exactly `ms` (frames of 1 ms).
    void advance(std::uint32_t ms) {
        sim.setFrameMs(1);
        sim.runFrames(static_cast<int>(ms));
    }

    sim::Simulator sim;
};

TEST_F(InputTest, KeyCountsAsHeldForFiveSecondsAfterItsLastKeyDown) {
    EXPECT_FALSE(isKeyHeld(kVkA));
    down(kVkA);
    EXPECT_TRUE(isKeyHeld(kVkA));
    advance(4999);
    EXPECT_TRUE(isKeyHeld(kVkA));
    advance(1);
    EXPECT_FALSE(isKeyHeld(kVkA)) << "5000 ms after the last key-down the key no longer counts";
    down(kVkA);  // auto-repeat refreshes the stamp
    EXPECT_TRUE(isKeyHeld(kVkA));
    up(kVkA);
    EXPECT_FALSE(isKeyHeld(kVkA));
}

TEST_F(InputTest, ReleaseIsReportedOnceAndOnlyWithinOneHundredMs) {
    down(kVkA);
    EXPECT_FALSE(isKeyJustReleased(kVkA)) << "a key that is down was not released";
    up(kVkA);
    advance(99);
    EXPECT_TRUE(isKeyJustReleased(kVkA));
    EXPECT_FALSE(isKeyJustReleased(kVkA)) << "the entry is zeroed once reported";

    up(kVkM);
    advance(100);
    EXPECT_FALSE(isKeyJustReleased(kVkM));
}

TEST_F(InputTest, OutOfRangeCodesAreNeverPressedAndIgnoredByTheHandler) {
    for (int code : {-1, -200, 255, 256, 100000}) {
        EXPECT_FALSE(isKeyHeld(code)) << code;
        EXPECT_FALSE(isKeyJustReleased(code)) << code;
    }
    onKeyboardMessage(255, 1, 0, 0, 0, 0, 0);
    onKeyboardMessage(0xFFFFFFFFu, 1, 0, 0, 0, 0, 0);
    EXPECT_FALSE(isKeyHeld(254));
    down(254);
    EXPECT_TRUE(isKeyHeld(254)) << "254 is the last usable code";
}

TEST_F(InputTest, SingleKeyToggleFiresOnReleaseWithoutStampingTheGuard) {
    settings.menu_toggle_switch = kVkA;
    settings.lock = -1;
    advance(2000);
    down(kVkA);
    EXPECT_FALSE(isMenuToggleRequested());
    up(kVkA);
    EXPECT_TRUE(isMenuToggleRequested());
    EXPECT_FALSE(isMenuToggleRequested()) << "one release toggles once";
    down(kVkL);
    EXPECT_TRUE(isLockHotkeyDown()) << "the lock key is not held back by a guard";
}

TEST_F(InputTest, DefaultF9ToggleStampsTheGuardAndBlocksTheLockKeyForOneSecond) {
    for (int unbound : {0, -1}) {
        SCOPED_TRACE(unbound);
        resetPluginState();
        settings.lock = -1;
        settings.menu_toggle_switch = unbound;
        advance(2000);
        up(kVkF9);
        EXPECT_TRUE(isMenuToggleRequested());
        down(kVkL);
        advance(1000);
        EXPECT_FALSE(isLockHotkeyDown()) << "still inside the 1000 ms guard";
        advance(1);
        down(kVkL);
        EXPECT_TRUE(isLockHotkeyDown());
        up(kVkL);
    }
}

TEST_F(InputTest, TwoKeyToggleNeedsTheFirstKeyHeldWhileTheSecondIsReleased) {
    settings.menu_toggle_switch = kVkControl;
    settings.menu_toggle_switch_2 = kVkM;
    up(kVkM);
    EXPECT_FALSE(isMenuToggleRequested()) << "second key alone";
    down(kVkControl);
    down(kVkM);
    up(kVkM);
    EXPECT_TRUE(isMenuToggleRequested());
    up(kVkF9);
    EXPECT_FALSE(isMenuToggleRequested()) << "F9 is only the default of an unbound first key";
}

TEST_F(InputTest, TwoKeyToggleWithUnboundFirstKeyFallsBackToF9) {
    settings.menu_toggle_switch = -1;
    settings.menu_toggle_switch_2 = kVkM;
    up(kVkF9);
    EXPECT_TRUE(isMenuToggleRequested());
}

TEST_F(InputTest, PrimaryHotkeysUseTheLowByteAsASignedKeyCode) {
    advance(2000);  // past the guard that starts at tick 0
    // -1 (an INI value of 255 or -1) selects L and U.
    settings.lock = -1;
    settings.unlock = -1;
    down(kVkL);
    EXPECT_TRUE(isLockHotkeyDown());
    EXPECT_FALSE(isUnlockHotkeyDown());
    down(kVkU);
    EXPECT_TRUE(isUnlockHotkeyDown());
    up(kVkL);
    up(kVkU);

    // 200 is negative as a signed byte: never pressed, even with key 200 down.
    settings.lock = static_cast<std::int8_t>(200);
    down(200);
    down(kVkL);
    EXPECT_FALSE(isLockHotkeyDown());

    settings.lock = kVkA;
    EXPECT_FALSE(isLockHotkeyDown());
    down(kVkA);
    EXPECT_TRUE(isLockHotkeyDown());
}

TEST_F(InputTest, SecondOptionalKeyMustBeHeldTogetherWithThePrimary) {
    advance(2000);
    settings.lock = kVkA;
    settings.lock_2_optional = kVkControl;
    down(kVkA);
    EXPECT_FALSE(isLockHotkeyDown()) << "one of the two keys";
    down(kVkControl);
    EXPECT_TRUE(isLockHotkeyDown());
    up(kVkA);
    EXPECT_FALSE(isLockHotkeyDown());

    // With the default key (-1) the second key is not consulted.
    settings.lock = -1;
    down(kVkL);
    up(kVkControl);
    EXPECT_TRUE(isLockHotkeyDown());
}

TEST_F(InputTest, HotkeyGuardHoldsForOneSecondAfterTheLastAction) {
    advance(5000);
    settings.unlock = -1;
    settings.menu_toggle_switch = 0;
    up(kVkF9);  // the default menu toggle: an action that stamps the guard
    ASSERT_TRUE(isMenuToggleRequested());
    down(kVkU);
    advance(1000);
    down(kVkU);
    EXPECT_FALSE(isUnlockHotkeyDown());
    advance(1);
    EXPECT_TRUE(isUnlockHotkeyDown());
}

TEST_F(InputTest, NavigationReportsHeldKeysAndLeavesMissingOutputsAlone) {
    settings.menu_back = -1;
    settings.menu_back2 = 8;
    settings.menu_left = -1;
    down(static_cast<int>(settings.menu_up));
    down(8);
    bool select = true, back = false, up_out = false, down_out = true, left = true, right = true;
    readMenuNavigation(&select, &back, &up_out, &down_out, &left, &right);
    EXPECT_FALSE(select);
    EXPECT_TRUE(back) << "the second back key";
    EXPECT_TRUE(up_out);
    EXPECT_FALSE(down_out);
    EXPECT_FALSE(left) << "an unbound navigation key never fires";
    EXPECT_FALSE(right);

    bool only_up = false;
    readMenuNavigation(nullptr, nullptr, &only_up, nullptr, nullptr, nullptr);
    EXPECT_TRUE(only_up);
    EXPECT_TRUE(isKeyHeld(8)) << "navigation tests consume nothing";
}

}  // namespace
}  // namespace tavrel
