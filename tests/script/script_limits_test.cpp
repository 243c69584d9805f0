// Tests of what a runaway script runs into: the instruction budget and the memory caps.
#include <cstring>
#include <limits>
#include <vector>

#include "math3d/value_arena.h"
#include "script/script_limits.h"
#include "script/timeline_builder.h"
#include "tests/script/script_test.h"

namespace kvr {
namespace {

constexpr std::uint64_t kBudget = 200'000;
constexpr std::size_t kMemory = std::size_t{4} << 20;

// Limits low enough to be reached in milliseconds; every test ends with the editor's defaults.
class ScriptLimitsTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        setScriptLimits(ScriptLimits{kBudget, kMemory});
    }
    void TearDown() override {
        setScriptLimits(ScriptLimits{});
        ValueArena::instance().setStorageLimit(ValueArena::defaultStorageLimit);
    }

    // Runs script text and returns what it printed on standard error.
    static std::string run(const std::string& text, const std::string& chunkName = "=limits") {
        testing::internal::CaptureStderr();
        try {
            runTimelineScriptText(text, chunkName);
        } catch (...) {
            testing::internal::GetCapturedStderr();
            throw;
        }
        return testing::internal::GetCapturedStderr();
    }

    // The editor goes on: the next file loads normally under the editor's own limits.
    static void expectNextLoadWorks() {
        setScriptLimits(ScriptLimits{});
        EXPECT_EQ(run("timeline3_begin('next') timeline3_insert_x(vector2.new(0, 1)) "
                      "timeline3_end()"),
                  "");
        EXPECT_EQ(registry().timelines3.count("next"), 1u);
    }
};

const std::string kStopped =
    "script stopped: it ran into the limit of 200000 instructions "
    "(does it loop forever?)";

TEST_F(ScriptLimitsTest, AnEndlessLoopIsStoppedWhereItRuns) {
    EXPECT_EQ(run("timeline3_begin('kept') timeline3_end()\n"
                  "local i = 0\n"
                  "while true do i = i + 1 end\n"
                  "timeline3_begin('not reached') timeline3_end()\n"),
              "limits:3: " + kStopped + "\n");
    EXPECT_EQ(registry().timelines3.size(), 1u);
    EXPECT_EQ(registry().timelines3.count("kept"), 1u);
    expectNextLoadWorks();
}

TEST_F(ScriptLimitsTest, TheStopGoesToAlertWhichGetsABudgetOfItsOwn) {
    // _ALERT keeps the message as a timeline name after a loop that would not fit in what the
    // script left of the budget.
    EXPECT_EQ(run("function _ALERT(m)\n"
                  "  for i = 1, 30000 do end\n"
                  "  timeline3_begin(m) timeline3_end()\n"
                  "end\n"
                  "while true do end\n"),
              "");
    ASSERT_EQ(registry().timelines3.size(), 1u);
    EXPECT_EQ(registry().timelines3.begin()->first, "limits:5: " + kStopped);
}

TEST_F(ScriptLimitsTest, AnAlertThatNeverEndsIsStoppedAndPrinted) {
    EXPECT_EQ(run("function _ALERT(m)\n"
                  "  while true do end\n"
                  "end\n"
                  "timeline3_begin('kept') timeline3_end()\n"
                  "missing()\n"),
              "limits:2: " + kStopped + "\n");
    EXPECT_EQ(registry().timelines3.count("kept"), 1u);
    expectNextLoadWorks();
}

const char* const kGrowingLocalTable =
    "timeline3_begin('kept') timeline3_end()\n"
    "local t = {}\n"
    "local i = 1\n"
    "while true do t[i] = {i} i = i + 1 end\n";

TEST_F(ScriptLimitsTest, AnEndlesslyGrowingTableGetsLuasMemoryError) {
    setScriptLimits(ScriptLimits{ScriptLimits{}.instructions, kMemory});
    EXPECT_EQ(run(kGrowingLocalTable), "not enough memory\n");
    EXPECT_EQ(registry().timelines3.count("kept"), 1u);

    // Strings count as much as tables.
    EXPECT_EQ(run("local s = 'x' while true do s = s .. s end"), "not enough memory\n");
    expectNextLoadWorks();
}

