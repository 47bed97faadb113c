// The string decisions: buffer text, the language table and the serial check.

#include "hid/HidStrings.h"

#include <array>
#include <gtest/gtest.h>
#include <string>

namespace {

std::array<char16_t, kHidStringUnits> Buffer(std::u16string_view text, char16_t fill) {
    std::array<char16_t, kHidStringUnits> buffer;
    buffer.fill(fill);
    std::copy(text.begin(), text.end(), buffer.begin());
    return buffer;
}

TEST(HidStringsTest, BufferTextEndsAtNulOrBufferEnd) {
    EXPECT_EQ(HidBufferText(Buffer(u"USB to Serial", 0)), "USB to Serial");
    const auto full = Buffer(std::u16string(kHidStringUnits, u'x'), 0);
    EXPECT_EQ(HidBufferText(full).size(), static_cast<qsizetype>(kHidStringUnits));
}

TEST(HidStringsTest, LanguageTableLength) {
    struct Case {
        std::u16string written;
        std::size_t expected;
    };
    for (const Case& c : {Case{u"", 0}, Case{u"\u0409", 1}, Case{std::u16string(u"\u0409\0", 2), 1},
                          Case{u"\u0409\u0407", 2}}) {
        EXPECT_EQ(LanguageTableLength(Buffer(c.written, u'\xFFFF')), c.expected);
    }
    // Nothing written at all.
    EXPECT_EQ(LanguageTableLength(Buffer(u"", u'\xFFFF')), 0u);
    // A device that wrote only a NUL.
    EXPECT_EQ(LanguageTableLength(Buffer(std::u16string(1, u'\0'), u'\xFFFF')), 0u);
}

TEST(HidStringsTest, LooksLikeLanguageTable) {
    EXPECT_TRUE(LooksLikeLanguageTable(QString::fromUtf16(u"\u0409")));
    EXPECT_TRUE(LooksLikeLanguageTable(QString::fromUtf16(u"\u0409\u0804")));
    EXPECT_FALSE(LooksLikeLanguageTable(""));
    EXPECT_FALSE(LooksLikeLanguageTable("0001A2"));
    EXPECT_FALSE(LooksLikeLanguageTable(QString::fromUtf16(u"\u0409Z")));
    EXPECT_FALSE(LooksLikeLanguageTable(QString::fromUtf16(u"\u4E2D\u6587")));
}

} // namespace
