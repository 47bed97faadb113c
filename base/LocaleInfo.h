#pragma once
// The decimal separator of the system's default locale. On Linux that is the numeric locale of the
// environment (LC_ALL, LC_NUMERIC, LANG); a locale that cannot be loaded gives the empty text.

#include <QByteArray>

// localeName: the locale to ask, or nullptr for the environment's default.
QByteArray QueryDecimalSeparator(const char* localeName = nullptr);
