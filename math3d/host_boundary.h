// Host functions are C++ but the Lua core is C: exceptions are carried across it, never thrown
// through it.
#pragma once

#include <exception>

#include <lua.hpp>

namespace kvr {

// Keeps the exception until the code that ran the script takes it back.
void carryException(std::exception_ptr e);
// Returns and clears the carried exception (null when there is none).
std::exception_ptr takeCarriedException();
// Raises a Lua error that unwinds to the protected call; the message says that a host error is
// on its way out.
[[noreturn]] void raiseCarriedError(lua_State* L);

// Wraps a host function: any C++ exception it throws is carried and turned into a Lua error.
template <lua_CFunction F>
int hostFunction(lua_State* L) {
    bool failed = false;
    int results = 0;
    try {
        results = F(L);
    } catch (...) {
        carryException(std::current_exception());
        failed = true;
    }
    // lua_error longjmps: it must run after the catch block has ended.
    if (failed) raiseCarriedError(L);
    return results;
}

}  // namespace kvr
