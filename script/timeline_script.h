// Running a timeline file: a fresh Lua state with math3d and the eight timeline functions.
#pragma once

#include <string>

#include "script/load_report.h"

struct lua_State;

namespace kvr {

class TimelineRegistry;

// Publishes the math3d tables, then timeline3_begin ... timeline1_end, as globals of L.
void registerTimelineFunctions(lua_State* L);

// Runs the file in a Lua state of its own, adding the timelines it defines to the registry.
// A Lua load or run error goes to the script's _ALERT function, or else to standard error, and
// the timelines registered before it stay; so does running past the instruction budget or the
// memory cap of scriptLimits() (see script/script_limits.h), with _ALERT under the same limits. A
// kvr::Error raised by a timeline or math3d function leaves here unchanged, after the state has
// been closed. The report tells whether the registry took in everything the file defined.
LoadReport runTimelineScript(const std::string& fileName);

// The same for script text held in memory; chunkName is what error reports give as the source
// ("@file" for a file name, "=name" for a name shown as it is).
LoadReport runTimelineScriptText(const std::string& text, const std::string& chunkName);

// The file into a registry of the caller's, with Lua errors delivered as asked. Loads from
// several threads run one at a time, as the builder and the value arena are shared.
LoadReport loadTimelineFile(const std::string& fileName, TimelineRegistry& registry,
                            ErrorDelivery delivery);

}  // namespace kvr
