// "Export CSV...": the record table as a spreadsheet file.

#include "app/TFCOMM.h"

#include "records/CsvExport.h"
#include "records/RecordTable.h"

void TFCOMM::ExportCsvClick() {
    TFileDialogRequest request;
    request.caption = QStringLiteral("Export CSV");
    request.filter = QStringLiteral("CSV File(*.csv)|*.csv");
    request.defaultExtension = QStringLiteral("csv");
    request.confirmOverwrite = true;
    const std::optional<QString> fileName = Dialogs().AskSaveFileName(request);
    if (!fileName)
        return;
    const QString reason =
        ExportTableToCsv(*cds1, *fileName, TCsvStyle::ForDecimalSeparator(DecimalSep));
    if (reason.isEmpty())
        Dialogs().ShowMessage(
            QStringLiteral("Exported %1 records to %2").arg(cds1->Count()).arg(*fileName),
            TMessageIcon::Information);
    else
        Dialogs().ShowMessage(QStringLiteral("Could not export to %1: %2").arg(*fileName, reason),
                              TMessageIcon::Error, QStringLiteral("Error"));
}
