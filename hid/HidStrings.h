#pragma once
// Decisions on the strings a HID interface reports, kept apart from the device so that they can
// be checked on their own.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// Size of the string buffers: 254 UTF-16 units (508 bytes).
inline constexpr std::size_t kHidStringUnits = 254;

// What a string request leaves in a buffer of `bytes` bytes: the text, cut to the buffer, then a
// NUL when there is room for one.
void FillStringBuffer(std::u16string_view text, char16_t* buffer, uint32_t bytes);

// The text of a string buffer: up to its first NUL, at most the buffer's length.
QString HidBufferText(std::span<const char16_t> buffer);

// Length of the language table read into a buffer pre-filled with 0xFFFF units: the units up to
// the last one the device wrote, without a terminating NUL.
std::size_t LanguageTableLength(std::span<const char16_t> languageBuffer);

// Some devices answer the serial-number request with their language table (string 0). A serial
// counts only when one of the table's first units differs from it; an empty table accepts none.
bool SerialDiffersFromLanguageTable(std::span<const char16_t> serialBuffer,
                                    std::span<const char16_t> languageBuffer);

// For a system that cannot read string 0: a serial made only of language identifiers (a primary
// language with a non-zero sublanguage, such as 0x0409) is taken for the language table; any
// other serial is genuine.
bool LooksLikeLanguageTable(const QString& serial);
