// SavedMatrix: saving and restoring one OpenGL matrix without disturbing the matrix mode.
#include "text/saved_matrix.h"

namespace kvr {

SavedMatrix::SavedMatrix(GLenum matrix) {
    switch (matrix) {
        case GL_PROJECTION_MATRIX:
            mode = GL_PROJECTION;
            break;
        case GL_TEXTURE_MATRIX:
            mode = GL_TEXTURE;
            break;
        default:
            mode = GL_MODELVIEW;
            matrix = GL_MODELVIEW_MATRIX;
            break;
    }
    glGetFloatv(matrix, elements);
}

void SavedMatrix::restore() const {
    GLint current = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &current);
    glMatrixMode(mode);
    glLoadMatrixf(elements);
    glMatrixMode(static_cast<GLenum>(current));
}

}  // namespace kvr
