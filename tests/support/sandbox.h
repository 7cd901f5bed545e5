// A fresh temporary working directory for one test: the plug-in's INI file
// (./TavrelConfig.ini) lives there. Restores the previous directory after.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace tavrel::testing {

inline void writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Sandbox {
public:
    Sandbox() {
        old_ = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "tavrel-test-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        std::filesystem::current_path(dir_);
    }
    ~Sandbox() {
        std::filesystem::current_path(old_);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    static constexpr const char* kIni = "TavrelConfig.ini";

    // Replaces the INI file with `text`, byte for byte.
    void writeIni(const std::string& text) const { writeBytes(kIni, text); }
    std::string readIni() const { return readBytes(kIni); }
    bool iniExists() const { return std::filesystem::exists(kIni); }
    void removeIni() const { std::filesystem::remove(kIni); }
    const std::string& path() const { return dir_; }

private:
    std::filesystem::path old_;
    std::string dir_;
};

}  // namespace tavrel::testing
