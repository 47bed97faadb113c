#pragma once
// Every modal dialog the program shows goes through this interface, so that window tests can
// answer dialogs and see the messages without a person at the screen.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

enum class TMessageIcon { None, Information, Error };

struct TFileDialogRequest {
    QString caption;
    QString filter;           // "Name(*.ext)|*.ext|..." as in the window's dialog components
    QString defaultExtension; // without or with the dot, as given
    QString initialName;      // preset file name (empty to clear)
    bool confirmOverwrite = false;
};

// One kept recording as the "Recent Recordings..." list shows it.
struct TRecordingListItem {
    QString path;
    QString started, ended; // local date and time
    QString records;        // how many
    QString quantity;       // "%RH" or "Temp"
    QString how;            // how it ended: "New", "switch", "Exit", "crash"
};

class IUserDialogs {
public:
    virtual ~IUserDialogs() = default;
    // A modal message box with an OK button. caption empty: the application's title.
    virtual void ShowMessage(const QString& text, TMessageIcon icon,
                             const QString& caption = {}) = 0;
    // A save or open dialog; nullopt when cancelled.
    virtual std::optional<QString> AskSaveFileName(const TFileDialogRequest& request) = 0;
    virtual std::optional<QString> AskOpenFileName(const TFileDialogRequest& request) = 0;
    // A question with Yes and No buttons; true for Yes. Dialogs that cannot ask answer No.
    virtual bool AskYesNo(const QString& /*text*/, const QString& /*caption*/ = {}) {
        return false;
    }
    // The kept recordings to choose one from; the chosen item's path, nullopt when cancelled.
    virtual std::optional<QString>
    ChooseRecording(const std::vector<TRecordingListItem>& /*recordings*/) {
        return std::nullopt;
    }
};

// Converts a filter of the form "Excel File(*.xls)|*.xls|..." into Qt's "Excel File(*.xls);;...".
QString ToQtFilter(const QString& pipeFilter);
