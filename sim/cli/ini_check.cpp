#include "sim/cli/ini_check.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <regex>
#include <sstream>
#include <type_traits>
#include <vector>

#include "config/settings.h"
#include "sim/scenario/ini_file.h"
#include "sim/scenario/scenario.h"
#include "sim/scenario/scratch_folder.h"

namespace tavrel::sim {

namespace {

namespace fs = std::filesystem;

enum class Kind { Switch, Whole, Byte, Decimal, Text };

template <typename T>
constexpr Kind kindOf() {
    if constexpr (std::is_same_v<T, bool>) return Kind::Switch;
    else if constexpr (std::is_same_v<T, std::int8_t>) return Kind::Byte;
    else if constexpr (std::is_same_v<T, float>) return Kind::Decimal;
    else if constexpr (std::is_array_v<T>) return Kind::Text;
    else return Kind::Whole;
}

struct Row {
    const char* section;
    const char* key;
    Kind kind;
    bool by_menu;  // read when the menu opens, not at start
};

constexpr Row kRows[] = {
#define TAVREL_CHECK_ROW(kind, section, field, initial, read, rule) \
    {section, #field, kindOf<setting_type::kind>(), std::string_view(#read) == "Menu"},
    TAVREL_SETTINGS_FIELDS(TAVREL_CHECK_ROW)
#undef TAVREL_CHECK_ROW
};

// Why TEXT is no value of this kind, or nothing when it is one.
std::string malformed(Kind kind, const std::string& text) {
    static const std::regex whole("-?[0-9]{1,10}");
    static const std::regex decimal("-?[0-9]+(\\.[0-9]+)?");
    switch (kind) {
        case Kind::Switch: return text == "0" || text == "1" ? "" : "a switch is 0 or 1";
        case Kind::Whole:
        case Kind::Byte:
            if (!std::regex_match(text, whole)) return "not a whole number";
            if (kind == Kind::Byte && (std::stoll(text) < -128 || std::stoll(text) > 127)) {
                return "beyond -128 ... 127: only the low byte is kept";
            }
            return std::stoll(text) < INT32_MIN || std::stoll(text) > INT32_MAX ? "beyond the 32-bit range" : "";
        case Kind::Decimal: return std::regex_match(text, decimal) ? "" : "not a decimal number";
        case Kind::Text: return text.find('"', 1) < text.size() - 1 ? "a double quote inside the text" : "";
    }
    return "";
}

// What the plug-in reads for a text: the profile functions drop one pair of
// double quotes around it.
std::string unquoted(const std::string& text) {
    return text.size() >= 2 && text.front() == '"' && text.back() == '"' ? text.substr(1, text.size() - 2) : text;
}

std::string quoted(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    out.append(text);
    out.push_back('"');
    return out;
}

// The virtual-key code of a binding's text, or -1 when it is none (unbound,
// malformed or beyond the key table).
int keyCode(const std::string& text) {
    if (!malformed(Kind::Whole, text).empty()) return -1;
    const long long v = std::stoll(text);
    return v >= 1 && v <= 254 ? static_cast<int>(v) : -1;
}

// The lines that open the menu with the file's own toggle keys; empty when
// they cannot (the toggle key is bound beyond the key table).
std::string openMenuLines(std::string_view bytes) {
    // An absent key reads as -1.
    const std::string toggle = iniKeyText(bytes, "Keys", "menu_toggle_switch").value_or("-1");
    const std::string second = iniKeyText(bytes, "Keys", "menu_toggle_switch_2").value_or("-1");
    const int first = keyCode(toggle);
    if (toggle == "-1" || toggle == "0") return "tap 0x78\n";  // F9, whatever the second key
    if (first < 0) return "";
    if (second == "-1") return "tap " + std::to_string(first) + "\n";
    const int other = keyCode(second);
    if (other < 0) return "";
    return "key down " + std::to_string(first) + "\ntap " + std::to_string(other) + "\nkey up " +
           std::to_string(first) + "\n";
}

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Key lines the plug-in never reads: a key that is no setting (a misspelt
// one, or one in the wrong section), and a key given again in its section
// (the plug-in reads the first).
std::vector<std::string> strayKeys(std::string_view bytes) {
    std::vector<std::string> found;
    std::vector<std::string> seen;
    std::string section;  // lower case, for comparing
    std::string shown;    // as the file writes it
    int number = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t end = std::min(bytes.find('\n', at), bytes.size());
        const std::string_view line = trimmed(bytes.substr(at, end - at));
        at = end + 1;
        ++number;
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[' && line.find(']') != std::string_view::npos) {
            shown = std::string(trimmed(line.substr(1, line.find(']') - 1)));
            section = lowered(shown);
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string key = lowered(trimmed(line.substr(0, eq)));
        const std::string where =
            "line " + std::to_string(number) + ": [" + shown + "] " + std::string(trimmed(line.substr(0, eq)));
        const bool known = std::any_of(std::begin(kRows), std::end(kRows), [&](const Row& row) {
            return lowered(row.section) == section && lowered(row.key) == key;
        });
        if (!known) {
            found.push_back(where + ": no setting of the plug-in (misspelt, or in another section?)");
        } else if (std::find(seen.begin(), seen.end(), section + "/" + key) != seen.end()) {
            found.push_back(where + ": given again; the plug-in reads the first");
        } else {
            seen.push_back(section + "/" + key);
        }
    }
    return found;
}

}  // namespace

int checkIniFile(const std::string& file, std::ostream& out, std::ostream& err) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        err << "tavrel-sim: cannot read " << file << "\n";
        return 2;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    int problems = 0;
    const auto report = [&](const Row& row, const std::string& what) {
        err << file << ": [" << row.section << "] " << row.key << what << "\n";
        ++problems;
    };
    for (const std::string& stray : strayKeys(bytes)) {
        err << file << ": " << stray << "\n";
        ++problems;
    }
    // The scenario: the file's own values expected of the plug-in, the
    // start-up ones after start, the menu's after it has opened.
    std::string scenario = "player 0 0 0\nstart\n";
    std::string menuChecks;
    std::map<int, const Row*> rowAtLine;
    int line = 2;
    int menuLine = 0;
    std::vector<std::pair<const Row*, std::string>> checks;
    for (const Row& row : kRows) {
        const std::optional<std::string> text = iniKeyText(bytes, row.section, row.key);
        if (!text) {
            report(row, ": missing (the plug-in would use its built-in value)");
            continue;
        }
        const std::string why = malformed(row.kind, *text);
        if (!why.empty()) {
            report(row, "=" + *text + ": " + why);
            continue;
        }
        // A text in double quotes: expect keeps its spaces and a '#'.
        checks.emplace_back(&row, row.kind == Kind::Text ? quoted(unquoted(*text)) : *text);
    }
    for (const auto& [row, expected] : checks) {
        if (row->by_menu) continue;
        scenario += "expect setting " + std::string(row->key) + " " + expected + "\n";
        rowAtLine[++line] = row;
    }
    const std::string opening = openMenuLines(bytes);
    if (opening.empty()) {
        err << file << ": [Keys] menu_toggle_switch: the menu cannot be opened with these keys\n";
        ++problems;
    } else {
        scenario += opening + "wait 300\n";
        for (const char c : opening) line += c == '\n';
        ++line;
        for (const auto& [row, expected] : checks) {
            if (!row->by_menu) continue;
            scenario += "expect setting " + std::string(row->key) + " " + expected + "\n";
            rowAtLine[++line] = row;
        }
    }
    scenario += "expect ini-unchanged\n";
    menuLine = ++line;

