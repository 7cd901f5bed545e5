// Test support: every config test runs in a fresh temporary directory, so
// ".\\TavrelConfig.ini" resolves there.
#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "config/settings.h"
#include "state/runtime_state.h"
#include "support/sandbox.h"

namespace tavrel::testing {

inline void writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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
