// ScriptTest: common ground for tests that run timeline scripts through the real interpreter.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "math3d/value_arena.h"
#include "script/timeline_script.h"
#include "tests/support/temp_dir.h"
#include "timeline/error.h"
#include "timeline/timeline_registry.h"

namespace kvr {

class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        TimelineRegistry::instance().clear();
        ValueArena::instance().resize(0);
    }

    // Writes text to a file of the temporary directory and returns its path.
    std::string writeScript(const std::string& text, const std::string& name = "t.lua") {
        std::string path = dir_.file(name);
        test::writeFile(path, text);
        return path;
    }

    static std::string fixture(const std::string& name) {
        return std::string(TLEDIT_FIXTURES) + "/" + name;
    }

    // The message of the kvr::Error that f throws, or a marker when it throws none.
    static std::string errorOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const Error& e) {
            return e.what();
        }
        return "<no kvr::Error>";
    }

    // Runs a script file and returns what it printed on standard error.
    static std::string runCapturingStderr(const std::string& path) {
        testing::internal::CaptureStderr();
        try {
            runTimelineScript(path);
        } catch (...) {
            testing::internal::GetCapturedStderr();
            throw;
        }
        return testing::internal::GetCapturedStderr();
    }

    // The report of a timeline function called wrongly, as a script at path shows it.
    static std::string math3dError(const std::string& function, const std::string& source,
                                   int line) {
        return "lua::math3d error at " + function + " file:" + source +
               " line:" + std::to_string(line) + "\n";
    }

    static TimelineRegistry& registry() { return TimelineRegistry::instance(); }

    test::TempDir dir_;
};

}  // namespace kvr
