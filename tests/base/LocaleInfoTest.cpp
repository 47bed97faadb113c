#include "base/LocaleInfo.h"

#include <gtest/gtest.h>
#include <locale.h>

TEST(DecimalSeparator, CLocaleHasAPoint) {
    EXPECT_EQ(QueryDecimalSeparator("C"), ".");
}

TEST(DecimalSeparator, CommaLocale) {
    // The test set-up generates de_DE.UTF-8; a machine without it cannot run this check.
    locale_t probe = newlocale(LC_NUMERIC_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
    if (probe == static_cast<locale_t>(0))
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (scripts/deps.sh generates it)";
    freelocale(probe);
    EXPECT_EQ(QueryDecimalSeparator("de_DE.UTF-8"), ",");
}

TEST(DecimalSeparator, FailingQueryGivesEmptyText) {
    EXPECT_EQ(QueryDecimalSeparator("xx_NOWHERE.bogus"), "");
}
