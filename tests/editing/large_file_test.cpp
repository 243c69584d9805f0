// Files the editor writes must read back whatever their size, in the plain form while it fits.
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "editing/timeline_writer.h"
#include "script/timeline_script.h"
#include "tests/editing/core_fixture.h"
#include "tests/support/values_timeline.h"

namespace kvr::test {
namespace {

// Constants one Lua function may hold.
const std::size_t kConstantLimit = (1u << 18) - 1;

const char* const kInsert[] = {"timeline3_insert_x", "timeline3_insert_y", "timeline3_insert_z"};

// The plain form: one line per key, nothing around them.
std::string plainText(const TimelineRegistry& registry) {
    std::string text;
    for (const auto& [name, timeline] : registry.timelines3) {
        text += "timeline3_begin(\"" + name + "\")\n";
        int c = 0;
        for (const Channel* channel : {&timeline->x, &timeline->y, &timeline->z}) {
            for (const BezierKey& key : channel->keys()) {
                text += std::string(kInsert[c]) + "(" + formatKey(key) + ")\n";
            }
            ++c;
        }
        text += "timeline3_end()\n\n";
    }
    return text;
}

// The text without the lines that wrap key lines into functions of their own.
std::string unwrapped(const std::string& text) {
    std::string out;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start) + 1;
        const std::string line = text.substr(start, end - start);
        if (line != "do local function keys()\n" && line != "end keys() end\n") out += line;
        start = end;
    }
    return out;
}

// Compares texts of megabytes without gtest's line diff, which would not end in time.
::testing::AssertionResult sameText(const std::string& actual, const std::string& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    const auto [a, e] =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    const std::size_t at = static_cast<std::size_t>(a - actual.begin());
    const std::size_t line = static_cast<std::size_t>(std::count(actual.begin(), a, '\n')) + 1;
    return ::testing::AssertionFailure()
           << "the texts differ from line " << line << ": \"" << actual.substr(at, 60)
           << "\" instead of \"" << expected.substr(at, 60) << "\"";
}

::testing::AssertionResult blockLinesInTheOpen(const std::string& text) {
    bool inFunction = false;
    int functions = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start) + 1;
        const std::string line = text.substr(start, end - start);
        if (line == "do local function keys()\n") {
            inFunction = true;
            ++functions;
        } else if (line == "end keys() end\n") {
            inFunction = false;
        } else if (inFunction && line.rfind("timeline3_insert_", 0) != 0) {
            return ::testing::AssertionFailure() << "\"" << line << "\" inside a function";
        }
        start = end;
    }
    if (functions == 0) return ::testing::AssertionFailure() << "nothing was wrapped";
    return ::testing::AssertionSuccess();
}

// Each new number is the next multiple of 1 / divisor, so every one is a constant of its own.
// In thousandths most are written with three decimals, and ten share each two-decimal text.
class DistinctNumbers {
public:
    explicit DistinctNumbers(double divisor = 100.0) : divisor_(divisor) {}
    float next() { return static_cast<float>(static_cast<double>(count_++) / divisor_); }
    std::size_t count() const { return count_; }

private:
    double divisor_;
    std::size_t count_ = 0;
};

// A key of six new numbers, the point's first, so keys ascend in time.
BezierKey keyOf(DistinctNumbers& numbers) {
    float v[6];
    for (float& n : v) n = numbers.next();
    return {{v[2], v[3]}, {v[0], v[1]}, {v[4], v[5]}};
}

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

