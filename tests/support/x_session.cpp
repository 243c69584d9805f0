// Starting the editor as its own process and talking to it through the X server.
#include "tests/support/x_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "tests/support/temp_dir.h"
#include "tests/support/x_display.h"

namespace kvr::test {

namespace {

std::vector<char*> cStrings(const std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (const std::string& s : strings) out.push_back(const_cast<char*>(s.c_str()));
    out.push_back(nullptr);
    return out;
}

// Short pause for the editor to take in input that has no visible effect to wait for.
void settle() {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
}

}  // namespace

bool RefusalBudget::again() {
    const auto now = std::chrono::steady_clock::now();
    if (!started_) {
        started_ = true;
        deadline_ = now + kRefusalRetryTime;
        std::fprintf(stderr, "the X server refused a connection; trying again for up to %lld s\n",
                     static_cast<long long>(kRefusalRetryTime.count()));
    }
    if (now >= deadline_) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return true;
}

bool sdlRefusedByXServer(const std::string& said) {
    return said == "Couldn't open X11 display" || said == "No available video device";
}

CommandResult runCommand(const std::vector<std::string>& argv) {
    CommandResult result;
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0) return result;
    if (pipe(errPipe) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return result;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
        return result;
    }
    if (pid == 0) {
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
        std::vector<char*> args = cStrings(argv);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    // Both pipes are drained as data comes, so that neither fills up while the other is awaited.
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.output, &result.error};
    int openPipes = 2;
    char buffer[65536];
    while (openPipes > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --openPipes;
            }
        }
    }
    for (const pollfd& p : fds) {
        if (p.fd >= 0) close(p.fd);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool refusedByXServer(const CommandResult& result) {
    // What xdotool and xwd say when XOpenDisplay fails.
    return result.status != 0 && (result.error.find("Can't open display") != std::string::npos ||
                                  result.error.find("unable to open display") != std::string::npos);
}

CommandResult runXTool(const std::vector<std::string>& argv) {
    CommandResult result;
    RefusalBudget refusals;
    do {
        result = runCommand(argv);
    } while (refusedByXServer(result) && refusals.again());
    return result;
}

bool xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv{TLEDIT_XDOTOOL};
    argv.insert(argv.end(), args.begin(), args.end());
    // Not sent again after any other failure: a key sent twice would be a different input.
    return runXTool(argv).status == 0;
}

bool closeWindow(unsigned long windowId) {
    Display* display = openDisplay();
    if (!display) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = windowId;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, windowId, False, NoEventMask, &event);
    XCloseDisplay(display);
    return sent != 0;
}

