// The pixels a long curve and many key points are drawn as, worked out by hand on small windows.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "app/long_curves.h"

namespace kvr::test {
namespace {

// Left, bottom, right, top.
using Rect = std::array<int, 4>;

std::vector<Rect> rectsOf(const std::vector<Point2>& corners) {
    std::vector<Rect> rects;
    for (std::size_t i = 0; i + 3 < corners.size(); i += 4) {
        rects.push_back({static_cast<int>(corners[i].x), static_cast<int>(corners[i].y),
                         static_cast<int>(corners[i + 2].x), static_cast<int>(corners[i + 2].y)});
    }
    return rects;
}

// One curve unit per pixel, from the bottom-left corner.
const ViewMapping kUnitView(0, 16, 0, 16, 16, 16);

// The rectangles that draw the envelope of the samples in kUnitView; none when it cannot be made.
std::vector<Rect> envelopeOf(const std::vector<Point2>& samples) {
    PixelMask mask;
    mask.start(16, 16);
    std::vector<Point2> corners;
    if (markEnvelope(samples.data(), samples.size(), kUnitView, mask)) mask.appendRects(corners);
    return rectsOf(corners);
}

TEST(CurveEnvelopeTest, EachColumnSpansTheRowsTheCurveCrossesInIt) {
    // Column 0 swings from 2.2 to 9.7 and leaves at 3.84; column 2 holds no sample, only the
    // segment from 4.2 to 6.2 across it; from column 5 on the curve runs flat along row 10.
    // The columns' spans come back as each row's runs, a run stacked onto the same one below.
    // clang-format off
    EXPECT_EQ(envelopeOf({{0.5f, 2.2f}, {0.6f, 9.7f}, {0.8f, 4.1f}, {1.5f, 3.2f}, {3.5f, 7.2f},
                          {4.5f, 10.5f}, {8.5f, 10.5f}}),
              (std::vector<Rect>{{0, 2, 1, 3}, {0, 3, 2, 4}, {0, 4, 1, 10}, {2, 4, 3, 6},
                                 {3, 6, 4, 9}, {4, 9, 5, 10}, {4, 10, 9, 11}}));
    // clang-format on
    // A line lights a row where it passes through the diamond about the pixel's centre: the
    // tent in column 0 reaches into row 3's, the one across columns 1 and 2 only into the
    // corners of row 3's pixels.
    const std::vector<Point2> tents = {{0.1f, 2}, {0.5f, 3.3f}, {0.9f, 2},
                                       {1.1f, 2}, {1.9f, 3.3f}, {2.5f, 2}};
    EXPECT_EQ(envelopeOf(tents), (std::vector<Rect>{{0, 2, 3, 3}, {0, 3, 1, 4}}));
    // The same strip through many more samples on its lines, which are read four at a time.
    std::vector<Point2> dense;
    for (std::size_t i = 0; i + 1 < tents.size(); ++i) {
        for (int k = 0; k < 16; ++k) {
            const float f = static_cast<float>(k) / 16;
            dense.push_back({tents[i].x + (tents[i + 1].x - tents[i].x) * f,
                             tents[i].y + (tents[i + 1].y - tents[i].y) * f});
        }
    }
    dense.push_back(tents.back());
    EXPECT_EQ(envelopeOf(dense), envelopeOf(tents));
    // Taller than the window: cut at its edges.
    EXPECT_EQ(envelopeOf({{-3, 40}, {0.5f, -100}, {0.7f, 100}}),
              (std::vector<Rect>{{0, 0, 1, 16}}));
    // A sample without a finite value leaves the curve to be drawn in full.
    PixelMask mask;
    mask.start(16, 16);
    const std::vector<Point2> broken = {{0.5f, 2}, {1.5f, NAN}, {2.5f, 3}};
    EXPECT_FALSE(markEnvelope(broken.data(), broken.size(), kUnitView, mask));
}

TEST(KeySquaresTest, SquaresCoverTheirPixelsInsideTheWindow) {
    // Inside near two corners; outside, where OpenGL drops the whole square; without a position.
    // Then two on a pixel edge, which may fall on either side of it: one where the squares cover
    // both, one left to OpenGL.
    const std::vector<BezierKey> keys = {{{}, {2.5f, 2.5f}, {}},  {{}, {15.5f, 8.5f}, {}},
                                         {{}, {16.5f, 8.5f}, {}}, {{}, {NAN, 8.5f}, {}},
                                         {{}, {2.0f, 2.5f}, {}},  {{}, {8.0f, 12.5f}, {}}};
    PixelMask mask;
    mask.start(16, 16);
    std::vector<Point2> corners, points;
    markKeySquares(keys.data(), keys.size(), kUnitView, 7, mask, points);
    mask.appendRects(corners);
    EXPECT_EQ(rectsOf(corners), (std::vector<Rect>{{0, 0, 6, 6}, {12, 5, 16, 12}}));
    EXPECT_EQ(points, (std::vector<Point2>{{8.0f, 12.5f}}));

    // A square across the boundary of two words of the mask.
    mask.start(128, 4);
    const BezierKey key{{}, {63.5f, 1.5f}, {}};
    markKeySquares(&key, 1, ViewMapping(0, 128, 0, 4, 128, 4), 7, mask, points);
    corners.clear();
    mask.appendRects(corners);
    EXPECT_EQ(rectsOf(corners), (std::vector<Rect>{{60, 0, 67, 4}}));
}

}  // namespace
}  // namespace kvr::test
