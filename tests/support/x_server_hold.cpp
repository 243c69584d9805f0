// Keeps one connection to the X server open for as long as a window-test program runs.
//
// Xvfb, unless started with -noreset, resets itself each time its last client leaves, and drops
// any connection that is still being set up at that moment. Window tests come and go as clients
// by the dozen: SDL alone opens a connection, closes it and opens the next at once, and xdotool
// and xwd each connect for one command. Whenever one of them was the only client, the next one
// could be dropped; on a busy machine, again and again. With this connection held, the count of
// clients never falls to zero while the program runs, so nothing in it meets a reset; only this
// first connection can, as the program before may just have left, and it is tried again.
#include <gtest/gtest.h>

#include "tests/support/x_display.h"

namespace kvr::test {
namespace {

class XServerHold : public ::testing::Environment {
public:
    void SetUp() override {
        display_ = openDisplay();
        // Every test here needs the server; without it they fail at once, each saying so.
        ASSERT_NE(display_, nullptr) << "no X server to connect to (DISPLAY)";
    }
    void TearDown() override {
        if (display_ != nullptr) XCloseDisplay(display_);
        display_ = nullptr;
    }

private:
    Display* display_ = nullptr;
};

// Registered before main runs; gtest owns the environment from here on.
[[maybe_unused]] ::testing::Environment* const hold =
    ::testing::AddGlobalTestEnvironment(new XServerHold);

}  // namespace
}  // namespace kvr::test
