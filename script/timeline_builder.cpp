// The eight timeline functions that a timeline file calls, and the builder state behind them.
#include "script/timeline_builder.h"

#include <lua.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "math3d/argument_checks.h"
#include "math3d/math3d.h"
#include "math3d/value_arena.h"
#include "script/script_limits.h"
#include "timeline/error.h"
#include "timeline/timeline_registry.h"

namespace kvr {

namespace {

// The math3d layer reads a value only when its floats lie inside an arena block, so a stray
// light userdata cannot make us read foreign memory.
Point2 readPoint(lua_State* L, int index) {
    const float* xy = math3d::toValue(L, index, 2, nullptr);
    return Point2{xy[0], xy[1]};
}

// Records the name and arena mark of a new block; false when the first argument is no name,
// in which case no block opens.
bool takeName(lua_State* L, TimelineBuilder& b) {
    if (!lua_isstring(L, 1)) return false;
    b.arenaMark = ValueArena::instance().size();
    // A Lua string may hold zero bytes; names end at the first one, as the registry and the
    // written files expect.
    b.pendingName = std::string(lua_tostring(L, 1));
    return true;
}

// After the keys have copied their floats, the values made inside the block are no longer
// needed: the next block reuses their room.
void finishBlock(TimelineBuilder& b) {
    ValueArena::instance().resize(b.arenaMark);
    b.pendingName.clear();
}

// Counts bytes against the file's budget; false, counting nothing, when they do not fit.
bool charge(TimelineBuilder& b, std::uint64_t bytes) {
    const std::uint64_t limit = scriptLimits().timelineBytes;
    if (bytes > limit || b.bytesBuilt > limit - bytes) return false;
    b.bytesBuilt += bytes;
    return true;
}

// A Lua error, not kvr::Error: the editor goes on with the timelines built so far. Nothing in the
// calling frames needs destroying, as the error unwinds them with a longjmp.
[[noreturn]] void raiseTooLarge(lua_State* L) {
    char message[160];
    std::snprintf(message, sizeof message,
                  "script stopped: its timelines would take more than %llu bytes",
                  static_cast<unsigned long long>(scriptLimits().timelineBytes));
    luaL_error(L, "%s", message);
    std::abort();  // luaL_error does not return
}

std::uint64_t timelineSampleBytes(const Timeline3& t) {
    return (sampleBound(t.x) + sampleBound(t.y) + sampleBound(t.z)) * sizeof(Point2);
}

TimelineRegistry& targetOf(const TimelineBuilder& b) {
    return b.target ? *b.target : TimelineRegistry::instance();
}

// The registry keeps the first block of a name; the load is then incomplete, and says where.
void noteDropped(lua_State* L, const TimelineBuilder& b, const char* kind) {
    if (!b.report) return;
    std::string where;
    lua_Debug caller;
    if (lua_getstack(L, 1, &caller) != 0 && lua_getinfo(L, "Sl", &caller) != 0 &&
        caller.currentline > 0) {
        where = std::string(caller.short_src) + ":" + std::to_string(caller.currentline) + ": ";
    }
    b.report->problems.push_back(where + kind + " \"" + b.pendingName +
                                 "\" is already defined; this block was dropped");
}

Channel* pending3Channel(Channel Timeline3::*member) {
    TimelineBuilder& b = TimelineBuilder::instance();
    return b.pending3 ? &(b.pending3.get()->*member) : nullptr;
}

}  // namespace

void TimelineBuilder::reset() {
    pendingName.clear();
    pending3.reset();
    pending1.reset();
    bytesBuilt = 0;
}

std::uint64_t sampleBound(const Channel& channel) {
    const std::size_t n = channel.keys().size();
    if (n < 2) return n;
    // A pair is sampled every step from its first key while the time stays within the second.
    // Far from zero, adding the step stops moving the time (within two steps past
    // step * 2^25), which ends the pair; keys farther out than that count as if there.
    const double step = channel.step();
    const double reach = step > 0 ? step * 67108864.0 : 0.0;
    double bound = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        // A NaN time fails the comparison, as it fails the sampling loop's.
        const double start = std::max<double>(channel.keys()[i].point.x, -reach);
        const double end = std::min<double>(channel.keys()[i + 1].point.x, reach);
        if (end > start) bound += (end - start) / step;
        bound += 4;  // the first sample, and rounding of the steps
    }
    // Capped so that sums of bounds in bytes cannot wrap around.
    constexpr std::uint64_t cap = std::uint64_t{1} << 56;
    return bound < static_cast<double>(cap) ? static_cast<std::uint64_t>(bound) : cap;
}

