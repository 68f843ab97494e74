#include "filemanager/OpenGLPanel.h"

#include "support/ScriptedMessages.h"
#include "support/gl/GlTestHelpers.h"

#include <GL/gl.h>
#include <QHBoxLayout>
#include <QOpenGLContext>
#include <QWidget>
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <string>
#include <vector>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

// A small window holding panels side by side, as the main window holds the file panels.
struct PanelWindow {
    QWidget window;
    std::vector<TOpenGLPanel*> panels;

    explicit PanelWindow(int count)
    {
        auto layout = new QHBoxLayout(&window);
        for (int i = 0; i < count; ++i) {
            panels.push_back(new TOpenGLPanel(&window));
            layout->addWidget(panels.back());
        }
        window.resize(240, 120);
    }
};

void clearTo(QColor colour)
{
    glClearColor(colour.redF(), colour.greenF(), colour.blueF(), 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

// Every box a panel puts up is recorded here, and none may be left unexpected.
class OpenGLPanelLife : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(messages.texts(), std::vector<std::string>{}); }

    testsupport::ScriptedMessages messages;
};

TEST_F(OpenGLPanelLife, EventsComeInOrderEachWithItsContextAndNoneIsLeftCurrent)
{
    PanelWindow w(1);
    TOpenGLPanel* panel = w.panels[0];
    std::vector<std::string> calls;
    bool currentInEvents = true;
    const auto note = [&](const char* name) {
        return [&, name](TOpenGLPanel* sender) {
            calls.push_back(name);
            EXPECT_EQ(sender, panel);
            if (std::string(name) != "PreInit")
                currentInEvents = currentInEvents && QOpenGLContext::currentContext() == panel->context();
        };
    };
    panel->OnPreInit = [&](TOpenGLPanel* sender) {
        note("PreInit")(sender);
        EXPECT_FALSE(panel->isValid()) << "no context exists before OnPreInit returns";
    };
    panel->OnInit = note("Init");
    panel->OnResize = note("Resize");
    panel->OnPaint = note("Paint");

    ASSERT_TRUE(testsupport::showAndWait(w.window));
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[0], "PreInit");
    EXPECT_EQ(calls[1], "Init");
    EXPECT_EQ(calls[2], "Resize");
    EXPECT_EQ(calls[3], "Paint");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "PreInit"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Init"), 1);
    EXPECT_TRUE(currentInEvents);
    // The window's compositor may leave its own context current, never the panel's.
    EXPECT_NE(QOpenGLContext::currentContext(), panel->context());

    w.window.resize(300, 160);
    ASSERT_TRUE(testsupport::waitUntil([&] { return calls.back() == "Paint" && panel->width() > 100; }));
    EXPECT_NE(QOpenGLContext::currentContext(), panel->context());

    ASSERT_TRUE(panel->MakeOpenGLPanelCurrent());
    EXPECT_EQ(QOpenGLContext::currentContext(), panel->context());
    panel->MakeOpenGLPanelNotCurrent();
    EXPECT_EQ(QOpenGLContext::currentContext(), nullptr);
}

TEST_F(OpenGLPanelLife, MakeCurrentBeforeTheContextExistsReportsAndFails)
{
    TOpenGLPanel panel;
    EXPECT_FALSE(panel.MakeOpenGLPanelCurrent());
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"wglMakeCurrent:0"});
    messages.clear();
    EXPECT_EQ(QOpenGLContext::currentContext(), nullptr);
}

TEST_F(OpenGLPanelLife, FailedContextIsReportedOnceAndThePanelStaysQuiet)
{
    PanelWindow w(1);
    TOpenGLPanel* panel = w.panels[0];
    panel->SetPixelType(f_PFD_TYPE_COLORINDEX);
    int events = 0;
    panel->OnInit = panel->OnPaint = panel->OnResize = [&](TOpenGLPanel*) { ++events; };
    ASSERT_TRUE(testsupport::showAndWait(w.window));
    for (int i = 0; i < 3; ++i) {
        panel->repaint();
        w.window.resize(260 + 10 * i, 130);
        testsupport::waitUntil([] { return false; }, 50);
    }
    EXPECT_FALSE(panel->MakeOpenGLPanelCurrent());
    EXPECT_EQ(events, 0);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Open GL Context Create Failed"});
    messages.clear();
}

