// The instruction budget and memory cap of a timeline file's Lua state.
#include "script/script_limits.h"

#include <lua.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "timeline/error.h"

namespace kvr {

namespace {

ScriptLimits currentLimits;

// How often the count hook runs: rarely enough to cost nothing, often enough that a stopped
// script has not run far past its budget.
constexpr std::uint64_t kHookInterval = 10000;

LimitedState::Account& accountOf(lua_State* L) {
    void* ud = nullptr;
    lua_getallocf(L, &ud);
    return *static_cast<LimitedState::Account*>(ud);
}

// Lua treats a null result for a growing request as its memory error ("not enough memory"),
// which the run reports like any other; shrinking and freeing are never refused.
void* limitedAlloc(void* ud, void* ptr, std::size_t oldSize, std::size_t newSize) {
    auto& account = *static_cast<LimitedState::Account*>(ud);
    if (newSize == 0) {
        std::free(ptr);
        account.memoryInUse -= oldSize;
        return nullptr;
    }
    if (account.enforcing && newSize > oldSize &&
        newSize - oldSize >
            account.memoryLimit - std::min(account.memoryLimit, account.memoryInUse)) {
        return nullptr;
    }
    void* grown = std::realloc(ptr, newSize);
    if (grown != nullptr) account.memoryInUse = account.memoryInUse - oldSize + newSize;
    return grown;
}

// A count hook may raise an error in Lua 5.1; the protected call that runs the script catches
// it like any other, and restores the hooks for whatever runs next.
void countHook(lua_State* L, lua_Debug*) {
    LimitedState::Account& account = accountOf(L);
    account.instructionsRun += static_cast<std::uint64_t>(account.hookInterval);
    if (account.instructionsRun < account.instructionLimit) return;

    char where[LUA_IDSIZE + 24] = "";
    lua_Debug ar;
    if (lua_getstack(L, 0, &ar) && lua_getinfo(L, "Sl", &ar) && ar.currentline > 0) {
        std::snprintf(where, sizeof where, "%s:%d: ", ar.short_src, ar.currentline);
    }
    char message[sizeof where + 128];
    std::snprintf(message, sizeof message,
                  "%sscript stopped: it ran into the limit of %llu instructions "
                  "(does it loop forever?)",
                  where, static_cast<unsigned long long>(account.instructionLimit));
    lua_pushstring(L, message);
    lua_error(L);
}

// Only reached by an error outside every protected call, which the loader never makes; Lua
// ends the process after this returns.
int panic(lua_State* L) {
    const char* message = lua_tostring(L, -1);
    std::fprintf(stderr, "PANIC: unprotected error in call to Lua API (%s)\n",
                 message ? message : "?");
    return 0;
}

}  // namespace

void setScriptLimits(const ScriptLimits& limits) {
    currentLimits = limits;
}

const ScriptLimits& scriptLimits() {
    return currentLimits;
}

LimitedState::LimitedState(const ScriptLimits& limits) {
    account_.memoryLimit = limits.memoryBytes;
    account_.instructionLimit = std::max<std::uint64_t>(limits.instructions, 1);
    account_.hookInterval =
        static_cast<int>(std::min<std::uint64_t>(account_.instructionLimit, kHookInterval));
    L_ = lua_newstate(limitedAlloc, &account_);
    if (L_ == nullptr) throw Error("cannot open a Lua state: out of memory");
    lua_atpanic(L_, panic);
    lua_sethook(L_, countHook, LUA_MASKCOUNT, account_.hookInterval);
}

LimitedState::~LimitedState() {
    lua_close(L_);
}

}  // namespace kvr