TimelineBuilder& TimelineBuilder::instance() {
    static TimelineBuilder builder;
    return builder;
}

void addKeyFromScript(lua_State* L, Channel* channel) {
    const int count = lua_gettop(L);
    const bool onePoint = count == 1 && math3d::isValue(L, 1);
    const bool threePoints =
        count == 3 && math3d::isValue(L, 1) && math3d::isValue(L, 2) && math3d::isValue(L, 3);
    if (!channel || !(onePoint || threePoints)) raise_math3d_error(L, nullptr);
    if (!charge(TimelineBuilder::instance(), sizeof(BezierKey))) raiseTooLarge(L);
    // Nothing can look at a pending timeline's samples, so they are built once at the block's
    // end instead of after every key; the keys end up exactly as with a rebuild per key.
    if (onePoint) {
        channel->insertPoint(readPoint(L, 1));
    } else {
        Point2 in = readPoint(L, 1);
        Point2 point = readPoint(L, 2);
        Point2 out = readPoint(L, 3);
        channel->insertKey(in, point, out);
    }
}

int timeline3Begin(lua_State* L) {
    TimelineBuilder& b = TimelineBuilder::instance();
    if (b.pending3) throw Error("timeline3_begin()");
    if (takeName(L, b)) b.pending3 = std::make_unique<Timeline3>(kSampleStep);
    return 0;
}

int timeline3InsertX(lua_State* L) {
    addKeyFromScript(L, pending3Channel(&Timeline3::x));
    return 0;
}

int timeline3InsertY(lua_State* L) {
    addKeyFromScript(L, pending3Channel(&Timeline3::y));
    return 0;
}

int timeline3InsertZ(lua_State* L) {
    addKeyFromScript(L, pending3Channel(&Timeline3::z));
    return 0;
}

int timeline3End(lua_State* L) {
    TimelineBuilder& b = TimelineBuilder::instance();
    if (!b.pending3) raise_math3d_error(L, nullptr);
    // Checked before sampling, which is where the memory and the time would go.
    if (!charge(b, timelineSampleBytes(*b.pending3))) {
        b.pending3.reset();
        finishBlock(b);
        raiseTooLarge(L);
    }
    b.pending3->rebuildAll();
    if (!targetOf(b).addTimeline3(b.pendingName,
                                  std::shared_ptr<Timeline3>(std::move(b.pending3)))) {
        noteDropped(L, b, "timeline3");
    }
    finishBlock(b);
    return 0;
}

int timeline1Begin(lua_State* L) {
    TimelineBuilder& b = TimelineBuilder::instance();
    if (b.pending1) throw Error("timeline1_begin()");
    if (takeName(L, b)) b.pending1 = std::make_unique<Timeline1>(kSampleStep);
    return 0;
}

int timeline1Push(lua_State* L) {
    TimelineBuilder& b = TimelineBuilder::instance();
    addKeyFromScript(L, b.pending1 ? &b.pending1->channel : nullptr);
    return 0;
}

int timeline1End(lua_State* L) {
    TimelineBuilder& b = TimelineBuilder::instance();
    if (!b.pending1) raise_math3d_error(L, nullptr);
    if (!charge(b, sampleBound(b.pending1->channel) * sizeof(Point2))) {
        b.pending1.reset();
        finishBlock(b);
        raiseTooLarge(L);
    }
    b.pending1->channel.rebuild();
    if (!targetOf(b).addTimeline1(b.pendingName,
                                  std::shared_ptr<Timeline1>(std::move(b.pending1)))) {
        noteDropped(L, b, "timeline1");
    }
    finishBlock(b);
    return 0;
}

}  // namespace kvr
