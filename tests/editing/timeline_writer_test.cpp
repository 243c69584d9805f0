// The written file form, and saving that never loses the old file.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <limits>

#include "editing/timeline_writer.h"
#include "tests/editing/core_fixture.h"

namespace kvr::test {
namespace {

std::string keyLine(const char* channel, float x, const char* y) {
    char v[64];
    std::snprintf(v, sizeof v, "vector2.new(%.2f, %s)", x, y);
    return std::string("timeline3_insert_") + channel + "(" + v + ", " + v + ", " + v + ")\n";
}

const std::string kDefaultText = "timeline3_begin(\"no_name\")\n" + keyLine("x", 0, "10.00") +
                                 keyLine("x", 100, "10.00") + keyLine("y", 0, "0.00") +
                                 keyLine("y", 100, "0.00") + keyLine("z", 0, "-10.00") +
                                 keyLine("z", 100, "-10.00") + "timeline3_end()\n\n";

TEST(TimelineWriter, DefaultTimelineAndNameOrder) {
    TimelineRegistry registry;
    EXPECT_EQ(formatTimelines(registry), "");
    registry.addTimeline3("no_name", makeDefaultTimeline());
    EXPECT_EQ(formatTimelines(registry), kDefaultText);

    // One-channel timelines follow the three-channel ones, also under a name both kinds use.
    auto one = std::make_shared<Timeline1>(2.0f);
    one->channel.addPoint({5, 0.5f});
    registry.addTimeline1("no_name", one);
    registry.addTimeline1("empty", std::make_shared<Timeline1>(2.0f));
    EXPECT_EQ(formatTimelines(registry), kDefaultText +
                                             "timeline1_begin(\"empty\")\ntimeline1_end()\n\n"
                                             "timeline1_begin(\"no_name\")\ntimeline1_push(" +
                                             formatKey(one->channel.keys()[0]) +
                                             ")\ntimeline1_end()\n\n");

    registry.clear();
    registry.addTimeline3("b", std::make_shared<Timeline3>(2.0f));
    registry.addTimeline3("a", std::make_shared<Timeline3>(2.0f));
    registry.addTimeline3("B", std::make_shared<Timeline3>(2.0f));
    EXPECT_EQ(formatTimelines(registry),
              "timeline3_begin(\"B\")\ntimeline3_end()\n\n"
              "timeline3_begin(\"a\")\ntimeline3_end()\n\n"
              "timeline3_begin(\"b\")\ntimeline3_end()\n\n");
}

TEST(TimelineWriter, TwoDecimalsWhereTheyReadBackElseTheShortestDecimalThatDoes) {
    EXPECT_EQ(formatKey({{1.5f, 100}, {0.004f, -0.001f}, {2.675f, -2.675f}}),
              "vector2.new(1.50, 100.00), vector2.new(0.004, -0.001), "
              "vector2.new(2.675, -2.675)");
    // A zero is written without its sign; exponent notation where it is the shorter; a whole
    // number of any size keeps two decimals.
    EXPECT_EQ(formatKey({{1.0f / 120, -0.0f}, {1e-5f, -2.5e-20f}, {1e30f, 0.1f}}),
              "vector2.new(0.008333334, 0.00), vector2.new(1e-05, -2.5e-20), "
              "vector2.new(1000000015047466219876688855040.00, 0.10)");
    // The shortest text of this float, 7.038531e-26, reads back through a double as its
    // neighbour, so it takes one digit more.
    const std::string key = formatKey({{7.0385307e-26f, -7.0385307e-26f}, {0, 0}, {0, 0}});
    EXPECT_EQ(key.substr(0, key.find(')') + 1), "vector2.new(7.0385307e-26, -7.0385307e-26)");
    const float big = std::numeric_limits<float>::max();
    EXPECT_LT(formatKey({{-big, -big}, {-big, -big}, {-big, -big}}).size(), 512u);
}

TEST(TimelineWriter, NonFiniteValuesAndAwkwardNamesStayReadable) {
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(formatKey({{inf, -inf}, {std::nanf(""), 1}, {0, 0}}),
              "vector2.new(1/0, -1/0), vector2.new(0/0, 1.00), vector2.new(0.00, 0.00)");

    TimelineRegistry registry;
    registry.addTimeline3(std::string("q\"b\\n\nr\r\x01\x7f\x9f", 11),
                          std::make_shared<Timeline3>(2.0f));
    EXPECT_EQ(formatTimelines(registry),
              "timeline3_begin(\"q\\\"b\\\\n\\nr\\r\\001\\127\x9f\")\ntimeline3_end()\n\n");
}

TEST(TimelineWriter, KeysInStoredOrder) {
    TimelineRegistry registry;
    auto t = std::make_shared<Timeline3>(2.0f);
    t->z.addPoint({0, 1});
    t->z.addPoint({10, 2});
    BezierKey dragged = t->z.keys()[0];
    dragged.point.x = 20;  // past its neighbour, not yet re-sorted
    t->z.setKey(0, dragged);
    registry.addTimeline3("t", t);
    const std::string text = formatTimelines(registry);
    EXPECT_LT(text.find("vector2.new(0.00, 1.00), vector2.new(20.00, 1.00)"),
              text.find("vector2.new(10.00, 2.00), vector2.new(10.00, 2.00)"));
}

using SaveTest = CoreTest;

TEST_F(SaveTest, SavingRightAfterStartWritesTheDefaultTimeline) {
    writeFile(dir.file("tl3_000.lua"), "-- taken\n");
    TimelineRegistry::instance().clear();
    EditingCore fresh;
    fresh.startNew();
    EXPECT_EQ(fresh.fileName(), "tl3_001.lua");
    EXPECT_FALSE(fileExists(dir.file("tl3_001.lua")));
    fresh.save();
    EXPECT_EQ(readFile(dir.file("tl3_001.lua")), kDefaultText);
    EXPECT_EQ(readFile(dir.file("tl3_000.lua")), "-- taken\n");
}

TEST_F(SaveTest, KeepsPermissionsAndSymbolicLinks) {
    const std::string real = dir.file("real.lua");
    writeFile(real, "old\n");
    chmod(real.c_str(), 0640);
    ASSERT_EQ(symlink("real.lua", dir.file("link.lua").c_str()), 0);
    core.setFileName("link.lua");
    core.save();
    struct stat st;
    ASSERT_EQ(lstat(dir.file("link.lua").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readFile(real), kDefaultText);
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

std::size_t entriesIn(const std::string& directory) {
    std::size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        (void)entry;
        ++n;
    }
    return n;
}

TEST_F(SaveTest, AFailedSaveLeavesTheOldFileAndSaysWhy) {
    // Into a directory that does not exist.
    core.setFileName("missing/out.lua");
    testing::internal::CaptureStderr();
    core.save();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "cannot save missing/out.lua: No such file or directory\n");

    // A write cut short by the file-size limit.
    const std::string target = dir.file("big.lua");
    const std::string old(100, 'x');
    writeFile(target, old);
    for (int i = 0; i < 200; ++i) {
        current().x.addPoint({static_cast<float>(200 + i), static_cast<float>(i)});
    }
    const std::size_t before = entriesIn(dir.path());
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    core.setFileName(target);
    testing::internal::CaptureStderr();
    core.save();
    const std::string message = testing::internal::GetCapturedStderr();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(message, "cannot save " + target + ": File too large\n");
    EXPECT_EQ(readFile(target), old);
    EXPECT_EQ(entriesIn(dir.path()), before);  // no temporary file left behind

    // The editor goes on: the next save works.
    core.save();
    EXPECT_EQ(readFile(target).substr(0, 26), "timeline3_begin(\"no_name\")");
}

}  // namespace
}  // namespace kvr::test
