// ShiftJisReader: walks a Shift-JIS byte string character by character and names each glyph.
#pragma once

namespace kvr {

struct JisCode {
    int row = 0;
    int cell = 0;
};

// The standard Shift-JIS to JIS X 0208 conversion, done in bytes (modulo 256) so that any pair,
// valid or not, yields some code.
JisCode jisCodeFor(unsigned char lead, unsigned char trail);

// Glyph index of a double-byte character; may lie outside the font, even below zero.
int glyphIndexFor(unsigned char lead, unsigned char trail);

struct TextCharacter {
    int glyph = 0;
    bool halfWidth = false;
};

// Only printable ASCII (0x20-0x7E) is single-byte; every other byte leads a pair with the byte
// after it, so half-width katakana and control bytes are read as double-byte characters. A lead
// byte just before the terminating zero ends the text.
class ShiftJisReader {
public:
    explicit ShiftJisReader(const char* text)
        : position_(reinterpret_cast<const unsigned char*>(text)) {}

    // Reads the next character; false at the end of the text.
    bool next(TextCharacter& character);

private:
    const unsigned char* position_;
};

}  // namespace kvr
