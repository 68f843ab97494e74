#include "icons3d/LoadAn8Model.h"
#include "support/An8Dump.h"
#include "support/FakeTextures.h"
#include "support/FileContents.h"
#include "support/Locales.h"

#include <gtest/gtest.h>

#include <clocale>
#include <fstream>

namespace {

const std::string kDir = std::string(PELVAXON_TEST_DATA_DIR) + "/an8";

struct Loaded {
    std::unique_ptr<An8Model> model;
    std::vector<std::string> messages;
    FakeTextures textures;
};

void loadFile(Loaded& loaded, const std::string& path)
{
    loaded.model = LoadAn8Model(path, kAn8ReadAll, loaded.textures,
                                [&](const std::string& text) { loaded.messages.push_back(text); });
}

// The dump of a fixture must match its hand-checked text; a mismatch leaves the actual
// dump beside the build for comparison.
void expectDump(const std::string& name, const An8Model& model)
{
    const std::string actual = DumpModel(model);
    const std::string expected = testsupport::readFile(kDir + "/" + name + ".dump");
    if (actual != expected)
        std::ofstream(std::string(PELVAXON_BINARY_DIR) + "/" + name + ".actual.dump") << actual;
    EXPECT_EQ(actual, expected) << name;
}

class Fixture : public testing::TestWithParam<const char*> {};

TEST_P(Fixture, ReadsToItsExpectedDump)
{
    Loaded loaded;
    loadFile(loaded, kDir + "/" + GetParam() + ".an8");
    ASSERT_TRUE(loaded.model) << (loaded.messages.empty() ? "" : loaded.messages.front());
    EXPECT_TRUE(loaded.messages.empty()) << loaded.messages.front();
    expectDump(GetParam(), *loaded.model);
}

INSTANTIATE_TEST_SUITE_P(An8, Fixture,
                         testing::Values("lex", "materials", "primitives", "mesh", "figure", "scene"));

TEST(An8Fixtures, CrLfLineEndsAndACtrlZTailReadAsTheLfFile)
{
    std::string text = testsupport::readFile(kDir + "/lex.an8"), crlf;
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    crlf += "\x1a" "garbage { that is never read";
    FakeTextures textures;
    std::vector<std::string> messages;
    auto model = LoadAn8ModelFromBytes(crlf, "lex_crlf.an8", kDir, kAn8ReadAll, textures,
                                       [&](const std::string& m) { messages.push_back(m); });
    ASSERT_TRUE(model) << (messages.empty() ? "" : messages.front());
    expectDump("lex", *model);
}

TEST(An8Fixtures, TexturePathsResolveBesideTheFileAndDuplicatesGiveTheirNameBack)
{
    Loaded loaded;
    loadFile(loaded, kDir + "/materials.an8");
    ASSERT_TRUE(loaded.model);
    // The drive path is looked for by its name beside the file; the relative one starts there.
    EXPECT_EQ(loaded.textures.loaded, (std::vector<std::string>{kDir + "/wood.bmp", kDir + "/pictures/stone.bmp",
                                                                kDir + "/pictures/other.bmp"}));
    EXPECT_EQ(loaded.textures.deleted, std::vector<uint32_t>{3});
}

TEST(An8Fixtures, AMissingPictureLeavesTheMaterialUntextured)
{
    Loaded loaded;
    loaded.textures.missing.insert(kDir + "/grid.bmp");
    loadFile(loaded, kDir + "/mesh.an8");
    ASSERT_TRUE(loaded.model);
    EXPECT_TRUE(loaded.model->textures.empty());
    const auto* mesh = loaded.model->objects.components[0].as<An8Object>()->components[0].as<An8Mesh>();
    EXPECT_EQ(mesh->texture, nullptr);
    EXPECT_TRUE(mesh->texcoords.empty());
}

// The application object switches LC_NUMERIC to the user's locale; a German one reads
// "1.5" as 1 through the C library.
TEST(An8Fixtures, NumbersDoNotDependOnTheLocale)
{
    Loaded loaded;
    {
        const testsupport::ScopedLocale german(LC_NUMERIC, testsupport::buildLocale("de_DE", "UTF-8"));
        ASSERT_EQ(*std::localeconv()->decimal_point, ',');
        loadFile(loaded, kDir + "/materials.an8");
    }
    ASSERT_TRUE(loaded.model);
    expectDump("materials", *loaded.model);
}

} // namespace
