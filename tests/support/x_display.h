// Opening a connection to the X server the tests run under, with the fallback for refusals.
// Apart from x_session.h because the X headers define macros that clash with gtest and SDL.
#pragma once

#include <X11/Xlib.h>

namespace kvr::test {

// Connects to the X server that DISPLAY names, trying again for a while if the server refuses
// (see RefusalBudget); null without a DISPLAY or when every try was refused.
Display* openDisplay();

}  // namespace kvr::test
