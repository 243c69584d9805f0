// EditView: the window's size, the view rectangle and the pointer's mapping onto it.
#include "editing/edit_view.h"

#include <algorithm>

#include "editing/view_span.h"

namespace kvr {

Point2 EditView::pointerMotion(float dx, float dy) const {
    return {dx * (right_ - left_) / static_cast<float>(windowWidth_),
            -dy * (top_ - bottom_) / static_cast<float>(windowHeight_)};
}

void EditView::resized(int w, int h) {
    // A window has at least one pixel each way: the pointer mapping divides by its size.
    windowWidth_ = std::max(w, 1);
    windowHeight_ = std::max(h, 1);
    left_ = 0.0f;
    right_ = static_cast<float>(windowWidth_);
    bottom_ = static_cast<float>(-(windowHeight_ / 2));
    top_ = static_cast<float>(windowHeight_ / 2);
    if (windowHeight_ == 1) {
        // Halving truncates one row to nothing; that row shows one unit about y = 0 instead.
        bottom_ = -0.5f;
        top_ = 0.5f;
    }
}

bool EditView::show(float left, float right, float bottom, float top) {
    if (!usableSpan(left, right) || !usableSpan(bottom, top)) return false;
    left_ = left;
    right_ = right;
    bottom_ = bottom;
    top_ = top;
    return true;
}

void EditView::zoomToward(float ax, float ay, float fraction) {
    zoomSpan(left_, right_, ax, fraction);
    zoomSpan(bottom_, top_, ay, fraction);
}

void EditView::scrollTime(float by) {
    shiftSpan(left_, right_, by);
}

void EditView::scrollValue(float by) {
    shiftSpan(bottom_, top_, by);
}

}  // namespace kvr