    std::ostringstream runOut;
    std::ostringstream runErr;
    int status = 0;
    {
        const ScratchFolder scratch("check-ini");
        if (!writeIniBytes(kIniPath, bytes)) {
            err << "tavrel-sim: cannot write a copy of " << file << " in " << fs::current_path().string() << "\n";
            return 2;
        }
        std::istringstream text(scenario);
        status = runScenario(text, "check-ini", ScenarioOptions{}, runOut, runErr);
    }
    if (status != 0 && status != 3) {
        err << runErr.str();
        return status;
    }
    std::istringstream failures(runErr.str());
    for (std::string failure; std::getline(failures, failure);) {
        const std::size_t colon = failure.find(':');
        const std::size_t got = failure.find(", got ");
        const int at = colon == std::string::npos ? 0 : std::atoi(failure.c_str() + colon + 1);
        const auto found = rowAtLine.find(at);
        if (found == rowAtLine.end() || got == std::string::npos) {
            err << file << ": " << (at == menuLine ? "the plug-in wrote the file while loading it" : failure) << "\n";
            ++problems;
            continue;
        }
        const Row& row = *found->second;
        report(row, "=" + *iniKeyText(bytes, row.section, row.key) + ": loads as " + failure.substr(got + 6));
    }
    if (problems > 0) {
        err << file << ": " << problems << " problems: every setting must be there once, in its section, and load as written\n";
        return 3;
    }
    out << file << ": all " << std::size(kRows) << " settings present, each loads as written\n";
    return 0;
}

}  // namespace tavrel::sim
