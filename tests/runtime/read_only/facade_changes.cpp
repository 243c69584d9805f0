// Changes tried on a loaded file, built once per ATTEMPT: every attempt must fail to compile.
// ATTEMPT 0 builds the same paths reading through the file, and the same changes made through
// a registry of one's own; it must compile, so an attempt fails because the file is read-only
// and not because this snippet is wrong.
#include <tledit/timeline_file.h>

#include <utility>

float changeOrRead(const kvr::TimelineFile& file, kvr::TimelineRegistry& own) {
    const kvr::Point2 p{1.0f, 2.0f};
    float read = 0.0f;
#if ATTEMPT == 0
    read += file.timelines().findTimeline3("a")->y.evaluate(0.0f);
    read += file.timelines().findTimeline1("f")->channel.evaluate(0.0f);
    read += file.timelines().timelines3.begin()->second->y.evaluate(0.0f);
    read += (*file.timelines().timelines1.at("f")).channel.evaluate(0.0f);
    read += file.timeline3("a")->y.valueAt(0.0f);
    read += file.timeline1("f")->valueAt(0.0f);
    const kvr::TimelineRegistry& timelines = file.timelines();
    read += timelines.findTimeline3("a")->x.evaluate(0.0f);
    const kvr::TimelineFile copy = file;
    read += copy.timeline3("a")->z.evaluate(0.0f);

    own.findTimeline3("a")->y.addPoint(p);
    own.findTimeline1("f")->channel.addPoint(p);
    own.timelines3.begin()->second->y.addPoint(p);
    (*own.timelines1.at("f")).channel.addPoint(p);
    own.timelines3.at("a").share()->y.addPoint(p);
    kvr::TimelineRegistry shared = own.share();
    shared.findTimeline3("a")->y.addPoint(p);
    auto taken = std::move(own.timelines3);
    taken.at("a")->y.addPoint(p);
#elif ATTEMPT == 1
    file.timelines().findTimeline3("a")->y.addPoint(p);
#elif ATTEMPT == 2
    file.timelines().findTimeline1("f")->channel.addPoint(p);
#elif ATTEMPT == 3
    file.timelines().timelines3.begin()->second->y.addPoint(p);
#elif ATTEMPT == 4
    (*file.timelines().timelines1.at("f")).channel.addPoint(p);
#elif ATTEMPT == 5
    file.timeline3("a")->y.addPoint(p);
#elif ATTEMPT == 6
    file.timeline1("f")->addPoint(p);
#elif ATTEMPT == 7
    file.timelines().timelines3.at("a").share()->y.addPoint(p);
#elif ATTEMPT == 8
    kvr::TimelineRegistry copy = file.timelines();
    copy.findTimeline3("a")->y.addPoint(p);
#elif ATTEMPT == 9
    auto copy = file.timelines().timelines3;
    copy.at("a")->y.addPoint(p);
#endif
    static_cast<void>(own);
    return read;
}