::testing::AssertionResult sameTimelines(const TimelineRegistry& expected,
                                         const TimelineRegistry& actual) {
    if (expected.timelines3.size() != actual.timelines3.size()) {
        return ::testing::AssertionFailure() << actual.timelines3.size() << " timelines instead of "
                                             << expected.timelines3.size();
    }
    for (const auto& [name, timeline] : expected.timelines3) {
        const Timeline3* other = actual.findTimeline3(name);
        if (!other) return ::testing::AssertionFailure() << "no timeline " << name;
        const Channel* mine[] = {&timeline->x, &timeline->y, &timeline->z};
        const Channel* theirs[] = {&other->x, &other->y, &other->z};
        for (int c = 0; c < 3; ++c) {
            if (mine[c]->keys().size() != theirs[c]->keys().size()) {
                return ::testing::AssertionFailure()
                       << name << " channel " << c << ": " << theirs[c]->keys().size()
                       << " keys instead of " << mine[c]->keys().size();
            }
            for (std::size_t i = 0; i < mine[c]->keys().size(); ++i) {
                const BezierKey& a = mine[c]->keys()[i];
                const BezierKey& b = theirs[c]->keys()[i];
                for (auto [p, q] : {std::pair{a.inHandle, b.inHandle}, std::pair{a.point, b.point},
                                    std::pair{a.outHandle, b.outHandle}}) {
                    if (!sameBits(p.x, q.x) || !sameBits(p.y, q.y)) {
                        return ::testing::AssertionFailure()
                               << name << " channel " << c << " key " << i
                               << " changed: " << formatKey(a) << " became " << formatKey(b);
                    }
                }
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// Runs the text as the editor would load it; returns what went to standard error.
std::string load(const std::string& text) {
    TimelineRegistry::instance().clear();
    ::testing::internal::CaptureStderr();
    runTimelineScriptText(text, "=saved");
    return ::testing::internal::GetCapturedStderr();
}

// The text of every number in the order written: two per vector2.new(...).
std::vector<std::string> numberTexts(const std::string& text) {
    std::vector<std::string> texts;
    const std::string open = "vector2.new(";
    for (std::size_t at = text.find(open); at != std::string::npos; at = text.find(open, at)) {
        const std::size_t comma = text.find(", ", at);
        const std::size_t close = text.find(')', comma);
        texts.push_back(text.substr(at + open.size(), comma - at - open.size()));
        texts.push_back(text.substr(comma + 2, close - comma - 2));
        at = close;
    }
    return texts;
}

TEST(LargeFile, EveryNumberReadsBackBitForBitAndKeepsTwoDecimalsWhereThoseDo) {
    const float inf = std::numeric_limits<float>::infinity();
    // A minus zero before an infinity: were it written -0.00, Lua would make the chunk's one
    // zero constant negative, and 1/0 would read back as minus infinity.
    std::vector<float> values = {-0.0f, inf,   1.5f,          0.004f,         -0.001f,
                                 -inf,  1e15f, std::nanf(""), 7.0385307e-26f, 1.0f / 120};
    std::mt19937 random(4242);
    std::uniform_int_distribution<std::uint32_t> bits;
    while (values.size() < 100000) {
        // Bit patterns reach every magnitude and non-finite values; hundredths and eighths are
        // the numbers of typed and saved files.
        const std::uint32_t b = bits(random);
        values.push_back(0.0f);
        std::memcpy(&values.back(), &b, sizeof b);
        const int n = static_cast<int>(b % 2000001) - 1000000;
        values.push_back(static_cast<float>(n / 100.0));
        values.push_back(static_cast<float>(n) / 8.0f);
    }
    values.resize(100000);
    std::vector<float> written;
    const std::shared_ptr<Timeline1> timeline = valuesTimeline(values, written);
    timeline->channel.rebuild();
    TimelineRegistry registry;
    registry.addTimeline1("values", timeline);
    const std::string text = formatTimelines(registry);

    EXPECT_EQ(load(text), "");
    const Timeline1* back = TimelineRegistry::instance().findTimeline1("values");
    ASSERT_TRUE(back && back->channel.keys().size() == timeline->channel.keys().size());
    std::vector<float> read;
    for (const BezierKey& k : back->channel.keys()) {
        read.insert(read.end(), {k.inHandle.x, k.inHandle.y, k.point.x, k.point.y, k.outHandle.x,
                                 k.outHandle.y});
    }
    const std::vector<std::string> texts = numberTexts(text);
    ASSERT_EQ(texts.size(), written.size());
    int failures = 0;
    for (std::size_t i = 0; i < written.size() && failures < 10; ++i) {
        const float v = written[i];
        // Bit for bit, but for a zero's sign and a NaN's bits.
        const bool same = std::isnan(v) ? std::isnan(read[i]) : sameBits(read[i], v == 0 ? 0 : v);
        // Written as "%.2f" prints it where that reads back (a zero as 0.00); infinities and
        // NaN as 1/0, -1/0 and 0/0.
        char fixed[64];
        std::snprintf(fixed, sizeof fixed, "%.2f", static_cast<double>(v));
        if (!std::isfinite(v)) std::strcpy(fixed, std::isnan(v) ? "0/0" : v > 0 ? "1/0" : "-1/0");
        const bool twoDecimals = static_cast<float>(std::strtod(fixed, nullptr)) == v;
        const bool form =
            (std::isfinite(v) && !twoDecimals) || texts[i] == (v == 0 ? "0.00" : fixed);
        if (!same || !form) {
            ++failures;
            ADD_FAILURE() << "number " << i << ": " << texts[i] << " read back as " << read[i]
                          << (form ? "" : ", not written " + std::string(fixed));
        }
    }
}

// A timeline whose plain form holds exactly `constants` constants: six strings (begin, name,
// end, the insert function, vector2, new) and the rest distinct numbers. Its keys have both
// handles on their points, as keys added with one point do, so each number appears three
// times in its line.
TimelineRegistry timelineWithConstants(std::size_t constants) {
    TimelineRegistry registry;
    auto timeline = std::make_shared<Timeline3>(2.0f);
    DistinctNumbers numbers(1000.0);
    const std::size_t wanted = constants - 6;
    while (numbers.count() < wanted) {
        const float x = numbers.next();
        const float y = numbers.count() < wanted ? numbers.next() : 0.0f;
        timeline->x.insertKey({x, y}, {x, y}, {x, y});
    }
    timeline->rebuildAll();
    registry.addTimeline3("edge", timeline);
    return registry;
}

TEST(LargeFile, AFileAtTheConstantLimitStaysPlainAndOneMoreIsSplit) {
    const TimelineRegistry fits = timelineWithConstants(kConstantLimit);
    const std::string text = formatTimelines(fits);
    EXPECT_TRUE(sameText(text, plainText(fits)));
    EXPECT_EQ(load(text), "");
    EXPECT_TRUE(sameTimelines(fits, TimelineRegistry::instance()));

    // One constant more, and the interpreter refuses the plain form...
    const TimelineRegistry over = timelineWithConstants(kConstantLimit + 1);
    EXPECT_NE(load(plainText(over)).find("constant table overflow"), std::string::npos);
    EXPECT_TRUE(TimelineRegistry::instance().timelines3.empty());

    // ...so the writer wraps the key lines that no longer fit, and the file reads back.
    const std::string split = formatTimelines(over);
    EXPECT_FALSE(split == plainText(over));
    EXPECT_TRUE(sameText(unwrapped(split), plainText(over)));
    EXPECT_EQ(load(split), "");
    EXPECT_TRUE(sameTimelines(over, TimelineRegistry::instance()));
}

using LargeFileCoreTest = CoreTest;

TEST_F(LargeFileCoreTest, SaveAndReloadManyDistinctNumbers) {
    // 's' then 'r' with 360,000 distinct numbers in one timeline, and small ones around it.
    TimelineRegistry& registry = TimelineRegistry::instance();
    auto big = std::make_shared<Timeline3>(2.0f);
    DistinctNumbers numbers;
    for (Channel* channel : {&big->x, &big->y, &big->z}) {
        for (int i = 0; i < 20000; ++i) {
            const BezierKey k = keyOf(numbers);
            channel->insertKey(k.inHandle, k.point, k.outHandle);
        }
    }
    big->rebuildAll();
    registry.addTimeline3("big", big);
    auto small = std::make_shared<Timeline3>(2.0f);
    small->y.addKey({-5, 1}, {0, -2.5f}, {5, 3});
    registry.addTimeline3("small", small);

    TimelineRegistry before = registry.share();
    keyDown(keys::S);
    const std::string text = readFile(dir.file(core.fileName()));
    EXPECT_TRUE(sameText(unwrapped(text), plainText(before)));
    // Only key lines are wrapped: the blocks keep their begin and end lines in the open.
    EXPECT_TRUE(blockLinesInTheOpen(text));

    ::testing::internal::CaptureStderr();
    keyDown(keys::R);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(sameTimelines(before, registry));
    EXPECT_EQ(registry.findTimeline3("big")->z.samples(), big->z.samples());
}

TEST_F(LargeFileCoreTest, AWriteFailingPartWayKeepsTheOldFile) {
    // Megabytes of text go out in pieces; the file-size limit refuses one after the first.
    auto big = std::make_shared<Timeline3>(2.0f);
    DistinctNumbers numbers;
    for (int i = 0; i < 30000; ++i) {
        const BezierKey k = keyOf(numbers);
        big->x.insertKey(k.inHandle, k.point, k.outHandle);
    }
    big->rebuildAll();
    TimelineRegistry::instance().addTimeline3("big", big);
    const std::string target = dir.file("kept.lua");
    writeFile(target, "-- the old text\n");
    core.setFileName(target);

    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 1536 * 1024;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    ::testing::internal::CaptureStderr();
    keyDown(keys::S);
    const std::string message = ::testing::internal::GetCapturedStderr();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(message, "cannot save " + target + ": File too large\n");
    EXPECT_EQ(readFile(target), "-- the old text\n");
    keyDown(keys::S);
    EXPECT_GT(readFile(target).size(), 3000000u);
}

}  // namespace
}  // namespace kvr::test
