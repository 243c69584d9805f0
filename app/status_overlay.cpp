// Help overlay and status line (drawn once the built-in font is in place).
#include "app/timeline_editor.h"

namespace kvr {

void TimelineEditor::drawHelp() {}
void TimelineEditor::drawStatus() {}

}  // namespace kvr
