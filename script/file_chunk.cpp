// loadFileChunk: luaL_loadfile of Lua 5.1, step for step, with a reader that also digests.
#include "script/file_chunk.h"

#include <sys/stat.h>

#include <lua.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kvr {

namespace {

// Only plain data: a Lua error may leave the functions that hold it without unwinding them.
struct FileReader {
    std::FILE* file;
    bool extraLine;
    TextDigest* digest;
    char buffer[LUAL_BUFFERSIZE];
};

const char* readPiece(lua_State*, void* data, std::size_t* size) {
    FileReader& reader = *static_cast<FileReader*>(data);
    if (reader.extraLine) {
        // The "#" line skipped stays a line, so that line numbers hold.
        reader.extraLine = false;
        *size = 1;
        return "\n";
    }
    if (std::feof(reader.file)) return nullptr;
    *size = std::fread(reader.buffer, 1, sizeof reader.buffer, reader.file);
    if (*size == 0) return nullptr;
    reader.digest->add(reader.buffer, *size);
    return reader.buffer;
}

int fileError(lua_State* L, const char* what, int nameIndex) {
    const char* reason = std::strerror(errno);
    const char* fileName = lua_tostring(L, nameIndex) + 1;
    lua_pushfstring(L, "cannot %s %s: %s", what, fileName, reason);
    lua_remove(L, nameIndex);
    return LUA_ERRFILE;
}

}  // namespace

int loadFileChunk(lua_State* L, const char* fileName, std::optional<TextDigest>& fileText) {
    fileText.reset();
    TextDigest digest;
    FileReader reader;
    reader.extraLine = false;
    reader.digest = &digest;
    const int nameIndex = lua_gettop(L) + 1;
    lua_pushfstring(L, "@%s", fileName);
    reader.file = std::fopen(fileName, "r");
    if (!reader.file) return fileError(L, "open", nameIndex);
    struct stat st;
    bool whole = fstat(fileno(reader.file), &st) == 0 && S_ISREG(st.st_mode);
    int c = std::getc(reader.file);
    if (c == '#') {
        // An executable script's first line, which Lua skips.
        whole = false;
        reader.extraLine = true;
        while ((c = std::getc(reader.file)) != EOF && c != '\n') {
        }
        if (c == '\n') c = std::getc(reader.file);
    }
    if (c == LUA_SIGNATURE[0]) {
        // A precompiled chunk, read again in binary mode from its signature on.
        whole = false;
        reader.file = std::freopen(fileName, "rb", reader.file);
        if (!reader.file) return fileError(L, "reopen", nameIndex);
        while ((c = std::getc(reader.file)) != EOF && c != LUA_SIGNATURE[0]) {
        }
        reader.extraLine = false;
    }
    std::ungetc(c, reader.file);
    const int status = lua_load(L, readPiece, &reader, lua_tostring(L, -1));
    const bool readFailed = std::ferror(reader.file) != 0;
    if (whole && !readFailed && std::feof(reader.file)) fileText = digest;
    std::fclose(reader.file);
    if (readFailed) {
        lua_settop(L, nameIndex);
        return fileError(L, "read", nameIndex);
    }
    lua_remove(L, nameIndex);
    return status;
}

}  // namespace kvr
