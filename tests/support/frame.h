// Frame: a window's pixels as the X server holds them, read with xwd.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvr::test {

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

struct Frame {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // row-major, row 0 at the top

    const Rgb& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    bool empty() const { return pixels.empty(); }
    // Count of pixels of exactly this colour in the rectangle [x0, x1) x [y0, y1).
    int count(Rgb colour, int x0, int y0, int x1, int y1) const;
    // Whether any pixel in the rectangle differs from black.
    bool anyLit(int x0, int y0, int x1, int y1) const;
    // Saves the frame as a binary PPM, for looking at a failure.
    void savePpm(const std::string& path) const;
};

// Parses the output of xwd (ZPixmap, 24 or 32 bits per pixel).
Frame parseXwd(const std::string& bytes);
// Reads the window's current contents from the X server; an empty frame on failure.
Frame captureWindow(unsigned long windowId);

std::ostream& operator<<(std::ostream& out, const Rgb& c);

}  // namespace kvr::test
