// Loading timeline files: state set-up, the protected run, error reporting and clean-up.
#include "script/timeline_script.h"

#include <lua.hpp>

#include <cstdio>
#include <exception>
#include <mutex>
#include <string>

#include "math3d/host_boundary.h"
#include "math3d/math3d.h"
#include "script/file_chunk.h"
#include "script/script_limits.h"
#include "script/timeline_builder.h"
#include "timeline/timeline_registry.h"

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

// A Lua error on its way to the report and, as the delivery says, to _ALERT or the screen.
struct ErrorReport {
    const char* message;
    ErrorDelivery delivery;
    LoadReport* load;
    bool delivered;
};

void note(LoadReport& load, const std::string& message) {
    load.luaErrors.push_back(message);
    load.problems.push_back(message);
}

void print(const ErrorReport& report, const char* message) {
    if (report.delivery == ErrorDelivery::AlertOrPrint) std::fprintf(stderr, "%s\n", message);
}

// Runs protected, as even looking up _ALERT may need memory the script has used up. A failure
// inside _ALERT is only printed, as there is nobody left to tell.
int alertOrPrint(lua_State* L) {
    auto& report = *static_cast<ErrorReport*>(lua_touserdata(L, 1));
    lua_getfield(L, LUA_GLOBALSINDEX, "_ALERT");
    if (!lua_isfunction(L, -1)) {
        print(report, report.message);
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
            print(report, messageOf(L, -1));
            note(*report.load, messageOf(L, -1));
        }
    }
    return 0;
}

// The error message is on top of the stack.
void reportError(LimitedState& state, ErrorDelivery delivery, LoadReport& load) {
    lua_State* L = state.get();
    const std::string message = messageOf(L, -1);
    note(load, message);
    lua_settop(L, 0);
    // What the failed run left unreachable (a runaway local table) is freed for _ALERT's use,
    // and _ALERT gets an instruction budget of its own.
    lua_gc(L, LUA_GCCOLLECT, 0);
    state.restartInstructionCount();
    ErrorReport report{message.c_str(), delivery, &load, false};
    if (lua_cpcall(L, alertOrPrint, &report) != 0 && !report.delivered) {
        print(report, message.c_str());
    }
    rethrowCarried();
}

// A block still open when the script ends never reached the registry.
void noteOpenBlocks(const TimelineBuilder& builder, const std::string& source, LoadReport& load) {
    const char* kinds[] = {"timeline3", "timeline1"};
    const bool open[] = {builder.pending3 != nullptr, builder.pending1 != nullptr};
    for (int i = 0; i < 2; ++i) {
        if (!open[i]) continue;
        load.problems.push_back(source + ": " + kinds[i] + " \"" + builder.pendingName +
                                "\" is still open at the end of the file; it was not loaded");
    }
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

// The builder sends this load's timelines and problems where the caller wants them, and
// forgets both however the load ends.
class BuilderTarget {
public:
    BuilderTarget(TimelineRegistry& registry, LoadReport& report) {
        TimelineBuilder& b = TimelineBuilder::instance();
        b.target = &registry;
        b.report = &report;
    }
    ~BuilderTarget() {
        TimelineBuilder& b = TimelineBuilder::instance();
        b.target = nullptr;
        b.report = nullptr;
    }
    BuilderTarget(const BuilderTarget&) = delete;
    BuilderTarget& operator=(const BuilderTarget&) = delete;
};

// The script builder, the value arena and the carried host exception are the process's own:
// loads from several threads take turns.
std::mutex& loadLock() {
    static std::mutex lock;
    return lock;
}

template <typename Load>
LoadReport runChunk(Load load, const std::string& source, TimelineRegistry& registry,
                    ErrorDelivery delivery) {
    const std::lock_guard<std::mutex> hold(loadLock());
    // A block left open by an earlier script must not make this one fail on its first begin.
    TimelineBuilder::instance().reset();
    // Nothing from an earlier run may be blamed on this one.
    takeCarriedException();

    LoadReport report;
    {
        const BuilderTarget target(registry, report);
        LimitedState state(scriptLimits());
        lua_State* L = state.get();
        registerTimelineFunctions(L);
        state.enforceMemoryLimit();
        const int status = lua_cpcall(L, loadAndRun<Load>, &load);
        rethrowCarried();
        if (status != 0) reportError(state, delivery, report);
    }
    noteOpenBlocks(TimelineBuilder::instance(), source, report);
    return report;
}

// How messages name a chunk: its file name, or the name given after '=' or '@'.
std::string sourceName(const std::string& chunkName) {
    if (!chunkName.empty() && (chunkName[0] == '@' || chunkName[0] == '=')) {
        return chunkName.substr(1);
    }
    return chunkName;
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

LoadReport runTimelineScript(const std::string& fileName) {
    return loadTimelineFile(fileName, TimelineRegistry::instance(), ErrorDelivery::AlertOrPrint);
}

LoadReport runTimelineScriptText(const std::string& text, const std::string& chunkName) {
    return runChunk(
        [&](lua_State* L) {
            return luaL_loadbuffer(L, text.data(), text.size(), chunkName.c_str());
        },
        sourceName(chunkName), TimelineRegistry::instance(), ErrorDelivery::AlertOrPrint);
}

LoadReport loadTimelineFile(const std::string& fileName, TimelineRegistry& registry,
                            ErrorDelivery delivery) {
    // The chunk is named "@" + fileName, as luaL_loadfile names it: the source errors report.
    std::optional<TextDigest> fileText;
    LoadReport report =
        runChunk([&](lua_State* L) { return loadFileChunk(L, fileName.c_str(), fileText); },
                 fileName, registry, delivery);
    report.fileText = fileText;
    return report;
}

}  // namespace kvr
