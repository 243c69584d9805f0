// kvr::TimelineFile: a timeline file loaded for a game, owning its timelines and its load report.
//
// Loads run the file exactly as the editor loads it: a fresh Lua interpreter with the math3d
// library and the timeline functions, no standard library, the same limits on instructions and
// memory. A Lua error ends the script but not the load: what came before it stays, and the
// message goes to errors() (a script-defined _ALERT still sees it) instead of being printed.
// A wrong call into the library (a key function with wrong arguments, a block opened inside one
// of its own kind) throws kvr::Error, whose message is the one the editor prints:
// "lua::math3d error at NAME file:@FILE line:N" or "timeline3_begin()".
//
// Reading a curve: Channel::valueAt(t) is the value of the line the editor draws, at any time
// t. The curves are sampled every 2 time units from each key and drawn through those samples,
// so a time unit is best a frame, or finer, rather than a second. (Channel::evaluate, and
// Timeline3::valueAt built on it, is the editor's own rule for picking and inserting: at a
// sample's time it reads the chord of the neighbouring samples instead of the sample.)
//
// Threads: a loaded TimelineFile is never changed again, so any number of threads may read and
// evaluate its timelines at once, also while another file loads. Everything it gives out is
// const, so nothing can change it: copies of a file share its timelines. load() may be called
// from any thread, but loads run one at a time: they share the process-wide script builder and
// value arena, and wait for each other on a lock. A TimelineFile itself is an ordinary value:
// give each one to a thread, or share it only for reading.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "timeline/channel.h"
#include "timeline/error.h"
#include "timeline/timeline.h"
#include "timeline/timeline_registry.h"

namespace kvr {

class TimelineFile {
public:
    // Runs the file and keeps what it defined. A file that cannot be opened or read is a Lua
    // error like any other: the result is then empty and not complete.
    static TimelineFile load(const std::string& fileName);

    // Copies share the timelines. A move copies too, so that a file moved from still holds
    // its timelines rather than none at all.
    TimelineFile(const TimelineFile&) = default;
    TimelineFile& operator=(const TimelineFile&) = default;

    const std::string& fileName() const { return fileName_; }

    // Names in byte-wise order (std::string's <), the order the editor writes them in.
    std::vector<std::string> timeline3Names() const;
    std::vector<std::string> timeline1Names() const;
    // Null when the file defined no timeline of that kind under the name.
    const Timeline3* timeline3(const std::string& name) const;
    const Channel* timeline1(const std::string& name) const;
    // Both kinds together, in the same order, for callers that walk everything; as const, the
    // registry gives only const timelines.
    const TimelineRegistry& timelines() const { return *registry_; }

    // Lua's messages of the load (syntax, run-time, the limits, a failing _ALERT), each as
    // "FILE:LINE: ..." where the line is known.
    const std::vector<std::string>& errors() const { return errors_; }
    // Every reason the file did not load completely, in the order met: the Lua errors, a block
    // still open at the end of the file, a block dropped because its name was already taken.
    const std::vector<std::string>& problems() const { return problems_; }
    // Whether the timelines hold everything the file defined.
    bool complete() const { return problems_.empty(); }

    // Timelines of both kinds, and keys of every channel of them.
    std::size_t timelineCount() const;
    std::size_t keyCount() const;

private:
    TimelineFile() = default;

    std::string fileName_;
    // Never null; shared by copies, which is safe as nobody can change it.
    std::shared_ptr<const TimelineRegistry> registry_;
    std::vector<std::string> errors_;
    std::vector<std::string> problems_;
};

}  // namespace kvr
