#include "platform/ui/KeyPreview.h"
#include "platform/ui/VirtualKeys.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

#include <vector>

namespace {

int vkOf(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QKeyEvent event(QEvent::KeyRelease, key, modifiers);
    return platform::toVk(event);
}

TEST(VirtualKeys, TranslatesTheKeysTheCommandsUse)
{
    for (int n = 1; n <= 12; ++n)
        EXPECT_EQ(vkOf(Qt::Key_F1 + n - 1), 111 + n) << "F" << n;
    EXPECT_EQ(vkOf(Qt::Key_Return), 13);
    EXPECT_EQ(vkOf(Qt::Key_Enter, Qt::KeypadModifier), 13);
    EXPECT_EQ(vkOf(Qt::Key_Asterisk, Qt::KeypadModifier), 106);
    EXPECT_EQ(vkOf(Qt::Key_Asterisk, Qt::ShiftModifier), '8'); // Shift+8 is not the numpad key
    EXPECT_EQ(vkOf(Qt::Key_Left), 37);
    EXPECT_EQ(vkOf(Qt::Key_Up, Qt::KeypadModifier), 38);
    EXPECT_EQ(vkOf(Qt::Key_Right), 39);
    EXPECT_EQ(vkOf(Qt::Key_Down), 40);
    EXPECT_EQ(vkOf(Qt::Key_Insert), 45);
    EXPECT_EQ(vkOf(Qt::Key_Delete), 46);
    EXPECT_EQ(vkOf(Qt::Key_Escape), 27);
    EXPECT_EQ(vkOf(Qt::Key_Tab), 9);
    EXPECT_EQ(vkOf(Qt::Key_Shift), 16);
    EXPECT_EQ(vkOf(Qt::Key_Control), 17);
    EXPECT_EQ(vkOf(Qt::Key_Alt), 18);
    EXPECT_EQ(vkOf(Qt::Key_C, Qt::ControlModifier), 67);
    EXPECT_EQ(vkOf(Qt::Key_A), 65);
    EXPECT_EQ(vkOf(Qt::Key_Z), 90);
    EXPECT_EQ(vkOf(Qt::Key_5, Qt::KeypadModifier), 101);
    EXPECT_EQ(vkOf(Qt::Key_Adiaeresis), 0);

    const platform::ShiftState state = platform::shiftStateOf(Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_TRUE(state.shift);
    EXPECT_FALSE(state.ctrl);
    EXPECT_TRUE(state.alt);
}

struct Seen {
    bool down;
    int key;
    bool ctrl;
    bool operator==(const Seen&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Seen& s)
    {
        return out << (s.down ? "down " : "up ") << s.key << (s.ctrl ? " ctrl" : "");
    }
};

class KeyPreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&window);
        edit = new QLineEdit(&window);
        layout->addWidget(edit);
        preview = new platform::KeyPreview(&window);
        preview->OnKeyDown = [this](int key, platform::ShiftState s) { seen.push_back({true, key, s.ctrl}); };
        preview->OnKeyUp = [this](int key, platform::ShiftState s) { seen.push_back({false, key, s.ctrl}); };
        window.show();
        edit->setFocus();
    }
    QWindow* handle() { return window.windowHandle(); }
    QWidget window;
    QLineEdit* edit = nullptr;
    platform::KeyPreview* preview = nullptr;
    std::vector<Seen> seen;
};

TEST_F(KeyPreviewTest, SeesKeysOfItsWindowOnceBeforeTheControlAndLetsThemThrough)
{
    QString textWhenSeen = "unset";
    preview->OnKeyDown = [&](int key, platform::ShiftState s) {
        seen.push_back({true, key, s.ctrl});
        if (key == 'X')
            textWhenSeen = edit->text();
    };
    QTest::keyClick(handle(), Qt::Key_X);
    QTest::keyClick(handle(), Qt::Key_C, Qt::ControlModifier);
    // F5 is ignored by the edit and offered to the window as well: still one call.
    QTest::keyClick(handle(), Qt::Key_F5);
    EXPECT_EQ(textWhenSeen, "");
    EXPECT_EQ(edit->text(), "x");
    // QTest presses and releases Ctrl around Ctrl+C, as a keyboard does.
    EXPECT_EQ(seen, (std::vector<Seen>{{true, 'X', false}, {false, 'X', false}, {true, 17, true},
                                        {true, 'C', true}, {false, 'C', true}, {false, 17, false},
                                        {true, 116, false}, {false, 116, false}}));

    QWidget other;
    other.show();
    seen.clear();
    QTest::keyClick(other.windowHandle(), Qt::Key_F3);
    EXPECT_TRUE(seen.empty());
}

TEST_F(KeyPreviewTest, DropsTheReleasesOfAHeldKey)
{
    // What X11 sends while F5 is held: press, then repeat pairs, then one real release.
    QTest::keyPress(handle(), Qt::Key_F5);
    for (int i = 0; i < 3; ++i) {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_F5, Qt::NoModifier, QString(), true);
        QCoreApplication::sendEvent(handle(), &release);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier, QString(), true);
        QCoreApplication::sendEvent(handle(), &press);
    }
    QTest::keyRelease(handle(), Qt::Key_F5);
    const auto ups = std::count_if(seen.begin(), seen.end(), [](const Seen& s) { return !s.down; });
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(seen.size(), 5u);
}

} // namespace