TEST_F(ScriptLimitsTest, AlertReceivesTheMemoryErrorOnceTheRunawayTableIsGone) {
    setScriptLimits(ScriptLimits{ScriptLimits{}.instructions, kMemory});
    EXPECT_EQ(run(std::string("function _ALERT(m) timeline1_begin(m) timeline1_end() end\n") +
                  kGrowingLocalTable),
              "");
    EXPECT_EQ(registry().timelines1.count("not enough memory"), 1u);
}

TEST_F(ScriptLimitsTest, AnAlertWithNoMemoryLeftIsReportedOnStandardError) {
    // The table stays reachable through a global, so _ALERT has no room to run in.
    setScriptLimits(ScriptLimits{ScriptLimits{}.instructions, kMemory});
    const std::string printed =
        run("function _ALERT(m) local t = {} for i = 1, 1000000 do t[i] = m end end\n"
            "timeline3_begin('kept') timeline3_end()\n"
            "grown = {}\n"
            "local i = 1\n"
            "while true do grown[i] = {i} i = i + 1 end\n");
    EXPECT_EQ(printed, "not enough memory\n");
    EXPECT_EQ(registry().timelines3.count("kept"), 1u);
    expectNextLoadWorks();
}

TEST_F(ScriptLimitsTest, ACapBelowWhatLoadingNeedsIsAnErrorNotACrash) {
    setScriptLimits(ScriptLimits{kBudget, 1});
    EXPECT_EQ(run("timeline3_begin('a') timeline3_end()"), "not enough memory\n");
    EXPECT_TRUE(registry().timelines3.empty());

    // Loading from a file needs memory for its name before anything is read.
    const std::string path = writeScript("timeline3_begin('a') timeline3_end()");
    EXPECT_EQ(runCapturingStderr(path), "not enough memory\n");
    EXPECT_TRUE(registry().timelines3.empty());
    expectNextLoadWorks();
}

TEST_F(ScriptLimitsTest, ArenaBlocksPastTheStorageLimitAreRefused) {
    ValueArena& arena = ValueArena::instance();
    const std::uint64_t limit = arena.storage() + (std::uint64_t{1} << 20);
    arena.setStorageLimit(limit);
    const std::string error = errorOf([] {
        run("timeline3_begin('kept') timeline3_end()\n"
            "local n = math3d.capacity()\n"
            "while true do n = n + 65536 math3d.reserve(n) end\n");
    });
    EXPECT_EQ(error.rfind(
                  "lua::math3d error at reserve file:=limits line:3  value arena: reserve of ", 0),
              0u)
        << error;
    EXPECT_NE(
        error.find("refused: the arena would hold more than " + std::to_string(limit) + " bytes"),
        std::string::npos)
        << error;
    EXPECT_LE(arena.storage(), limit);
    EXPECT_EQ(registry().timelines3.count("kept"), 1u);

    // A value that needs a new block is refused the same way, at the line that made it.
    const std::string valueError =
        errorOf([] { run("math3d.resize(math3d.capacity())\nlocal v = vector3.new(1, 2, 3)\n"); });
    EXPECT_EQ(valueError.rfind("lua::math3d error at new file:=limits line:2  value arena: "
                               "allocation of 12 bytes refused: the arena would hold more than ",
                               0),
              0u)
        << valueError;
    EXPECT_EQ(valueError.back(), '\n');
}

const std::string kTooLarge = "script stopped: its timelines would take more than 24000 bytes";

