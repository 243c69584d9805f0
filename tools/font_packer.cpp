// font_packer: builds the editor's 16 x 16 glyph table from Debian's fonts and writes it,
// run-packed, as a C++ source defining packedFontData.
//
// Usage: font_packer JIS_BDF UNIFONT_HEX OUTPUT_CPP
//   JIS_BDF      a 16-pixel JIS X 0208 font in BDF (j90-16 through pcf2bdf)
//   UNIFONT_HEX  GNU Unifont's .hex file, for the half-width single-byte glyphs
//   OUTPUT_CPP   the source file to write
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kCellSize = 16;
constexpr int kBytesPerRow = 2;
constexpr int kBytesPerGlyph = kCellSize * kBytesPerRow;
constexpr int kGlyphCount = 256 + 96 * 96;

// What the editor relies on: every JIS X 0208:1990 character but the (blank) ideographic space,
// and the symbol, ASCII and Latin-1 ranges of the single-byte half.
constexpr int kExpectedJisGlyphs = 6878;
constexpr int kExpectedSingleByteGlyphs = 219;

// Code page 437's pictures for the control bytes 0x02-0x1F, by Unicode code point; 0x00 and 0x01
// stay blank.
constexpr std::uint32_t kControlPictures[30] = {
    0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9, 0x2642,
    0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
    0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
};

[[noreturn]] void fail(const std::string& message) {
    throw std::runtime_error(message);
}

// The unpacked table, laid out exactly as the editor reads it: rows bottom first, MSB leftmost.
class GlyphTable {
public:
    GlyphTable() : bits_(static_cast<std::size_t>(kGlyphCount) * kBytesPerGlyph, 0) {}

    void setPixel(int glyph, int column, int rowFromTop) {
        if (column < 0 || column >= kCellSize || rowFromTop < 0 || rowFromTop >= kCellSize) return;
        const int row = kCellSize - 1 - rowFromTop;
        bits_[glyph * kBytesPerGlyph + row * kBytesPerRow + column / 8] |=
            static_cast<std::uint8_t>(0x80 >> (column % 8));
    }

    bool isBlank(int glyph) const {
        for (int i = 0; i < kBytesPerGlyph; ++i) {
            if (bits_[glyph * kBytesPerGlyph + i] != 0) return false;
        }
        return true;
    }

    const std::vector<std::uint8_t>& bytes() const { return bits_; }

private:
    std::vector<std::uint8_t> bits_;
};

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    fail(std::string("not a hex digit: ") + c);
}

// Reads the JIS X 0208 glyphs of a BDF font whose ENCODING is the JIS code (row << 8 | cell).
// Returns how many non-blank cells it placed.
int loadJisFont(const std::string& path, GlyphTable& table) {
    std::ifstream in(path);
    if (!in) fail("cannot open " + path);
    int ascent = -1;
    int encoding = -1;
    int width = 0, height = 0, xOffset = 0, yOffset = 0;
    int placed = 0;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "FONT_ASCENT") {
            words >> ascent;
        } else if (keyword == "ENCODING") {
            words >> encoding;
        } else if (keyword == "BBX") {
            words >> width >> height >> xOffset >> yOffset;
        } else if (keyword == "BITMAP") {
            if (ascent < 0) fail(path + ": no FONT_ASCENT before the first glyph");
            const int row = encoding >> 8;
            const int cell = encoding & 0xFF;
            const bool valid = row >= 0x21 && row <= 0x7E && cell >= 0x21 && cell <= 0x7E;
            const int glyph = 96 * row + cell - 2849;
            // The BBX places the bitmap relative to the baseline, which lies `ascent` rows below
            // the top of the cell.
            const int top = ascent - (yOffset + height);
            for (int y = 0; y < height; ++y) {
                if (!std::getline(in, line)) fail(path + ": glyph bitmap cut short");
                for (int x = 0; x < width; ++x) {
                    const std::size_t digit = static_cast<std::size_t>(x / 4);
                    if (digit >= line.size()) fail(path + ": bitmap row too short");
                    if (valid && (hexValue(line[digit]) & (8 >> (x % 4)))) {
                        table.setPixel(glyph, xOffset + x, top + y);
                    }
                }
            }
            if (valid && !table.isBlank(glyph)) ++placed;
            encoding = -1;
        }
    }
    return placed;
}

std::unordered_map<std::uint32_t, std::string> readUnifont(const std::string& path) {
    std::ifstream in(path);
    if (!in) fail("cannot open " + path);
    std::unordered_map<std::uint32_t, std::string> glyphs;
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        glyphs[static_cast<std::uint32_t>(std::stoul(line.substr(0, colon), nullptr, 16))] =
            line.substr(colon + 1);
    }
    return glyphs;
}

