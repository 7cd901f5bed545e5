// The expect family: the table of kinds and the built-in ones.
#include "sim/scenario/scenario_expect.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <vector>

#include "config/settings.h"
#include "sim/report/json_writer.h"
#include "sim/report/reports.h"
#include "sim/scenario/ini_file.h"

namespace tavrel::sim {

namespace {

using Json = JsonValue;

// [SECTION] The scenario's value forms

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::string_view unquoted(std::string_view s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
    return s;
}

std::optional<double> numberOf(std::string_view s) {
    if (const auto i = parseInteger(s)) return static_cast<double>(*i);
    double d = 0.0;
    const char* begin = s.data() + (!s.empty() && s.front() == '+' ? 1 : 0);
    const auto res = std::from_chars(begin, s.data() + s.size(), d);
    if (s.empty() || res.ec != std::errc{} || res.ptr != s.data() + s.size()) return std::nullopt;
    return d;
}

std::optional<bool> boolOf(std::string_view s) {
    if (s == "true" || s == "1") return true;
    if (s == "false" || s == "0") return false;
    return std::nullopt;
}

// The list items of "1,0,1" or "[1, 0, 1]".
std::vector<std::string_view> listItems(std::string_view s) {
    s = trimmed(s);
    if (s.size() >= 2 && s.front() == '[' && s.back() == ']') s = s.substr(1, s.size() - 2);
    std::vector<std::string_view> items;
    if (trimmed(s).empty()) return items;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = s.find(',', start);
        items.push_back(trimmed(s.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return items;
}

bool scalarMatches(const Json& actual, std::string_view expected) {
    expected = trimmed(expected);
    switch (actual.kind) {
        case Json::Kind::Null: return expected == "null";
        case Json::Kind::Bool: {
            const auto b = boolOf(expected);
            return b && *b == actual.flag;
        }
        case Json::Kind::Number: {
            const auto n = numberOf(expected);
            // The reports print floats in their shortest form: compare at float precision.
            return n && (*n == actual.number || static_cast<float>(*n) == static_cast<float>(actual.number));
        }
        case Json::Kind::String: return unquoted(expected) == actual.text;
        default: return false;
    }
}

bool valueMatches(const Json& actual, std::string_view expected) {
    if (actual.kind == Json::Kind::Array) {
        const auto items = listItems(expected);
        if (items.size() != actual.items.size()) return false;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (!scalarMatches(actual.items[i], items[i])) return false;
        }
        return true;
    }
    return scalarMatches(actual, expected);
}

// What a field takes, for parse-time checks.
enum class Form { Int, Bool, Number, Text, IntOrNull, TextOrNull, Bools, Ints, Numbers };

struct Field {
    std::string_view name;
    Form form;
    std::size_t count = 0;  // list forms: items
};

constexpr Field kVehicleFields[] = {
    {"lock", Form::Int},           {"engine", Form::Bool},         {"alarm", Form::Bool},
    {"headlights", Form::Int},     {"full_beam", Form::Bool},      {"light_multiplier", Form::Number},
    {"interior_light", Form::Bool}, {"brake_lights", Form::Bool},  {"indicators", Form::Bools, 2},
    {"neon", Form::Bools, 4},      {"neon_rgb", Form::Ints, 3},    {"doors", Form::Numbers, kDoorCount},
    {"windows_down", Form::Bools, 4}, {"roof", Form::TextOrNull},  {"radio", Form::Text},
    {"loud_radio", Form::Bool},    {"horn", Form::Int},            {"blip", Form::IntOrNull},
    {"mission", Form::Bool},       {"owned", Form::Bool},          {"plate", Form::Text},
    {"primary", Form::Ints, 3},    {"secondary", Form::Ints, 3},   {"tyre_smoke", Form::Ints, 3},
    {"kind", Form::Text},          {"radio_enabled", Form::Bool},  {"speed", Form::Number},
    {"handbrake", Form::Bool},     {"water", Form::Number},        {"blip_colour", Form::IntOrNull},
    {"driver", Form::IntOrNull},
};

constexpr Field kPlayerFields[] = {
    {"x", Form::Number},         {"y", Form::Number},      {"z", Form::Number},
    {"vehicle", Form::IntOrNull}, {"entering", Form::IntOrNull}, {"control", Form::Bool},
    {"weapon", Form::Text},      {"ragdolls", Form::Int},  {"anim", Form::TextOrNull},
    {"dead", Form::Bool},        {"entry", Form::TextOrNull},
};

constexpr Field kPedFields[] = {{"ragdolls", Form::Int},        {"anim", Form::TextOrNull},
                                {"vehicle", Form::IntOrNull},   {"seat", Form::IntOrNull},
                                {"entering", Form::IntOrNull},  {"entry", Form::TextOrNull}};

template <std::size_t N>
std::vector<std::string_view> namesOf(const Field (&fields)[N]) {
    std::vector<std::string_view> names;
    for (const Field& f : fields) names.push_back(f.name);
    return names;
}

std::string joined(std::span<const std::string_view> names) {
    std::string out;
    for (std::string_view n : names) {
        if (!out.empty()) out += ", ";
        out += n;
    }
    return out;
}

// Why `value` is not of `field`'s form, or nullopt.
std::optional<std::string> formProblem(const Field& field, std::string_view value) {
    value = trimmed(value);
    const auto isInt = [](std::string_view s) { return parseInteger(s).has_value(); };
    const auto isNumber = [](std::string_view s) { return numberOf(s).has_value(); };
    const auto isBool = [](std::string_view s) { return boolOf(s).has_value(); };
    const auto list = [&](auto ok, const char* what) -> std::optional<std::string> {
        const auto items = listItems(value);
        bool good = items.size() == field.count;
        for (std::string_view item : items) good = good && ok(item);
        if (good) return std::nullopt;
        return "wants " + std::to_string(field.count) + " " + what + " (e.g. " +
               (field.form == Form::Bools ? "1,0,1,0" : "255,0,128") + ")";
    };
    switch (field.form) {
        case Form::Int: return isInt(value) ? std::nullopt : std::optional<std::string>("wants a whole number");
        case Form::Bool: return isBool(value) ? std::nullopt : std::optional<std::string>("wants true/false or 1/0");
        case Form::Number: return isNumber(value) ? std::nullopt : std::optional<std::string>("wants a number");
        case Form::IntOrNull:
            return isInt(value) || value == "null" ? std::nullopt : std::optional<std::string>("wants a number or null");
        case Form::Text:
        case Form::TextOrNull: return value.empty() ? std::optional<std::string>("wants a text") : std::nullopt;
        case Form::Bools: return list(isBool, "items true/false or 1/0");
        case Form::Ints: return list(isInt, "whole numbers");
        case Form::Numbers: return list(isNumber, "numbers");
    }
    return std::nullopt;
}

// [SECTION] The built-in kinds

// "FIELD VALUE" at arguments `at`, `at + 1`... of an object-field kind:
// checks them against `fields`; returns the field.
const Field& checkField(const CommandContext& c, std::size_t at, std::span<const Field> fields, std::string_view what) {
    if (c.cmd.args.size() <= at + 1) {
        c.fail("expect " + c.arg(0) + ": expected " + std::string(what) + " FIELD VALUE");
    }
    const auto it = std::find_if(fields.begin(), fields.end(), [&](const Field& f) { return f.name == c.arg(at); });
    if (it == fields.end()) {
        std::vector<std::string_view> names;
        for (const Field& f : fields) names.push_back(f.name);
        c.fail("expect " + c.arg(0) + ": unknown field " + c.arg(at) + " (fields: " + joined(names) + ")");
    }
    if (const auto problem = formProblem(*it, expectText(c, at + 1, false))) {
        c.fail("expect " + c.arg(0) + " " + c.arg(at) + ": " + *problem + ", got " + expectText(c, at + 1, false));
    }
    return *it;
}

// nullopt when the object's field matches; else its value as printed.
std::optional<std::string> fieldResult(const CommandContext& c, const Json& object, const std::string& key,
                                       std::size_t valueAt) {
    const Json* v = object.member(key);
    if (v == nullptr) return "no field " + key;
    if (valueMatches(*v, expectText(c, valueAt, false))) return std::nullopt;
    return v->written;
}

std::optional<std::string> expectVehicle(const CommandContext& c, ExpectCursors&) {
    if (c.cmd.args.size() < 2) c.fail("expect vehicle: expected ID FIELD VALUE");
    const int vid = c.id(1);
    checkField(c, 2, kVehicleFields, "ID");
    if (!c.run) return std::nullopt;
    World& w = c.sim.world();
    const SimVehicle* v = w.vehicleById(vid);
    if (v == nullptr) return "no vehicle " + std::to_string(vid);
    return fieldResult(c, vehicleStateValue(w, *v), c.arg(2), 3);
}

std::optional<std::string> expectPed(const CommandContext& c, ExpectCursors&) {
    if (c.cmd.args.size() < 2) c.fail("expect ped: expected ID FIELD VALUE");
    const int pid = c.id(1);
    checkField(c, 2, kPedFields, "ID");
    if (!c.run) return std::nullopt;
    const SimPed* p = c.sim.world().pedById(pid);
    if (p == nullptr) return "no character " + std::to_string(pid);
    return fieldResult(c, pedStateValue(c.sim.world(), *p), c.arg(2), 3);
}

std::optional<std::string> expectPlayer(const CommandContext& c, ExpectCursors&) {
    checkField(c, 1, kPlayerFields, "");
    if (!c.run) return std::nullopt;
    return fieldResult(c, playerStateValue(c.sim.world()), c.arg(1), 2);
}

std::optional<std::string> expectSetting(const CommandContext& c, ExpectCursors&) {
    if (c.cmd.args.size() < 3) c.fail("expect setting: expected KEY VALUE");
    const Json defaults = settingsValue(Settings{});
    const Json* field = defaults.member(c.arg(1));
    if (field == nullptr) {
        std::vector<std::string_view> keys(defaults.keys.begin(), defaults.keys.end());
        c.fail("expect setting: unknown key " + c.arg(1) + " (keys: " + joined(keys) + ")");
    }
    const Form form = field->kind == Json::Kind::Bool     ? Form::Bool
                      : field->kind == Json::Kind::Number ? Form::Number
                                                          : Form::Text;
    if (const auto problem = formProblem(Field{c.arg(1), form}, expectText(c, 2, false))) {
        c.fail("expect setting " + c.arg(1) + ": " + *problem + ", got " + expectText(c, 2, false));
    }
    if (!c.run) return std::nullopt;
    return fieldResult(c, settingsValue(pluginSettings()), c.arg(1), 2);
}

std::optional<std::string> expectIni(const CommandContext& c, ExpectCursors& cursors) {
    if (c.cmd.args.size() < 3) c.fail("expect ini: expected SECTION KEY [TEXT] (no TEXT: the key is absent)");
    if (!c.run) return std::nullopt;
    const auto bytes = readIniBytes(kIniPath);
    cursors.ini_bytes = bytes;
    if (!bytes) {
        if (c.cmd.args.size() == 3) return std::nullopt;  // no file, no key
        return "no file";
    }
    const auto text = iniKeyText(*bytes, c.arg(1), c.arg(2));
    if (c.cmd.args.size() == 3) {
        if (!text) return std::nullopt;
        return "\"" + *text + "\"";
    }
    if (!text) return "no key " + c.arg(2) + " in [" + c.arg(1) + "]";
    if (*text == expectText(c, 3)) return std::nullopt;
    return "\"" + *text + "\"";
}

std::optional<std::string> expectIniUnchanged(const CommandContext& c, ExpectCursors& cursors) {
    c.argCount(1, 1);
    if (!c.run) return std::nullopt;
    const auto now = readIniBytes(kIniPath);
    const auto before = cursors.ini_bytes;
    cursors.ini_bytes = now;
    if (now == before) return std::nullopt;
    if (!now) return "the file deleted";
    if (!before) return "a new file of " + std::to_string(now->size()) + " bytes";
    std::size_t at = 0;
    while (at < now->size() && at < before->size() && (*now)[at] == (*before)[at]) ++at;
    return "a changed file (" + std::to_string(before->size()) + " bytes before, " + std::to_string(now->size()) +
           " now, first difference at byte " + std::to_string(at) + ")";
}

// Texts compare with every run of spaces and tabs as one space, and without
// the spaces at either end (the menu pads labels to line up their values).
std::string spacesFolded(std::string_view text) {
    std::string out;
    for (char ch : trimmed(text)) {
        const bool space = ch == ' ' || ch == '\t';
        if (space && !out.empty() && out.back() == ' ') continue;
        out.push_back(space ? ' ' : ch);
    }
    return out;
}

std::string drawnTexts(const Drawing& drawing) {
    if (drawing.texts.empty()) return "no text drawn";
    std::string out;
    constexpr std::size_t kShown = 12;
    for (std::size_t i = 0; i < drawing.texts.size() && i < kShown; ++i) {
        if (i > 0) out += ", ";
        appendJsonString(out, spacesFolded(drawing.texts[i].text));
    }
    if (drawing.texts.size() > kShown) out += ", ... (" + std::to_string(drawing.texts.size()) + " texts)";
    return out;
}

std::optional<std::string> expectScreen(const CommandContext& c, ExpectCursors&) {
    if (c.cmd.args.size() < 2) c.fail("expect screen: expected TEXT");
    if (!c.run) return std::nullopt;
    const std::string want = spacesFolded(expectText(c, 1));
    const Drawing& drawing = c.sim.lastDrawing();
    for (const TextItem& t : drawing.texts) {
        if (spacesFolded(t.text) == want) return std::nullopt;
    }
    return drawnTexts(drawing);
}

std::optional<std::string> expectScreenEmpty(const CommandContext& c, ExpectCursors&) {
    c.argCount(1, 1);
    if (!c.run) return std::nullopt;
    const Drawing& drawing = c.sim.lastDrawing();
    if (drawing.texts.empty()) return std::nullopt;
    return drawnTexts(drawing);
}

std::optional<std::string> expectRow(const CommandContext& c, ExpectCursors&) {
    if (c.cmd.args.size() < 2) c.fail("expect row: expected TEXT");
    if (!c.run) return std::nullopt;
    // The menu draws its title, its plain rows, then the selected row: the
    // selected row is the frame's last text when there are two or more.
    const Drawing& drawing = c.sim.lastDrawing();
    if (drawing.texts.size() < 2) return "no menu drawn (" + drawnTexts(drawing) + ")";
    const std::string row = spacesFolded(drawing.texts.back().text);
    if (row == spacesFolded(expectText(c, 1))) return std::nullopt;
    std::string got;
    appendJsonString(got, row);
    return got;
}

// The COUNT of `expect sound NAME [COUNT]` (argument `at`), or nullopt for
// "at least one".
std::optional<std::int64_t> optionalCount(const CommandContext& c, std::size_t at) {
    if (c.cmd.args.size() <= at) return std::nullopt;
    return c.integer(at, 0, INT32_MAX, "COUNT");
}

std::optional<std::string> countResult(std::size_t seen, std::optional<std::int64_t> want, const std::string& detail) {
    const bool holds = want ? static_cast<std::int64_t>(seen) == *want : seen >= 1;
    if (holds) return std::nullopt;
    return std::to_string(seen) + detail;
}

std::optional<std::string> expectSound(const CommandContext& c, ExpectCursors& cursors) {
    c.argCount(2, 3);
    const auto want = optionalCount(c, 2);
    if (!c.run) return std::nullopt;
    const std::string& name = c.arg(1);
    const auto& sounds = c.sim.sounds();
    std::size_t& from = cursors.sounds[name];
    if (from > sounds.size()) from = 0;  // the records were cleared
    std::size_t seen = 0;
    std::vector<std::pair<std::string_view, int>> heard;  // for the message
    for (std::size_t i = from; i < sounds.size(); ++i) {
        if (name == "*" || sounds[i].name == name) ++seen;
        auto it = std::find_if(heard.begin(), heard.end(), [&](const auto& h) { return h.first == sounds[i].name; });
        if (it == heard.end()) heard.emplace_back(sounds[i].name, 1);
        else ++it->second;
    }
    from = sounds.size();
    std::string detail = " (since the previous check: ";
    if (heard.empty()) detail += "no sound";
    for (std::size_t i = 0; i < heard.size(); ++i) {
        detail += (i > 0 ? ", " : "") + std::string(heard[i].first) + " x" + std::to_string(heard[i].second);
    }
    detail += ")";
    return countResult(seen, want, detail);
}

std::optional<std::string> expectHorns(const CommandContext& c, ExpectCursors& cursors) {
    c.argCount(2, 2);
    const auto want = optionalCount(c, 1);
    if (!c.run) return std::nullopt;
    const auto& horns = c.sim.horns();
    if (cursors.horns > horns.size()) cursors.horns = 0;
    const std::size_t seen = horns.size() - cursors.horns;
    cursors.horns = horns.size();
    return countResult(seen, want, "");
}

std::optional<std::string> expectNotification(const CommandContext& c, ExpectCursors& cursors) {
    if (c.cmd.args.size() < 2) c.fail("expect notification: expected TEXT [COUNT]");
    // A last word that is a number is the COUNT when a text stands before it
    // ("quote" a text that ends in a number).
    std::string text = expectText(c, 1);
    std::optional<std::int64_t> want;
    const std::string& last = c.cmd.args.back();
    const bool quoted = !c.cmd.rest.empty() && trimmed(c.cmd.rest).back() == '"';
    if (c.cmd.args.size() >= 3 && !quoted && parseInteger(last) && last.front() != '-') {
        want = c.integer(c.cmd.args.size() - 1, 0, INT32_MAX, "COUNT");
        std::string_view t = trimmed(std::string_view(text).substr(0, text.size() - last.size()));
        text = std::string(unquoted(t));
    }
    if (!c.run) return std::nullopt;
    const auto& posted = c.sim.notifications();
    std::size_t& from = cursors.notifications[text];
    if (from > posted.size()) from = 0;
    std::size_t seen = 0;
    std::string others;
    for (std::size_t i = from; i < posted.size(); ++i) {
        if (text == "*" || posted[i] == text) {
            ++seen;
        } else {
            others += others.empty() ? " (others: " : ", ";
            appendJsonString(others, posted[i]);
        }
    }
    from = posted.size();
    return countResult(seen, want, others.empty() ? "" : others + ")");
}

std::optional<std::string> expectLog(const CommandContext& c, ExpectCursors& cursors) {
    if (c.cmd.args.size() < 2) c.fail("expect log: expected TEXT");
    if (!c.run) return std::nullopt;
    const std::string want = expectText(c, 1);
    const std::vector<std::string> lines = readLines(kPluginLogPath);
    if (lines.empty()) return "no Tavrel.log, or an empty one";
    if (lines.front() != cursors.log_first_line || cursors.log_lines > lines.size()) {
        cursors.log_first_line = lines.front();  // a new load's log
        cursors.log_lines = 0;
    }
    for (std::size_t i = cursors.log_lines; i < lines.size(); ++i) {
        if (lines[i].find(want) == std::string::npos) continue;
        cursors.log_lines = i + 1;
        return std::nullopt;
    }
    std::string got = "no such line among the " + std::to_string(lines.size() - cursors.log_lines) +
                      " after the previous match; the last: ";
    appendJsonString(got, lines.back());
    return got;
}

std::optional<std::string> expectNoFault(const CommandContext& c, ExpectCursors&) {
    c.argCount(1, 1);
    if (!c.run) return std::nullopt;
    const auto& faults = c.sim.faults();
    if (faults.empty()) return std::nullopt;
    return std::to_string(faults.size()) + " fault" + (faults.size() == 1 ? "" : "s") + ", the first at tick " +
           std::to_string(faults.front().tick) + ": " + faults.front().message;
}

std::vector<ExpectKind>& kinds() {
    static std::vector<ExpectKind> table = {
        {"vehicle", "ID FIELD VALUE", expectVehicle},
        {"player", "FIELD VALUE", expectPlayer},
        {"ped", "ID FIELD VALUE", expectPed},
        {"setting", "KEY VALUE", expectSetting},
        {"ini", "SECTION KEY [TEXT]", expectIni},
        {"ini-unchanged", "", expectIniUnchanged},
        {"screen", "TEXT", expectScreen},
        {"screen-empty", "", expectScreenEmpty},
        {"row", "TEXT", expectRow},
        {"sound", "NAME [COUNT]", expectSound},
        {"horns", "COUNT", expectHorns},
        {"notification", "TEXT [COUNT]", expectNotification},
        {"no-fault", "", expectNoFault},
        {"log", "TEXT", expectLog},
    };
    return table;
}

std::string kindList() {
    std::string out;
    for (const ExpectKind& k : kinds()) {
        out += out.empty() ? "" : ", ";
        out += k.name;
    }
    return out;
}

std::vector<std::string_view> kVehicleNames = namesOf(kVehicleFields);
std::vector<std::string_view> kPlayerNames = namesOf(kPlayerFields);
std::vector<std::string_view> kPedNames = namesOf(kPedFields);

}  // namespace

void addExpectKind(const ExpectKind& kind) {
    auto& table = kinds();
    const auto it = std::find_if(table.begin(), table.end(), [&](const ExpectKind& k) { return k.name == kind.name; });
    if (it != table.end()) *it = kind;
    else table.push_back(kind);
}

std::span<const ExpectKind> expectKinds() { return kinds(); }

std::span<const std::string_view> expectVehicleFields() { return kVehicleNames; }
std::span<const std::string_view> expectPlayerFields() { return kPlayerNames; }
std::span<const std::string_view> expectPedFields() { return kPedNames; }

std::string expectText(const CommandContext& c, std::size_t first, bool unquote) {
    std::string_view rest = c.cmd.rest;
    // Skip `first` words.
    for (std::size_t i = 0; i < first; ++i) {
        rest = trimmed(rest);
        const std::size_t end = rest.find_first_of(" \t");
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    }
    rest = trimmed(rest);
    // A '#' after a space starts a comment, except inside double quotes.
    bool quoted = false;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '"') quoted = !quoted;
        if (!quoted && rest[i] == '#' && i > 0 && std::isspace(static_cast<unsigned char>(rest[i - 1]))) {
            rest = trimmed(rest.substr(0, i));
            break;
        }
    }
    return std::string(unquote ? unquoted(rest) : rest);
}

