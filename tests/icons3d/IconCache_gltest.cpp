#include "icons3d/IconCache.h"

#include "icons3d/LoadAn8Model.h"
#include "platform/gl/ResourceContext.h"
#include "support/IconView.h"
#include "support/LoadText.h"
#include "support/ScriptedMessages.h"
#include "support/TempTree.h"
#include "support/gl/GlTestHelpers.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QWidget>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

const std::string kHeader = "header { version { \"1.0\" } }\n";
const std::string kModel = kHeader + "texture { \"t\" file { \"t.bmp\" } }\n"
                                     "object { \"o\" material { \"m\" surface { texturename { \"t\" } } }\n"
                                     "  cube { material { \"m\" } } sphere { diameter { 1 } } }\n";

// Whether a texture or list name lives in the shared context.
bool Alive(GLboolean (*isName)(GLuint), GLuint name)
{
    const platform::ResourceContextScope scope;
    return isName(name) == GL_TRUE;
}

// A cache over a temporary icon directory, its caption window titled "kept", every file
// read and every caption recorded.
class Cache : public ::testing::Test {
protected:
    Cache()
    {
        window.setWindowTitle("kept");
        QObject::connect(&window, &QWidget::windowTitleChanged,
                         [this](const QString& title) { titles.push_back(title.toStdString()); });
        const IconCache::ModelReader read = cache.readModel;
        cache.readModel = [this, read](const std::string& path) {
            opened.push_back(path);
            if (during)
                during();
            return read(path);
        };
    }
    ~Cache() override { cache.FreeIconCache(); }

    testfs::TempTree tree;
    std::string directory = tree.Root() + "/icons/";
    QWidget window;
    TexelTextures textures;
    IconCache cache{[this] { return directory; }, window, textures};
    testsupport::ScriptedMessages boxes;
    std::vector<std::string> opened;
    std::vector<std::string> titles;
    std::function<void()> during;
};

TEST_F(Cache, AnExtensionIsReadOnceWhateverItsCaseAndTheCaptionComesBack)
{
    tree.File("icons/txt.an8", kModel);
    std::vector<An8Model*> inner;
    during = [&] { inner.push_back(cache.GetExtensionIcon(".txt")); };
    An8Model* upper = cache.GetExtensionIcon(".TXT");
    ASSERT_NE(upper, nullptr);
    EXPECT_EQ(inner, std::vector<An8Model*>{nullptr}) << "a look-up from within the read reads nothing";
    EXPECT_EQ(cache.GetExtensionIcon(".txt"), upper);
    const std::string path = tree.Root() + "/icons/txt.an8";
    EXPECT_EQ(opened, std::vector<std::string>{path});
    EXPECT_EQ(titles, (std::vector<std::string>{"Pelvaxon - getting 3D icon: " + path,
                                                "Pelvaxon - shrinking 3D icon: " + path,
                                                "Pelvaxon - getting 3D icon: " + path, "kept"}));
    EXPECT_EQ(textures.loaded, std::vector<std::string>{tree.Root() + "/icons/t.bmp"});
    EXPECT_FLOAT_EQ(firstComponent<An8Cube>(*upper).scale[0], 0.125f) << "shrunk once";
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{});
}

TEST_F(Cache, AMissingFileIsTriedOnceAndAFileInErrorIsShownOnce)
{
    EXPECT_EQ(cache.GetExtensionIcon(".none"), nullptr);
    EXPECT_EQ(cache.GetExtensionIcon(".NONE"), nullptr);
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{});

    tree.File("icons/bad.an8", kHeader + "object { \"o\" cube { scale { x } } }\n");
    EXPECT_EQ(cache.GetExtensionIcon(".bad"), nullptr);
    EXPECT_EQ(cache.GetExtensionIcon(".bad"), nullptr);
    EXPECT_EQ(opened.size(), 2u);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0].substr(0, 8), "error 0\n");
    EXPECT_EQ(titles.back(), "kept") << "put back after a failure too";
}

