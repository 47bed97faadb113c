// Event references: set and equal by their code part alone.

#include "hid/HidEvents.h"

#include <gtest/gtest.h>

namespace {

struct Window {
    void First(THidDevice*) { ++firstCalls; }
    void Second(THidDevice*) {}
    void Changed() { ++changes; }
    int firstCalls = 0;
    int changes = 0;
};

TEST(EventRefTest, CodeDecidesSetAndSame) {
    Window a;
    Window b;
    const THidPlugEvent empty;
    const THidPlugEvent firstOfA(&a, &Window::First);
    const THidPlugEvent firstOfB(&b, &Window::First);
    const THidPlugEvent secondOfA(&a, &Window::Second);
    EXPECT_FALSE(empty);
    EXPECT_TRUE(firstOfA);
    EXPECT_TRUE(empty.SameCode(THidPlugEvent()));
    EXPECT_TRUE(firstOfA.SameCode(firstOfB)) << "the bound object does not count";
    EXPECT_FALSE(firstOfA.SameCode(secondOfA));
    EXPECT_FALSE(firstOfA.SameCode(empty));

    int tag = 0;
    int otherTag = 0;
    const auto tagged = THidPlugEvent::WithCode(&tag, [](THidDevice*) {});
    EXPECT_TRUE(tagged.SameCode(THidPlugEvent::WithCode(&tag, [](THidDevice*) {})));
    EXPECT_FALSE(tagged.SameCode(THidPlugEvent::WithCode(&otherTag, [](THidDevice*) {})));
    EXPECT_FALSE(tagged.SameCode(firstOfA));
}

TEST(EventRefTest, CallsTheBoundObject) {
    Window window;
    const THidPlugEvent event(&window, &Window::First);
    event(nullptr);
    EXPECT_EQ(window.firstCalls, 1);
    // A handler without the sender argument.
    const THidNotifyEvent changed(&window, &Window::Changed);
    changed(nullptr);
    EXPECT_EQ(window.changes, 1);
    const THidEnumerateEvent enumerate =
        THidEnumerateEvent::WithCode(&window, [](THidDevice*, int32_t idx) { return idx < 2; });
    EXPECT_TRUE(enumerate(nullptr, 1));
    EXPECT_FALSE(enumerate(nullptr, 2));
}

} // namespace
