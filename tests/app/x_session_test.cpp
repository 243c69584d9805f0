// The window tests' own footing: commands' output and complaints, refused connections told from
// other failures, and an X server that keeps its state while the tests' clients come and go.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "tests/support/temp_dir.h"
#include "tests/support/x_session.h"

// Xlib's macros (None, Bool, Status) clash with names in the test framework, so X comes last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "tests/support/x_display.h"

namespace kvr::test {
namespace {

TEST(XSession, CommandsOutputAndComplaintsAreKeptApart) {
    const CommandResult both = runCommand({"sh", "-c", "echo out; echo err >&2; exit 3"});
    EXPECT_EQ(both.status, 3);
    EXPECT_EQ(both.output, "out\n");
    EXPECT_EQ(both.error, "err\n");
    // More complaint than a pipe holds, written before the output: neither stream may block the
    // other.
    const CommandResult flood =
        runCommand({"sh", "-c", "head -c 300000 /dev/zero >&2; head -c 200000 /dev/zero; echo"});
    EXPECT_EQ(flood.status, 0);
    EXPECT_EQ(flood.output.size(), 200001u);
    EXPECT_EQ(flood.error.size(), 300000u);
}

TEST(XSession, RefusedConnectionsAreToldFromOtherFailures) {
    // No server answers on display 97: what each tool says when it cannot connect.
    for (const char* tool : {TLEDIT_XDOTOOL, TLEDIT_XWD}) {
        const CommandResult r = runCommand({"env", "DISPLAY=:97", tool, "getwindowfocus"});
        EXPECT_TRUE(refusedByXServer(r)) << tool << ": " << r.error;
    }
    // Connected, but asked about a window that does not exist: a failure of its own.
    const CommandResult missing = runCommand({TLEDIT_XWD, "-silent", "-id", "1"});
    EXPECT_NE(missing.status, 0);
    EXPECT_FALSE(refusedByXServer(missing)) << missing.error;
    EXPECT_TRUE(captureWindow(1).empty());
    const CommandResult fine = runCommand({TLEDIT_XDOTOOL, "getmouselocation"});
    EXPECT_EQ(fine.status, 0) << fine.error;
    EXPECT_FALSE(refusedByXServer(fine));

    // The editor says it through SDL, in words of SDL's own.
    const CommandResult editor = runCommand({"env", "DISPLAY=:97", TLEDIT_BINARY});
    EXPECT_EQ(editor.status, 1);
    EXPECT_TRUE(sdlRefusedByXServer(editor.output)) << editor.output;
}

// A server that resets when its last client leaves forgets everything set on it, and drops any
// connection still being set up at that moment. While a window-test program runs, its clients
// must never be the last: a property set on the root window outlives the connection that set
// it, an editor started and ended, and a tool's connection.
TEST(XSession, ServerKeepsItsStateWhileClientsComeAndGo) {
    const std::string value = "kept " + std::to_string(::getpid());
    Display* setter = openDisplay();
    ASSERT_NE(setter, nullptr);
    const Atom name = XInternAtom(setter, "TLEDIT_TEST_MARK", False);
    XChangeProperty(setter, DefaultRootWindow(setter), name, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(value.data()),
                    static_cast<int>(value.size()));
    XCloseDisplay(setter);

    ASSERT_EQ(runCommand({TLEDIT_XDOTOOL, "getmouselocation"}).status, 0);
    {
        TempDir dir;
        EditorProcess editor(dir.path());
        ASSERT_TRUE(editor.waitForWindow());
        editor.key("Escape");
        ASSERT_EQ(editor.waitForExit(), 0);
    }

    Display* reader = openDisplay();
    ASSERT_NE(reader, nullptr);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const Atom found = XInternAtom(reader, "TLEDIT_TEST_MARK", True);
    std::string read;
    if (found != 0 &&
        XGetWindowProperty(reader, DefaultRootWindow(reader), found, 0, 64, True, XA_STRING, &type,
                           &format, &count, &after, &data) == Success &&
        data != nullptr) {
        read.assign(reinterpret_cast<const char*>(data), count);
    }
    if (data != nullptr) XFree(data);
    XCloseDisplay(reader);
    EXPECT_EQ(read, value);
}

}  // namespace
}  // namespace kvr::test
