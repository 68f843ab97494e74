#include "platform/gl/ResourceContext.h"

#include "support/gl/GlTestHelpers.h"

#include <GL/gl.h>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <gtest/gtest.h>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

TEST(ResourceContext, TexturesMadeThereAreValidInEveryViewAndTheCurrentContextComesBack)
{
    QOpenGLWidget view;
    view.resize(64, 64);
    ASSERT_TRUE(testsupport::showAndWait(view));

    view.makeCurrent();
    QOpenGLContext* viewContext = QOpenGLContext::currentContext();
    ASSERT_EQ(viewContext, view.context());
    GLuint texture = 0;
    {
        platform::ResourceContextScope scope;
        EXPECT_NE(QOpenGLContext::currentContext(), viewContext);
        EXPECT_TRUE(QOpenGLContext::areSharing(QOpenGLContext::currentContext(), viewContext));
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        const GLubyte pixel[4] = {9, 8, 7, 6};
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    }
    EXPECT_EQ(QOpenGLContext::currentContext(), viewContext);
    EXPECT_EQ(QOpenGLContext::currentContext()->surface(), viewContext->surface());
    EXPECT_TRUE(glIsTexture(texture));
    glDeleteTextures(1, &texture);
    view.doneCurrent();

    {
        platform::ResourceContextScope scope;
        EXPECT_NE(QOpenGLContext::currentContext(), nullptr);
    }
    EXPECT_EQ(QOpenGLContext::currentContext(), nullptr) << "nothing was current, nothing is";
}

} // namespace
