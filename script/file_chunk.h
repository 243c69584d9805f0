// Loading a timeline file as a Lua chunk the way luaL_loadfile does, with a digest of its bytes
// taken on the way for whoever wants to know later whether a text is the one that was loaded.
#pragma once

#include "script/text_digest.h"

struct lua_State;

namespace kvr {

struct FileDigest {
    TextDigest text;
    // Whether the digest stands for the file's every byte as it is: the file is a regular one,
    // was read to its end without an error and needed no skipping (a "#" first line or a
    // precompiled chunk, which Lua reads differently, leave it false).
    bool whole = false;
};

// As luaL_loadfile(L, fileName): the same chunk name, reading and messages ("cannot open ...",
// "cannot read ..."), and the same result on the stack; digest says what was read.
int loadFileChunk(lua_State* L, const char* fileName, FileDigest& digest);

}  // namespace kvr
