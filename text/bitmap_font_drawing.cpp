// BitmapFont::drawText: Shift-JIS text through OpenGL's bitmap path, at window pixel positions.
#include "text/bitmap_font.h"

#include <GL/gl.h>

#include "text/pixel_projection.h"
#include "text/saved_matrix.h"
#include "text/shift_jis_reader.h"

namespace kvr {

namespace {

// Puts the caller's matrices back however the drawing is left: projection first, then model-view,
// the reverse of the order they were saved in. The pixel projection leaves the model-view matrix
// current, so the caller's matrix mode is put back last.
class MatrixRestorer {
public:
    MatrixRestorer(const SavedMatrix& modelView, const SavedMatrix& projection)
        : modelView_(modelView), projection_(projection) {
        glGetIntegerv(GL_MATRIX_MODE, &callerMode_);
    }
    ~MatrixRestorer() {
        projection_.restore();
        modelView_.restore();
        glMatrixMode(static_cast<GLenum>(callerMode_));
    }
    MatrixRestorer(const MatrixRestorer&) = delete;
    MatrixRestorer& operator=(const MatrixRestorer&) = delete;

private:
    const SavedMatrix& modelView_;
    const SavedMatrix& projection_;
    GLint callerMode_ = GL_MODELVIEW;
};

}  // namespace

void BitmapFont::drawText(int x, int y, const char* text) const {
    if (text == nullptr || glyphBits.empty()) return;

    const SavedMatrix modelView(GL_MODELVIEW_MATRIX);
    const SavedMatrix projection(GL_PROJECTION_MATRIX);
    const MatrixRestorer restorer(modelView, projection);
    const PixelProjection pixels;

    // The raster position is the cell's bottom-left corner; it also fixes the text colour.
    glRasterPos2i(x, y + glyphSize);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    const GLsizei size = glyphSize;
    const GLfloat half = static_cast<GLfloat>(glyphSize / 2);
    const GLfloat full = static_cast<GLfloat>(glyphSize);
    ShiftJisReader reader(text);
    TextCharacter character;
    while (reader.next(character)) {
        if (character.glyph < 0 || character.glyph >= glyphCount) continue;
        if (character.halfWidth) {
            // Half-width glyphs sit in the right half of their cell: shift the cell left by half
            // so the glyph starts at the raster position.
            glBitmap(size, size, half, 0.0f, half, 0.0f, glyph(character.glyph));
        } else {
            glBitmap(size, size, 0.0f, 0.0f, full, 0.0f, glyph(character.glyph));
        }
    }
}

}  // namespace kvr
