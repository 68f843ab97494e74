#include "platform/base/Exception.h"
#include "platform/ui/ExceptionGuard.h"
#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>

#include <functional>

TEST(ExceptionGuard, ShowsTheMessageOfAnEscapedExceptionAndGoesOn)
{
    testsupport::ScriptedMessages boxes;
    bool after = false;
    platform::guarded([] { throw platform::Exception("cannot read /tmp/x"); });
    platform::guarded([] { throw 42; });
    platform::guarded([&] { after = true; });
    EXPECT_TRUE(after);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"cannot read /tmp/x", "Unknown error"}));
}

TEST(ExceptionGuard, WrappedHandlerPassesArgumentsAndNeverThrows)
{
    testsupport::ScriptedMessages boxes;
    int seen = 0;
    std::function<void(int)> handler = platform::guard([&](int value) {
        seen = value;
        if (value < 0)
            throw platform::Exception("negative");
    });
    handler(7);
    EXPECT_EQ(seen, 7);
    // A handler without parameters connected to a signal with some.
    bool called = false;
    std::function<void(int, const char*)> ignoring = platform::guard([&] { called = true; });
    ignoring(1, "x");
    EXPECT_TRUE(called);
    EXPECT_NO_THROW(handler(-1));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"negative"});
}

TEST(MessageService, ScriptedAnswersComeInOrderThenOk)
{
    testsupport::ScriptedMessages boxes;
    boxes.answer(platform::MsgResult::No);
    EXPECT_EQ(platform::MessageDlg("delete?", platform::MsgButtons::YesNo), platform::MsgResult::No);
    EXPECT_EQ(platform::MessageDlg("again?", platform::MsgButtons::YesNo), platform::MsgResult::Ok);
    EXPECT_EQ(boxes.texts().size(), 2u);
}
