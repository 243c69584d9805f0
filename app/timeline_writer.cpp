// Writing timelines back as a Lua script of timeline3_begin ... timeline3_end blocks.
#include "app/timeline_writer.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/timeline_editor.h"

namespace kvr {

namespace {

// A Lua 5.0 or 5.1 function holds at most 2^18 - 1 constants; one more and loading stops with
// "constant table overflow". A file whose chunk would hold more is split (see ChunkWriter).
constexpr std::size_t kConstantLimit = (std::size_t{1} << 18) - 1;

// Values this far from zero are printed by snprintf; nearer ones in hundredths of an int64.
constexpr double kHundredthsRange = 1e15;

// The constants a line puts into the function that holds it. A number is the value Lua 5.1
// stores: its parser folds a minus sign into the literal, so -1.5 and 1.5 are two constants.
// Lua 5.0 stores only the magnitude and negates at run time, so it never needs more constants
// than this count; one count serves both. Numbers written with two decimals are kept as
// signed hundredths (0.00 and -0.00 are one constant, as Lua compares them equal), the rare
// longer ones by their text.
struct LineConstants {
    std::int64_t hundredths[12];  // six values, each one number or a quotient of two
    int hundredthCount = 0;
    std::vector<std::string> longNumbers;
    const std::string* strings[3];
    int stringCount = 0;

    void clear() {
        hundredthCount = 0;
        longNumbers.clear();
        stringCount = 0;
    }
    void addHundredths(std::int64_t h) { hundredths[hundredthCount++] = h; }
    void addString(const std::string& s) { strings[stringCount++] = &s; }
};

// The constants of one function of the chunk being written.
class ConstantTable {
public:
    // Adds the line's constants if the function can take them all; false, changing nothing,
    // if it cannot.
    bool tryAdd(const LineConstants& line) {
        std::size_t fresh = 0;
        for (int i = 0; i < line.hundredthCount; ++i) {
            const std::int64_t h = line.hundredths[i];
            if (hundredths_.count(h) == 0 && !repeats(line.hundredths, i, h)) ++fresh;
        }
        for (std::size_t i = 0; i < line.longNumbers.size(); ++i) {
            const std::string& n = line.longNumbers[i];
            if (longNumbers_.count(n) == 0 && !repeats(line.longNumbers.data(), i, n)) ++fresh;
        }
        for (int i = 0; i < line.stringCount; ++i) {
            const std::string& s = *line.strings[i];
            if (strings_.count(s) == 0 && !repeatsString(line, i, s)) ++fresh;
        }
        if (size() + fresh > kConstantLimit) return false;
        for (int i = 0; i < line.hundredthCount; ++i) hundredths_.insert(line.hundredths[i]);
        for (const std::string& n : line.longNumbers) longNumbers_.insert(n);
        for (int i = 0; i < line.stringCount; ++i) strings_.insert(*line.strings[i]);
        return true;
    }

    std::size_t size() const { return hundredths_.size() + longNumbers_.size() + strings_.size(); }

    void clear() {
        hundredths_.clear();
        longNumbers_.clear();
        strings_.clear();
    }

private:
    template <typename T, typename Index>
    static bool repeats(const T* items, Index i, const T& item) {
        for (Index j = 0; j < i; ++j) {
            if (items[j] == item) return true;
        }
        return false;
    }
    static bool repeatsString(const LineConstants& line, int i, const std::string& s) {
        for (int j = 0; j < i; ++j) {
            if (*line.strings[j] == s) return true;
        }
        return false;
    }

    std::unordered_set<std::int64_t> hundredths_;
    std::unordered_set<std::string> longNumbers_;
    std::unordered_set<std::string> strings_;
};

// Appends what "%.2f" prints for the value. A float times 100 is exact in a double, and
// rounding it to an integer with ties to even is what printf does with the exact value.
void appendFixed(std::string& out, float value, LineConstants& constants) {
    const double scaled = static_cast<double>(value) * 100.0;
    if (!(std::fabs(scaled) < kHundredthsRange * 100.0)) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.2f", static_cast<double>(value));
        out += buffer;
        constants.longNumbers.emplace_back(buffer);
        return;
    }
    const auto hundredths = static_cast<std::int64_t>(std::nearbyint(scaled));
    // The sign is the value's: a small negative value prints as -0.00.
    if (std::signbit(value)) out += '-';
    const std::int64_t magnitude = hundredths < 0 ? -hundredths : hundredths;
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, magnitude / 100).ptr;
    out.append(digits, end);
    const auto cents = static_cast<char>(magnitude % 100);
    out += '.';
    out += static_cast<char>('0' + cents / 10);
    out += static_cast<char>('0' + cents % 10);
    constants.addHundredths(hundredths);
}

