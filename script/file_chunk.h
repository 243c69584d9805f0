// Loading a timeline file as a Lua chunk the way luaL_loadfile does, with a digest of its bytes
// taken on the way for whoever wants to know later whether a text is the one that was loaded.
#pragma once

#include <optional>

#include "script/text_digest.h"

struct lua_State;

namespace kvr {

// As luaL_loadfile(L, fileName): the same chunk name, reading and messages ("cannot open ...",
// "cannot read ..."), and the same result on the stack. fileText gets the digest of the file's
// every byte as it is, where the digest stands for them: the file is a regular one, was read to
// its end without an error and needed no skipping (a "#" first line or a precompiled chunk,
// which Lua reads differently, leave it empty).
int loadFileChunk(lua_State* L, const char* fileName, std::optional<TextDigest>& fileText);

}  // namespace kvr
