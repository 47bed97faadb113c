#include "cli/CliArgs.h"

#include "base/Conversion.h"
#include "base/Exceptions.h"

QString TParsedArgs::Value(const QString& name) const {
    const auto it = options.find(name);
    return it == options.end() ? QString() : it->second;
}

namespace {

const TOptionDef* FindOption(const std::vector<TOptionDef>& definitions, const QString& name) {
    for (const TOptionDef& definition : definitions) {
        if (definition.name == name)
            return &definition;
    }
    return nullptr;
}

} // namespace

TParsedArgs ParseArgs(const QStringList& arguments, const std::vector<TOptionDef>& definitions) {
    TParsedArgs parsed;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size() && parsed.error.isEmpty(); ++i) {
        const QString& arg = arguments[i];
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            parsed.positionals.append(arg);
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            parsed.help = true;
            continue;
        }
        if (!arg.startsWith(QLatin1String("--"))) {
            parsed.error = QStringLiteral("unknown option '%1'").arg(arg);
            break;
        }
        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        const QString name = arg.mid(2, equals < 0 ? -1 : equals - 2);
        const TOptionDef* definition = FindOption(definitions, name);
        if (!definition) {
            parsed.error = QStringLiteral("unknown option '--%1'").arg(name);
            break;
        }
        if (parsed.Has(name)) {
            parsed.error = QStringLiteral("--%1 given twice").arg(name);
            break;
        }
        QString value;
        switch (definition->kind) {
        case TOptionDef::Flag:
            if (equals >= 0)
                parsed.error = QStringLiteral("--%1 takes no value").arg(name);
            break;
        case TOptionDef::OptionalValue:
            if (equals >= 0) {
                value = arg.mid(equals + 1);
                if (value.isEmpty())
                    parsed.error = QStringLiteral("--%1= needs a file name").arg(name);
            }
            break;
        case TOptionDef::Value:
            if (equals >= 0) {
                value = arg.mid(equals + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                parsed.error = QStringLiteral("--%1 needs a value").arg(name);
                break;
            }
            if (value.isEmpty())
                parsed.error = QStringLiteral("--%1 needs a value").arg(name);
            break;
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
