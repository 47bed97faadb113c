#include "base/Ansi.h"

#include <gtest/gtest.h>

TEST(Ansi, EveryByteRoundTrips) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(QStringToAnsi(AnsiToQString(all)), all);
}

TEST(Ansi, ShowsWindows1252) {
    EXPECT_EQ(AnsiToQString("\x80 \xB0"
                            "C \x93x\x94"),
              QStringLiteral("\u20AC \u00B0C \u201Cx\u201D"));
    EXPECT_EQ(QStringToAnsi(QStringLiteral("\u20AC\u00E9")), QByteArray("\x80\xE9"));
}

TEST(Ansi, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(QStringToAnsi(QStringLiteral("a\u4E2Db")), QByteArray("a?b"));
}
