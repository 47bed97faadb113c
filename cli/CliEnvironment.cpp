#include "cli/CliEnvironment.h"

#include "base/LocaleInfo.h"

QByteArray CliDecimalSep(const TCliEnvironment& environment) {
    return environment.decimalSepQuery ? environment.decimalSepQuery() : QueryDecimalSeparator();
}

QDateTime CliNow(const TCliEnvironment& environment) {
    return environment.clock ? environment.clock() : QDateTime::currentDateTime();
}
