// The command line: usage, version, and checking timeline files without a window.
#include "app/command_line.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace kvr {

namespace {

const char* const kUsage =
    "Usage: tledit [FILE]            edit FILE, a timeline file (a Lua script); a FILE whose\n"
    "                                name starts with - is given as ./-NAME\n"
    "       tledit --check FILE...   load each FILE as the editor does and say what it holds\n"
    "       tledit --export FILE     write the timelines of FILE as JSON on standard output\n"
    "       tledit --help | -h       show this text\n"
    "       tledit --version         show the version\n";

const char* const kDescription =
    "\n"
    "Without FILE the editor starts with a default timeline and saves to the first free\n"
    "tl3_NNN.lua in the working directory; given two or more files it opens none of them.\n"
    "\n"
    "Keys:\n"
    "  - / + (Shift and ;)  zoom out / in (also =, keypad + and keypad -)\n"
    "  arrow keys           scroll the view by 50 units\n"
    "  e / i / d            edit / insert / delete mode\n"
    "  h                    show or hide the help (shown at start, in Japanese)\n"
    "  Delete               delete the selected key (or keys)\n"
    "  s                    save every timeline to the file\n"
    "  r                    reload the file (unsaved edits are dropped)\n"
    "  Escape               quit (nothing is saved; with unsaved changes press it twice)\n"
    "  Ctrl+Z / Ctrl+Y      undo / redo (redo also Ctrl+Shift+Z)\n"
    "  Tab / Shift+Tab      show the next / previous timeline of the file\n"
    "  Home                 frame every key and handle of the timeline\n"
    "  Ctrl+wheel           zoom about the point under the pointer\n"
    "  Return               type the selected key's numbers (edit mode); in the panel Tab\n"
    "                       moves, Return applies, Escape closes it\n"
    "  a                    select every key, or none when all are selected\n"
    "  f                    frame the selected keys (with none selected, as Home)\n"
    "  Ctrl+C / X / V       copy / cut / paste the selected keys (paste at the pointer)\n"
    "  n / F2               new timeline / rename the shown one (type the name, Return)\n"
    "  Ctrl+Delete          delete the shown timeline\n"
    "  Ctrl+Shift+S         save as (type the file name, Return)\n"
    "\n"
    "Mouse, in edit mode: the middle button selects a key and drags it, or scrolls the view\n"
    "from empty space; the left button pulls a key's in-handle, the right button the selected\n"
    "key's out-handle. In insert mode a click near a curve adds a key, in delete mode a click\n"
    "on a key removes it. With Control held, a drag follows the pointer at any zoom, and a\n"
    "left drag from empty space selects the keys in its box (with Shift, adds them); a\n"
    "middle drag on one of several selected keys moves them all.\n"
    "\n";

// The README beside an installed editor (PREFIX/bin/tledit), else the one of the sources it was
// built from.
std::string readmePath() {
    std::error_code failed;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (!failed) {
        const std::filesystem::path installed =
            exe.parent_path().parent_path() / TLEDIT_DOC_DIR / "README.md";
        if (std::filesystem::is_regular_file(installed, failed)) return installed.string();
    }
    if (std::filesystem::is_regular_file(TLEDIT_SOURCE_README, failed)) {
        return TLEDIT_SOURCE_README;
    }
    return "README.md of the tledit sources";
}

// Buffered output is only known to have arrived once flushed.
int finishOutput() {
    if (std::fflush(stdout) != 0) {
        std::perror("tledit: standard output");
        return 1;
    }
    return 0;
}

int usageError(const char* problem) {
    std::fprintf(stderr, "tledit: %s\n%s", problem, kUsage);
    return 2;
}

int printHelp() {
    std::fputs(kUsage, stdout);
    std::fputs(kDescription, stdout);
    std::printf("More in the manual page (man tledit) and in %s.\n", readmePath().c_str());
    return finishOutput();
}

int printVersion() {
    std::printf("tledit %s\n", TLEDIT_VERSION);
    return finishOutput();
}

// Problems go to standard error as they are met and the summary of each file to standard
// output, flushed so that both read in order on a terminal.
int checkFiles(const std::vector<std::string>& fileNames) {
    bool allComplete = true;
    for (const std::string& fileName : fileNames) {
        const std::optional<TimelineFile> file = loadReportingProblems(fileName);
        if (file) {
            std::printf("%s: %zu timelines, %zu keys\n", fileName.c_str(), file->timelineCount(),
                        file->keyCount());
        } else {
            std::printf("%s: failed\n", fileName.c_str());
        }
        allComplete = allComplete && file && file->complete();
        if (finishOutput() != 0) return 1;
    }
    return allComplete ? 0 : 1;
}

}  // namespace

std::optional<TimelineFile> loadReportingProblems(const std::string& fileName) {
    try {
        TimelineFile file = TimelineFile::load(fileName);
        for (const std::string& problem : file.problems()) {
            std::fprintf(stderr, "%s\n", problem.c_str());
        }
        return file;
    } catch (const std::exception& error) {
        // The library's messages may end in a line feed of their own.
        std::string message = error.what();
        if (!message.empty() && message.back() == '\n') message.pop_back();
        std::fprintf(stderr, "%s: %s\n", fileName.c_str(), message.c_str());
        return std::nullopt;
    }
}

std::optional<int> runCommandLine(int argc, char** argv) {
    if (argc < 2) return std::nullopt;
    const std::string first = argv[1];
    const std::vector<std::string> rest(argv + 2, argv + argc);
    // --check and --export are commands with files of their own; a miscount is a mistake to
    // report, not a reason to open a window in the middle of a build.
    if (first == "--check") {
        return rest.empty() ? usageError("--check needs at least one FILE") : checkFiles(rest);
    }
    if (first == "--export") {
        return rest.size() == 1 ? exportTimelines(rest[0])
                                : usageError("--export takes exactly one FILE");
    }
    // Like any other argument, these are ignored when more follow.
    if (argc == 2 && (first == "--help" || first == "-h")) return printHelp();
    if (argc == 2 && first == "--version") return printVersion();
    // A mistyped option would otherwise open a window on a file of that name, and the first
    // save would create it. A file whose name starts with '-' is named as ./-NAME.
    if (argc == 2 && first[0] == '-') {
        return usageError(("unknown option " + first).c_str());
    }
    return std::nullopt;
}

}  // namespace kvr
