// Opening a connection to the X server the tests run under.
#include "tests/support/x_display.h"

#include <cstdlib>

#include "tests/support/x_session.h"

namespace kvr::test {

Display* openDisplay() {
    // Without a DISPLAY there is no server to wait for.
    if (std::getenv("DISPLAY") == nullptr) return nullptr;
    Display* display = nullptr;
    RefusalBudget refusals;
    while ((display = XOpenDisplay(nullptr)) == nullptr && refusals.again()) {
    }
    return display;
}

}  // namespace kvr::test
