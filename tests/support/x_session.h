// Driving the real editor through the X server: start it, find its window, send input, read
// frames, wait for it to end.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/frame.h"

namespace kvr::test {

// How long a connection that the X server refused is tried again before the refusal is taken
// as the answer. Window-test programs hold a connection of their own for their whole run
// (x_server_hold.cpp), so the server does not reset under them and refusals should not happen;
// this is the fallback, long enough for any reset to end.
constexpr std::chrono::seconds kRefusalRetryTime{5};

// Paces the retries of a connection the X server refused, from the first refusal on.
class RefusalBudget {
public:
    // After a short pause, true while the time for retries has not run out; false at once when
    // it has. The first call starts the time and says so on standard error.
    bool again();

private:
    std::chrono::steady_clock::time_point deadline_;
    bool started_ = false;
};

// Whether an SDL error is SDL's X11 driver failing to connect: it finds the display missing at
// its first connection ("No available video device", as the driver is the only one allowed) or
// at its second.
bool sdlRefusedByXServer(const std::string& said);

struct CommandResult {
    int status = -1;  // exit status, or -1 when the command could not run or was killed
    std::string output;
    std::string error;  // standard error
};

// Runs a program (a bare name is looked up in PATH) and collects its standard output and error.
CommandResult runCommand(const std::vector<std::string>& argv);
// Whether an X tool (xdotool, xwd) failed because it could not connect to the X server.
bool refusedByXServer(const CommandResult& result);
// Runs an X tool; a refused connection sent nothing, so it is run again while the refusal budget
// lasts. Any other failure is the tool's answer.
CommandResult runXTool(const std::vector<std::string>& argv);
// Runs the xdotool the build found with the arguments; input goes through XTEST, as a real
// device's would. A refused connection is retried, as it sent nothing; no other failure.
bool xdotool(const std::vector<std::string>& args);

// Asks the window to close as a window manager's close button does (WM_DELETE_WINDOW).
bool closeWindow(unsigned long windowId);

// Lays a white window over the screen's top-left corner for a moment, then removes it, so that
// whatever lay beneath has to be drawn again.
bool coverAndUncover(int width, int height);

// Polls until the condition holds or the time is up; returns the condition's last value.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

class EditorProcess {
public:
    // Starts build/tledit in the directory with the arguments; standard output and standard
    // error go to files in that directory. A start that the X server refused a connection is
    // retried (see RefusalBudget) unless the environment names a display of its own; no other.
    EditorProcess(const std::string& directory, const std::vector<std::string>& args = {},
                  const std::vector<std::string>& environment = {});
    ~EditorProcess();
    EditorProcess(const EditorProcess&) = delete;
    EditorProcess& operator=(const EditorProcess&) = delete;

    // Waits for the editor's window to show a first frame, gives it the keyboard focus and
    // waits until the focus has arrived. False, saying why on standard error, if any of it fails.
    bool waitForWindow();
    unsigned long window() const { return window_; }

    Frame capture() const { return captureWindow(window_); }
    // Captures until the frame satisfies the condition; returns the last frame taken.
    Frame waitForFrame(const std::function<bool(const Frame&)>& condition,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    // Input, at window pixel coordinates.
    void key(const std::string& keys) const;
    void moveTo(int x, int y) const;
    void press(int button) const;
    void release(int button) const;
    void click(int button) const;
    // Press at (x0, y0), move in steps to (x1, y1), release.
    void drag(int button, int x0, int y0, int x1, int y1, int steps = 5) const;

    // Waits for the process to end; returns its exit status, or -1 on a time-out or a signal.
    int waitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    bool running();
    std::string standardOutput() const;
    std::string standardError() const;

private:
    void start();
    // Starts the editor again if it ended because the X server refused its connection, as it
    // said, and the refusals' time allows; whether it did.
    bool restartIfRefused(RefusalBudget& refusals);

    std::string directory_;
    std::vector<std::string> args_;
    std::vector<std::string> environment_;
    int pid_ = -1;
    int status_ = -1;
    unsigned long window_ = 0;
    std::string stdoutPath_;
    std::string stderrPath_;
};

}  // namespace kvr::test
