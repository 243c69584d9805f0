// ScriptLimits and LimitedState: what one timeline file may use, and the state that keeps to it.
#pragma once

#include <cstddef>
#include <cstdint>

struct lua_State;

namespace kvr {

// A timeline file is someone else's program: it may loop forever or grow a table or a timeline
// without end. Past any limit the script stops with an ordinary Lua error, so the editor reports
// it and goes on with what was loaded.
struct ScriptLimits {
    // Virtual machine instructions one protected call may run. Loading 3 x 100,000 keys in the
    // form the editor writes takes about 5 million (some 17 a key); a billion leaves a factor of
    // 200 for scripts that compute their keys and stops an endless loop within seconds.
    std::uint64_t instructions = 1'000'000'000;
    // Bytes the interpreter may hold at once (math3d values live in the arena, not here).
    std::size_t memoryBytes = std::size_t{1} << 30;
    // Bytes the timelines of one file may take, keys and curve samples together. Neither is
    // bounded by the two limits above: a loop adds keys far faster than it uses up its budget,
    // and two keys far apart in time sample into millions of points.
    std::uint64_t timelineBytes = std::uint64_t{1} << 30;
};

// The limits every later load runs under. Tests and the fuzzer lower them to reach them quickly.
void setScriptLimits(const ScriptLimits& limits);
const ScriptLimits& scriptLimits();

// A fresh Lua state whose allocator and count hook apply the limits; closed on destruction.
class LimitedState {
public:
    explicit LimitedState(const ScriptLimits& limits);
    ~LimitedState();
    LimitedState(const LimitedState&) = delete;
    LimitedState& operator=(const LimitedState&) = delete;

    lua_State* get() const { return L_; }

    // The memory cap applies from here on. What the host registers before the script runs is
    // small and must not fail halfway, outside any protected call.
    void enforceMemoryLimit() { account_.enforcing = true; }
    // Gives the next protected call the whole instruction budget again.
    void restartInstructionCount() { account_.instructionsRun = 0; }

    // Reached through the allocator's user data from the allocator and the hook.
    struct Account {
        std::size_t memoryInUse = 0;
        std::size_t memoryLimit = 0;
        bool enforcing = false;
        std::uint64_t instructionsRun = 0;
        std::uint64_t instructionLimit = 0;
        int hookInterval = 1;
    };

private:
    Account account_;
    lua_State* L_ = nullptr;
};

}  // namespace kvr
