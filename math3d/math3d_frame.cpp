// Publishing the math3d tables into a Lua state and reporting a script's bad call.
#include <cstdio>

#include <lua.hpp>

#include "math3d/function_table.h"
#include "math3d/math3d.h"
#include "timeline/error.h"

namespace kvr {

void register_math3d(lua_State* L) {
    const math3d::FunctionTable tables[] = {
        math3d::storageTable(),  math3d::vector2Table(),  math3d::vector3Table(),
        math3d::vector4Table(),  math3d::matrix22Table(), math3d::matrix33Table(),
        math3d::matrix44Table(),
    };
    for (const math3d::FunctionTable& table : tables) {
        lua_pushstring(L, table.name);
        lua_newtable(L);
        for (std::size_t i = 0; i < table.count; ++i) {
            lua_pushstring(L, table.entries[i].name);
            lua_pushcclosure(L, table.entries[i].function, 0);
            lua_settable(L, -3);
        }
        lua_settable(L, LUA_GLOBALSINDEX);
    }
}

void raise_math3d_error(lua_State* L, const char* detail) {
    // Level 0 is the library function itself: the name it was called under.
    const char* name = nullptr;
    lua_Debug callee;
    if (lua_getstack(L, 0, &callee) != 0 && lua_getinfo(L, "n", &callee) != 0) {
        name = callee.name;
    }
    // Level 1 is the script line that made the call; a call straight from the host has none.
    const char* source = "=?";
    int line = 0;
    lua_Debug caller;
    if (lua_getstack(L, 1, &caller) != 0 && lua_getinfo(L, "Sl", &caller) != 0) {
        if (caller.source != nullptr) source = caller.source;
        line = caller.currentline;
    }
    if (name == nullptr) name = "(null)";

    // A long source name is cut at the buffer's end rather than overrun it.
    char text[1024];
    if (detail != nullptr) {
        std::snprintf(text, sizeof text, "lua::math3d error at %s file:%s line:%d  %s\n", name,
                      source, line, detail);
    } else {
        std::snprintf(text, sizeof text, "lua::math3d error at %s file:%s line:%d\n", name, source,
                      line);
    }
    throw Error(text);
}

}  // namespace kvr
