// TimelineFile, the facade for games: files side by side, errors collected, library errors thrown.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tledit/timeline_file.h"

namespace kvr {
namespace {

class TimelineFileTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& text) {
        const std::string path = dir_.file(name);
        test::writeFile(path, text);
        return path;
    }

    // A three-channel timeline whose x channel holds one key at (0, value).
    static std::string block3(const std::string& name, int value) {
        return "timeline3_begin('" + name + "') timeline3_insert_x(vector2.new(0, " +
               std::to_string(value) + ")) timeline3_end()\n";
    }

    const test::TempDir& dir() const { return dir_; }

private:
    test::TempDir dir_;
};

TEST_F(TimelineFileTest, FilesLoadedSideBySideEachKeepTheirOwnTimelines) {
    TimelineRegistry::instance().clear();
    const std::string first = write(
        "first.lua", block3("walk", 1) + block3("a", 3) + block3("B", 4) + block3("\xC3\xA9", 5) +
                         "timeline1_begin('fade') timeline1_push(vector2.new(0, 0))\n"
                         "timeline1_push(vector2.new(10, 7)) timeline1_end()\n");
    const std::string second = write("second.lua", block3("walk", 2) + block3("run", 6));

    const TimelineFile a = TimelineFile::load(first);
    const TimelineFile b = TimelineFile::load(second);

    EXPECT_TRUE(a.complete());
    EXPECT_TRUE(b.complete());
    EXPECT_EQ(a.fileName(), first);
    // Byte-wise: upper case before lower case, bytes above 127 last.
    EXPECT_EQ(a.timeline3Names(), (std::vector<std::string>{"B", "a", "walk", "\xC3\xA9"}));
    EXPECT_EQ(b.timeline3Names(), (std::vector<std::string>{"run", "walk"}));
    EXPECT_EQ(a.timeline1Names(), std::vector<std::string>{"fade"});
    EXPECT_TRUE(b.timeline1Names().empty());

    // Same name, each file's own timeline: loading the second did not touch the first.
    ASSERT_NE(a.timeline3("walk"), nullptr);
    ASSERT_NE(b.timeline3("walk"), nullptr);
    EXPECT_EQ(a.timeline3("walk")->x.evaluate(0.0f), 1.0f);
    EXPECT_EQ(b.timeline3("walk")->x.evaluate(0.0f), 2.0f);
    EXPECT_EQ(a.timeline3("run"), nullptr);
    // The kinds are looked up apart.
    EXPECT_EQ(a.timeline3("fade"), nullptr);
    EXPECT_EQ(a.timeline1("walk"), nullptr);
    const Channel* fade = a.timeline1("fade");
    ASSERT_NE(fade, nullptr);
    EXPECT_FLOAT_EQ(fade->evaluate(5.0f), 3.5f);

    EXPECT_EQ(a.timelineCount(), 5u);
    EXPECT_EQ(a.keyCount(), 6u);
    // The editor's registry is not where a game's timelines go.
    EXPECT_TRUE(TimelineRegistry::instance().timelines3.empty());
}

TEST_F(TimelineFileTest, LuaErrorsAreCollectedAndNothingIsPrinted) {
    // _ALERT still sees the error, as in the editor.
    const std::string path =
        write("t.lua", "function _ALERT(m) timeline3_begin('alerted') timeline3_end() end\n" +
                           block3("kept", 1) + "nothing()\n");
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    const TimelineFile file = TimelineFile::load(path);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const std::vector<std::string> expected{path +
                                            ":3: attempt to call global 'nothing' (a nil value)"};
    EXPECT_EQ(file.errors(), expected);
    EXPECT_EQ(file.problems(), expected);
    EXPECT_FALSE(file.complete());
    EXPECT_EQ(file.timeline3Names(), (std::vector<std::string>{"alerted", "kept"}));

    // A block left open is a problem but no Lua error.
    const TimelineFile open = TimelineFile::load(write("open.lua", "timeline1_begin('o')\n"));
    EXPECT_TRUE(open.errors().empty());
    EXPECT_EQ(open.problems(),
              std::vector<std::string>{
                  dir().file("open.lua") +
                  ": timeline1 \"o\" is still open at the end of the file; it was not loaded"});
    EXPECT_FALSE(open.complete());
}

TEST_F(TimelineFileTest, ALibraryErrorIsThrownAndTheNextLoadWorks) {
    const std::string bad =
        write("bad.lua",
              "timeline3_begin('a')\ntimeline3_insert_x(vector2.new(0, 0), vector2.new(1, 1))\n");
    try {
        TimelineFile::load(bad);
        FAIL() << "no kvr::Error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "lua::math3d error at timeline3_insert_x file:@" + bad + " line:2\n");
    }
    EXPECT_THROW(
        TimelineFile::load(write("nested.lua", "timeline3_begin('a') timeline3_begin('b')")),
        Error);
    // The failed loads left blocks open; a new load starts clean all the same.
    const TimelineFile good = TimelineFile::load(write("good.lua", block3("a", 9)));
    EXPECT_TRUE(good.complete());
    EXPECT_EQ(good.timeline3Names(), std::vector<std::string>{"a"});
    EXPECT_EQ(good.timeline3("a")->x.evaluate(0.0f), 9.0f);
}

TEST_F(TimelineFileTest, LoadsFromSeveralThreadsWaitForEachOther) {
    // Each file's keys are its own number; loads that ran into each other would mix them up.
    constexpr int kThreads = 4;
    std::vector<std::string> paths;
    for (int i = 0; i < kThreads; ++i) {
        paths.push_back(
            write("f" + std::to_string(i) + ".lua",
                  "timeline1_begin('c') for t = 0, 400 do timeline1_push(vector2.new(t, " +
                      std::to_string(i) + ")) end timeline1_end()\n"));
    }
    std::vector<std::vector<TimelineFile>> results(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            for (int n = 0; n < 5; ++n) results[i].push_back(TimelineFile::load(paths[i]));
        });
    }
    for (std::thread& t : threads) t.join();
    for (int i = 0; i < kThreads; ++i) {
        for (const TimelineFile& file : results[i]) {
            ASSERT_TRUE(file.complete()) << file.problems()[0];
            const Channel* c = file.timeline1("c");
            ASSERT_NE(c, nullptr);
            ASSERT_EQ(c->keys().size(), 401u);
            EXPECT_EQ(c->keys().back().point.y, static_cast<float>(i));
        }
    }
}

}  // namespace
}  // namespace kvr
