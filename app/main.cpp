// Entry: runs a window-less mode of the command line, or builds the editor, loads the one named
// file, runs the loop and reports a fatal error.
#include <csignal>
#include <cstdio>

#include "app/command_line.h"
#include "app/editor_window.h"
#include "timeline/error.h"

int main(int argc, char** argv) {
    // Under a file-size limit the signal would end the editor in the middle of a save, losing
    // the edits and leaving the temporary file; ignored, the write fails and the save says why.
    std::signal(SIGXFSZ, SIG_IGN);
    if (const std::optional<int> status = kvr::runCommandLine(argc, argv)) return *status;
    try {
        kvr::EditorWindow editor;
        // Exactly one argument names the file; more than one is taken as a mistake and ignored.
        if (argc == 2) {
            editor.core.setFileName(argv[1]);
            editor.core.reload();
        }
        return editor.run();
    } catch (const kvr::Error& error) {
        std::printf("%s", error.what());
        std::fflush(stdout);
        return 1;
    }
}