// Values that have no decimal form are written as expressions that evaluate to them, so
// that the file still reads back.
void appendNumber(std::string& out, float value, LineConstants& constants) {
    if (std::isnan(value)) {
        out += "0/0";
        constants.addHundredths(0);
    } else if (std::isinf(value)) {
        out += value > 0 ? "1/0" : "-1/0";
        constants.addHundredths(value > 0 ? 100 : -100);
        constants.addHundredths(0);
    } else {
        appendFixed(out, value, constants);
    }
}

void appendVector2(std::string& out, Point2 p, LineConstants& constants) {
    out += "vector2.new(";
    appendNumber(out, p.x, constants);
    out += ", ";
    appendNumber(out, p.y, constants);
    out += ')';
}

void appendKey(std::string& out, const BezierKey& key, LineConstants& constants) {
    appendVector2(out, key.inHandle, constants);
    out += ", ";
    appendVector2(out, key.point, constants);
    out += ", ";
    appendVector2(out, key.outHandle, constants);
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

const std::string kBegin = "timeline3_begin";
const std::string kEnd = "timeline3_end";
const std::string kVector2 = "vector2";
const std::string kNew = "new";
const std::string kInsertX = "timeline3_insert_x";
const std::string kInsertY = "timeline3_insert_y";
const std::string kInsertZ = "timeline3_insert_z";

// Writes the chunk line by line, keeping count of the constants each function holds. Every
// file that fits in one function is written in the plain form. A file that would not fit
// keeps the plain form for as long as the chunk has room; from there on its key lines go into
// functions of their own, each run at once where it stands, which Lua 5.0 and 5.1 both read:
//
//     do local function keys()
//     timeline3_insert_x(...)
//     end keys() end
//
// The begin and end lines stay in the chunk, whose constants for them are counted up front.
class ChunkWriter {
public:
    ChunkWriter(std::string& out, const TimelineRegistry& registry) : out_(out) {
        LineConstants line;
        for (const auto& entry : registry.timelines3) {
            line.clear();
            line.addString(kBegin);
            line.addString(entry.first);
            line.addString(kEnd);
            if (!chunk_.tryAdd(line)) {
                // More timeline names than one function can hold: every line goes into the
                // nested functions, the begin and end lines too.
                blockLinesInChunk_ = false;
                chunkFull_ = true;
                chunk_.clear();
                break;
            }
        }
    }

    void beginBlock(const std::string& name) {
        line_.clear();
        line_ += "timeline3_begin(";
        appendQuotedName(line_, name);
        line_ += ")\n";
        emitBlockLine(&name, kBegin);
    }

    void key(const std::string& function, const BezierKey& key) {
        line_.clear();
        constants_.clear();
        line_ += function;
        line_ += '(';
        appendKey(line_, key, constants_);
        line_ += ")\n";
        constants_.addString(function);
        constants_.addString(kVector2);
        constants_.addString(kNew);
        emit();
    }

    void endBlock() {
        line_.clear();
        line_ += "timeline3_end()\n\n";
        emitBlockLine(nullptr, kEnd);
    }

    // Closes the function still open at the end of the file.
    void finish() {
        if (functionOpen_) closeFunction();
    }

private:
    // A begin or end line: in the chunk, whose table already counts its constants, unless
    // there are too many blocks for that.
    void emitBlockLine(const std::string* name, const std::string& function) {
        if (blockLinesInChunk_) {
            if (functionOpen_) closeFunction();
            out_ += line_;
            return;
        }
        constants_.clear();
        constants_.addString(function);
        if (name) constants_.addString(*name);
        emit();
    }

    void emit() {
        if (!chunkFull_) {
            if (chunk_.tryAdd(constants_)) {
                out_ += line_;
                return;
            }
            chunkFull_ = true;
        }
        if (functionOpen_ && !function_.tryAdd(constants_)) closeFunction();
        if (!functionOpen_) {
            out_ += "do local function keys()\n";
            functionOpen_ = true;
            function_.tryAdd(constants_);  // a line always fits in an empty function
        }
        out_ += line_;
    }

    void closeFunction() {
        out_ += "end keys() end\n";
        functionOpen_ = false;
        function_.clear();
    }

    std::string& out_;
    std::string line_;
    LineConstants constants_;
    ConstantTable chunk_;
    ConstantTable function_;
    bool blockLinesInChunk_ = true;
    bool chunkFull_ = false;
    bool functionOpen_ = false;
};

}  // namespace

std::string formatKey(const BezierKey& key) {
    std::string text;
    LineConstants unused;
    appendKey(text, key, unused);
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

    ChunkWriter writer(out, registry);
    for (const auto& entry : registry.timelines3) {
        const Timeline3& timeline = *entry.second;
        writer.beginBlock(entry.first);
        for (const BezierKey& key : timeline.x.keys) writer.key(kInsertX, key);
        for (const BezierKey& key : timeline.y.keys) writer.key(kInsertY, key);
        for (const BezierKey& key : timeline.z.keys) writer.key(kInsertZ, key);
        writer.endBlock();
    }
    writer.finish();
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
