// drawOutlinedText: the black outline is the text drawn four times, shifted one pixel each way.
#include "text/outlined_text.h"

#include <GL/gl.h>

namespace kvr {

void drawOutlinedText(int x, int y, const char* text, const BitmapFont& font) {
    static const GLfloat kBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    static const GLfloat kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glColor4fv(kBlack);
    font.drawText(x + 1, y, text);
    font.drawText(x - 1, y, text);
    font.drawText(x, y + 1, text);
    font.drawText(x, y - 1, text);
    glColor4fv(kWhite);
    font.drawText(x, y, text);
}

}  // namespace kvr