bool jsonValueMatches(const JsonValue& actual, std::string_view expected) { return valueMatches(actual, expected); }

void expectCommand(const CommandContext& c) {
    if (c.cmd.args.empty()) {
        std::string forms;
        for (const ExpectKind& k : kinds()) forms += "\n  expect " + std::string(k.name) + (k.usage.empty() ? "" : " ") + std::string(k.usage);
        c.fail("expect: expected one of:" + forms);
    }
    const auto& table = kinds();
    const auto kind =
        std::find_if(table.begin(), table.end(), [&](const ExpectKind& k) { return k.name == c.arg(0); });
    if (kind == table.end()) c.fail("expect: unknown kind " + c.arg(0) + " (kinds: " + kindList() + ")");
    ExpectCursors scratch;
    ExpectCursors& cursors = c.session != nullptr ? c.session->cursors : scratch;
    const auto got = kind->check(c, cursors);
    if (!c.run || !got) return;
    const std::string message = "expected " + expectText(c, 0, false) + ", got " + *got;
    if (c.session == nullptr) throw ExpectFailure(c.cmd.line, message);
    ++c.session->expect_failures;
    c.out.flush();
    if (c.session->err != nullptr) *c.session->err << c.session->file_name << ":" << c.cmd.line << ": " << message << "\n";
}

void noteIniEdited(const CommandContext& c) {
    if (c.run && c.session != nullptr) c.session->cursors.ini_bytes = readIniBytes(kIniPath);
}

}  // namespace tavrel::sim
