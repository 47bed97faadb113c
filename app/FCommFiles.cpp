// Saving and opening data files: the dialogs, the messages and a progress dialog around the
// file operations of records/DataFiles.

#include "app/TFCOMM.h"
#include "base/Exceptions.h"
#include "records/DataFiles.h"
#include "records/RecordTable.h"

#include <QAbstractTableModel>
#include <QLabel>
#include <QProgressDialog>
#include <QTableView>

namespace {

// The grid hears nothing while a file operation walks or fills the table, and catches up once
// at the end, also when the operation fails.
using TUpdatesSuspended = TRecordTable::TUpdatesSuspended;

// A progress dialog that appears only when the operation runs longer than half a second. It is
// window-modal, so the user cannot start another command while a file is being read or written.
class TFileProgressDialog {
public:
    TFileProgressDialog(QWidget* parent, const QString& label)
        : dialog_(label, QString(), 0, 1000, parent) {
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setMinimumDuration(500);
        dialog_.setCancelButton(nullptr);
        dialog_.setAutoClose(false);
        dialog_.setValue(0);
    }
    TFileProgress Callback() {
        return [this](int permille) { dialog_.setValue(permille); };
    }

private:
    QProgressDialog dialog_;
};

} // namespace

void TFCOMM::saveasClick() {
    SaveDialog2.initialName.clear();
    const std::optional<QString> fileName = Dialogs().AskSaveFileName(SaveDialog2);
    if (!fileName)
        return;
    TSaveOutcome outcome;
    {
        TUpdatesSuspended suspended(*cds1);
        TFileProgressDialog progress(this, QStringLiteral("Saving %1").arg(*fileName));
        outcome = SaveTableToFile(*cds1, *fileName, progress.Callback());
    }
    // Writing a text table walks the table and leaves it on its last record.
    if (FormatForFileName(*fileName) == TDataFileFormat::TextTable && Data1 && DBGrid1 &&
        Data1->rowCount() > 0)
        DBGrid1->setCurrentIndex(Data1->index(Data1->rowCount() - 1, 0));
    // A packet that cannot be created ends the command with the general error box.
    if (outcome.kind == TSaveOutcome::TKind::PacketNotCreated)
        throw EFCreateError(outcome.message);
    Dialogs().ShowMessage(outcome.message, TMessageIcon::None);
}

void TFCOMM::SpeedButton2Click() {
    const std::optional<QString> fileName = Dialogs().AskOpenFileName(OpenDialog1);
    if (!fileName)
        return;
    OpenDialog1.initialName = *fileName; // the open dialog keeps the last chosen name
    // A text table appends after the records there; a packet replaces them.
    const int64_t firstOpened =
        FormatForFileName(*fileName) == TDataFileFormat::DataPacket ? 0 : cds1->Count();
    TLoadOutcome outcome;
    {
        TUpdatesSuspended suspended(*cds1);
        TFileProgressDialog progress(this, QStringLiteral("Opening %1").arg(*fileName));
        outcome = LoadTableFromFile(*fileName, *cds1, progress.Callback());
    }
    ShowOpenedRecords(outcome.ok, firstOpened);
    if (!outcome.ok)
        Dialogs().ShowMessage(QString::fromLatin1(kLoadFailedMessage), TMessageIcon::Error,
                              QStringLiteral("Error"));
}

void TFCOMM::ShowOpenedRecords(bool complete, int64_t firstOpened) {
    // Records a failed text table appended before its failing line stay: they are counted too.
    const int64_t opened = cds1->Count() - firstOpened;
    if (!complete && opened <= 0) {
        StateLine->clear(); // the error box says it all
        return;
    }
    const QString count =
        opened == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(opened);
    StateLine->setText(complete ? count + QStringLiteral(" opened")
                                : count + QStringLiteral(" opened before the file failed"));
    if (opened <= 0 || !Data1)
        return;
    const QModelIndex first = Data1->index(int(firstOpened), 0);
    DBGrid1->setCurrentIndex(first);
    DBGrid1->scrollTo(first, QAbstractItemView::PositionAtTop);
}
