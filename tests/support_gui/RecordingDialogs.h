#pragma once
// Dialogs for tests: messages are recorded instead of shown, file dialogs answer from a queue.

#include "app/UserDialogs.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

struct TRecordedMessage {
    QString text;
    TMessageIcon icon;
    QString caption;
};

class TRecordingDialogs : public IUserDialogs {
public:
    void ShowMessage(const QString& text, TMessageIcon icon, const QString& caption) override;
    std::optional<QString> AskSaveFileName(const TFileDialogRequest& request) override;
    std::optional<QString> AskOpenFileName(const TFileDialogRequest& request) override;
    bool AskYesNo(const QString& text, const QString& caption) override;
    std::optional<QString>
    ChooseRecording(const std::vector<TRecordingListItem>& recordings) override;

    QStringList Texts() const;

    std::vector<TRecordedMessage> messages;
    std::vector<TFileDialogRequest> saveRequests, openRequests;
    std::deque<std::optional<QString>> saveAnswers, openAnswers; // empty queue: cancel
    std::function<void(const QString&)> onMessage;               // runs while the "box" is open
    QStringList questions;
    std::deque<bool> yesNoAnswers; // empty queue: No
    std::vector<std::vector<TRecordingListItem>> recordingLists;
    std::deque<std::optional<QString>> recordingAnswers; // empty queue: cancel
};
