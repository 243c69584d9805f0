// The built-in font as a run-packed byte array; the definition is generated at build time.
#pragma once

#include <cstddef>

namespace kvr {

// Layout: a 4-byte little-endian glyph size, then runs that expand to the glyph table (see
// BitmapFont for the run rules).
extern const unsigned char packedFontData[];
extern const std::size_t packedFontDataSize;

}  // namespace kvr
