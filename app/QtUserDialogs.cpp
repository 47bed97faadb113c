#include "app/QtUserDialogs.h"

#include "app/RecentRecordingsDialog.h"

#include <QFileDialog>
#include <QMessageBox>

QString ToQtFilter(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        // Qt takes the patterns from the parentheses of the name; keep the name as written and
        // append the patterns when the name does not carry them.
        if (!name.contains('('))
            name += QStringLiteral(" (%1)").arg(parts[i + 1]);
        filters << name;
    }
    return filters.join(QStringLiteral(";;"));
}

void TQtUserDialogs::ShowMessage(const QString& text, TMessageIcon icon, const QString& caption) {
    QMessageBox box(parent_);
    box.setWindowTitle(caption.isEmpty() ? (parent_ ? parent_->windowTitle() : QString())
                                         : caption);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    switch (icon) {
    case TMessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case TMessageIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case TMessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    box.exec();
}

bool TQtUserDialogs::AskYesNo(const QString& text, const QString& caption) {
    QMessageBox box(parent_);
    box.setWindowTitle(caption.isEmpty() ? (parent_ ? parent_->windowTitle() : QString())
                                         : caption);
    box.setText(text);
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString>
TQtUserDialogs::ChooseRecording(const std::vector<TRecordingListItem>& recordings) {
    return ChooseRecordingDialog(parent_, recordings);
}

namespace {

QString WithDefaultExtension(QString name, const QString& defaultExtension) {
    QString ext = defaultExtension;
    while (ext.startsWith('*') || ext.startsWith('.'))
        ext.remove(0, 1);
    if (!ext.isEmpty() && QFileInfo(name).suffix().isEmpty())
        name += '.' + ext;
    return name;
}

} // namespace

std::optional<QString> TQtUserDialogs::AskSaveFileName(const TFileDialogRequest& request) {
    QFileDialog dialog(parent_, request.caption);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(ToQtFilter(request.filter));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    QString ext = request.defaultExtension;
    while (ext.startsWith('*') || ext.startsWith('.'))
        ext.remove(0, 1);
    dialog.setDefaultSuffix(ext);
    dialog.selectFile(request.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return WithDefaultExtension(dialog.selectedFiles().constFirst(), request.defaultExtension);
}

std::optional<QString> TQtUserDialogs::AskOpenFileName(const TFileDialogRequest& request) {
    QFileDialog dialog(parent_, request.caption);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(ToQtFilter(request.filter));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    // The open dialog keeps the last chosen name.
    dialog.selectFile(request.initialName.isEmpty() ? lastOpenName_ : request.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    lastOpenName_ = dialog.selectedFiles().constFirst();
    return lastOpenName_;
}
