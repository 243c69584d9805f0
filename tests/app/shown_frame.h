// The editor window of this process as the X server shows it.
#pragma once

#include "tests/support/frame.h"

namespace kvr::test {

// Waits for the drawing to finish and reads the SDL window's pixels; empty on failure.
Frame shownFrame();

}  // namespace kvr::test