TEST_F(ScriptLimitsTest, KeysPastTheTimelineBudgetStopTheScript) {
    setScriptLimits(ScriptLimits{ScriptLimits{}.instructions, kMemory, 24000});
    EXPECT_EQ(run("timeline3_begin('kept') timeline3_insert_x(vector2.new(0, 0)) timeline3_end()\n"
                  "timeline3_begin('endless')\n"
                  "local v = vector2.new(0, 0)\n"
                  "while true do timeline3_insert_y(v) end\n"),
              "limits:4: " + kTooLarge + "\n");
    ASSERT_EQ(registry().timelines3.size(), 1u);
    EXPECT_EQ(registry().findTimeline3("kept")->x.keys().size(), 1u);
    expectNextLoadWorks();
}

TEST_F(ScriptLimitsTest, KeysFarApartInTimeAreRefusedBeforeTheyAreSampled) {
    // Two keys ten million time units apart would sample into five million points.
    setScriptLimits(ScriptLimits{ScriptLimits{}.instructions, kMemory, 24000});
    EXPECT_EQ(run("timeline3_begin('near')\n"
                  "timeline3_insert_z(vector2.new(0, 0)) timeline3_insert_z(vector2.new(100, 0))\n"
                  "timeline3_end()\n"
                  "timeline3_begin('far')\n"
                  "timeline3_insert_x(vector2.new(0, 0)) timeline3_insert_x(vector2.new(1e7, 0))\n"
                  "timeline3_end()\n"),
              "limits:6: " + kTooLarge + "\n");
    EXPECT_EQ(registry().timelines3.count("near"), 1u);
    EXPECT_EQ(registry().timelines3.count("far"), 0u);

    // The block is gone with the error: _ALERT may open a new one.
    EXPECT_EQ(run("function _ALERT(m) timeline1_begin('alerted') timeline1_end() end\n"
                  "timeline1_begin('far')\n"
                  "timeline1_push(vector2.new(-1e7, 0)) timeline1_push(vector2.new(0, 0))\n"
                  "timeline1_end()\n"),
              "");
    EXPECT_EQ(registry().timelines1.count("far"), 0u);
    EXPECT_EQ(registry().timelines1.count("alerted"), 1u);
}

// The budget is only as good as the bound: it must never be below what sampling makes.
TEST(SampleBound, NeverBelowTheSamplesARebuildMakes) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float edge = 33554432.0f;  // 2^25: from here on, adding 2 no longer moves a time
    const std::vector<std::vector<float>> cases{
        {},
        {5},
        {0, 10, 10, 25.5f, 1000},
        {-7.25f, -3, 0.5f},
        {edge - 41, edge + 64, 4e7f},
        {-4e7f, -edge - 8, -edge + 30},
        {-inf, 0, 37},
        {1e30f, inf},
        {0, 5, nan},
    };
    for (float step : {2.0f, 0.7f, 0.0f}) {
        for (const std::vector<float>& times : cases) {
            Channel channel(step);
            for (float t : times) channel.insertKey({t - 1, 0}, {t, 0}, {t + 1, 0});
            channel.rebuild();
            SCOPED_TRACE(testing::Message() << "step " << step << ", " << times.size() << " keys");
            EXPECT_GE(sampleBound(channel), channel.samples().size());
            // Close to the real count for keys at ordinary times.
            if (step == 2.0f && times.size() == 5 && times[4] == 1000) {
                EXPECT_LE(sampleBound(channel), channel.samples().size() + 16);
            }
        }
    }
}

TEST(ValueArenaStorage, RestartFreesEverythingAndCountsAfresh) {
    ValueArena arena(64);
    arena.setStorageLimit(1000);
    arena.allocate(64);
    arena.allocate(8);  // a doubled block of 128 bytes
    EXPECT_EQ(arena.storage(), 192u);
    EXPECT_THROW(arena.reserve(900), Error);
    EXPECT_EQ(arena.storage(), 192u);
    EXPECT_EQ(arena.capacity(), 128u);

    arena.restart(256);
    EXPECT_EQ(arena.storage(), 256u);
    EXPECT_EQ(arena.size(), 0u);
    EXPECT_EQ(arena.capacity(), 256u);
    arena.reserve(744);  // exactly at the limit
    EXPECT_EQ(arena.storage(), 1000u);
}

}  // namespace
}  // namespace kvr
