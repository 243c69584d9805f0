// Carrying C++ exceptions out of host functions across the Lua core.
#include "math3d/host_boundary.h"

namespace kvr {

namespace {
// Scripts run on the one main thread, one at a time, so one slot is enough.
std::exception_ptr carried;
}  // namespace

void carryException(std::exception_ptr e) { carried = std::move(e); }

std::exception_ptr takeCarriedException() {
    std::exception_ptr e = std::move(carried);
    carried = nullptr;
    return e;
}

void raiseCarriedError(lua_State* L) {
    lua_pushstring(L, "host error");
    lua_error(L);
    // lua_error does not return; this keeps the compiler's noreturn analysis happy.
    for (;;) {
    }
}

}  // namespace kvr
