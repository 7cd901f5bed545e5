#include "sim/protocol/simulator.h"

#include <algorithm>
#include <cstdio>

namespace tavrel::sim {

namespace {
Simulator* liveSimulator = nullptr;
}  // namespace

void attachHostBinding();  // host_binding.cpp: keeps its object file linked in with this one

Simulator::Simulator() {
    if (liveSimulator != nullptr) {
        std::fprintf(stderr, "tavrel-sim: a second Simulator while one is alive\n");
        std::abort();
    }
    liveSimulator = this;
    attachHostBinding();
    text_buffer_.reserve(256);
    ended_text_.reserve(256);
    text_result_.reserve(64);
}

Simulator::~Simulator() {
    fibres_.stop(nullptr);
    releaseSlots();
    liveSimulator = nullptr;
}

Simulator* Simulator::current() { return liveSimulator; }

void Simulator::setStandIn(HostStandIn* stand_in) {
    stand_in_ = stand_in;
    if (stand_in == nullptr) {
        fibres_.setDueRule(nullptr, nullptr);
        return;
    }
    fibres_.setDueRule([](void* context, std::size_t index) { return static_cast<HostStandIn*>(context)->due(index); },
                       stand_in);
}

HostStandIn* Simulator::standInForCaller() const {
    return FibreScheduler::currentIsStopped() ? nullptr : stand_in_;
}

std::uint32_t Simulator::hostClockRead() {
    throwIfInjectedAtClockRead();
    HostStandIn* s = standInForCaller();
    return s != nullptr ? s->clockRead() : now();
}

void Simulator::hostSeedRandom(std::uint32_t seed) {
    if (HostStandIn* s = standInForCaller()) s->seedRandom(seed);
    else random_.seed(seed);
}

int Simulator::hostNextRandom() {
    HostStandIn* s = standInForCaller();
    return s != nullptr ? s->nextRandom() : random_.next();
}

// [SECTION] Clock and frames

void Simulator::setStartTick(std::uint32_t tick) { clock_.store(tick, std::memory_order_relaxed); }

void Simulator::setFrameMs(std::uint32_t ms) { frame_ms_ = ms; }

void Simulator::runFrame() {
    if (observer_ != nullptr) observer_->onFrameStart(now());
    fibres_.runFrame(frame_, now());
    for (const std::string& name : fibres_.takeEscaped()) {
        faults_.push_back(Fault{now(), 0, name, "the script ended with an exception"});
    }
    processDeferredUnregisters();
    if (observer_ != nullptr) observer_->onFrameEnd(now());
    endFrame();
}

void Simulator::runFrames(int n) {
    for (int i = 0; i < n; ++i) runFrame();
}

void Simulator::waitMs(std::uint32_t ms) {
    const std::uint32_t start = now();
    while (now() - start < ms) runFrame();
}

void Simulator::endFrame() {
    for (auto& [id, c] : world_.controls) {
        c.just_pressed = false;
        c.just_released = false;
    }
    for (auto& [id, v] : world_.vehicles) v.forced_radio_frames = 0;
    world_.openUnlockedDoors();
    std::swap(drawing_, last_drawing_);
    drawing_.clear();
    text_style_ = TextStyle{};
    text_command_ = TextCommand::None;
    ++frame_;
    calls_this_frame_ = 0;
    clock_.store(now() + frame_ms_, std::memory_order_relaxed);
}

// [SECTION] Input

void Simulator::sendKeyMessage(std::uint32_t vk, std::uint16_t repeats, std::uint8_t scan, bool extended, bool alt,
                               bool wasDown, bool isUp) {
    sendKey(vk, repeats, wasDown, isUp, scan, extended, alt);
}

void Simulator::sendKey(std::uint32_t vk, std::uint16_t repeats, bool wasDown, bool isUp, std::uint8_t scan,
                        bool extended, bool alt) {
    if (key_sink_) key_sink_(KeyMessage{now(), vk, repeats, wasDown, isUp});
    if (observer_ != nullptr) observer_->onKey(KeyMessage{now(), vk, repeats, wasDown, isUp});
    // A copy: a handler may unregister itself.
    const std::vector<host::KeyboardHandler> handlers = keyboard_handlers_;
    for (host::KeyboardHandler h : handlers) {
        in_key_handler_ = true;
        try {
            h(vk, repeats, scan, extended ? 1 : 0, alt ? 1 : 0, wasDown ? 1 : 0, isUp ? 1 : 0);
        } catch (...) {
            // In the game an exception leaving the handler ends the process.
            recordFault(0, "an exception left the keyboard handler");
        }
        in_key_handler_ = false;
    }
}

void Simulator::keyDown(std::uint32_t vk, bool repeat) { sendKey(vk, repeat ? 1 : 0, repeat, false); }

void Simulator::keyUp(std::uint32_t vk) { sendKey(vk, 1, true, true); }

void Simulator::tap(std::uint32_t vk) {
    keyDown(vk);
    runFrame();
    keyUp(vk);
    runFrame();
}

void Simulator::hold(std::uint32_t vk, std::uint32_t ms) {
    keyDown(vk);
    std::uint32_t lastDown = now();
    const std::uint32_t start = now();
    while (now() - start < ms) {
        if (now() - lastDown >= kKeyRepeatMs) {
            keyDown(vk, true);
            lastDown = now();
        }
        runFrame();
    }
    keyUp(vk);
    runFrame();
}

void Simulator::controlDown(int id) {
    World::Control& c = world_.controls[id];
    if (!c.pressed) c.just_pressed = true;
    c.pressed = true;
}

void Simulator::controlUp(int id) {
    World::Control& c = world_.controls[id];
    if (c.pressed) c.just_released = true;
    c.pressed = false;
}

// [SECTION] World and records

void Simulator::resetWorld() {
    world_ = World{};
    sounds_.clear();
    horns_.clear();
    notifications_.clear();
    sounds_reported_ = 0;
    horns_reported_ = 0;
}

std::size_t Simulator::countCalls(std::uint64_t hash) const {
    return static_cast<std::size_t>(
        std::count_if(trace_.begin(), trace_.end(), [hash](const TraceEntry& e) { return e.hash == hash; }));
}

std::size_t Simulator::countCallsInFrame(std::uint64_t frame, std::uint64_t hash) const {
    return static_cast<std::size_t>(std::count_if(trace_.begin(), trace_.end(), [&](const TraceEntry& e) {
        return e.frame == frame && (hash == 0 || e.hash == hash);
    }));
}

void Simulator::throwIfInjectedAtCall() {
    if (throw_at_native_ == 0 || !call_open_ || call_hash_ != throw_at_native_) return;
    if (FibreScheduler::currentFibre() == nullptr) return;  // only into a script
    throw_at_native_ = 0;
    call_open_ = false;  // the call is abandoned, not left half made
    throw InjectedThrow(kThrowAtNative);
}

void Simulator::throwIfInjectedAtClockRead() {
    if (!throw_in_key_handler_ || !in_key_handler_) return;
    throw_in_key_handler_ = false;
    throw InjectedThrow(kThrowAtClockRead);
}

void Simulator::recordFault(std::uint64_t hash, std::string message) {
    faults_.push_back(Fault{now(), hash, fibreName(), std::move(message)});
}

std::string Simulator::fibreName() const {
    const FibreScheduler::Fibre* f = FibreScheduler::currentFibre();
    return f != nullptr ? f->name : "host";
}

void Simulator::recordSound(const char* name, const char* set, std::string source, int sourceId) {
    sounds_.push_back(
        SoundEvent{now(), name != nullptr ? name : "", set != nullptr ? set : "", std::move(source), sourceId});
}

const char* Simulator::keepText(const std::string& text) {
    text_result_.assign(text);
    return text_result_.c_str();
}

// [SECTION] Screen

void Simulator::beginTextCommand(TextCommand kind) {
    text_command_ = kind;
    text_buffer_.clear();
}

void Simulator::addTextComponent(const char* text) {
    if (text_command_ != TextCommand::None && text != nullptr) text_buffer_.append(text);
}

const std::string& Simulator::endTextCommand(TextCommand kind) {
    ended_text_.clear();
    if (text_command_ == kind) ended_text_.swap(text_buffer_);
    text_command_ = TextCommand::None;
    return ended_text_;
}

void Simulator::drawText(const std::string& text, float x, float y) {
    TextItem& item = drawing_.texts.emplace_back();
    item.text.assign(text);
    item.x = x;
    item.y = y;
    item.scale = text_style_.scale;
    item.font = text_style_.font;
    item.rgba = text_style_.rgba;
    item.centre = text_style_.centre;
}

}  // namespace tavrel::sim