TEST_F(OpenGLPanelLife, TwoPanelsShareTexturesAndLists)
{
    PanelWindow w(2);
    for (TOpenGLPanel* p : w.panels)
        p->OnInit = [](TOpenGLPanel*) {};
    ASSERT_TRUE(testsupport::showAndWait(w.window));
    TOpenGLPanel* left = w.panels[0];
    TOpenGLPanel* right = w.panels[1];
    EXPECT_TRUE(left->PanelShareLists(right));

    ASSERT_TRUE(right->MakeOpenGLPanelCurrent());
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    const GLubyte pixel[4] = {1, 2, 3, 4};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glEndList();
    glFlush();
    right->MakeOpenGLPanelNotCurrent();

    ASSERT_TRUE(left->MakeOpenGLPanelCurrent());
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_TRUE(glIsList(list));
    glDeleteTextures(1, &texture);
    glDeleteLists(list, 1);
    left->MakeOpenGLPanelNotCurrent();
}

TEST_F(OpenGLPanelLife, PanelWithoutOnInitHasNoFontsAndDrawsNoText)
{
    PanelWindow w(1);
    TOpenGLPanel* panel = w.panels[0];
    panel->Font2D_Enabled = true;
    panel->Font3D_Enabled = true;
    panel->OnPaint = [&](TOpenGLPanel* p) {
        glViewport(0, 0, p->width(), p->height());
        clearTo(Qt::black);
        glColor3f(1, 1, 1);
        glRasterPos2f(-0.8f, 0);
        p->Draw2DText("abc");
    };
    ASSERT_TRUE(testsupport::showAndWait(w.window));
    EXPECT_EQ(panel->Font2D(), nullptr);
    EXPECT_EQ(panel->Font3D(), nullptr);
    EXPECT_EQ(testsupport::countPixelsUnlike(testsupport::grabView(*panel), Qt::black), 0);
}

TEST_F(OpenGLPanelLife, EnabledFontsAreMadeBeforeOnInitAndFreedWithThePanel)
{
    auto w = std::make_unique<PanelWindow>(1);
    TOpenGLPanel* panel = w->panels[0];
    panel->Font2D_Enabled = true;
    panel->Font3D_Enabled = true;
    panel->OnPreInit = [](TOpenGLPanel* p) { p->Font2D_NumGylph = 64; };
    bool fontsAtInit = false;
    panel->OnInit = [&](TOpenGLPanel* p) { fontsAtInit = p->Font2D() && p->Font3D(); };
    panel->OnPaint = [](TOpenGLPanel* p) {
        glViewport(0, 0, p->width(), p->height());
        clearTo(Qt::black);
        glColor3f(1, 1, 1);
        glRasterPos2f(-0.8f, -0.2f);
        p->Draw2DText("ABC"); // within the 64 glyphs from code 32
    };
    ASSERT_TRUE(testsupport::showAndWait(w->window));
    EXPECT_TRUE(fontsAtInit);
    ASSERT_NE(panel->Font2D(), nullptr);
    EXPECT_EQ(panel->Font2D()->count, 64) << "OnPreInit may still change the font properties";
    const GLuint base = panel->Font2D()->base;
    EXPECT_GT(testsupport::countPixelsUnlike(testsupport::grabView(*panel), Qt::black), 10);

    // Another panel keeps the shared list space alive to look at after this one is gone.
    PanelWindow witness(1);
    witness.panels[0]->OnInit = [](TOpenGLPanel*) {};
    ASSERT_TRUE(testsupport::showAndWait(witness.window));
    w.reset();
    ASSERT_TRUE(witness.panels[0]->MakeOpenGLPanelCurrent());
    EXPECT_FALSE(glIsList(base));
    witness.panels[0]->MakeOpenGLPanelNotCurrent();
}

