#pragma once
// Every modal dialog the program shows goes through this interface, so that window tests can
// answer dialogs and see the messages without a person at the screen.

#include <QString>
#include <QStringList>
#include <optional>

enum class TMessageIcon { None, Information, Error };

struct TFileDialogRequest {
    QString caption;
    QString filter;           // "Name(*.ext)|*.ext|..." as in the window's dialog components
    QString defaultExtension; // without or with the dot, as given
    QString initialName;      // preset file name (empty to clear)
    bool confirmOverwrite = false;
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
};

// Converts a filter of the form "Excel File(*.xls)|*.xls|..." into Qt's "Excel File(*.xls);;...".
QString ToQtFilter(const QString& pipeFilter);
