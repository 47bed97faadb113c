#include "cli/CliArgs.h"

#include "base/Conversion.h"
#include "base/Exceptions.h"

#include <QCommandLineParser>

QString TParsedArgs::Value(const QString& name) const {
    const auto it = options.find(name);
    return it == options.end() ? QString() : it->second;
}

namespace {

// QCommandLineParser has no option whose value is optional: a bare "--simulate" is handed to it
// as this hidden flag, "--simulate=FILE" as the value option itself.
QString BareName(const QString& name) {
    return name + QStringLiteral("-bare");
}

QString Dashed(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// Qt's own text ("Missing value after '--count'.") as the rest of our messages read.
QString ParserError(const QCommandLineParser& parser) {
    if (!parser.unknownOptionNames().isEmpty())
        return QStringLiteral("unknown option '%1'").arg(Dashed(parser.unknownOptionNames()[0]));
    QString text = parser.errorText();
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

} // namespace

TParsedArgs ParseArgs(const QStringList& arguments, const std::vector<TOptionDef>& definitions) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));

    QStringList handed{QStringLiteral("rx47-cli")};
    bool optionsEnded = false;
    for (const QString& arg : arguments) {
        optionsEnded = optionsEnded || arg == QLatin1String("--");
        bool bare = false;
        for (const TOptionDef& definition : definitions) {
            // Qt only says "Unexpected value after '--temp'".
            if (!optionsEnded && definition.kind == TOptionDef::Flag &&
                arg.startsWith(QLatin1String("--") + definition.name + QLatin1Char('='))) {
                TParsedArgs parsed;
                parsed.error = QStringLiteral("--%1 takes no value").arg(definition.name);
                return parsed;
            }
            bare = bare || (!optionsEnded && definition.kind == TOptionDef::OptionalValue &&
                            arg == QLatin1String("--") + definition.name);
            if (bare) {
                handed << QLatin1String("--") + BareName(definition.name);
                break;
            }
        }
        if (!bare)
            handed << arg;
    }
    for (const TOptionDef& definition : definitions) {
        QCommandLineOption option(definition.name);
        if (definition.kind != TOptionDef::Flag)
            option.setValueName(QStringLiteral("VALUE"));
        parser.addOption(option);
        if (definition.kind == TOptionDef::OptionalValue) {
            QCommandLineOption bareOption(BareName(definition.name));
            bareOption.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(bareOption);
        }
    }

    TParsedArgs parsed;
    if (!parser.parse(handed)) {
        parsed.error = ParserError(parser);
        return parsed;
    }
    parsed.help = parser.isSet(QStringLiteral("help"));
    parsed.positionals = parser.positionalArguments();
    const QStringList found = parser.optionNames();
    for (const TOptionDef& definition : definitions) {
        const QString& name = definition.name;
        const qsizetype times =
            found.count(name) +
            (definition.kind == TOptionDef::OptionalValue ? found.count(BareName(name)) : 0);
        if (times == 0)
            continue;
        if (times > 1) {
            parsed.error = QStringLiteral("--%1 given twice").arg(name);
            return parsed;
        }
        const QString value = parser.value(name);
        if (definition.kind == TOptionDef::Value && value.isEmpty()) {
            parsed.error = QStringLiteral("--%1 needs a value").arg(name);
            return parsed;
        }
        if (definition.kind == TOptionDef::OptionalValue && found.count(name) && value.isEmpty()) {
            parsed.error = QStringLiteral("--%1= needs a file name").arg(name);
            return parsed;
        }
        parsed.options[name] = value;
    }
    return parsed;
}

std::optional<int> ParseNumberOption(const TParsedArgs& args, const QString& name, int minimum,
                                     QString& error) {
    const QString text = args.Value(name);
    int value = 0;
    try {
        value = StrToInt(text.toLocal8Bit());
    } catch (const EConvertError& e) {
        error = QStringLiteral("--%1: %2").arg(name, e.Message());
        return std::nullopt;
    }
    if (value < minimum) {
        error = QStringLiteral("--%1 must be at least %2").arg(name).arg(minimum);
        return std::nullopt;
    }
    return value;
}
