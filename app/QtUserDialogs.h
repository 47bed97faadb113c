#pragma once
// The real dialogs: QMessageBox and QFileDialog, modal to the given parent.

#include "app/UserDialogs.h"

class QWidget;

class TQtUserDialogs : public IUserDialogs {
public:
    explicit TQtUserDialogs(QWidget* parent) : parent_(parent) {}
    void ShowMessage(const QString& text, TMessageIcon icon, const QString& caption) override;
    std::optional<QString> AskSaveFileName(const TFileDialogRequest& request) override;
    std::optional<QString> AskOpenFileName(const TFileDialogRequest& request) override;
    bool AskYesNo(const QString& text, const QString& caption) override;
    std::optional<QString>
    ChooseRecording(const std::vector<TRecordingListItem>& recordings) override;

private:
    QWidget* parent_;
    QString lastOpenName_;
};