TEST_F(OpenGLPanelLife, TwoPanelsShowTheirOwnBackgroundColours)
{
    PanelWindow w(2);
    const QColor colours[2] = {QColor(200, 30, 30), QColor(30, 60, 220)};
    for (int i = 0; i < 2; ++i)
        w.panels[i]->OnPaint = [colour = colours[i]](TOpenGLPanel*) { clearTo(colour); };
    ASSERT_TRUE(testsupport::showAndWait(w.window));
    ASSERT_TRUE(testsupport::waitUntil([&] {
        const QImage shot = testsupport::grabScreen(w.window);
        return shot.pixelColor(w.panels[0]->geometry().center()) == colours[0]
            && shot.pixelColor(w.panels[1]->geometry().center()) == colours[1];
    })) << "the screen does not show both panels' colours";
    testsupport::saveScreenshotIfAsked(w.window, "two-panels.png");
}

TEST_F(OpenGLPanelLife, WithManualSwappingTheScreenShowsAPaintOnlyOnceItIsSwapped)
{
    PanelWindow w(1);
    TOpenGLPanel& panel = *w.panels[0];
    panel.GLSwapBuffers = TOpenGLSwapBuffers::Manual;
    const QColor red(200, 30, 30), blue(30, 60, 220), green(20, 180, 40), yellow(230, 220, 20);
    QColor painted = red;
    int paints = 0;
    bool swapInPaint = false;
    panel.OnPaint = [&](TOpenGLPanel* sender) {
        ++paints;
        clearTo(painted);
        if (swapInPaint)
            sender->SwapBuffers();
    };
    ASSERT_TRUE(testsupport::showAndWait(w.window));
    const auto shown = [&] { return testsupport::grabScreen(w.window).pixelColor(panel.geometry().center()); };
    const auto paintAgain = [&] {
        const int before = paints;
        panel.update();
        return testsupport::waitUntil([&] { return paints > before; });
    };
    ASSERT_TRUE(testsupport::waitUntil([&] { return paints > 0; }));
    ASSERT_TRUE(paintAgain());
    EXPECT_NE(shown(), red) << "a paint reached the screen without a swap";

    // Drawing outside a paint goes to the back buffer too; the swap shows it.
    ASSERT_TRUE(panel.MakeOpenGLPanelCurrent());
    clearTo(yellow);
    panel.MakeOpenGLPanelNotCurrent();
    ASSERT_TRUE(paintAgain());
    EXPECT_NE(shown(), yellow);
    ASSERT_TRUE(panel.MakeOpenGLPanelCurrent());
    clearTo(yellow);
    panel.SwapBuffers();
    panel.MakeOpenGLPanelNotCurrent();
    EXPECT_TRUE(testsupport::waitUntil([&] { return shown() == yellow; })) << "the swap showed nothing";

    // A paint in another colour changes nothing on screen; swapped within the paint, it shows.
    painted = blue;
    ASSERT_TRUE(paintAgain());
    EXPECT_EQ(shown(), yellow);
    painted = green;
    swapInPaint = true;
    ASSERT_TRUE(paintAgain());
    EXPECT_TRUE(testsupport::waitUntil([&] { return shown() == green; }));

    // Resized, the panel shows the last swapped picture, not the paints since.
    swapInPaint = false;
    painted = blue;
    const int before = paints;
    w.window.resize(320, 200);
    ASSERT_TRUE(testsupport::waitUntil([&] { return paints > before && panel.width() > 120; }));
    EXPECT_EQ(shown(), green);
    testsupport::saveScreenshotIfAsked(w.window, "manual-swap.png");

    // With Auto every paint shows at once.
    panel.GLSwapBuffers = TOpenGLSwapBuffers::Auto;
    ASSERT_TRUE(paintAgain());
    EXPECT_TRUE(testsupport::waitUntil([&] { return shown() == blue; }));
}

TEST_F(OpenGLPanelLife, ConstructionMasksFloatingPointTraps)
{
    feenableexcept(FE_DIVBYZERO | FE_INVALID);
    TOpenGLPanel panel;
    EXPECT_EQ(fegetexcept(), 0);
    volatile double zero = 0.0;
    EXPECT_TRUE(std::isinf(1.0 / zero));
    EXPECT_TRUE(std::isnan(zero / zero));
}

} // namespace
