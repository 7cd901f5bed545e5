// Test support: every config test runs in a fresh temporary directory, so
// ".\\TavrelConfig.ini" resolves there.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "config/settings.h"
#include "locking/runtime_state.h"

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

// chdir into a new mkdtemp directory; back and removed afterwards. Settings
// and the runtime record start from their library-load values.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        old_cwd_ = std::filesystem::current_path();
        char pattern[] = "/tmp/tavrel_config_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        std::filesystem::current_path(dir_);
        resetSettings();
        runtime = RuntimeState{};
    }
    void TearDown() override {
        std::filesystem::current_path(old_cwd_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::filesystem::path old_cwd_;
    std::filesystem::path dir_;
};

}  // namespace tavrel::testing
