#include "cli/DecodeCommand.h"

#include "base/Exceptions.h"
#include "cli/CliArgs.h"
#include "cli/CliEnvironment.h"
#include "cli/CliOutput.h"
#include "cli/ExitCodes.h"
#include "cli/FloatText.h"
#include "link/FrameDecoder.h"

namespace {

bool IsHexDigit(QChar c) {
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

} // namespace

std::optional<QByteArray> ParseHexPayload(const QString& text, QString& error) {
    QByteArray digits;
    for (const QChar c : text) {
        if (c.isSpace())
            continue;
        if (!IsHexDigit(c)) {
            error = QStringLiteral("'%1' is not a hexadecimal digit").arg(c);
            return std::nullopt;
        }
        digits.append(char(c.toUpper().unicode()));
    }
    if (digits.size() % 2 != 0) {
        error = QStringLiteral("the frame needs two hexadecimal digits per byte");
        return std::nullopt;
    }
    return digits;
}

QByteArray DecodeLines(const TReadout& readout, const TProgramState& state) {
    const std::pair<const char*, QByteArray> lines[] = {
        {"LcdD3", readout.LcdD3},
        {"LcdD2", readout.LcdD2},
        {"LcdD1", readout.LcdD1},
        {"LcdFH", readout.LcdFH},
        {"LcdDT3", readout.LcdDT3},
        {"LcdDT2", readout.LcdDT2},
        {"LcdDT1", readout.LcdDT1},
        {"LCDC", readout.LCDC},
        {"LCDDEW", readout.LCDDEW},
        {"LCDTime", readout.LCDTime},
        {"HumidityText", state.HumidityText},
        {"TemperatureText", state.TemperatureText},
        {"UnitText", state.UnitText},
        {"ChartValue", ShortestFloatText(state.ChartValue)},
    };
    QByteArray text;
    for (const auto& [name, value] : lines)
        text += QByteArray(name) + '\t' + value + '\n';
    return text;
}

int RunDecode(const QStringList& arguments, const TCliEnvironment& environment) {
    ICliOutput& output = *environment.output;
    const TParsedArgs args = ParseArgs(arguments, {{QStringLiteral("temp"), TOptionDef::Flag}});
    if (args.help) {
        output.Out(DecodeUsage().toLocal8Bit());
        return kExitOk;
    }
    QString error = args.error;
    if (error.isEmpty() && args.positionals.isEmpty())
        error = QStringLiteral("decode needs the frame as hexadecimal text");
    std::optional<QByteArray> payload;
    if (error.isEmpty())
        payload = ParseHexPayload(args.positionals.join(QString()), error);
    if (!payload) {
        ReportError(output, QStringLiteral("decode: %1 (try 'rx47-cli decode --help')").arg(error));
        return kExitUsage;
    }

    TProgramState state; // texts empty, ChartValue 0
    state.RxHex = *payload;
    TReadout readout; // the window's start captions
    TDecodeSettings settings;
    settings.DecimalSep = CliDecimalSep(environment);
    settings.PlotTemperature = args.Has(QStringLiteral("temp"));
    try {
        DecodeFrame(settings, readout, state);
    } catch (const EConvertError& e) {
        // What the readout shows when the window's decode stops at the same place.
        output.Out(DecodeLines(readout, state));
        ReportError(output, e.Message());
        return kExitFailed;
    }
    output.Out(DecodeLines(readout, state));
    return kExitOk;
}

QString DecodeUsage() {
    return QStringLiteral(
        "Usage: rx47-cli decode [--temp] HEX\n"
        "Decodes one logger frame, given as the hexadecimal text of its payload bytes (either\n"
        "case, blanks between bytes allowed), as the window's readout would show it. Prints one\n"
        "name<TAB>value line each: LcdD3, LcdD2, LcdD1, LcdFH, LcdDT3, LcdDT2, LcdDT1, LCDC,\n"
        "LCDDEW, LCDTime, HumidityText, TemperatureText, UnitText, ChartValue. The decimal\n"
        "separator is the locale's.\n"
        "  --temp  the chart value is the temperature (\"%RH / Temp\" ticked), not the humidity\n"
        "When a conversion fails the lines are printed as they stand at that point, the message\n"
        "goes to standard error and the exit code is 1.\n");
}
