#include "state/runtime_state.h"

#include "host/host_abi.h"

namespace tavrel {

RuntimeState runtime;

void resetRuntimeState() {
    runtime = RuntimeState{};
    runtime.last_world_scan_time = host::getTickCount();
}

}  // namespace tavrel
