#pragma once
// The one place where an error raised by a handler on the event thread is reported: a modal
// message box with the error's text. The rest of the handler does not run, as the exception has
// already unwound it.

#include "app/UserDialogs.h"
#include "base/Exceptions.h"

#include <utility>

template <class Handler> bool RunGuarded(IUserDialogs& dialogs, Handler&& handler) {
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (const TException& error) {
        dialogs.ShowMessage(error.Message(), TMessageIcon::Information);
        return false;
    }
}
