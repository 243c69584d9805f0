// Long curves from a few vertices per pixel column: reduced line strips that light exactly the
// pixels the full ones would.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "app/window_mapping.h"
#include "timeline/point2.h"

namespace kvr {

// Replaces a line strip through samples in ascending time by one that OpenGL rasterises into the
// same pixels. Within a pixel column the strip is a graph over time, and a 1-pixel line lights a
// pixel when it passes through the diamond around the pixel's centre and leaves it again (the
// diamond-exit rule). So a column's run of samples lights every row whose centre line it
// crosses, plus the rows above and below where it reaches into their diamonds. The run becomes
// the straight segment from its first sample to its last where that lights the same rows, or
// else those two samples joined through a stroke over the rows; such segments merge across
// columns where one segment lights the same rows in each. A decision within rounding distance of
// its threshold keeps the samples that make it, with their neighbours, so that those segments
// are drawn exactly as before; where that cannot work, the column's samples all stay.
class PolylineReducer {
public:
    // Appends the reduced strip through samples[0, count) to out.
    void reduce(const Point2* samples, std::size_t count, const WindowMapping& window,
                std::vector<Point2>& out);

private:
    float windowX(std::size_t i) const { return window_->windowX(samples_[i].x); }
    float windowY(std::size_t i) const { return window_->windowY(samples_[i].y); }
    // The first index from `from` on whose window x is not below x (with orAt, not at or below
    // it either), searched from where it is expected.
    std::size_t find(std::size_t from, std::size_t guess, float x, bool orAt) const;
    void emit(std::size_t from, std::size_t to);
    // What became of one column: where its output lies, and for a run reduced with every row
    // decided (clean), its first and last sample and the rows it lights; joined when nothing
    // lies between its last sample and the next column's first.
    struct ColumnRecord {
        std::size_t outBegin = 0, outEnd = 0, first = 0, last = 0;
        int lit0 = 0, lit1 = 0;
        bool clean = false, joined = false;
    };
    void reduceColumn(int column, std::size_t first, std::size_t end, ColumnRecord& record);
    // Returns whether the seam's samples all went, the columns on both sides joined directly.
    bool reduceSeam(int edge, std::size_t first, std::size_t end, bool join);
    bool chordLights(std::size_t a, std::size_t b, int column, int lit0, int lit1) const;
    std::size_t nextDistinct(std::size_t i) const;
    bool crossesWindowEdge(float low, float high) const;
    bool clipNearApex(float xa, float ya, float xb, float yb, float centre) const;
    bool clipsNearApex(std::size_t first, std::size_t end, float centre) const;
    int exitsOnlyByTies(std::size_t i, std::size_t first, std::size_t end, float centre) const;
    void lengthenChords();
    void keep(std::size_t first, std::size_t last) { kept_.emplace_back(first, last); }
    void mergeKept();

    const Point2* samples_ = nullptr;
    std::size_t count_ = 0;
    const WindowMapping* window_ = nullptr;
    std::vector<Point2>* out_ = nullptr;
    float lastX_ = 0;
    // Index ranges (first and last) of one column's samples kept as they are; reused.
    std::vector<std::pair<std::size_t, std::size_t>> kept_;
    std::vector<ColumnRecord> columns_;
    // Samples of one column near a row's centre line; reused.
    std::vector<std::size_t> ties_;
};

}  // namespace kvr
