#include "filemanager/PanelBlocks.h"
#include "filemanager/PanelTexts.h"
#include "filemanager/dir.h"
#include "platform/fs/Attributes.h"
#include "platform/fs/CurrentDir.h"
#include "support/TempTree.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

ff Entry(const std::string& name, std::int64_t size, std::uint32_t attrib = 0)
{
    ff entry;
    entry.name = name;
    entry.size = entry.fsize = size;
    entry.attrib = attrib;
    return entry;
}

TEST(PanelTexts, TheStatusLineGroupsTheMarkedBytesAsTheLocaleDoes)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(ListingStatusText("data", "/media/data/a b", 2, 17, 1234567, german),
              "[data]  /media/data/a b (2/17 items), selected: 1.234.567 bytes");
    EXPECT_EQ(ListingStatusText("", "/", 0, 0, 0, QLocale::c()), "[]  / (0/0 items), selected: 0 bytes");
    // Placeholders inside a name are text, and a name that is not UTF-8 still shows.
    EXPECT_EQ(ListingStatusText("", "/x%3y\xff", 1, 2, 5, QLocale::c()),
              QString::fromUtf8("[]  /x%3y\xef\xbf\xbd (1/2 items), selected: 5 bytes"));
}

TEST(PanelTexts, SizeAttributeAndDateLabels)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    ff entry = Entry("f", 3000000000, platform::attrReadOnly | platform::attrSystem);
    EXPECT_EQ(SizeAttributeLabel(entry, true, false, english), "3,000,000,000");
    EXPECT_EQ(SizeAttributeLabel(entry, true, true, english), "3,000,000,000  r-s-");
    EXPECT_EQ(SizeAttributeLabel(entry, false, true, english), "  r-s-");
    entry.attrib = platform::attrHidden | platform::attrArchive | platform::attrDirectory;
    EXPECT_EQ(SizeAttributeLabel(entry, false, true, english), "  -h-a");
    entry.time = {2024, 3, 7, 9, 5, 59};
    EXPECT_EQ(DateLabel(entry), "2024.03.07 09:05");
    entry.time = {1969, 12, 31, 23, 59, 0};
    EXPECT_EQ(DateLabel(entry), "1969.12.31 23:59");
}

TEST(PanelBlocks, FacesAreColouredByTheNameBytesAsSignedValues)
{
    EXPECT_EQ(NameFaceColour("a", 0), (std::array<std::int8_t, 3>{97, 97, 97}));
    EXPECT_EQ(NameFaceColour("abcd", 0), (std::array<std::int8_t, 3>{'a', 'b', 'c'}));
    EXPECT_EQ(NameFaceColour("abcd", 1), (std::array<std::int8_t, 3>{'d', 'a', 'b'}));
    EXPECT_EQ(NameFaceColour("abcd", 5), (std::array<std::int8_t, 3>{'d', 'a', 'b'}));
    const auto utf8 = NameFaceColour("\xc3\xa9", 0);
    EXPECT_LT(utf8[0], 0);
    EXPECT_LT(utf8[1], 0);
}

TEST(PanelBlocks, MeshesHaveUnitNormalsPointingOutOfTheBlock)
{
    for (const BlockMesh& mesh : {MakeBoxMesh(), MakeTetrahedronMesh(), MakePrismMesh()}) {
        Vec3 centre{};
        for (const Vec3& v : mesh.vertices)
            for (int c = 0; c < 3; ++c)
                centre[c] += v[c] / float(mesh.vertices.size());
        for (const MeshFace& face : mesh.faces) {
            const Vec3& n = face.normal;
            EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0, 1e-6);
            const Vec3& p = mesh.vertices[face.index[0]];
            const float outward = (p[0] - centre[0]) * n[0] + (p[1] - centre[1]) * n[1] + (p[2] - centre[2]) * n[2];
            EXPECT_NE(outward, 0.0f); // flat on the face, never edge-on
        }
    }
    EXPECT_EQ(MakeBoxMesh().faces[2].normal, (Vec3{0, 1, 0}));
    EXPECT_EQ(MakeTetrahedronMesh().faces.size(), 4u);
    EXPECT_EQ(MakePrismMesh().faces.size(), 8u);
    // Newell over A, B, D of the tetrahedron: the triangle lies in y = 0.
    const Vec3 base = MakeTetrahedronMesh().faces[3].normal;
    EXPECT_NEAR(std::abs(base[1]), 1.0, 1e-6);
    EXPECT_EQ(NewellNormal({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}), (Vec3{0, 0, 0}));
}

TEST(PanelBlocks, GridColumnsAreTheSquareRootButAtLeastTen)
{
    EXPECT_EQ(GridColumns(0), 10);
    EXPECT_EQ(GridColumns(9), 10);
    EXPECT_EQ(GridColumns(120), 10);
    EXPECT_EQ(GridColumns(121), 11);
    EXPECT_EQ(GridColumns(1000), 31);
}

TEST(PanelBlocks, HeightsFollowSizesAndStayFiniteForHugeFiles)
{
    testfs::KeepCurrentDir keep;
    testfs::TempTree tree;
    tree.Sparse("three-gib", std::int64_t(3) << 30);
    tree.Sparse("two-tib", std::int64_t(2) << 40);
    tree.File("empty");
    tree.File("small", "12345");
    ASSERT_TRUE(platform::ChangeDir(tree.Root()));
    Tdir dir;
    dir.ReadDirectory("*.*", 0x27, false);
    std::int64_t largest = dir.maxSize;
    std::map<std::string, double> height;
    for (const auto& entry : dir.entries)
        height[entry->name] = BlockHeight(*entry, true, largest);
    EXPECT_DOUBLE_EQ(height["two-tib"], 50.0);
    EXPECT_DOUBLE_EQ(height["three-gib"], 50.0 * 3 / 2048);
    EXPECT_DOUBLE_EQ(height["empty"], 50.0 * 10 / (std::int64_t(2) << 40));
    EXPECT_GT(height["empty"], height["small"]); // a size of 0 counts as 10
    for (const auto& [name, h] : height)
        EXPECT_TRUE(std::isfinite(h) && h > 0) << name;

    std::int64_t none = 10; // an empty or all-zero listing
    EXPECT_DOUBLE_EQ(BlockHeight(Entry("z", 0), true, none), 50.0);
    EXPECT_DOUBLE_EQ(BlockHeight(Entry("z", 5), false, none), 0.11);
    EXPECT_DOUBLE_EQ(BlockHeight(Entry("d", 5, platform::attrDirectory), false, none), 1.0);
    // A directory above the largest size raises it for itself and all that follow.
    std::int64_t running = 100;
    EXPECT_DOUBLE_EQ(BlockHeight(Entry("d", 400, platform::attrDirectory), true, running), 50.0);
    EXPECT_EQ(running, 400);
    EXPECT_DOUBLE_EQ(BlockHeight(Entry("f", 100), true, running), 12.5);
}

} // namespace
