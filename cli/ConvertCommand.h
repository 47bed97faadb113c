#pragma once
// rx47-cli convert IN OUT: opens IN and saves OUT with the window's own readers and writers; the
// extension of each name chooses its format.

#include <QString>
#include <QStringList>

struct TCliEnvironment;

int RunConvert(const QStringList& arguments, const TCliEnvironment& environment);
QString ConvertUsage();
