// Writing timelines back as a Lua script of timeline3_begin ... timeline3_end blocks, then
// timeline1_begin ... timeline1_end blocks.
#include "editing/timeline_writer.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

#include "editing/constant_table.h"
#include "editing/shortest_number.h"

namespace kvr {

namespace {

// The key lines of a file too big for one function go into functions of at most this many
// constants (by a bound that counts repeated numbers again). Far below the limit on purpose:
// the compiler keeps a lookup table of each function's constants while compiling it, and
// smaller ones make loading such a file faster and take much less memory at its peak than
// functions filled to the limit.
constexpr std::size_t kGroupConstants = (std::size_t{1} << 15) - 64;

// Values whose hundredths fit comfortably in an int64 are printed here; larger ones, all whole
// numbers, by snprintf.
constexpr double kHundredthsRange = 1e17;

const std::string kBegin3 = "timeline3_begin";
const std::string kEnd3 = "timeline3_end";
const std::string kBegin1 = "timeline1_begin";
const std::string kEnd1 = "timeline1_end";
const std::string kVector2 = "vector2";
const std::string kNew = "new";
// The key functions, by the index a block gives its channels.
const std::string kInsert[] = {"timeline3_insert_x", "timeline3_insert_y", "timeline3_insert_z",
                               "timeline1_push"};

// One block of the file: a three-channel timeline, or a one-channel one. One-channel timelines
// are not shown, but they are written too: the file is the user's, and a game may read them.
struct Block {
    const std::string& name;
    const std::string& begin;
    const std::string& end;
    const Channel* channels[3];
    int channelCount;
    int firstInsert;  // kInsert index of the first channel's key function
};

// Visits the three-channel timelines, then the one-channel ones, each in name order; stops
// (and returns false) as soon as visit does.
template <typename Visit>
bool forEachBlock(const TimelineRegistry& registry, Visit&& visit) {
    for (const auto& [name, t] : registry.timelines3) {
        if (!visit(Block{name, kBegin3, kEnd3, {&t->x, &t->y, &t->z}, 3, 0})) return false;
    }
    for (const auto& [name, t] : registry.timelines1) {
        if (!visit(Block{name, kBegin1, kEnd1, {&t->channel}, 1, 3})) return false;
    }
    return true;
}

// Appends the value's text: what "%.2f" prints where that reads back to the value, which is
// the form of every value typed or saved in hundredths, else the shortest decimal that does.
// A float times 100 is exact in a double, and rounding that to an integer with ties to even is
// what printf does with the exact value.
void appendFinite(std::string& out, float value) {
    const double scaled = static_cast<double>(value) * 100.0;
    if (!(std::fabs(scaled) < kHundredthsRange)) {
        // A whole number, whose digits "%.2f" prints exactly.
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.2f", static_cast<double>(value));
        out += buffer;
        return;
    }
    const auto hundredths = static_cast<std::int64_t>(std::nearbyint(scaled));
    // Lua reads the text as the double nearest to hundredths / 100, which is what dividing the
    // exact hundredths by 100 gives, and the loader narrows that to a float. A minus zero
    // passes as 0.00 and is written so: a -0.00 would become the function's one zero constant
    // and turn its later zeros, and the 0 of each 1/0, negative.
    if (static_cast<float>(static_cast<double>(hundredths) / 100.0) != value) {
        char text[kShortestNumberSize];
        out.append(text, writeShortestNumber(text, value));
        return;
    }
    if (hundredths < 0) out += '-';
    const std::int64_t magnitude = hundredths < 0 ? -hundredths : hundredths;
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, magnitude / 100).ptr;
    out.append(digits, end);
    const auto cents = static_cast<char>(magnitude % 100);
    out += '.';
    out += static_cast<char>('0' + cents / 10);
    out += static_cast<char>('0' + cents % 10);
}

// Appends the value (unless out is null) and notes its constants. Values that have no decimal
// form are written as expressions that evaluate to them, so that the file still reads back.
void appendNumber(std::string* out, float value, LineConstants& constants) {
    if (std::isnan(value)) {
        if (out) *out += "0/0";
        constants.addNumber(0.0f);
        constants.addNumber(0.0f);
    } else if (std::isinf(value)) {
        if (out) *out += value > 0 ? "1/0" : "-1/0";
        constants.addNumber(value > 0 ? 1.0f : -1.0f);
        constants.addNumber(0.0f);
    } else {
        constants.addNumber(value);
        if (out) appendFinite(*out, value);
    }
}

void appendVector2(std::string* out, Point2 p, LineConstants& constants) {
    if (out) *out += "vector2.new(";
    appendNumber(out, p.x, constants);
    if (out) *out += ", ";
    appendNumber(out, p.y, constants);
    if (out) *out += ')';
}

void appendKey(std::string* out, const BezierKey& key, LineConstants& constants) {
    appendVector2(out, key.inHandle, constants);
    if (out) *out += ", ";
    appendVector2(out, key.point, constants);
    if (out) *out += ", ";
    appendVector2(out, key.outHandle, constants);
}

// The whole key line (into out unless it is null) and its constants.
void appendKeyLine(std::string* out, int channel, const BezierKey& key, LineConstants& constants) {
    constants.clear();
    if (out) {
        *out += kInsert[channel];
        *out += '(';
    }
    appendKey(out, key, constants);
    if (out) *out += ")\n";
    constants.addString(kInsert[channel]);
    constants.addString(kVector2);
    constants.addString(kNew);
}

void blockConstants(const Block& block, LineConstants& constants) {
    constants.clear();
    constants.addString(block.begin);
    constants.addString(block.name);
    constants.addString(block.end);
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

// Whether the whole file, written plain, is one function the interpreter can hold. Stops
// counting as soon as it is not.
bool fitsInOneFunction(const TimelineRegistry& registry, std::size_t keyCount) {
    // Six numbers a key, barring non-finite ones, and the count stops one past the limit.
    ConstantTable chunk(kLuaConstantLimit, 6 * keyCount + 1);
    LineConstants line;
    return forEachBlock(registry, [&](const Block& block) {
        blockConstants(block, line);
        if (!chunk.tryAdd(line)) return false;
        for (int c = 0; c < block.channelCount; ++c) {
            for (const BezierKey& key : block.channels[c]->keys()) {
                appendKeyLine(nullptr, block.firstInsert + c, key, line);
                if (!chunk.tryAdd(line)) return false;
            }
        }
        return true;
    });
}

// Whether the begin and end lines alone fit in the chunk, leaving the key lines to functions.
bool blockLinesFit(const TimelineRegistry& registry) {
    ConstantTable chunk(kLuaConstantLimit);
    LineConstants line;
    return forEachBlock(registry, [&](const Block& block) {
        blockConstants(block, line);
        return chunk.tryAdd(line);
    });
}

// Writes the chunk line by line into a buffer that goes to the sink whenever it passes a
// megabyte. A file that fits in one function is written plain. In one that does not, runs of
// key lines go into functions of their own, each called at once where it stands, which Lua 5.0
// and 5.1 both read (5.0 has no empty statement, and in 5.1 a line that opened with a
// parenthesis could be taken as a call of the line before):
//
//     do local function keys()
//     timeline3_insert_x(...)
//     end keys() end
//
// A function takes lines while a bound on their constants stays within kGroupConstants, one
// that needs no counting of distinct values: numbers count with their repeats. The begin and end
// lines stay in the chunk, unless there are too many timelines for that too, in which case they go
// into the functions with the key lines.
class ChunkWriter {
public:
    ChunkWriter(const TextSink& sink, bool split, bool blockLinesInChunk)
        : sink_(sink), split_(split), blockLinesInChunk_(blockLinesInChunk) {
        buffer_.reserve(kFlushSize + kFlushSize / 8);
    }

    void beginBlock(const Block& block) {
        const std::size_t start = startBlockLine();
        buffer_ += block.begin;
        buffer_ += '(';
        appendQuotedName(buffer_, block.name);
        buffer_ += ")\n";
        constants_.clear();
        constants_.addString(block.begin);
        constants_.addString(block.name);
        if (!blockLinesInChunk_) placeInFunction(start);
    }

    void key(int insert, const BezierKey& key) {
        const std::size_t start = startLine();
        appendKeyLine(&buffer_, insert, key, constants_);
        if (split_) placeInFunction(start);
    }

    void endBlock(const Block& block) {
        const std::size_t start = startBlockLine();
        buffer_ += block.end;
        buffer_ += "()\n\n";
        constants_.clear();
        constants_.addString(block.end);
        if (!blockLinesInChunk_) placeInFunction(start);
    }

    // Closes the function still open at the end of the file and hands on the rest; false if
    // the sink refused any piece.
    bool finish() {
        if (functionOpen_) buffer_ += kClose;
        flush();
        return ok_;
    }

private:
    static constexpr std::size_t kFlushSize = std::size_t{1} << 20;
    static constexpr const char* kOpen = "do local function keys()\n";
    static constexpr const char* kClose = "end keys() end\n";

    void flush() {
        if (ok_ && !buffer_.empty()) ok_ = sink_(buffer_);
        buffer_.clear();
    }

    // Where the next line starts in the buffer; a full buffer goes out first, so that the line
    // is whole in the buffer when a function has to open in front of it.
    std::size_t startLine() {
        if (buffer_.size() >= kFlushSize) flush();
        return buffer_.size();
    }

    // A begin or end line in the chunk ends the function before it.
    std::size_t startBlockLine() {
        if (blockLinesInChunk_ && functionOpen_) {
            buffer_ += kClose;
            functionOpen_ = false;
        }
        return startLine();
    }

    // The line written from start on goes into the open function if the bound allows, or else
    // into a new one, whose opening goes in front of the line.
    void placeInFunction(std::size_t start) {
        if (!functionOpen_ || !fitsInFunction()) {
            buffer_.insert(start, functionOpen_ ? std::string(kClose) + kOpen : std::string(kOpen));
            functionOpen_ = true;
            functionNumbers_ = 0;
            functionStrings_.clear();
            fitsInFunction();  // a line always fits in an empty function
        }
    }

    // Counts the line's constants into the open function if they keep it within the bound.
    // Numbers count with their repeats; strings once each, by the string objects, which are
    // the same few for every key line.
    bool fitsInFunction() {
        std::size_t newStrings = 0;
        for (int i = 0; i < constants_.stringCount; ++i) {
            newStrings += functionStrings_.count(constants_.strings[i]) == 0;
        }
        const auto numbers = static_cast<std::size_t>(constants_.numberCount);
        if (functionNumbers_ + numbers + functionStrings_.size() + newStrings > kGroupConstants) {
            return false;
        }
        functionNumbers_ += numbers;
        functionStrings_.insert(constants_.strings, constants_.strings + constants_.stringCount);
        return true;
    }

    const TextSink& sink_;
    const bool split_;
    const bool blockLinesInChunk_;
    std::string buffer_;
    bool ok_ = true;
    LineConstants constants_;
    std::size_t functionNumbers_ = 0;
    std::unordered_set<const std::string*> functionStrings_;
    bool functionOpen_ = false;
};

std::size_t countKeys(const TimelineRegistry& registry) {
    std::size_t keys = 0;
    forEachBlock(registry, [&](const Block& block) {
        for (int c = 0; c < block.channelCount; ++c) keys += block.channels[c]->keys().size();
        return true;
    });
    return keys;
}

}  // namespace

std::string formatKey(const BezierKey& key) {
    std::string text;
    LineConstants unused;
    appendKey(&text, key, unused);
    return text;
}

bool writeTimelines(const TimelineRegistry& registry, const TextSink& sink) {
    const std::size_t keyCount = countKeys(registry);
    const bool split = !fitsInOneFunction(registry, keyCount);
    ChunkWriter writer(sink, split, !split || blockLinesFit(registry));
    forEachBlock(registry, [&](const Block& block) {
        writer.beginBlock(block);
        for (int c = 0; c < block.channelCount; ++c) {
            for (const BezierKey& key : block.channels[c]->keys()) {
                writer.key(block.firstInsert + c, key);
            }
        }
        writer.endBlock(block);
        return true;
    });
    return writer.finish();
}

std::string formatTimelines(const TimelineRegistry& registry) {
    std::string out;
    // Key lines of ordinary values run to about 120 bytes.
    out.reserve(countKeys(registry) * 128 +
                (registry.timelines3.size() + registry.timelines1.size()) * 64);
    writeTimelines(registry, [&](std::string_view piece) {
        out += piece;
        return true;
    });
    return out;
}

}  // namespace kvr
