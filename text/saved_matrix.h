// SavedMatrix: a copy of one OpenGL matrix that can be put back later.
#pragma once

#include <GL/gl.h>

namespace kvr {

class SavedMatrix {
public:
    // `matrix` is GL_MODELVIEW_MATRIX, GL_PROJECTION_MATRIX or GL_TEXTURE_MATRIX; anything else
    // is taken as the model-view matrix.
    explicit SavedMatrix(GLenum matrix);

    // Loads the copy back into its matrix, leaving the current matrix mode as it was.
    void restore() const;

    GLenum mode = GL_MODELVIEW;
    GLfloat elements[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

}  // namespace kvr
