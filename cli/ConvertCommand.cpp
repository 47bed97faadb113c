#include "cli/ConvertCommand.h"

#include "cli/CliArgs.h"
#include "cli/CliEnvironment.h"
#include "cli/CliOutput.h"
#include "cli/ExitCodes.h"
#include "records/CsvExport.h"
#include "records/DataFiles.h"
#include "records/RecordTable.h"

int RunConvert(const QStringList& arguments, const TCliEnvironment& environment) {
    ICliOutput& output = *environment.output;
    const TParsedArgs args = ParseArgs(arguments, {});
    if (args.help) {
        output.Out(ConvertUsage().toLocal8Bit());
        return kExitOk;
    }
    QString error = args.error;
    if (error.isEmpty() && args.positionals.size() != 2)
        error = QStringLiteral("convert needs two file names, IN and OUT");
    if (!error.isEmpty()) {
        ReportError(output,
                    QStringLiteral("convert: %1 (try 'rx47-cli convert --help')").arg(error));
        return kExitUsage;
    }
    const QString& in = args.positionals[0];
    const QString& out = args.positionals[1];

    TRecordTable table;
    const TLoadOutcome loaded = LoadTableFromFile(in, table);
    if (!loaded.ok) {
        // The window's one message, with the reason it keeps for diagnostics.
        ReportError(output, QStringLiteral("%1: %2 (%3)")
                                .arg(in, QLatin1String(kLoadFailedMessage), loaded.reason));
        return kExitFailed;
    }
    if (IsCsvFileName(out)) {
        // Opened files carry no received times: those cells stay empty.
        const QString reason = ExportTableToCsv(
            table, out, TCsvStyle::ForDecimalSeparator(CliDecimalSep(environment)));
        if (!reason.isEmpty()) {
            ReportError(output, QStringLiteral("%1: %2").arg(out, reason));
            return kExitFailed;
        }
        return kExitOk;
    }
    const TSaveOutcome saved = SaveTableToFile(table, out);
    if (saved.kind != TSaveOutcome::TKind::Saved) {
        ReportError(output, saved.message);
        return kExitFailed;
    }
    // OUT is written, but not everything of IN is in it as it was: say what, and fail.
    TDataChanges changes = loaded.changes;
    changes += saved.changes;
    if (changes.Any()) {
        ReportError(
            output,
            QStringLiteral("%1: converted with changes: %2").arg(out, DataChangesText(changes)));
        return kExitFailed;
    }
    return kExitOk;
}

QString ConvertUsage() {
    return QStringLiteral(
        "Usage: rx47-cli convert IN OUT\n"
        "Opens the data file IN and saves its records as OUT, as the window's Open and Save do.\n"
        "A name ending in .xml (any case) is an XML data packet, any other name a tab-separated\n"
        "text table; a name ending in .csv (any case) is a spreadsheet file: UTF-8, a header\n"
        "line, one line a record with humidity and temperature as numbers; semicolons and\n"
        "decimal commas where the locale writes numbers with a comma. A file that does not open\n"
        "is not converted (exit code 1) and OUT is left as it was; OUT is replaced only by a\n"
        "complete file. When a value cannot be kept as it was (longer than 20 characters, a\n"
        "character the code page lacks, a line break in a text table), OUT is written, standard\n"
        "error says how many values changed, and the exit code is 1.\n");
}
