// One error policy: the handler guard shows every exception a handler can raise, the program's
// own and the standard library's (an allocation failure included), in one message box, and the
// window goes on.

#include "app/HandlerGuard.h"
#include "support_gui/RecordingDialogs.h"

#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

namespace {

TEST(HandlerGuard, ShowsEveryKindOfErrorOnceAndReturns) {
    struct Case {
        const char* name;
        std::function<void()> handler;
        const char* shown;
    } const cases[] = {
        {"conversion", [] { throw EConvertError("'5-' is not a valid integer value"); },
         "'5-' is not a valid integer value"},
        {"file", [] { throw EFCreateError("Cannot create file \"a.xml\". Permission denied"); },
         "Cannot create file \"a.xml\". Permission denied"},
        {"table row", [] { throw std::out_of_range("record row out of range"); },
         "record row out of range"},
        {"text pool", [] { throw std::length_error("text pool full"); }, "text pool full"},
        {"allocation", [] { throw std::bad_alloc(); }, "Out of memory"},
        {"anything", [] { throw 47; }, "Unknown error"},
    };
    for (const Case& c : cases) {
        TRecordingDialogs dialogs;
        bool after = false;
        const bool ran = RunGuarded(dialogs, [&] {
            c.handler();
            after = true;
        });
        EXPECT_FALSE(ran) << c.name;
        EXPECT_FALSE(after) << c.name << ": the rest of the handler does not run";
        ASSERT_EQ(dialogs.messages.size(), 1u) << c.name;
        EXPECT_EQ(dialogs.messages[0].text, QString::fromUtf8(c.shown)) << c.name;
        EXPECT_EQ(dialogs.messages[0].icon, TMessageIcon::Information);
    }
    TRecordingDialogs dialogs;
    EXPECT_TRUE(RunGuarded(dialogs, [] {}));
    EXPECT_TRUE(dialogs.messages.empty());
}

} // namespace
