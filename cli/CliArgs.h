#pragma once
// One subcommand's arguments, parsed with QCommandLineParser: long options ("--limit 5",
// "--limit=5"), options whose value may only follow an equals sign ("--simulate",
// "--simulate=FILE"), flags, "--help" / "-h", and positional arguments; "--" ends the options.
// The messages name the option as it is typed ("unknown option '--x'").

#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

struct TOptionDef {
    enum TKind { Flag, Value, OptionalValue };
    QString name; // without the leading dashes
    TKind kind = Flag;
};

struct TParsedArgs {
    bool help = false;
    std::map<QString, QString> options; // present options; flags and bare optional ones map to ""
    QStringList positionals;
    QString error; // empty when the arguments parsed

    bool Has(const QString& name) const { return options.count(name) != 0; }
    QString Value(const QString& name) const;
};

TParsedArgs ParseArgs(const QStringList& arguments, const std::vector<TOptionDef>& definitions);

// A whole number of at least `minimum` for an option; nullopt and `error` set otherwise.
std::optional<int> ParseNumberOption(const TParsedArgs& args, const QString& name, int minimum,
                                     QString& error);