// Puts an 8 x 16 Unifont glyph (16 hex byte pairs, top row first) into the right half of a cell,
// where the editor's half-width drawing expects it.
void placeHalfWidth(const std::unordered_map<std::uint32_t, std::string>& unifont,
                    std::uint32_t codePoint, int glyph, GlyphTable& table) {
    const auto found = unifont.find(codePoint);
    if (found == unifont.end()) fail("Unifont has no glyph for U+" + std::to_string(codePoint));
    const std::string& hex = found->second;
    if (hex.size() != 32) fail("Unifont glyph U+" + std::to_string(codePoint) + " is not 8 wide");
    for (int y = 0; y < kCellSize; ++y) {
        const int byte = hexValue(hex[2 * y]) << 4 | hexValue(hex[2 * y + 1]);
        for (int x = 0; x < 8; ++x) {
            if (byte & (0x80 >> x)) table.setPixel(glyph, 8 + x, y);
        }
    }
}

int loadSingleByteGlyphs(const std::string& path, GlyphTable& table) {
    const auto unifont = readUnifont(path);
    for (int b = 0x02; b <= 0x1F; ++b) placeHalfWidth(unifont, kControlPictures[b - 2], b, table);
    for (int b = 0x21; b <= 0x7E; ++b)
        placeHalfWidth(unifont, static_cast<std::uint32_t>(b), b, table);
    for (int b = 0xA1; b <= 0xFF; ++b) {
        // Unifont draws the soft hyphen as a control picture twice as wide; Latin-1 fonts show
        // a plain hyphen there.
        const std::uint32_t codePoint = b == 0xAD ? 0x2010 : static_cast<std::uint32_t>(b);
        placeHalfWidth(unifont, codePoint, b, table);
    }
    int placed = 0;
    for (int b = 0; b < 256; ++b) placed += table.isBlank(b) ? 0 : 1;
    return placed;
}

// Run format: a count byte n < 128 is followed by n + 1 literal bytes; n >= 128 by one byte that
// is repeated n - 127 times.
std::vector<std::uint8_t> pack(const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> out = {kCellSize, 0, 0, 0};
    std::size_t literalStart = 0;
    auto flushLiterals = [&](std::size_t end) {
        while (literalStart < end) {
            const std::size_t n = std::min<std::size_t>(end - literalStart, 128);
            out.push_back(static_cast<std::uint8_t>(n - 1));
            out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(literalStart),
                       data.begin() + static_cast<std::ptrdiff_t>(literalStart + n));
            literalStart += n;
        }
    };
    std::size_t i = 0;
    while (i < data.size()) {
        std::size_t run = 1;
        while (i + run < data.size() && run < 128 && data[i + run] == data[i]) ++run;
        // Two equal bytes cost as much as a literal pair, so only longer runs are worth a repeat.
        if (run >= 3) {
            flushLiterals(i);
            out.push_back(static_cast<std::uint8_t>(run + 127));
            out.push_back(data[i]);
            i += run;
            literalStart = i;
        } else {
            i += run;
        }
    }
    flushLiterals(data.size());
    // The reader stops at the end of the array; this zero is kept for the array's traditional
    // shape and unpacks to one surplus byte past the last glyph.
    out.push_back(0);
    return out;
}

void writeSource(const std::string& path, const std::vector<std::uint8_t>& packed) {
    std::ofstream out(path);
    if (!out) fail("cannot write " + path);
    out << "// The editor's built-in font, run-packed; generated by tools/font_packer.cpp.\n"
           "#include \"text/packed_font_data.h\"\n\n"
           "namespace kvr {\n\n"
           "const unsigned char packedFontData[] = {\n";
    char hex[8];
    for (std::size_t i = 0; i < packed.size(); ++i) {
        std::snprintf(hex, sizeof hex, "0x%02x,", packed[i]);
        out << hex << ((i % 16 == 15 || i + 1 == packed.size()) ? "\n" : "");
    }
    out << "};\n\n"
           "const std::size_t packedFontDataSize = sizeof packedFontData;\n\n"
           "}  // namespace kvr\n";
    if (!out) fail("error writing " + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: font_packer JIS_BDF UNIFONT_HEX OUTPUT_CPP\n";
        return 2;
    }
    try {
        GlyphTable table;
        const int jis = loadJisFont(argv[1], table);
        if (jis != kExpectedJisGlyphs) {
            fail(std::string(argv[1]) + ": " + std::to_string(jis) + " JIS glyphs, expected " +
                 std::to_string(kExpectedJisGlyphs));
        }
        const int single = loadSingleByteGlyphs(argv[2], table);
        if (single != kExpectedSingleByteGlyphs) {
            fail(std::to_string(single) + " single-byte glyphs, expected " +
                 std::to_string(kExpectedSingleByteGlyphs));
        }
        writeSource(argv[3], pack(table.bytes()));
    } catch (const std::exception& e) {
        std::cerr << "font_packer: " << e.what() << "\n";
        std::remove(argv[3]);
        return 1;
    }
    return 0;
}
