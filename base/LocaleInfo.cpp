#include "base/LocaleInfo.h"

#include <langinfo.h>
#include <locale.h>

QByteArray QueryDecimalSeparator(const char* localeName) {
    // A private locale object: the process-wide locale stays "C", so nothing else that formats
    // numbers (file writers, Qt) changes behaviour with the user's locale.
    locale_t loc =
        newlocale(LC_NUMERIC_MASK, localeName ? localeName : "", static_cast<locale_t>(0));
    // A locale that is named but not installed: without a separator every reading would lose its
    // decimal point ("453%RH" for 45.3%RH), so use the C locale's.
    if (loc == static_cast<locale_t>(0))
        loc = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0))
        return QByteArrayLiteral(".");
    // At most nine bytes, the text up to the first NUL, as a fixed 10-byte buffer would hold.
    const char* radix = nl_langinfo_l(RADIXCHAR, loc);
    QByteArray sep;
    if (radix) {
        for (int i = 0; i < 9 && radix[i] != '\0'; ++i)
            sep.append(radix[i]);
    }
    freelocale(loc);
    return sep;
}
