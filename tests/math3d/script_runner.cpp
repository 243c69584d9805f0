// ScriptRunner: a bare Lua state with the math3d library, for running test scripts.
#include "tests/math3d/script_runner.h"

#include <iconv.h>

#include <exception>

#include "math3d/host_boundary.h"
#include "math3d/math3d.h"
#include "timeline/error.h"

namespace kvr::test {

ScriptRunner::ScriptRunner() : L_(luaL_newstate()) {
    if (L_ == nullptr) throw std::runtime_error("no Lua state");
    // Like the editor: no standard library, only the math3d tables.
    register_math3d(L_);
}

ScriptRunner::~ScriptRunner() {
    lua_close(L_);
}

void ScriptRunner::run(const std::string& chunk, const std::string& chunkName) {
    call(luaL_loadbuffer(L_, chunk.data(), chunk.size(), chunkName.c_str()));
}

void ScriptRunner::runFile(const std::string& path) {
    call(luaL_loadfile(L_, path.c_str()));
}

void ScriptRunner::call(int loadStatus) {
    if (loadStatus == 0 && lua_pcall(L_, 0, 0, 0) == 0) return;
    std::string message = lua_isstring(L_, -1) ? lua_tostring(L_, -1) : "(no message)";
    lua_pop(L_, 1);
    if (std::exception_ptr carried = takeCarriedException()) std::rethrow_exception(carried);
    throw LuaError(message);
}

double ScriptRunner::number(const char* global) {
    lua_getglobal(L_, global);
    if (!lua_isnumber(L_, -1)) throw std::runtime_error(std::string(global) + " is no number");
    const double n = lua_tonumber(L_, -1);
    lua_pop(L_, 1);
    return n;
}

const void* ScriptRunner::address(const char* global) {
    lua_getglobal(L_, global);
    const void* p = lua_type(L_, -1) == LUA_TLIGHTUSERDATA ? lua_touserdata(L_, -1) : nullptr;
    lua_pop(L_, 1);
    if (p == nullptr) throw std::runtime_error(std::string(global) + " is no value");
    return p;
}

std::vector<float> ScriptRunner::floats(const char* global, int count) {
    const auto* first = static_cast<const float*>(address(global));
    return std::vector<float>(first, first + count);
}

std::string shiftJis(const std::string& utf8) {
    iconv_t converter = iconv_open("SHIFT_JIS", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no SHIFT_JIS");
    std::string in = utf8;
    std::string out(in.size() * 2 + 1, '\0');
    char* inPointer = in.data();
    char* outPointer = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    const std::size_t converted = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
    iconv_close(converter);
    if (converted == static_cast<std::size_t>(-1)) throw std::runtime_error("not convertible");
    out.resize(out.size() - outLeft);
    return out;
}

std::string report(const std::string& name, int line, const std::string& utf8Message,
                   const std::string& source) {
    return "lua::math3d error at " + name + " file:" + source + " line:" + std::to_string(line) +
           "  " + shiftJis(utf8Message) + "\n";
}

std::string errorOf(const std::string& chunk) {
    ScriptRunner runner;
    try {
        runner.run(chunk);
    } catch (const Error& e) {
        return e.what();
    } catch (const LuaError& e) {
        return std::string("Lua error: ") + e.what();
    }
    return "no error";
}

}  // namespace kvr::test
