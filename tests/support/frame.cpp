// Reading window contents back from the X server through xwd.
#include "tests/support/frame.h"

#include <fstream>
#include <ostream>

#include "tests/support/x_session.h"

namespace kvr::test {

namespace {

std::uint32_t bigEndian32(const std::string& b, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.data() + at);
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           p[3];
}

int shiftOf(std::uint32_t mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

}  // namespace

int Frame::count(Rgb colour, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(height, y1); ++y) {
        for (int x = std::max(0, x0); x < std::min(width, x1); ++x) n += at(x, y) == colour;
    }
    return n;
}

bool Frame::anyLit(int x0, int y0, int x1, int y1) const {
    const Rgb black;
    for (int y = std::max(0, y0); y < std::min(height, y1); ++y) {
        for (int x = std::max(0, x0); x < std::min(width, x1); ++x) {
            if (!(at(x, y) == black)) return true;
        }
    }
    return false;
}

void Frame::savePpm(const std::string& path) const {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << ' ' << height << "\n255\n";
    for (const Rgb& c : pixels) {
        out.put(static_cast<char>(c.r)).put(static_cast<char>(c.g)).put(static_cast<char>(c.b));
    }
}

Frame parseXwd(const std::string& bytes) {
    Frame frame;
    if (bytes.size() < 100) return frame;
    auto field = [&](int i) { return bigEndian32(bytes, static_cast<std::size_t>(i) * 4); };
    const std::uint32_t headerSize = field(0);
    const std::uint32_t format = field(2);
    const int width = static_cast<int>(field(4));
    const int height = static_cast<int>(field(5));
    const std::uint32_t byteOrder = field(7);
    const std::uint32_t bitsPerPixel = field(11);
    const std::uint32_t bytesPerLine = field(12);
    const std::uint32_t redMask = field(14), greenMask = field(15), blueMask = field(16);
    const std::uint32_t colours = field(19);
    if (format != 2 || (bitsPerPixel != 32 && bitsPerPixel != 24)) return frame;
    const std::size_t start = headerSize + static_cast<std::size_t>(colours) * 12;
    if (bytes.size() < start + static_cast<std::size_t>(bytesPerLine) * height) return frame;

    frame.width = width;
    frame.height = height;
    frame.pixels.resize(static_cast<std::size_t>(width) * height);
    const int bytesPerPixel = static_cast<int>(bitsPerPixel / 8);
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const unsigned char*>(bytes.data() + start + y * bytesPerLine);
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = row + x * bytesPerPixel;
            std::uint32_t v = 0;
            for (int i = 0; i < bytesPerPixel; ++i) {
                const int shift = byteOrder == 0 ? 8 * i : 8 * (bytesPerPixel - 1 - i);
                v |= std::uint32_t(p[i]) << shift;
            }
            Rgb& c = frame.pixels[static_cast<std::size_t>(y) * width + x];
            c.r = static_cast<int>((v & redMask) >> shiftOf(redMask));
            c.g = static_cast<int>((v & greenMask) >> shiftOf(greenMask));
            c.b = static_cast<int>((v & blueMask) >> shiftOf(blueMask));
        }
    }
    return frame;
}

Frame captureWindow(unsigned long windowId) {
    // A refused connection is not a missing window: only that is tried again.
    const CommandResult result = runXTool({TLEDIT_XWD, "-silent", "-id", std::to_string(windowId)});
    return result.status == 0 ? parseXwd(result.output) : Frame();
}

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << '(' << c.r << ", " << c.g << ", " << c.b << ')';
}

}  // namespace kvr::test
