// --export: a timeline file's timelines as JSON, built with nlohmann::json.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include <nlohmann/json.hpp>

#include "app/command_line.h"
#include "tledit/timeline_file.h"

namespace kvr {

namespace {

// Keys keep the order they are added in, so objects read as {"in", "point", "out"}. Numbers are
// stored as float: the library then prints a float's own shortest form (the fewest digits that
// read back to the same float), not the long one of the float widened to double.
using Json = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool,
                                  std::int64_t, std::uint64_t, float>;

// Below 2^24 every integral float is an integer exactly, and is written as one ("100", not
// "100.0"); minus zero stays a float so that its sign survives.
Json number(float v) {
    if (!std::isfinite(v)) return nullptr;
    if (v == std::trunc(v) && std::fabs(v) < 16777216.0f && !(v == 0.0f && std::signbit(v))) {
        return static_cast<std::int64_t>(v);
    }
    return v;
}

Json pointJson(const Point2& p) {
    return Json::array({number(p.x), number(p.y)});
}

Json channelJson(const Channel& channel) {
    Json keys = Json::array();
    for (const BezierKey& key : channel.keys) {
        keys.push_back(Json{{"in", pointJson(key.inHandle)},
                            {"point", pointJson(key.point)},
                            {"out", pointJson(key.outHandle)}});
    }
    return keys;
}

}  // namespace

std::string timelinesJson(const TimelineRegistry& timelines) {
    Json threes = Json::array();
    for (const auto& [name, timeline] : timelines.timelines3) {
        threes.push_back(Json{{"name", name},
                              {"x", channelJson(timeline->x)},
                              {"y", channelJson(timeline->y)},
                              {"z", channelJson(timeline->z)}});
    }
    Json ones = Json::array();
    for (const auto& [name, timeline] : timelines.timelines1) {
        ones.push_back(Json{{"name", name}, {"channel", channelJson(timeline->channel)}});
    }
    const Json document{{"timelines3", std::move(threes)}, {"timelines1", std::move(ones)}};
    // A name is any bytes a script gave; bytes that are not UTF-8 become U+FFFD rather than
    // make the whole export fail. Other characters are written as they are.
    return document.dump(-1, ' ', false, Json::error_handler_t::replace);
}

int exportTimelines(const std::string& fileName) {
    std::string text;
    try {
        const TimelineFile file = TimelineFile::load(fileName);
        for (const std::string& problem : file.problems()) {
            std::fprintf(stderr, "%s\n", problem.c_str());
        }
        // Half a file exported would pass for the whole of it further down a pipeline.
        if (!file.complete()) return 1;
        text = timelinesJson(file.timelines());
    } catch (const std::exception& error) {
        printLoadFailure(fileName, error);
        return 1;
    }
    text += '\n';
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        std::fprintf(stderr, "%s: cannot write the JSON to standard output\n", fileName.c_str());
        return 1;
    }
    return 0;
}

}  // namespace kvr
