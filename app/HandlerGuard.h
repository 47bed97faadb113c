#pragma once
// The one place where an error raised by a handler on the event thread is reported: a modal
// message box with the error's text. Every exception counts, the program's own and the standard
// library's (an allocation failure included): none may end the program or pass unseen. The rest
// of the handler does not run, as the exception has already unwound it.

#include "app/UserDialogs.h"
#include "base/Exceptions.h"

#include <utility>

template <class Handler> bool RunGuarded(IUserDialogs& dialogs, Handler&& handler) {
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (...) {
        dialogs.ShowMessage(ExceptionMessage(), TMessageIcon::Information);
        return false;
    }
}
