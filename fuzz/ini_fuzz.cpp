// libFuzzer target for the INI store: any bytes parse; reads stay inside the
// buffer; an edit keeps the bytes before the edit point and reads back the
// value it wrote.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/ini_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrel::ini;
    IniDocument doc;
    doc.bytes.assign(reinterpret_cast<const char*>(data), size);
    parseIni(doc);

    char out[80];
    getProfileString(doc, "Vehicle", "set_vehicle_license_plate_text", "none", out, sizeof out);
    getProfileInt(doc, "Keys", "lock", -1);
    getProfileInt(doc, "", "", -1);

    std::string edited;
    setProfileString(doc, "Vehicle", "lock", "42", edited);
    IniDocument again;
    again.bytes = edited;
    parseIni(again);
    if (getProfileInt(again, "Vehicle", "lock", -1) != 42) std::abort();
    return 0;
}
