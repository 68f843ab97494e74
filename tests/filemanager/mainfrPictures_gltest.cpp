#include "filemanager/MainFormTextureLoader.h"
#include "filemanager/OpenGLPanel.h"
#include "filemanager/glform.h"
#include "filemanager/mainfr.h"
#include "platform/base/Exception.h"
#include "platform/fs/CurrentDir.h"
#include "platform/gl/ResourceContext.h"
#include "platform/ui/Application.h"
#include "platform/ui/Locations.h"
#include "platform/ui/PictureRegistry.h"
#include "support/FileContents.h"
#include "support/PictureBytes.h"
#include "support/ScriptedMessages.h"
#include "support/gl/GlTestHelpers.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <QDir>
#include <QFile>
#include <QOpenGLContext>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

const QColor orange(255, 128, 0);
const QColor blue(0, 64, 255);

class TrayForm : public TMainForm {
protected:
    bool TrayAvailable() const override { return true; }
};

class PictureTextureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(QString::fromStdString(platform::settingsFilePath()));
        ASSERT_TRUE(platform::ChangeDir(QFile::encodeName(QDir::homePath()).toStdString()));
    }
    void TearDown() override { MainForm = nullptr; }

    template <class Form = TMainForm>
    std::unique_ptr<Form> start()
    {
        auto form = std::make_unique<Form>();
        MainForm = form.get();
        platform::Application::instance().OnActivate = nullptr;
        form->resize(600, 400);
        EXPECT_TRUE(testsupport::showAndWait(*form));
        form->AppActivate();
        return form;
    }
    std::string picture(const std::string& name, QColor colour, int side = 4) const
    {
        QImage image(side, side, QImage::Format_RGB32);
        image.fill(colour);
        const std::string path = dir.path().toStdString() + "/" + name;
        testsupport::writeFile(path, testsupport::pictureBytes(image, "bmp"));
        return path;
    }
    // The texture's width as the panel's own context sees it; 0 when the name is no texture there.
    static int widthInPanel(Tglfr& panel, GLuint id)
    {
        EXPECT_TRUE(panel.OpenGLPanel1->MakeOpenGLPanelCurrent());
        GLint width = 0;
        if (glIsTexture(id)) {
            glBindTexture(GL_TEXTURE_2D, id);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
            glBindTexture(GL_TEXTURE_2D, 0);
        }
        panel.OpenGLPanel1->MakeOpenGLPanelNotCurrent();
        return width;
    }
    static QColor centreOf(Tglfr& panel)
    {
        const QImage view = testsupport::grabView(*panel.OpenGLPanel1);
        return view.pixelColor(view.width() / 2, view.height() / 2);
    }
    QTemporaryDir dir;
    testsupport::ScriptedMessages boxes;
};

TEST_F(PictureTextureTest, OneUploadServesBothPanelsAndANewPictureReplacesIt)
{
    auto form = start();
    EXPECT_EQ(form->bkgTexture, nullptr) << "the default picture is not beside the test";
    EXPECT_TRUE(boxes.texts().empty());

    textureReady = false;
    form->bkgTexture = form->LoadPictureTexture(form->bkgTextureId, picture("orange.bmp", orange));
    ASSERT_NE(form->bkgTexture, nullptr);
    ASSERT_NE(form->bkgTextureId, 0u);
    EXPECT_TRUE(textureReady);
    for (Tglfr* panel : {form->leftPanel, form->rightPanel}) {
        EXPECT_EQ(widthInPanel(*panel, form->bkgTextureId), 4);
        EXPECT_EQ(centreOf(*panel), orange);
        EXPECT_TRUE(panel->drawnOnce);
    }

    form->bkgTexture = form->LoadPictureTexture(form->bkgTextureId, picture("blue.bmp", blue, 8));
    ASSERT_NE(form->bkgTexture, nullptr);
    EXPECT_EQ(widthInPanel(*form->leftPanel, form->bkgTextureId), 8);
    EXPECT_EQ(centreOf(*form->rightPanel), blue);
    {
        const platform::ResourceContextScope scope;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    // Not a picture: one message, and the texture stays as it was.
    const GLuint kept = form->bkgTextureId;
    const std::string text = dir.path().toStdString() + "/text.jpg";
    testsupport::writeFile(text, "no picture here");
    EXPECT_EQ(form->LoadPictureTexture(form->bkgTextureId, text), nullptr);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"loading of picture file '" + text + "' failed"});
    EXPECT_EQ(form->bkgTextureId, kept);
    EXPECT_EQ(widthInPanel(*form->leftPanel, kept), 8);
    // A missing file says nothing.
    EXPECT_EQ(form->LoadPictureTexture(form->bkgTextureId, text + ".gone"), nullptr);
    EXPECT_EQ(boxes.texts().size(), 1u);
}

