// Fuzzes timeline scripts: load the text, save what it built, load that again, and compare.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "editing/timeline_writer.h"
#include "math3d/value_arena.h"
#include "script/script_limits.h"
#include "script/timeline_script.h"
#include "timeline/error.h"
#include "timeline/timeline_registry.h"

namespace {

using kvr::Channel;
using kvr::Timeline1;
using kvr::Timeline3;
using kvr::TimelineRegistry;

// Low enough that runaway inputs end in milliseconds; a script within them can still build some
// ten thousand keys.
constexpr kvr::ScriptLimits kScriptLimits{100'000, 32u << 20, 16u << 20};
// The saved form of what a script built costs a few times its instructions to read back.
constexpr kvr::ScriptLimits kReloadLimits{50'000'000, 256u << 20, 64u << 20};
constexpr std::uint64_t kArenaLimit = 16u << 20;

// Lua errors go to standard error, which the fuzzer is run with closed (-close_fd_mask) so as
// not to drown its own output; failures are written to a copy taken before that.
int reportFd = 2;

[[noreturn]] void fail(const std::string& what, const std::string& saved) {
    const std::string text = "round trip failed: " + what + "\nsaved text (" +
                             std::to_string(saved.size()) + " bytes):\n" + saved.substr(0, 4000) +
                             "\n";
    const ssize_t written = write(reportFd, text.data(), text.size());
    (void)written;  // nothing more to do if even this fails
    std::abort();
}

// A saved file reads back to the very floats it was written from, apart from the sign of a zero
// (written 0.00) and the bits of a NaN (written 0/0).
bool sameValue(float written, float read) {
    if (std::isnan(written)) return std::isnan(read);
    if (written == 0.0f) return read == 0.0f;
    return std::memcmp(&written, &read, sizeof written) == 0;
}

bool samePoint(kvr::Point2 a, kvr::Point2 b) {
    return sameValue(a.x, b.x) && sameValue(a.y, b.y);
}

void compareChannels(const Channel& first, const Channel& second, const std::string& where,
                     const std::string& saved) {
    if (first.keys().size() != second.keys().size()) {
        fail(where + ": " + std::to_string(first.keys().size()) + " keys became " +
                 std::to_string(second.keys().size()),
             saved);
    }
    for (std::size_t i = 0; i < first.keys().size(); ++i) {
        const kvr::BezierKey& a = first.keys()[i];
        const kvr::BezierKey& b = second.keys()[i];
        if (!samePoint(a.inHandle, b.inHandle) || !samePoint(a.point, b.point) ||
            !samePoint(a.outHandle, b.outHandle)) {
            fail(where + ": key " + std::to_string(i) + " changed: " + kvr::formatKey(a) +
                     " became " + kvr::formatKey(b),
                 saved);
        }
    }
}

// The same names in the same order, and each pair of timelines alike by compare.
template <typename Map, typename Compare>
void compareTimelines(const Map& first, const Map& second, const std::string& saved,
                      Compare compare) {
    if (second.size() != first.size()) {
        fail(std::to_string(first.size()) + " timelines became " + std::to_string(second.size()),
             saved);
    }
    auto it = second.begin();
    for (const auto& [name, timeline] : first) {
        if (it->first != name)
            fail("timeline \"" + name + "\" became \"" + it->first + "\"", saved);
        compare(*timeline, *it->second, name);
        ++it;
    }
}

// Every run starts as a fresh editor would: no timelines and an empty arena.
void startAfresh() {
    TimelineRegistry::instance().clear();
    kvr::ValueArena::instance().restart();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Runs before the fuzzer closes standard error.
    reportFd = dup(2);
    kvr::ValueArena::instance().setStorageLimit(kArenaLimit);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    startAfresh();
    kvr::setScriptLimits(kScriptLimits);
    try {
        // Lua errors, the instruction budget and the memory cap are reported and return here.
        kvr::runTimelineScriptText(std::string(reinterpret_cast<const char*>(data), size), "=fuzz");
    } catch (const kvr::Error&) {
        // A bad call into the library ends the editor with its message: a normal outcome.
        return 0;
    }

    // Keep what the first load built: the registry is the one the reload fills.
    TimelineRegistry first = TimelineRegistry::instance().share();
    const std::string saved = kvr::formatTimelines(first);

    startAfresh();
    kvr::setScriptLimits(kReloadLimits);
    try {
        kvr::runTimelineScriptText(saved, "=saved");
    } catch (const kvr::Error& e) {
        fail(std::string("the saved text does not load: ") + e.what(), saved);
    }

    const TimelineRegistry& second = TimelineRegistry::instance();
    compareTimelines(first.timelines3, second.timelines3, saved,
                     [&](const Timeline3& a, const Timeline3& b, const std::string& name) {
                         compareChannels(a.x, b.x, name + " x", saved);
                         compareChannels(a.y, b.y, name + " y", saved);
                         compareChannels(a.z, b.z, name + " z", saved);
                     });
    compareTimelines(first.timelines1, second.timelines1, saved,
                     [&](const Timeline1& a, const Timeline1& b, const std::string& name) {
                         compareChannels(a.channel, b.channel, name, saved);
                     });
    startAfresh();
    return 0;
}
