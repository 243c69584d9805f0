// Fuzzes the Shift-JIS walk of text drawing: glyph indices for arbitrary byte strings.
#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "text/shift_jis_reader.h"

namespace {

iconv_t toEucJp = reinterpret_cast<iconv_t>(-1);

[[noreturn]] void fail(const char* what, std::size_t at) {
    std::fprintf(stderr, "Shift-JIS walk failed at byte %zu: %s\n", at, what);
    std::abort();
}

// An independent reading of a valid pair: the system's converter gives the EUC-JP bytes, which
// are the JIS X 0208 row and cell with the top bit set. -1 when it does not take the pair.
int glyphFromConverter(unsigned char lead, unsigned char trail) {
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    char out[8];
    char* inPointer = in;
    char* outPointer = out;
    std::size_t inLeft = 2;
    std::size_t outLeft = sizeof out;
    iconv(toEucJp, nullptr, nullptr, nullptr, nullptr);
    if (iconv(toEucJp, &inPointer, &inLeft, &outPointer, &outLeft) ==
        static_cast<std::size_t>(-1)) {
        return -1;
    }
    if (sizeof out - outLeft != 2) return -1;
    const int row = static_cast<unsigned char>(out[0]) - 0x80;
    const int cell = static_cast<unsigned char>(out[1]) - 0x80;
    if (row < 0x21 || row > 0x7E || cell < 0x21 || cell > 0x7E) return -1;
    return 96 * row + cell - 2849;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    toEucJp = iconv_open("EUC-JP", "SHIFT_JIS");
    if (toEucJp == reinterpret_cast<iconv_t>(-1)) {
        std::fprintf(stderr, "no SHIFT_JIS to EUC-JP converter\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Exactly the text and its terminator, so the sanitizer sees any read beyond them.
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());

    kvr::ShiftJisReader reader(text.data());
    kvr::TextCharacter character;
    std::size_t at = 0;
    while (reader.next(character)) {
        const unsigned char b = bytes[at];
        if (b == 0) fail("a character after the terminator", at);
        if (b >= 0x20 && b <= 0x7E) {
            if (!character.halfWidth || character.glyph != b) fail("wrong single byte", at);
            at += 1;
            continue;
        }
        const unsigned char trail = bytes[at + 1];
        if (trail == 0) fail("a pair cut by the terminator", at);
        if (character.halfWidth) fail("a pair taken as half width", at);
        if (character.glyph != kvr::glyphIndexFor(b, trail)) fail("wrong pair glyph", at);
        // Valid JIS X 0208 characters land on their cell of the font.
        const int expected = glyphFromConverter(b, trail);
        if (expected >= 0 && character.glyph != expected) fail("glyph differs from iconv", at);
        at += 2;
    }
    // The walk ends at the terminator, or on a lead byte right before it, and stays ended.
    if (!(bytes[at] == 0 || bytes[at + 1] == 0)) fail("ended early", at);
    if (reader.next(character)) fail("went on after the end", at);
    return 0;
}
