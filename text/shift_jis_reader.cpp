// Shift-JIS decoding to glyph indices of BitmapFont. No OpenGL here.
#include "text/shift_jis_reader.h"

#include <cstdint>

namespace kvr {

JisCode jisCodeFor(unsigned char lead, unsigned char trail) {
    std::uint8_t l = lead;
    std::uint8_t t = trail;
    if (l >= 0xE0) l = static_cast<std::uint8_t>(l - 0x40);
    if (t >= 0x80) t = static_cast<std::uint8_t>(t - 1);
    std::uint8_t row = static_cast<std::uint8_t>(2 * static_cast<std::uint8_t>(l - 0x70));
    std::uint8_t cell;
    if (t >= 0x9E) {
        cell = static_cast<std::uint8_t>(t - 0x7D);
    } else {
        row = static_cast<std::uint8_t>(row - 1);
        cell = static_cast<std::uint8_t>(t - 0x1F);
    }
    return JisCode{row, cell};
}

int glyphIndexFor(unsigned char lead, unsigned char trail) {
    const JisCode code = jisCodeFor(lead, trail);
    return 96 * code.row + code.cell - 2849;
}

bool ShiftJisReader::next(TextCharacter& character) {
    const unsigned char b = position_[0];
    if (b == 0) return false;
    if (b >= 0x20 && b <= 0x7E) {
        character = TextCharacter{b, true};
        position_ += 1;
        return true;
    }
    const unsigned char trail = position_[1];
    if (trail == 0) {
        position_ += 1;  // rests on the terminator, so the text stays ended
        return false;
    }
    character = TextCharacter{glyphIndexFor(b, trail), false};
    position_ += 2;
    return true;
}

}  // namespace kvr
