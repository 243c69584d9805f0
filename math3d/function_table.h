// FunctionTable: one global table of the math3d library, as register_math3d publishes it.
#pragma once

#include <cstddef>

#include <lua.hpp>

namespace kvr::math3d {

struct FunctionEntry {
    const char* name;
    lua_CFunction function;
};

struct FunctionTable {
    const char* name;
    const FunctionEntry* entries;
    std::size_t count;
};

template <std::size_t Count>
FunctionTable makeTable(const char* name, const FunctionEntry (&entries)[Count]) {
    return FunctionTable{name, entries, Count};
}

// Each family's file defines its tables, the entries in the order scripts see them registered.
FunctionTable storageTable();
FunctionTable vector2Table();
FunctionTable vector3Table();
FunctionTable vector4Table();
FunctionTable matrix22Table();
FunctionTable matrix33Table();
FunctionTable matrix44Table();

}  // namespace kvr::math3d