bool coverAndUncover(int width, int height) {
    Display* display = openDisplay();
    if (!display) return false;
    const int screen = DefaultScreen(display);
    const Window cover = XCreateSimpleWindow(
        display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
        static_cast<unsigned>(height), 0, WhitePixel(display, screen), WhitePixel(display, screen));
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    XChangeWindowAttributes(display, cover, CWOverrideRedirect, &attributes);
    XMapRaised(display, cover);
    XSync(display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    XDestroyWindow(display, cover);
    XSync(display, False);
    XCloseDisplay(display);
    return true;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
}

EditorProcess::EditorProcess(const std::string& directory, const std::vector<std::string>& args,
                             const std::vector<std::string>& environment)
    : directory_(directory),
      args_(args),
      environment_(environment),
      stdoutPath_(directory + "/.editor-stdout"),
      stderrPath_(directory + "/.editor-stderr") {
    start();
}

void EditorProcess::start() {
    std::vector<std::string> argv{TLEDIT_BINARY};
    argv.insert(argv.end(), args_.begin(), args_.end());
    status_ = -1;
    window_ = 0;
    pid_ = fork();
    if (pid_ == 0) {
        if (chdir(directory_.c_str()) != 0) _exit(126);
        const int out = open(stdoutPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(stderrPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        for (const std::string& setting : environment_) {
            const std::size_t eq = setting.find('=');
            if (eq == std::string::npos) {
                unsetenv(setting.c_str());
            } else {
                setenv(setting.substr(0, eq).c_str(), setting.substr(eq + 1).c_str(), 1);
            }
        }
        std::vector<char*> cargs = cStrings(argv);
        execv(cargs[0], cargs.data());
        _exit(127);
    }
}

EditorProcess::~EditorProcess() {
    if (running()) {
        kill(pid_, SIGKILL);
        waitForExit(std::chrono::seconds(5));
    }
}

bool EditorProcess::restartIfRefused(RefusalBudget& refusals) {
    // A test that points the editor at another display means it to meet the refusal.
    for (const std::string& setting : environment_) {
        if (setting == "DISPLAY" || setting.rfind("DISPLAY=", 0) == 0) return false;
    }
    if (status_ != 1 || !sdlRefusedByXServer(standardOutput()) || !refusals.again()) return false;
    start();
    return true;
}

bool EditorProcess::waitForWindow() {
    // SDL may open and close a window or two before the one it keeps; take the window that
    // shows the first frame, which is drawn before the loop waits for events.
    int restarts = 0;
    bool ended = false;
    RefusalBudget refusals;
    waitUntil(
        [&] {
            if (!running()) {
                // Only a connection the X server refused is worth another start; an editor that
                // ended for any other reason failed on its own, and that is the test's answer.
                if (!restartIfRefused(refusals)) return ended = true;
                ++restarts;
                return false;
            }
            const CommandResult r =
                runCommand({TLEDIT_XDOTOOL, "search", "--pid", std::to_string(pid_)});
            if (r.status != 0) return false;
            std::istringstream ids(r.output);
            unsigned long id = 0;
            while (ids >> id) {
                if (captureWindow(id).anyLit(0, 0, 800, 500)) {
                    window_ = id;
                    return true;
                }
            }
            return false;
        },
        std::chrono::seconds(30));
    if (window_ == 0) {
        std::fprintf(stderr, "editor window not found: %s, status %d, restarts %d\n%s\n%s\n",
                     ended ? "ended" : "timed out", status_, restarts, standardOutput().c_str(),
                     standardError().c_str());
        return false;
    }
    // Keys go to whichever window has the focus: none is sent before it has arrived. Checked
    // here, within a time limit of the helper's own, rather than left to windowfocus --sync.
    const std::string id = std::to_string(window_);
    const bool focused =
        xdotool({"windowfocus", id}) &&
        waitUntil(
            [&] {
                const CommandResult r = runCommand({TLEDIT_XDOTOOL, "getwindowfocus"});
                return r.status == 0 && r.output == id + "\n";
            },
            std::chrono::seconds(5));
    if (!focused) std::fprintf(stderr, "editor window %s did not take the focus\n", id.c_str());
    return focused;
}

Frame EditorProcess::waitForFrame(const std::function<bool(const Frame&)>& condition,
                                  std::chrono::milliseconds timeout) const {
    Frame frame;
    waitUntil(
        [&] {
            frame = capture();
            return !frame.empty() && condition(frame);
        },
        timeout);
    return frame;
}

void EditorProcess::key(const std::string& keys) const {
    xdotool({"key", keys});
    settle();
}

void EditorProcess::moveTo(int x, int y) const {
    xdotool(
        {"mousemove", "--window", std::to_string(window_), std::to_string(x), std::to_string(y)});
    settle();
}

void EditorProcess::press(int button) const {
    xdotool({"mousedown", std::to_string(button)});
    settle();
}

void EditorProcess::release(int button) const {
    xdotool({"mouseup", std::to_string(button)});
    settle();
}

void EditorProcess::click(int button) const {
    xdotool({"click", std::to_string(button)});
    settle();
}

void EditorProcess::drag(int button, int x0, int y0, int x1, int y1, int steps) const {
    moveTo(x0, y0);
    press(button);
    for (int i = 1; i <= steps; ++i) {
        moveTo(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
    }
    release(button);
}

int EditorProcess::waitForExit(std::chrono::milliseconds timeout) {
    if (pid_ <= 0) return status_;
    // An editor that ended because the X server refused its connection never ran: start it
    // again.
    RefusalBudget refusals;
    for (;;) {
        waitUntil([&] { return !running(); }, timeout);
        if (running()) return -1;
        if (!restartIfRefused(refusals)) break;
    }
    return status_;
}

bool EditorProcess::running() {
    if (pid_ <= 0) return false;
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == 0) return true;
    if (r == pid_) status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
    return false;
}

std::string EditorProcess::standardOutput() const {
    return readFile(stdoutPath_);
}
std::string EditorProcess::standardError() const {
    return readFile(stderrPath_);
}

}  // namespace kvr::test