TEST_F(PictureTextureTest, TheCaptionShowsTheLoadingOnlyWhileThePictureIsRead)
{
    auto form = start();
    form->setWindowTitle("Pelvaxon - /somewhere");
    std::vector<QString> seen;
    bool fail = false;
    platform::RegisterPictureFormat("probe", "test pictures", [&](const std::string& name) {
        seen.push_back(form->windowTitle());
        if (fail)
            throw platform::Exception("Cannot read picture \"" + name + "\"");
        QImage image(2, 2, QImage::Format_RGB32);
        image.fill(orange);
        return std::make_unique<platform::StillPicture>(image);
    });
    const std::string probe = dir.path().toStdString() + "/a.probe";
    EXPECT_NE(form->LoadPictureImage(probe, false), nullptr);
    fail = true;
    EXPECT_EQ(form->LoadPictureImage(probe, true), nullptr);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], QString::fromStdString("Pelvaxon - loading picture: " + probe));
    EXPECT_EQ(form->windowTitle(), "Pelvaxon - /somewhere");
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(PictureTextureTest, AModelTextureLoadedWhileAPanelPaintsLeavesThatPanelsContextAndFramebufferCurrent)
{
    auto form = start();
    const std::string file = picture("model.bmp", orange);
    MainFormTextureLoader loader(*form);
    TOpenGLPanel& view = *form->leftPanel->OpenGLPanel1;
    QOpenGLContext* contextBefore = nullptr;
    QOpenGLContext* contextAfter = nullptr;
    GLint framebufferBefore = -1;
    GLint framebufferAfter = -2;
    uint32_t id = 0;
    view.OnPaint = [&](TOpenGLPanel*) {
        contextBefore = QOpenGLContext::currentContext();
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebufferBefore);
        id = loader.LoadTexture(file);
        contextAfter = QOpenGLContext::currentContext();
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebufferAfter);
    };
    testsupport::grabView(view);
    ASSERT_NE(contextBefore, nullptr);
    EXPECT_EQ(contextAfter, contextBefore);
    EXPECT_EQ(framebufferAfter, framebufferBefore);
    EXPECT_EQ(GLuint(framebufferAfter), view.defaultFramebufferObject());
    EXPECT_NE(id, 0u);
    EXPECT_EQ(widthInPanel(*form->rightPanel, id), 4);
    loader.DeleteTexture(id);
    EXPECT_EQ(widthInPanel(*form->rightPanel, id), 0);
}

TEST_F(PictureTextureTest, ARestoreFromTheTrayReadsTheBackgroundPictureAgain)
{
    const std::string file = picture("background.bmp", orange);
    testsupport::writeFile(platform::settingsFilePath(), "[View]\nbkgfilenam=" + file + "\nviewbkgpic=1\n");
    auto form = start<TrayForm>();
    ASSERT_NE(form->bkgTexture, nullptr);
    EXPECT_EQ(form->bkgTexture->data[0], 255);

    picture("background.bmp", blue);
    form->showMinimized();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !form->isVisible(); }));
    form->TrayIconMessage(QSystemTrayIcon::DoubleClick);
    ASSERT_NE(form->bkgTexture, nullptr);
    EXPECT_EQ(form->bkgTexture->data[2], 255);
    EXPECT_EQ(centreOf(*form->leftPanel), blue);
    EXPECT_TRUE(boxes.texts().empty());
}

} // namespace
