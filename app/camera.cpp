// Camera: loads the look-at view and reads the resulting matrix back.
#include "app/camera.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace kvr {

void Camera::apply() {
    glLoadIdentity();
    gluLookAt(eye[0], eye[1], eye[2], centre[0], centre[1], centre[2], up[0], up[1], up[2]);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
}

}  // namespace kvr
