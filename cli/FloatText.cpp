#include "cli/FloatText.h"

#include <charconv>

QByteArray ShortestFloatText(float value) {
    // std::to_chars without a format or precision gives the shortest round-trip form and never
    // consults the C locale.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QByteArray(buffer, result.ptr - buffer);
}
