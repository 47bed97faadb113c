#include "base/LocaleInfo.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <locale.h>
#include <string>

namespace {

// Sets an environment variable for the life of the object and puts the old value back.
class TScopedEnv {
public:
    TScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~TScopedEnv() {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

bool LocaleInstalled(const char* name) {
    locale_t probe = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(0));
    if (probe == static_cast<locale_t>(0))
        return false;
    freelocale(probe);
    return true;
}

} // namespace

TEST(DecimalSeparator, CLocaleHasAPoint) {
    EXPECT_EQ(QueryDecimalSeparator("C"), ".");
}

TEST(DecimalSeparator, CommaLocale) {
    // The test set-up generates de_DE.UTF-8; a machine without it cannot run this check.
    if (!LocaleInstalled("de_DE.UTF-8"))
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (scripts/deps.sh generates it)";
    EXPECT_EQ(QueryDecimalSeparator("de_DE.UTF-8"), ",");
}

TEST(DecimalSeparator, LocaleThatCannotBeLoadedKeepsThePoint) {
    ASSERT_FALSE(LocaleInstalled("xx_YY.UTF-8"));
    EXPECT_EQ(QueryDecimalSeparator("xx_YY.UTF-8"), ".");
}

TEST(DecimalSeparator, UninstalledLangInTheEnvironmentKeepsThePoint) {
    // The default query reads the environment, as a user's session with LANG=xx_YY.UTF-8 would.
    const TScopedEnv all("LC_ALL", nullptr);
    const TScopedEnv numeric("LC_NUMERIC", nullptr);
    const TScopedEnv lang("LANG", "xx_YY.UTF-8");
    EXPECT_EQ(QueryDecimalSeparator(), ".");
}
