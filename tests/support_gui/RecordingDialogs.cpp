#include "support_gui/RecordingDialogs.h"

void TRecordingDialogs::ShowMessage(const QString& text, TMessageIcon icon,
                                    const QString& caption) {
    messages.push_back({text, icon, caption});
    if (onMessage)
        onMessage(text);
}

std::optional<QString> TRecordingDialogs::AskSaveFileName(const TFileDialogRequest& request) {
    saveRequests.push_back(request);
    if (saveAnswers.empty())
        return std::nullopt;
    auto answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

std::optional<QString> TRecordingDialogs::AskOpenFileName(const TFileDialogRequest& request) {
    openRequests.push_back(request);
    if (openAnswers.empty())
        return std::nullopt;
    auto answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

bool TRecordingDialogs::AskYesNo(const QString& text, const QString& /*caption*/) {
    questions << text;
    if (yesNoAnswers.empty())
        return false;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

std::optional<QString>
TRecordingDialogs::ChooseRecording(const std::vector<TRecordingListItem>& recordings) {
    recordingLists.push_back(recordings);
    if (recordingAnswers.empty())
        return std::nullopt;
    auto answer = recordingAnswers.front();
    recordingAnswers.pop_front();
    return answer;
}

QStringList TRecordingDialogs::Texts() const {
    QStringList texts;
    for (const auto& m : messages)
        texts << m.text;
    return texts;
}
