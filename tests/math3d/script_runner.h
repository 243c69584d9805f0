// ScriptRunner: a bare Lua state with the math3d library, for running test scripts.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include <lua.hpp>

namespace kvr::test {

// Lua's own load or run error (as opposed to a kvr::Error from the library).
class LuaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ScriptRunner {
public:
    ScriptRunner();
    ~ScriptRunner();
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    // Runs a chunk whose source is chunkName; a library error comes back out as the kvr::Error
    // it was, a Lua error as LuaError.
    void run(const std::string& chunk, const std::string& chunkName = "=test");
    // Runs a file the way the loader does: its source is "@" followed by path.
    void runFile(const std::string& path);

    double number(const char* global);
    // The floats of the value a global holds.
    std::vector<float> floats(const char* global, int count);
    const void* address(const char* global);
    lua_State* state() { return L_; }

private:
    void call(int loadStatus);

    lua_State* L_;
};

// The Shift-JIS bytes of a UTF-8 text.
std::string shiftJis(const std::string& utf8);

// What the library reports for a bad call of the named function on the given line.
std::string report(const std::string& name, int line, const std::string& utf8Message,
                   const std::string& source = "=test");

// The message of the kvr::Error the chunk ends with, or a marker text when it ends otherwise.
std::string errorOf(const std::string& chunk);

}  // namespace kvr::test
