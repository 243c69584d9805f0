// Writing timelines back as a Lua script of timeline3_begin ... timeline3_end blocks.
#include "app/timeline_writer.h"

#include <cmath>
#include <cstdio>

#include "app/timeline_editor.h"

namespace kvr {

namespace {

// Two decimals as "%.2f" prints them; values that have no decimal form are written as
// expressions that evaluate to them, so that the file still reads back.
void appendNumber(std::string& out, float value) {
    if (std::isnan(value)) {
        out += "0/0";
    } else if (std::isinf(value)) {
        out += value > 0 ? "1/0" : "-1/0";
    } else {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.2f", static_cast<double>(value));
        out += buffer;
    }
}

void appendVector2(std::string& out, Point2 p) {
    out += "vector2.new(";
    appendNumber(out, p.x);
    out += ", ";
    appendNumber(out, p.y);
    out += ')';
}

void appendKey(std::string& out, const BezierKey& key) {
    appendVector2(out, key.inHandle);
    out += ", ";
    appendVector2(out, key.point);
    out += ", ";
    appendVector2(out, key.outHandle);
}

// Names are written as they are unless they hold bytes that would end or break the string
// literal; those are escaped so that the name reads back unchanged.
void appendQuotedName(std::string& out, const std::string& name) {
    out += '"';
    for (unsigned char c : name) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\%03u", static_cast<unsigned>(c));
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

void appendChannel(std::string& out, const char* function, const Channel& channel) {
    for (const BezierKey& key : channel.keys) {
        out += function;
        out += '(';
        appendKey(out, key);
        out += ")\n";
    }
}

}  // namespace

std::string formatKey(const BezierKey& key) {
    std::string text;
    appendKey(text, key);
    return text;
}

std::string formatTimelines(const TimelineRegistry& registry) {
    std::string out;
    std::size_t keyCount = 0;
    for (const auto& entry : registry.timelines3) {
        const Timeline3& t = *entry.second;
        keyCount += t.x.keys.size() + t.y.keys.size() + t.z.keys.size();
    }
    out.reserve(keyCount * 110 + registry.timelines3.size() * 64);

    for (const auto& entry : registry.timelines3) {
        const Timeline3& timeline = *entry.second;
        out += "timeline3_begin(";
        appendQuotedName(out, entry.first);
        out += ")\n";
        appendChannel(out, "timeline3_insert_x", timeline.x);
        appendChannel(out, "timeline3_insert_y", timeline.y);
        appendChannel(out, "timeline3_insert_z", timeline.z);
        out += "timeline3_end()\n\n";
    }
    return out;
}

void TimelineEditor::save() {
    if (fileName.empty()) return;
    std::string reason;
    if (!replaceFileContents(fileName, formatTimelines(TimelineRegistry::instance()), reason)) {
        std::fprintf(stderr, "cannot save %s: %s\n", fileName.c_str(), reason.c_str());
    }
}

}  // namespace kvr
