// libFuzzer target for the INI store and the plug-in's file path.
//
// The input's leading bytes are a TavrelConfig.ini file (plain, UTF-8 or
// UTF-16LE with its byte-order mark, damaged any way); its last bytes choose
// up to four writes. Each input:
//   - is parsed in memory and read through every key the plug-in knows;
//   - is written to ./TavrelConfig.ini in a private temporary directory and
//     loaded through the POSIX file layer: a plain file loads to its own
//     bytes, a UTF-16 file to text that encodes back to its own bytes, and
//     every key reads as the in-memory parse reads it;
//   - goes through the plug-in's full load (reloadSettings);
//   - takes the writes through the plug-in's write path (writeIntSetting,
//     writeMenuSize: the store's edit, the UTF-16 encoding, the file
//     replace). After each, the file reloads with the written key reading
//     what was written, every other key reading as before and the encoding
//     kept.
// A broken rule aborts (a crash to libFuzzer); reads outside a buffer and
// undefined behaviour are caught by the sanitizers.
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "config/ini_store.h"
#include "config/persistence.h"
#include "config/setting_keys.h"
#include "config/settings.h"
#include "config/text_format.h"

namespace {

using namespace tavrel;

constexpr const char* kFile = "TavrelConfig.ini";  // what kIniPath names, in the working directory
constexpr std::size_t kMaxWrites = 4;

#define TAVREL_FUZZ_KEY(kind, section, field, ...) IniKey{section, #field},
constexpr IniKey kKeys[] = {TAVREL_SETTINGS_FIELDS(TAVREL_FUZZ_KEY)};
#undef TAVREL_FUZZ_KEY
constexpr std::size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];

[[noreturn]] void broken(const char* rule, const IniKey* key = nullptr) {
    std::fprintf(stderr, "ini fuzz: %s", rule);
    if (key != nullptr) std::fprintf(stderr, " (%s/%s)", key->section, key->key);
    std::fprintf(stderr, "\n");
    std::abort();
}

void check(bool ok, const char* rule, const IniKey* key = nullptr) {
    if (!ok) broken(rule, key);
}

// Every known key's value text (nullopt: absent), as the store reads it.
using Values = std::array<std::optional<std::string>, kKeyCount>;

Values readAll(const ini::IniDocument& doc) {
    Values values;
    for (std::size_t i = 0; i < kKeyCount; ++i) {
        if (const ini::IniKeySpan* k = ini::findKey(doc, kKeys[i].section, kKeys[i].key)) {
            values[i] = std::string(ini::keyValue(doc, *k));
        }
    }
    return values;
}

void writeFile(std::string_view bytes) {
    std::FILE* f = std::fopen(kFile, "wb");
    check(f != nullptr, "cannot create the input file");
    check(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(), "cannot write the input file");
    check(std::fclose(f) == 0, "cannot close the input file");
    ::chmod(kFile, 0644);
}

// The reads of one file the plug-in makes, compared with an in-memory parse
// of the same text.
void checkReadsAgree(const ini::IniDocument& doc, std::size_t first_key) {
    // readIntSetting opens the file: a few keys per input.
    for (std::size_t i = 0; i < 3; ++i) {
        const IniKey& key = kKeys[(first_key + i * 29) % kKeyCount];
        const std::int32_t expected = ini::getProfileInt(doc, key.section, key.key, -1);
        check(readIntSetting(key) == expected, "readIntSetting differs from the in-memory read", &key);
    }
    char text[kPlateTextSize];
    char again[kPlateTextSize];
    const IniKey& plate = setting_key::set_vehicle_license_plate_text;
    const std::size_t n = ini::getProfileString(doc, plate.section, plate.key, "x", text, sizeof text);
    check(n < sizeof text && text[n] == '\0', "getProfileString overran its buffer", &plate);
    const std::size_t m = ini::getProfileString(doc, plate.section, plate.key, "x", again, 1);
    check(m == 0 && again[0] == '\0', "a one-byte buffer holds more than the NUL", &plate);
}

}  // namespace

// The private directory the target works in, removed at exit.
static std::string work_dir;

