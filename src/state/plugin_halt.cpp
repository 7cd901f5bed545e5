#include "state/plugin_halt.h"

#include <atomic>
#include <cstring>
#include <exception>

namespace tavrel {

namespace {

std::atomic<bool> halted{false};
std::atomic<bool> claimed{false};       // the first halt's record is being or was written
std::atomic<bool> record_ready{false};  // it is written whole
HaltSite first_site = HaltSite::MainScript;
char first_message[kHaltMessageSize] = {};
bool reported = false;  // script fibres only

}  // namespace

bool pluginHalted() { return halted.load(std::memory_order_relaxed); }

void haltPlugin(HaltSite site, const char* message) noexcept {
    if (!claimed.exchange(true, std::memory_order_relaxed)) {
        first_site = site;
        const std::size_t len = message != nullptr ? std::strlen(message) : 0;
        const std::size_t kept = len < sizeof first_message ? len : sizeof first_message - 1;
        if (kept > 0) std::memcpy(first_message, message, kept);
        first_message[kept] = '\0';
        record_ready.store(true, std::memory_order_release);
    }
    halted.store(true, std::memory_order_relaxed);
}

void resetHalt() {
    halted.store(false, std::memory_order_relaxed);
    claimed.store(false, std::memory_order_relaxed);
    record_ready.store(false, std::memory_order_relaxed);
    first_message[0] = '\0';
    reported = false;
}

const char* currentExceptionMessage() noexcept {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "an exception of an unknown type";
    }
}

bool takeHaltReport(HaltSite& site, const char*& message) {
    // A halt of the window thread may still be writing its record: next frame.
    if (reported || !record_ready.load(std::memory_order_acquire)) return false;
    reported = true;
    site = first_site;
    message = first_message;
    return true;
}

}  // namespace tavrel
