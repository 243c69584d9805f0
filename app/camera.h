// Camera: the per-frame model-view set-up that puts the curve plane inside the depth range.
#pragma once

namespace kvr {

struct Camera {
    float eye[4] = {0.0f, 0.0f, 100.0f, 1.0f};
    float centre[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float up[3] = {0.0f, 1.0f, 0.0f};
    float modelView[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    // Loads the look-at matrix into GL_MODELVIEW and keeps a copy of it.
    void apply();
};

}  // namespace kvr
