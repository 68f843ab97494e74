#include "icons3d/An8TexturePath.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class TexturePath : public testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::path(testing::TempDir()) / "an8-textures";
        fs::remove_all(dir);
        fs::create_directories(dir / "Maps");
        std::ofstream(dir / "Maps" / "Wood.BMP") << "x";
        std::ofstream(dir / "stone.bmp") << "x";
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string resolve(const std::string& written) { return An8ResolveTexturePath(written, dir.string()); }

    fs::path dir;
};

TEST_F(TexturePath, BackslashRunsFoldToOne)
{
    EXPECT_EQ(An8FoldBackslashes("C:\\\\tex\\\\\\wood.bmp"), "C:\\tex\\wood.bmp");
    EXPECT_EQ(An8FoldBackslashes("a/b"), "a/b");
}

TEST_F(TexturePath, RelativePathsStartBesideTheFileWhateverTheirCaseAndSeparators)
{
    EXPECT_EQ(resolve("maps\\wood.bmp"), (dir / "Maps" / "Wood.BMP").string());
    EXPECT_EQ(resolve("Maps/Wood.BMP"), (dir / "Maps" / "Wood.BMP").string());
    EXPECT_EQ(resolve("STONE.BMP"), (dir / "stone.bmp").string());
}

TEST_F(TexturePath, DrivePathsAreLookedForByNameBesideTheFile)
{
    EXPECT_EQ(resolve("C:\\pictures\\stone.bmp"), (dir / "stone.bmp").string());
    EXPECT_EQ(resolve("d:Stone.bmp"), (dir / "stone.bmp").string());
    EXPECT_EQ(resolve("\\pictures\\stone.bmp"), (dir / "stone.bmp").string());
}

TEST_F(TexturePath, MissingFilesKeepTheNameTheLoaderWillReport)
{
    EXPECT_EQ(resolve("maps/none.bmp"), (dir / "Maps" / "none.bmp").string());
    EXPECT_EQ(resolve("/no/such/file.bmp"), "/no/such/file.bmp");
    const std::string existing = (dir / "stone.bmp").string();
    EXPECT_EQ(resolve(existing), existing);
}

} // namespace