TEST_F(Cache, AStoredIconDrawsUnderAPickNameAndFreeingGivesItsNamesBack)
{
    tree.File("icons/txt.an8", kModel);
    IconView view(1);
    ASSERT_TRUE(testsupport::showAndWait(view));
    const auto draw = [&] { cache.DrawExtensionIcon(".txt", view.quadric, {}); };
    view.draw = draw;
    EXPECT_GT(testsupport::countPixelsUnlike(testsupport::grabView(view), Qt::black), 100);
    const ic3d* entry = cache.Entry(".txt");
    ASSERT_NE(entry, nullptr);
    const uint32_t list = entry->displayList;
    EXPECT_NE(list, 0u) << "a model without text is kept as a list";
    EXPECT_GT(testsupport::countPixelsUnlike(testsupport::grabView(view), Qt::black), 100) << "drawn from its list";
    ASSERT_EQ(textures.names.size(), 1u);
    EXPECT_TRUE(Alive(glIsTexture, textures.names[0]));

    // Its sphere replayed from the list in select mode brought the renderer down.
    GLint hits = -1;
    GLuint buffer[64] = {};
    view.draw = [&] { hits = PickHits(7, draw, buffer); };
    testsupport::grabView(view);
    ASSERT_EQ(hits, 1);
    EXPECT_EQ(buffer[3], 7u);
    EXPECT_NE(cache.Entry(".txt")->displayList, 0u) << "still stored after the pick pass";

    cache.FreeIconCache();
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_FALSE(Alive(glIsTexture, textures.names[0]));
    EXPECT_FALSE(Alive(glIsList, list));
    EXPECT_NE(cache.GetExtensionIcon(".txt"), nullptr);
    EXPECT_EQ(opened.size(), 2u);
}

TEST_F(Cache, OversizedTooLongAndTooComplexFilesGiveNoModel)
{
    tree.Sparse("icons/big.an8", IconCache::kMaxFileSize + 1);
    EXPECT_EQ(cache.GetExtensionIcon(".big"), nullptr);
    EXPECT_TRUE(opened.empty()) << "refused before reading";
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"3D icon file too large: " + tree.Root() + "/icons/big.an8"});

    boxes.clear();
    EXPECT_EQ(cache.GetExtensionIcon("." + std::string(5000, 'x')), nullptr);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{}) << "a name too long to open is no news";

    std::string objects, elements;
    for (int i = 0; i < 1000; ++i) {
        objects += "namedobject { \"o\" }\n";
        elements += "figureelement { \"e\" \"f\" }\n";
    }
    tree.File("icons/crowd.an8", kHeader + "object { \"o\" cube { } }\nfigure { \"f\" bone { \"b\"\n" + objects +
                                     "} }\nscene { \"s\"\n" + elements + "}\n");
    EXPECT_EQ(cache.GetExtensionIcon(".crowd"), nullptr);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"3D icon too complex: " + tree.Root() + "/icons/crowd.an8"});
}

TEST_F(Cache, AGluErrorIsShownOncePerModelAndATextModelIsNeverStoredAsAList)
{
    IconView view(1);
    ASSERT_TRUE(testsupport::showAndWait(view));
    // A sphere the reader would never let through: one slice.
    cache.readModel = [](const std::string&) {
        LoadText load(kHeader + "object { \"o\" sphere { } textcom { string { \"x\" } } }");
        const_cast<An8Sphere&>(firstComponent<An8Sphere>(*load.model)).slices = 1;
        return std::move(load.model);
    };
    view.draw = [&] { cache.DrawExtensionIcon(".odd", view.quadric, [](const std::string&) {}); };
    testsupport::grabView(view);
    testsupport::grabView(view);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"invalid value\n" + directory + "odd.an8"});
    EXPECT_EQ(cache.Entry(".odd")->displayList, 0u);
}

} // namespace
