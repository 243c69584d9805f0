// Loading timeline files: state set-up, the protected run, error reporting and clean-up.
#include "script/timeline_script.h"

#include <lua.hpp>

#include <cstdio>
#include <exception>
#include <string>

#include "math3d/host_boundary.h"
#include "math3d/math3d.h"
#include "script/script_limits.h"
#include "script/timeline_builder.h"

namespace kvr {

namespace {

void setGlobalFunction(lua_State* L, const char* name, lua_CFunction f) {
    lua_pushstring(L, name);
    lua_pushcclosure(L, f, 0);
    lua_settable(L, LUA_GLOBALSINDEX);
}

// A host function failed: its exception, not the Lua error that carried it out, is what the
// caller must see.
void rethrowCarried() {
    if (std::exception_ptr e = takeCarriedException()) std::rethrow_exception(e);
}

// Run errors are strings made by the interpreter; reading one must not allocate, as the script
// may have used up its memory.
const char* messageOf(lua_State* L, int index) {
    if (lua_type(L, index) == LUA_TSTRING) return lua_tostring(L, index);
    return "(error object is not a string)";
}

struct ErrorReport {
    const char* message;
    bool delivered;
};

// Runs protected, as even looking up _ALERT may need memory the script has used up. A failure
// inside _ALERT is only printed, as there is nobody left to tell.
int alertOrPrint(lua_State* L) {
    auto& report = *static_cast<ErrorReport*>(lua_touserdata(L, 1));
    lua_getfield(L, LUA_GLOBALSINDEX, "_ALERT");
    if (!lua_isfunction(L, -1)) {
        std::fprintf(stderr, "%s\n", report.message);
        report.delivered = true;
        return 0;
    }
    lua_pushstring(L, report.message);
    const int status = lua_pcall(L, 1, 0, 0);
    report.delivered = true;
    if (status != 0) {
        // A host error from inside _ALERT leaves with the run and is not printed.
        if (std::exception_ptr e = takeCarriedException()) {
            carryException(e);
        } else {
            std::fprintf(stderr, "%s\n", messageOf(L, -1));
        }
    }
    return 0;
}

// The error message is on top of the stack.
void reportError(LimitedState& state) {
    lua_State* L = state.get();
    const std::string message = messageOf(L, -1);
    lua_settop(L, 0);
    // What the failed run left unreachable (a runaway local table) is freed for _ALERT's use,
    // and _ALERT gets an instruction budget of its own.
    lua_gc(L, LUA_GCCOLLECT, 0);
    state.restartInstructionCount();
    ErrorReport report{message.c_str(), false};
    if (lua_cpcall(L, alertOrPrint, &report) != 0 && !report.delivered) {
        std::fprintf(stderr, "%s\n", message.c_str());
    }
    rethrowCarried();
}

// Loading and running happen inside one protected call, so that a script at its memory limit
// cannot make the interpreter fail outside of one.
template <typename Load>
int loadAndRun(lua_State* L) {
    const Load& load = *static_cast<const Load*>(lua_touserdata(L, 1));
    if (load(L) != 0) lua_error(L);
    lua_call(L, 0, 0);
    return 0;
}

template <typename Load>
void runChunk(Load load) {
    // A block left open by an earlier script must not make this one fail on its first begin.
    TimelineBuilder::instance().reset();
    // Nothing from an earlier run may be blamed on this one.
    takeCarriedException();

    LimitedState state(scriptLimits());
    lua_State* L = state.get();
    registerTimelineFunctions(L);
    state.enforceMemoryLimit();
    const int status = lua_cpcall(L, loadAndRun<Load>, &load);
    rethrowCarried();
    if (status != 0) reportError(state);
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
