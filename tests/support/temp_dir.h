// Test support: every config test runs in a fresh temporary directory, so
// ".\\TavrelConfig.ini" resolves there.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "config/settings.h"
#include "state/runtime_state.h"
#include "support/sandbox.h"

namespace tavrel::testing {

// The plug-in's file, as seen from the test's working directory.
inline constexpr const char* kIniFile = "TavrelConfig.ini";

// Runs in a fresh temporary directory (the shared Sandbox). Settings and the
// runtime record start from their library-load values.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetSettings();
        runtime = RuntimeState{};
    }
    Sandbox sandbox_;
};

}  // namespace tavrel::testing