static void removeWorkDir() {
    ::chmod(kFile, 0644);
    ::unlink(kFile);
    ::rmdir(work_dir.c_str());
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A private directory for ".\\TavrelConfig.ini" (TMPDIR: best a tmpfs).
    const char* tmp = std::getenv("TMPDIR");
    work_dir = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tavrel-ini-fuzz-XXXXXX";
    if (::mkdtemp(work_dir.data()) == nullptr || ::chdir(work_dir.c_str()) != 0) broken("no temporary directory");
    std::atexit(removeWorkDir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    // The writes come from the input's end (FuzzedDataProvider takes
    // integers from the back), the file is what stays at the front.
    struct Write {
        std::size_t key;
        std::int32_t value;
        bool menu_size;
        float size_value;
    };
    std::array<Write, kMaxWrites> writes{};
    const std::size_t write_count = in.ConsumeIntegralInRange<std::size_t>(0, kMaxWrites);
    for (std::size_t i = 0; i < write_count; ++i) {
        writes[i].key = in.ConsumeIntegralInRange<std::size_t>(0, kKeyCount - 1);
        writes[i].value = in.ConsumeIntegral<std::int32_t>();
        writes[i].menu_size = in.ConsumeBool();
        writes[i].size_value = in.ConsumeFloatingPoint<float>();
    }
    const std::string bytes = in.ConsumeRemainingBytesAsString();

    // In memory.
    ini::IniDocument memory;
    memory.bytes = bytes;
    ini::parseIni(memory);
    const bool utf16 = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';

    // Through the file layer.
    writeFile(bytes);
    ini::IniDocument loaded;
    check(ini::loadIniFile(kFile, loaded), "an existing file did not load");
    check(!loaded.cut, "a small file was taken as cut");
    check(loaded.utf16 == utf16, "the UTF-16 byte-order mark was not recognised");
    if (utf16) {
        std::string encoded;
        ini::utf8ToUtf16(loaded.bytes, loaded.utf16_tail, encoded);
        check(std::string_view(encoded) == std::string_view(bytes).substr(2),
              "UTF-16 text does not encode back to its own bytes");
    } else {
        check(loaded.bytes == bytes, "the file did not load to its own bytes");
        checkReadsAgree(memory, size);
    }
    checkReadsAgree(loaded, size + 1);

    // The plug-in's full load.
    resetSettings();
    reloadSettings();

    // The writes.
    Values expected = readAll(loaded);
    (void)takeFailedWrite();
    for (std::size_t i = 0; i < write_count; ++i) {
        const Write& w = writes[i];
        const IniKey* key = &kKeys[w.key];
        char text[kFixedTextSize];
        if (w.menu_size) {
            key = &setting_key::menu_size;
            formatFixed(w.size_value, 1, text, sizeof text);
            writeMenuSize(w.size_value);
        } else {
            formatInt(w.value, text, sizeof text);
            writeIntSetting(*key, w.value);
        }
        check(!takeFailedWrite(), "a write to a writable file failed", key);
        for (std::size_t k = 0; k < kKeyCount; ++k) {
            if (std::string_view(kKeys[k].section) == key->section && std::string_view(kKeys[k].key) == key->key) {
                expected[k] = text;
            }
        }
        ini::IniDocument after;
        check(ini::loadIniFile(kFile, after), "the file did not load after a write", key);
        check(after.utf16 == utf16, "a write changed the file's encoding", key);
        check(after.utf16_tail == loaded.utf16_tail, "a write lost the odd last byte of a UTF-16 file", key);
        const Values now = readAll(after);
        for (std::size_t k = 0; k < kKeyCount; ++k) {
            check(now[k] == expected[k], now[k] == std::nullopt ? "a key went missing after a write"
                                         : expected[k] == std::nullopt ? "a key appeared after a write"
                                                                        : "a key reads otherwise after a write",
                  &kKeys[k]);
        }
        if (w.menu_size) {
            const double parsed = textToDouble(text);
            const float read = readMenuFloat(key->key);
            // readMenuFloat reads at most 31 characters.
            if (std::isfinite(parsed) && std::string_view(text).size() < 32) {
                check(read == static_cast<float>(parsed), "menu_size reads back otherwise", key);
            }
        } else {
            check(ini::getProfileInt(after, key->section, key->key, -1) == w.value,
                  "the written integer reads back otherwise", key);
        }
    }
    return 0;
}
