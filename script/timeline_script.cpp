// Loading timeline files: state set-up, the protected run, error reporting and clean-up.
#include "script/timeline_script.h"

#include <lua.hpp>

#include <cstdio>
#include <exception>

#include "math3d/host_boundary.h"
#include "math3d/math3d.h"
#include "script/timeline_builder.h"
#include "timeline/error.h"

namespace kvr {

namespace {

void setGlobalFunction(lua_State* L, const char* name, lua_CFunction f) {
    lua_pushstring(L, name);
    lua_pushcclosure(L, f, 0);
    lua_settable(L, LUA_GLOBALSINDEX);
}

// Closes the state on every way out, also when a carried exception is thrown again.
class StateGuard {
public:
    StateGuard() : L_(luaL_newstate()) {
        if (!L_) throw Error("cannot open a Lua state: out of memory");
    }
    ~StateGuard() { lua_close(L_); }
    StateGuard(const StateGuard&) = delete;
    StateGuard& operator=(const StateGuard&) = delete;
    lua_State* get() const { return L_; }

private:
    lua_State* L_;
};

// A host function failed: its exception, not the Lua error that carried it out, is what the
// caller must see.
void rethrowCarried() {
    if (std::exception_ptr e = takeCarriedException()) std::rethrow_exception(e);
}

const char* messageOf(lua_State* L, int index) {
    const char* message = lua_tostring(L, index);
    return message ? message : "(error object is not a string)";
}

// The error message is on top of the stack. A script may define _ALERT to receive it; a
// failure inside _ALERT is only reported, as there is nobody left to tell.
void reportError(lua_State* L) {
    lua_getfield(L, LUA_GLOBALSINDEX, "_ALERT");
    if (!lua_isfunction(L, -1)) {
        std::fprintf(stderr, "%s\n", messageOf(L, -2));
        lua_pop(L, 2);
        return;
    }
    lua_insert(L, -2);
    if (lua_pcall(L, 1, 0, 0) != 0) {
        rethrowCarried();
        std::fprintf(stderr, "%s\n", messageOf(L, -1));
        lua_pop(L, 1);
    }
    rethrowCarried();
}

template <typename Load>
void runChunk(Load load) {
    // A block left open by an earlier script must not make this one fail on its first begin.
    TimelineBuilder::instance().reset();
    // Nothing from an earlier run may be blamed on this one.
    takeCarriedException();

    StateGuard state;
    lua_State* L = state.get();
    registerTimelineFunctions(L);
    int status = load(L);
    if (status == 0) status = lua_pcall(L, 0, 0, 0);
    rethrowCarried();
    if (status != 0) reportError(L);
}

}  // namespace

void registerTimelineFunctions(lua_State* L) {
    register_math3d(L);
    setGlobalFunction(L, "timeline3_begin", hostFunction<timeline3Begin>);
    setGlobalFunction(L, "timeline3_insert_x", hostFunction<timeline3InsertX>);
    setGlobalFunction(L, "timeline3_insert_y", hostFunction<timeline3InsertY>);
    setGlobalFunction(L, "timeline3_insert_z", hostFunction<timeline3InsertZ>);
    setGlobalFunction(L, "timeline3_end", hostFunction<timeline3End>);
    setGlobalFunction(L, "timeline1_begin", hostFunction<timeline1Begin>);
    setGlobalFunction(L, "timeline1_push", hostFunction<timeline1Push>);
    setGlobalFunction(L, "timeline1_end", hostFunction<timeline1End>);
}

void runTimelineScript(const std::string& fileName) {
    // luaL_loadfile names the chunk "@" + fileName, which is the source errors report.
    runChunk([&](lua_State* L) { return luaL_loadfile(L, fileName.c_str()); });
}

void runTimelineScriptText(const std::string& text, const std::string& chunkName) {
    runChunk([&](lua_State* L) {
        return luaL_loadbuffer(L, text.data(), text.size(), chunkName.c_str());
    });
}

}  // namespace kvr
