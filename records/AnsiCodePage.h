#pragma once
// Character boundaries in the system's ANSI code page, for the scans of the data file formats.
// The code page is Windows-1252, which is single-byte throughout, so no byte leads a double-byte
// character. The file scans still step through text with AnsiCharSize, so that a code page with
// lead and trail bytes only needs a different IsAnsiLeadByte: a trail byte (which may equal '\\'
// or '"' in such code pages) is then never taken for a character of its own.

#include <cstddef>
#include <cstdint>

constexpr bool IsAnsiLeadByte(uint8_t) {
    return false;
}

// Whether any byte leads a double-byte character: scans that treat every byte alike are only
// exact without such bytes.
constexpr bool AnsiHasLeadBytes() {
    for (int c = 0; c < 256; ++c) {
        if (IsAnsiLeadByte(uint8_t(c)))
            return true;
    }
    return false;
}

// Bytes taken by the character at p (1, or 2 for a lead byte that has a trail byte before end).
inline size_t AnsiCharSize(const char* p, const char* end) {
    return IsAnsiLeadByte(static_cast<uint8_t>(*p)) && end - p >= 2 ? 2 : 1;
}
