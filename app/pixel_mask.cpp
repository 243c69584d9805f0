// Filling a pixel mask and reading it back as rectangles.
#include "app/pixel_mask.h"

#include <algorithm>

namespace kvr {

void PixelMask::start(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    words_ = static_cast<std::size_t>(width_) / 64 + 1;
    bits_.assign(words_ * static_cast<std::size_t>(height_), 0);
}

template <class Self, class F>
bool PixelMask::forWords(Self& self, int left, int right, int bottom, int top, F f) {
    left = std::max(left, 0);
    right = std::min(right, self.width_ - 1);
    bottom = std::max(bottom, 0);
    top = std::min(top, self.height_ - 1);
    for (int row = bottom; row <= top && left <= right; ++row) {
        auto* line = &self.bits_[static_cast<std::size_t>(row) * self.words_];
        for (int word = left / 64; word <= right / 64; ++word) {
            const int a = std::max(left, word * 64) - word * 64;
            const int b = std::min(right, word * 64 + 63) - word * 64;
            if (!f(line[word], (~std::uint64_t{0} >> (63 - (b - a))) << a)) return false;
        }
    }
    return true;
}

void PixelMask::fill(int left, int right, int bottom, int top) {
    forWords(*this, left, right, bottom, top, [](std::uint64_t& word, std::uint64_t mask) {
        word |= mask;
        return true;
    });
}

bool PixelMask::holds(int left, int right, int bottom, int top) const {
    return forWords(*this, left, right, bottom, top,
                    [](const std::uint64_t& word, std::uint64_t mask) {
                        return (word & mask) == mask;
                    });
}

int PixelMask::next(const std::uint64_t* line, int from, bool set) const {
    std::size_t word = static_cast<std::size_t>(from) / 64;
    std::uint64_t bits = (set ? line[word] : ~line[word]) & (~std::uint64_t{0} << (from % 64));
    while (bits == 0) {
        if (++word == words_) return width_;
        bits = set ? line[word] : ~line[word];
    }
    return std::min(width_, static_cast<int>(word * 64) + __builtin_ctzll(bits));
}

void PixelMask::appendRects(std::vector<Point2>& rects) const {
    below_.clear();
    for (int row = 0; row < height_; ++row) {
        const std::uint64_t* line = &bits_[static_cast<std::size_t>(row) * words_];
        const float bottom = static_cast<float>(row), top = bottom + 1;
        row_.clear();
        auto open = below_.begin();
        for (int left = next(line, 0, true); left < width_;) {
            const int right = next(line, left, false);
            while (open != below_.end() && open->left < left) ++open;
            if (open != below_.end() && open->left == left && open->right == right) {
                // The same run as in the row below: that rectangle grows by a row.
                rects[open->at + 2].y = top;
                rects[open->at + 3].y = top;
                row_.push_back(*open);
            } else {
                const float l = static_cast<float>(left), r = static_cast<float>(right);
                row_.push_back({left, right, rects.size()});
                rects.insert(rects.end(), {{l, bottom}, {r, bottom}, {r, top}, {l, top}});
            }
            left = right < width_ ? next(line, right, true) : width_;
        }
        std::swap(below_, row_);
    }
}

}  // namespace kvr
