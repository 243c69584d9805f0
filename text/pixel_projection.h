// PixelProjection: window-pixel coordinates for text, origin top-left, y growing downward.
#pragma once

#include <GL/gl.h>

namespace kvr {

// Installs, on construction, a projection in which one unit is one pixel of the current viewport
// and an identity model-view; the matrix mode is left at GL_MODELVIEW. Callers save the matrices
// they need beforehand (SavedMatrix).
class PixelProjection {
public:
    PixelProjection();

    GLfloat projection[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

}  // namespace kvr
