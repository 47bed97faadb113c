#pragma once
// The decimal separator of the system's default locale. On Linux that is the numeric locale of the
// environment (LC_ALL, LC_NUMERIC, LANG). This is the one place the program reads the locale.

#include <QByteArray>

// localeName: the locale to ask, or nullptr for the environment's default. A locale that cannot be
// loaded (LANG naming a locale that was never generated is common) gives the C locale's ".", so
// readings keep their separator; only a locale that really defines none gives the empty text.
QByteArray QueryDecimalSeparator(const char* localeName = nullptr);
