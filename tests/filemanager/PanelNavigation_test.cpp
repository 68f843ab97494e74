#include "filemanager/PanelNavigation.h"
#include "filemanager/dir.h"
#include "platform/ui/VirtualKeys.h"
#include "support/ScriptedMessages.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

namespace vk = platform::vk;

// A hit record of one name: name count, minimum and maximum depth, the name.
void AddHit(std::vector<GLuint>& buffer, double depth, GLuint name)
{
    const auto words = GLuint(depth * 4294967295.0);
    buffer.insert(buffer.end(), {1u, words, words, name});
}

TEST(PanelPicking, TheNearestRecordWinsTiesKeepTheFirstAndOverflowIsReported)
{
    testsupport::ScriptedMessages boxes;
    std::vector<GLuint> buffer;
    EXPECT_EQ(NearestHit(buffer, 0), -2);
    AddHit(buffer, 0.999, GLuint(-1)); // the background
    AddHit(buffer, 0.5, 7);
    AddHit(buffer, 0.3, 2);
    AddHit(buffer, 0.3, 9);
    AddHit(buffer, 0.4, 4);
    EXPECT_EQ(NearestHit(buffer, 5), 2);
    EXPECT_EQ(NearestHit(buffer, 1), -1) << "the background alone is no hit";
    // A record without names hits nothing, and a count beyond the buffer reads no further.
    const std::vector<GLuint> nameless{0u, 5u, 5u};
    EXPECT_EQ(NearestHit(nameless, 1), -1);
    EXPECT_EQ(NearestHit(nameless, 40), -1);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{});
    EXPECT_EQ(NearestHit(buffer, -1), -3);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"too many hits"});

    // The buffer holds a record for every name, and never less than 5000 words.
    EXPECT_EQ(SelectBufferWords(-1), 5000u);
    EXPECT_GE(SelectBufferWords(10000), 4u * 10002);
}

TEST(PanelNavigation, DragsMoveTheCameraAndAnglesWrapOnceBeyondAFullTurn)
{
    double rotx = 90, roty = 0, tranx = 0, trany = 0, tranz = -35;
    const PanelCamera camera{rotx, roty, tranx, trany, tranz};
    DragCamera(dragRotate, 0, 400, camera);
    EXPECT_DOUBLE_EQ(rotx, 234.0);
    EXPECT_DOUBLE_EQ(roty, 0.0);
    rotx = 350;
    roty = -350;
    DragCamera(dragRotate, -50, 50, camera);
    EXPECT_DOUBLE_EQ(rotx, 8.0);
    EXPECT_DOUBLE_EQ(roty, -8.0);
    DragCamera(dragPan, 20, 10, camera);
    EXPECT_DOUBLE_EQ(tranx, 1.0);
    EXPECT_DOUBLE_EQ(trany, -0.5);
    DragCamera(dragZoom, 5, 15, camera);
    EXPECT_DOUBLE_EQ(tranz, -33.0);
    DragCamera(dragNone, 100, 100, camera);
    EXPECT_DOUBLE_EQ(tranz, -33.0);
    EXPECT_EQ(DragModeFromKeys(true, false), dragPan);
    EXPECT_EQ(DragModeFromKeys(false, true), dragRotate);
    EXPECT_EQ(DragModeFromKeys(true, true), dragZoom);
    EXPECT_EQ(DragModeFromKeys(false, false), dragNone);

    // A click may wander two pixels either way; a vertical rotate or zoom is a drag too.
    EXPECT_FALSE(IsDrag(10, 10, 12, 8));
    EXPECT_TRUE(IsDrag(10, 10, 13, 10));
    EXPECT_TRUE(IsDrag(10, 10, 10, 7));
}

TEST(PanelNavigation, TheCursorWrapsThroughTheGridAndItsEntryIsNamedWithItsGroupedSize)
{
    // 25 entries in rows of 10: the last row holds 20 to 24.
    EXPECT_EQ(MovedCursor(0, vk::Left, 25, 10), 24);
    EXPECT_EQ(MovedCursor(24, vk::Right, 25, 10), 0);
    EXPECT_EQ(MovedCursor(22, vk::Down, 25, 10), 0);
    EXPECT_EQ(MovedCursor(15, vk::Down, 25, 10), 0) << "no entry below";
    EXPECT_EQ(MovedCursor(5, vk::Down, 25, 10), 15);
    EXPECT_EQ(MovedCursor(3, vk::Up, 25, 10), 24);
    EXPECT_EQ(MovedCursor(13, vk::Up, 25, 10), 3);
    EXPECT_EQ(MovedCursor(-1, vk::Up, 25, 10), 0) << "without a cursor entry the first";
    EXPECT_EQ(MovedCursor(0, vk::Left, 0, 10), -1);

    // The entry is named byte for byte, a file with its size grouped (directories in the panel tests).
    ff file;
    file.name = "report\xff.txt";
    file.size = 1234567;
    EXPECT_EQ(ClickedEntryText(file, QLocale(QLocale::English, QLocale::UnitedStates)), "report\xff.txt  size:1,234,567");
}

} // namespace
