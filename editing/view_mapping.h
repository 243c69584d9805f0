// ViewMapping: where curve points lie in the window and which curve point a pixel shows.
#pragma once

#include <cmath>

#include "timeline/point2.h"

namespace kvr {

// The view rectangle stretched over the window: the pointer's position in curve units and the
// window position of a curve point are the two directions of this one linear map.
class ViewMapping {
public:
    ViewMapping(float left, float right, float bottom, float top, int width, int height)
        : left_(left),
          right_(right),
          bottom_(bottom),
          top_(top),
          width_(width),
          height_(height),
          pixelsPerTime_(static_cast<float>(width) / (right - left)),
          pixelsPerValue_(static_cast<float>(height) / (top - bottom)) {}

    // The curve point at window pixel (x, y), counted from the top-left corner: where the
    // pointer is, in the editor's float arithmetic.
    Point2 pointAt(int x, int y) const {
        return {left_ + (static_cast<float>(x) / static_cast<float>(width_)) * (right_ - left_),
                top_ - (static_cast<float>(y) / static_cast<float>(height_)) * (top_ - bottom_)};
    }

    // The window position of time t and of value v, in pixels from the window's left and bottom
    // edges, as OpenGL counts them: t lies in pixel column floor(windowX(t)).
    float windowX(float t) const { return (t - left_) * pixelsPerTime_; }
    float windowY(float v) const { return (v - bottom_) * pixelsPerValue_; }

    // False for a window without pixels or a view that is empty, inverted or not finite.
    bool placesPoints() const {
        return width_ > 0 && height_ > 0 && pixelsPerTime_ > 0 && pixelsPerValue_ > 0 &&
               std::isfinite(pixelsPerTime_) && std::isfinite(pixelsPerValue_) &&
               std::isfinite(left_) && std::isfinite(bottom_);
    }

    // Pixels per curve unit on each axis; windowX(t) is (t - left()) * pixelsPerTime().
    float pixelsPerTime() const { return pixelsPerTime_; }
    float pixelsPerValue() const { return pixelsPerValue_; }
    float left() const { return left_; }
    float right() const { return right_; }
    float bottom() const { return bottom_; }
    float top() const { return top_; }
    int width() const { return width_; }
    int height() const { return height_; }

    bool operator==(const ViewMapping& o) const {
        return left_ == o.left_ && right_ == o.right_ && bottom_ == o.bottom_ && top_ == o.top_ &&
               width_ == o.width_ && height_ == o.height_;
    }
    bool operator!=(const ViewMapping& o) const { return !(*this == o); }

private:
    float left_, right_, bottom_, top_;
    int width_, height_;
    float pixelsPerTime_, pixelsPerValue_;
};

}  // namespace kvr
