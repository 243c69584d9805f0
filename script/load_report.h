// LoadReport: what a timeline file left out when it ran, so nothing can silently shrink it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "script/text_digest.h"

namespace kvr {

struct LoadReport {
    // Lua's own messages (syntax, run-time, the script limits, a failing _ALERT), in order.
    std::vector<std::string> luaErrors;
    // Every reason the file did not load completely, Lua errors included, each a line of text
    // ("FILE:LINE: ..." where the line is known), in the order met.
    std::vector<std::string> problems;
    // The digest of the file's bytes as they were loaded, when they were read whole as they
    // stand (a regular file, without a "#" first line or a precompiled chunk); none otherwise,
    // and none for script text.
    std::optional<TextDigest> fileText;

    // Whether the registry now holds everything the file defined.
    bool complete() const { return problems.empty(); }
};

// Where a load's Lua errors go besides the report.
enum class ErrorDelivery {
    // To the script's _ALERT function, else "%s\n" on standard error: the editor's way.
    AlertOrPrint,
    // To the script's _ALERT function if it has one, never printed: for callers that present
    // the report themselves.
    AlertOnly,
};

}  // namespace kvr
