// Driving the real editor through the X server: start it, find its window, send input, read
// frames, wait for it to end.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/frame.h"

namespace kvr::test {

struct CommandResult {
    int status = -1;  // exit status, or -1 when the command could not run or was killed
    std::string output;
};

// Runs a program (a bare name is looked up in PATH) and collects its standard output.
CommandResult runCommand(const std::vector<std::string>& argv);
// Runs the xdotool the build found with the arguments; input goes through XTEST, as a real
// device's would.
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
    // error go to files in that directory. A start that Xvfb refused a connection is retried;
    // no other.
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
    // Whether the editor ended because the X server refused its connection, as it said.
    bool refusedByXServer() const;

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
