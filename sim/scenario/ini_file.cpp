#include "sim/scenario/ini_file.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>

namespace tavrel::sim {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

// The section name of a "[name]" line, or nullopt.
std::optional<std::string_view> sectionOf(std::string_view line) {
    line = trim(line);
    if (line.size() < 2 || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trim(line.substr(1, close - 1));
}

std::vector<std::string> splitLines(std::string_view data) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < data.size()) {
        std::size_t end = data.find('\n', start);
        if (end == std::string_view::npos) end = data.size();
        std::string line(data.substr(start, end - start));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::vector<std::string> readLines(const std::string& path) {
    const auto bytes = readIniBytes(path);
    return bytes ? splitLines(*bytes) : std::vector<std::string>{};
}

std::optional<std::string> readIniBytes(const std::string& path) {
    std::error_code error;  // a folder opens as a stream on Linux, not on Windows
    if (std::filesystem::is_directory(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::optional<std::string> iniKeyText(std::string_view bytes, std::string_view section, std::string_view key) {
    const std::vector<std::string> lines = splitLines(bytes);
    std::size_t i = 0;
    while (i < lines.size() && !(sectionOf(lines[i]) && sameName(*sectionOf(lines[i]), trim(section)))) ++i;
    for (std::size_t k = i + 1; k < lines.size() && !sectionOf(lines[k]); ++k) {
        const std::string_view line = lines[k];
        const auto eq = line.find('=');
        if (eq != std::string_view::npos && sameName(trim(line.substr(0, eq)), trim(key))) {
            return std::string(trim(line.substr(eq + 1)));
        }
    }
    return std::nullopt;
}

bool setIniKey(const std::string& path, const std::string& section, const std::string& key, const std::string& value) {
    std::vector<std::string> lines = readLines(path);
    const std::string entry = key + "=" + value;
    std::size_t i = 0;
    while (i < lines.size() && !(sectionOf(lines[i]) && sameName(*sectionOf(lines[i]), trim(section)))) ++i;
    if (i == lines.size()) {
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
        return writeIniLines(path, lines);
    }
    std::size_t lastContent = i;
    for (std::size_t k = i + 1; k < lines.size() && !sectionOf(lines[k]); ++k) {
        const std::string_view line = lines[k];
        const auto eq = line.find('=');
        if (eq != std::string_view::npos && sameName(trim(line.substr(0, eq)), trim(key))) {
            lines[k] = entry;
            return writeIniLines(path, lines);
        }
        if (!trim(line).empty()) lastContent = k;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastContent + 1), entry);
    return writeIniLines(path, lines);
}

bool writeIniLines(const std::string& path, const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) out << line << "\r\n";
    return static_cast<bool>(out);
}

bool writeIniBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool removeIni(const std::string& path) {
    std::error_code error;
    return std::filesystem::remove(path, error);
}

bool makeIniFolder(const std::string& path) {
    std::error_code error;
    std::filesystem::remove(path, error);
    return std::filesystem::create_directory(path, error);
}

bool setIniReadOnly(const std::string& path, bool read_only) {
    namespace fs = std::filesystem;
    const fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    std::error_code error;
    if (read_only) fs::permissions(path, write, fs::perm_options::remove, error);
    else fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, error);
    return !error;
}

}  // namespace tavrel::sim
