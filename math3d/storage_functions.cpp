// The math3d table: scripts' control over the value arena (reserve, resize, size, capacity).
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "math3d/function_table.h"
#include "math3d/host_boundary.h"
#include "math3d/math3d.h"
#include "math3d/value_arena.h"
#include "timeline/error.h"

namespace kvr::math3d {

namespace {

using ArenaRequest = void (ValueArena::*)(std::uint32_t);

// reserve and resize take their count from the last argument, whatever comes before it.
template <ArenaRequest Request>
int requestCount(lua_State* L) {
    const double count = lua_gettop(L) == 0 ? 0.0 : std::trunc(lua_tonumber(L, -1));
    // Negative and huge counts would wrap around an unsigned conversion; refuse them instead,
    // with the script's file and line, like any other bad call.
    if (!(count >= 0.0 && count < 4294967296.0)) {
        char refusal[128];
        std::snprintf(refusal, sizeof refusal,
                      "value arena: count %.17g refused: it must lie in [0, 2^31)", count);
        raise_math3d_error(L, refusal);
    }
    try {
        (ValueArena::instance().*Request)(static_cast<std::uint32_t>(count));
    } catch (const Error& e) {
        raise_math3d_error(L, e.what());
    }
    return 0;
}

int size(lua_State* L) {
    lua_pushnumber(L, ValueArena::instance().size());
    return 1;
}

int capacity(lua_State* L) {
    lua_pushnumber(L, ValueArena::instance().capacity());
    return 1;
}

}  // namespace

FunctionTable storageTable() {
    static const FunctionEntry entries[] = {
        {"reserve", hostFunction<requestCount<&ValueArena::reserve>>},
        {"resize", hostFunction<requestCount<&ValueArena::resize>>},
        {"size", hostFunction<size>},
        {"capacity", hostFunction<capacity>},
    };
    return makeTable("math3d", entries);
}

}  // namespace kvr::math3d
