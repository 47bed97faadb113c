#include "hid/HidStrings.h"

#include <algorithm>

void FillStringBuffer(std::u16string_view text, char16_t* buffer, uint32_t bytes) {
    const std::size_t units = bytes / sizeof(char16_t);
    const std::size_t copied = std::min(units, text.size());
    std::copy_n(text.data(), copied, buffer);
    if (copied < units)
        buffer[copied] = u'\0';
}

QString HidBufferText(std::span<const char16_t> buffer) {
    const auto end = std::find(buffer.begin(), buffer.end(), u'\0');
    return QString::fromUtf16(buffer.data(), end - buffer.begin());
}

std::size_t LanguageTableLength(std::span<const char16_t> languageBuffer) {
    for (std::size_t index = languageBuffer.size(); index-- > 0;) {
        if (languageBuffer[index] != u'\xFFFF')
            return languageBuffer[index] == 0 ? index : index + 1;
    }
    return 0;
}

bool SerialDiffersFromLanguageTable(std::span<const char16_t> serialBuffer,
                                    std::span<const char16_t> languageBuffer) {
    const std::size_t length = std::min(LanguageTableLength(languageBuffer), serialBuffer.size());
    for (std::size_t index = 0; index < length; ++index) {
        if (serialBuffer[index] != languageBuffer[index])
            return true;
    }
    return false;
}

bool LooksLikeLanguageTable(const QString& serial) {
    if (serial.isEmpty())
        return false;
    return std::all_of(serial.begin(), serial.end(), [](QChar unit) {
        const unsigned value = unit.unicode();
        const unsigned primary = value & 0x3FFu;
        const unsigned sublanguage = value >> 10;
        return sublanguage != 0 && primary >= 0x01 && primary <= 0xFF;
    });
}
