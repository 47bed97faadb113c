#pragma once
// The subcommands that work with the interface cable: list, read and record.

#include <QString>
#include <QStringList>

struct TCliEnvironment;

int RunList(const QStringList& arguments, const TCliEnvironment& environment);
QString ListUsage();

int RunRead(const QStringList& arguments, const TCliEnvironment& environment);
QString ReadUsage();

int RunRecord(const QStringList& arguments, const TCliEnvironment& environment);
QString RecordUsage();
