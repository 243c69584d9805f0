// fontTextOf: UTF-8 to the built-in font's Shift-JIS, through the C library's converter.
#include "text/font_text.h"

#include <iconv.h>

#include <vector>

namespace kvr {

namespace {

// The length of the well-formed UTF-8 character at utf8[at], or 0.
std::size_t characterLength(const std::string& utf8, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > utf8.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    }
    return length;
}

// A double-byte Shift-JIS lead byte; what the converter gives outside them (a yen sign as 0x5C,
// half-width katakana) the font draws as something else or not at all.
bool isJisLead(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF);
}

}  // namespace

FontText fontTextOf(const std::string& utf8, std::size_t lastCells) {
    // Converted character by character, so that one without a JIS code costs only itself.
    const iconv_t converter = iconv_open("SHIFT_JIS", "UTF-8");
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[at]);
        if (lead >= 0x20 && lead < 0x7F) {
            pieces.emplace_back(1, static_cast<char>(lead));
            ++at;
            continue;
        }
        const std::size_t length = lead < 0x80 ? 0 : characterLength(utf8, at);
        std::string piece = "?";
        if (length > 0 && converter != reinterpret_cast<iconv_t>(-1)) {
            char in[4], out[8];
            utf8.copy(in, length, at);
            char* inAt = in;
            char* outAt = out;
            std::size_t inLeft = length, outLeft = sizeof out;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
            if (iconv(converter, &inAt, &inLeft, &outAt, &outLeft) !=
                    static_cast<std::size_t>(-1) &&
                outAt - out == 2 && isJisLead(static_cast<unsigned char>(out[0]))) {
                piece.assign(out, 2);
            }
        }
        pieces.push_back(piece);
        at += length > 0 ? length : 1;
    }
    if (converter != reinterpret_cast<iconv_t>(-1)) iconv_close(converter);

    FontText text;
    std::size_t first = pieces.size();
    while (first > 0 && text.cells + pieces[first - 1].size() <= lastCells) {
        --first;
        text.cells += pieces[first].size();
    }
    for (std::size_t i = first; i < pieces.size(); ++i) text.shiftJis += pieces[i];
    return text;
}

}  // namespace kvr
