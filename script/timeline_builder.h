// TimelineBuilder: the timeline a script is defining between a begin and its end call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "script/load_report.h"
#include "timeline/timeline.h"

struct lua_State;

namespace kvr {

class TimelineRegistry;

class TimelineBuilder {
public:
    // Shared by both kinds of block: a one-channel block opened inside a three-channel one
    // leaves the outer block with an empty name and its own arena mark.
    std::string pendingName;
    std::unique_ptr<Timeline3> pending3;
    std::unique_ptr<Timeline1> pending1;
    std::uint32_t arenaMark = 0;
    // What the timelines of the current load take, counted against ScriptLimits::timelineBytes.
    std::uint64_t bytesBuilt = 0;
    // Where finished blocks go (the process-wide registry when null), and where a block dropped
    // for a name already taken is noted; set by the loader for the length of one load.
    TimelineRegistry* target = nullptr;
    LoadReport* report = nullptr;

    // Drops whatever an earlier script left open, so that one broken file does not make every
    // later load fail on its first begin, and starts counting the load's bytes afresh.
    void reset();

    // The timeline functions receive only the Lua state, so they reach the builder here.
    static TimelineBuilder& instance();
};

// At least the number of samples channel.rebuild() makes, found from the key times alone.
std::uint64_t sampleBound(const Channel& channel);

// Adds one key to channel from the arguments of the calling script function: one value gives
// a key with both handles on its point, three give inHandle, point and outHandle. Anything
// else, or a null channel (no block of that kind open), raises the math3d error.
void addKeyFromScript(lua_State* L, Channel* channel);

// The host functions behind timeline3_begin ... timeline1_end. They throw kvr::Error, so they
// must be registered through hostFunction, as registerTimelineFunctions does.
int timeline3Begin(lua_State* L);
int timeline3InsertX(lua_State* L);
int timeline3InsertY(lua_State* L);
int timeline3InsertZ(lua_State* L);
int timeline3End(lua_State* L);
int timeline1Begin(lua_State* L);
int timeline1Push(lua_State* L);
int timeline1End(lua_State* L);

}  // namespace kvr
