// Reading this process's SDL window back through the X server. Kept apart from the tests
// because the X headers that SDL_syswm.h pulls in define macros that clash with gtest.
#include "tests/app/shown_frame.h"

#include <GL/gl.h>
#include <SDL/SDL_syswm.h>

namespace kvr::test {

Frame shownFrame() {
    glFinish();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) != 1) return Frame();
    return captureWindow(info.info.x11.window);
}

}  // namespace kvr::test
