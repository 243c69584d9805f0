// --export: a timeline file's timelines as JSON, built with nlohmann::json.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/command_line.h"
#include "editing/shortest_number.h"
#include "tledit/timeline_file.h"

namespace kvr {

namespace {

// Keys keep the order they are added in, so objects read as {"in", "point", "out"}. Numbers are
// stored as float, so the library prints a float's own short form, not the long one of the float
// widened to double.
using Json = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool,
                                  std::int64_t, std::uint64_t, float>;

// A float whose shortest decimal is a whole number an int64 holds is written as that integer:
// the library's float printing misses the shortest form of many large values ("1.0750001e+09"
// for the float that "1.075e+09" reads back to). Minus zero stays a float, so that its sign
// survives.
Json number(float v) {
    if (!std::isfinite(v)) return nullptr;
    if (!(v == 0.0f && std::signbit(v))) {
        if (const std::optional<std::int64_t> n = shortestInteger(v)) return *n;
    }
    return v;
}

Json pointJson(const Point2& p) {
    return Json::array({number(p.x), number(p.y)});
}

Json channelJson(const Channel& channel) {
    Json keys = Json::array();
    for (const BezierKey& key : channel.keys()) {
        keys.push_back(Json{{"in", pointJson(key.inHandle)},
                            {"point", pointJson(key.point)},
                            {"out", pointJson(key.outHandle)}});
    }
    return keys;
}

// Whether the library writes the name as it is, without replacing anything: asking the library
// itself keeps this in step with the replacement that dump makes.
bool isUtf8(const std::string& name) {
    try {
        static_cast<void>(Json(name).dump(-1, ' ', false, Json::error_handler_t::strict));
        return true;
    } catch (const Json::type_error&) {
        return false;
    }
}

std::string lowercaseHex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0f];
    }
    return hex;
}

// A timeline's object begins with its name. A name is any bytes a script gave; where they are not
// UTF-8 the dump replaces them with U+FFFD, so two names may read the same: "name_bytes" then
// holds the exact bytes, which tell them apart.
Json namedObject(const std::string& name) {
    Json object{{"name", name}};
    if (!isUtf8(name)) object["name_bytes"] = lowercaseHex(name);
    return object;
}

}  // namespace

std::string timelinesJson(const TimelineRegistry& timelines) {
    Json threes = Json::array();
    for (const auto& [name, timeline] : timelines.timelines3) {
        Json object = namedObject(name);
        object["x"] = channelJson(timeline->x);
        object["y"] = channelJson(timeline->y);
        object["z"] = channelJson(timeline->z);
        threes.push_back(std::move(object));
    }
    Json ones = Json::array();
    for (const auto& [name, timeline] : timelines.timelines1) {
        Json object = namedObject(name);
        object["channel"] = channelJson(timeline->channel);
        ones.push_back(std::move(object));
    }
    const Json document{{"timelines3", std::move(threes)}, {"timelines1", std::move(ones)}};
    // Rather than fail the whole export on a name that is not UTF-8, the dump replaces each
    // maximal ill-formed part of it with one U+FFFD; other characters are written as they are.
    return document.dump(-1, ' ', false, Json::error_handler_t::replace);
}

int exportTimelines(const std::string& fileName) {
    const std::optional<TimelineFile> file = loadReportingProblems(fileName);
    // Half a file exported would pass for the whole of it further down a pipeline.
    if (!file || !file->complete()) return 1;
    const std::string text = timelinesJson(file->timelines()) + '\n';
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        std::fprintf(stderr, "%s: cannot write the JSON to standard output\n", fileName.c_str());
        return 1;
    }
    return 0;
}

}  // namespace kvr
