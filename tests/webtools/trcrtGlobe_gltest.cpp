// The trace window's view read back in pixels: the globe with and without its picture, the
// hops and the ring at their projections, the picture's failures, and the view's motion.
#include "TraceTestSupport.h"
#include "filemanager/OpenGLPanel.h"
#include "support/FileContents.h"
#include "support/PictureBytes.h"
#include "support/ScriptedMessages.h"
#include "support/gl/GlTestHelpers.h"
#include "webtools/GlobeGeometry.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <GL/gl.h>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

bool isRed(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}
bool isGreen(QRgb c)
{
    return qGreen(c) > 200 && qRed(c) < 60 && qBlue(c) < 60;
}

// Whether a pixel within two of `at` is red.
bool redNear(const QImage& image, QPoint at)
{
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            if (image.valid(at + QPoint(dx, dy)) && isRed(image.pixel(at + QPoint(dx, dy))))
                return true;
    return false;
}

HopInfo located(const char* city, double lat, double lon, bool fromCache)
{
    HopInfo hop;
    hop.city = city;
    hop.country = "XX";
    hop.lat = lat;
    hop.lon = lon;
    hop.rtt = 10;
    hop.fromCache = fromCache;
    globe::PlaceHop(hop);
    return hop;
}

class TraceGlobeTest : public ::testing::Test {
protected:
    std::string earth() const { return dir.path().toStdString() + "/earth.jpg"; }
    // A picture red in its middle half of longitudes (around 0), green beyond.
    void writeEarth() const
    {
        QImage image(64, 32, QImage::Format_RGB32);
        image.fill(Qt::green);
        QPainter(&image).fillRect(16, 0, 32, 32, Qt::red);
        testsupport::writeFile(earth(), testsupport::pictureBytes(image, "jpg"));
    }
    void show()
    {
        mainWindow = std::make_unique<tracetest::MainWindowStandIn>(dir.path().toStdString() + "/");
        form = std::make_unique<TtracertForm>();
        form->resize(583, 424);
        ASSERT_TRUE(testsupport::showAndWait(*form));
    }
    QImage view() { return testsupport::grabView(*form->OpenGLPanel1); }
    void screenshot(const char* name)
    {
        form->OpenGLPanel1->update();
        testsupport::waitUntil([] { return false; }, 200);
        testsupport::saveScreenshotIfAsked(*form, name);
    }
    QRgb centre()
    {
        const QImage image = view();
        return image.pixel(image.width() / 2, image.height() / 2);
    }
    // Where scene points land, worked out with the matrices the hops are drawn with.
    std::vector<QPoint> projections(const std::vector<globe::Point3>& points)
    {
        std::vector<QPoint> found;
        auto paint = form->OpenGLPanel1->OnPaint;
        form->OpenGLPanel1->OnPaint = [&](TOpenGLPanel* panel) {
            paint(panel);
            glPushMatrix();
            glRotated(90, 1, 0, 0);
            for (const globe::Point3& p : points)
                found.push_back(
                    testsupport::toImagePosition(testsupport::projectToWindow(p.x, p.y, p.z), panel->height()));
            glPopMatrix();
        };
        view();
        form->OpenGLPanel1->OnPaint = paint;
        return found;
    }
    void mouse(QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, form->OpenGLPanel1->mapToGlobal(at), button, held, modifiers);
        QApplication::sendEvent(form->OpenGLPanel1, &event);
    }
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        mouse(QEvent::MouseButtonPress, from, modifiers);
        mouse(QEvent::MouseMove, to, modifiers);
        mouse(QEvent::MouseButtonRelease, to, modifiers);
    }

    QTemporaryDir dir;
    testsupport::ScriptedMessages messages;
    std::unique_ptr<tracetest::MainWindowStandIn> mainWindow;
    std::unique_ptr<TtracertForm> form;
};

TEST_F(TraceGlobeTest, TheGlobeWearsEarthJpgFromTheFirstShowing)
{
    writeEarth();
    show();
    ASSERT_NE(form->globePicture, nullptr);
    EXPECT_NE(form->globeTexture, 0u);
    EXPECT_TRUE(isRed(centre())) << std::hex << centre(); // longitude 0 faces the viewer
    form->view.rotY = 180;
    EXPECT_TRUE(isGreen(centre())) << std::hex << centre();
    EXPECT_TRUE(messages.texts().empty());
}

TEST_F(TraceGlobeTest, WithoutAPictureTheGlobeIsPlainBlueAndNothingIsSaid)
{
    show();
    EXPECT_EQ(form->globePicture, nullptr);
    const QRgb c = centre();
    EXPECT_GT(qBlue(c), qRed(c) + 40) << std::hex << c;
    EXPECT_GT(qBlue(c), qGreen(c) + 40) << std::hex << c;
    EXPECT_TRUE(messages.texts().empty());
}

TEST_F(TraceGlobeTest, AnUnreadablePictureIsSaidAtEachTryAndAKeptOneIsNeverLoadedAgain)
{
    testsupport::writeFile(earth(), "not a picture at all");
    show();
    const std::vector<std::string> failed{"loading of globe picture file '" + earth() + "' failed"};
    EXPECT_EQ(messages.texts(), failed);
    EXPECT_EQ(form->globePicture, nullptr);
    form->globeCheckBox->click();
    EXPECT_EQ(messages.texts(), failed) << "clearing the box loads nothing";
    form->globeCheckBox->click();
    EXPECT_EQ(messages.texts().size(), 2u) << "the file may have been mended meanwhile";

    // A picture kept once (also one OpenGL refused) is the globe's for good.
    messages.clear();
    form->globePicture = std::make_unique<myBMPTexture>();
    form->globeCheckBox->click();
    form->globeCheckBox->click();
    EXPECT_TRUE(messages.texts().empty());
}

TEST_F(TraceGlobeTest, HopsStandAtTheirPlacesAndTheRingSpreadsThemByTime)
{
    show(); // a blue globe: no red but the hops'
    form->hopList = {located("Berlin", 52.5, 13.4, false), HopInfo{}, located("New York", 40.7, -74.0, false),
                     located("Tokyo", 35.7, 139.7, true)};
    form->hopList[1].rtt = 10;
    form->view.rotY = 30;
    const auto hops = projections({{form->hopList[0].x, form->hopList[0].y, form->hopList[0].z},
                                   {form->hopList[2].x, form->hopList[2].y, form->hopList[2].z}});
    QImage image = view();
    for (const QPoint& at : hops)
        EXPECT_TRUE(redNear(image, at)) << at.x() << "," << at.y();
    screenshot("trace-globe.png");

    form->globeCheckBox->click();
    form->view.Reset();
    std::vector<globe::Point3> ring;
    for (const globe::RingHop& hop : globe::RingView(form->hopList))
        ring.push_back(hop.point);
    image = view();
    for (const QPoint& at : projections(ring))
        EXPECT_TRUE(redNear(image, at)) << at.x() << "," << at.y();
    screenshot("trace-ring.png");

    form->hopList.clear();
    EXPECT_EQ(testsupport::countPixelsUnlike(view(), Qt::black), 0);
}

TEST_F(TraceGlobeTest, TheMouseAndTheArrowsTurnPanAndZoomTheView)
{
    show();
    const QPoint at(200, 200);
    drag(at, at + QPoint(10, 100)); // rotate, the checked mode
    EXPECT_NEAR(form->view.rotX, -90 + 36, 1e-9);
    EXPECT_NEAR(form->view.rotY, 3.6, 1e-9);
    drag(at, at + QPoint(20, 0), Qt::AltModifier);
    EXPECT_NEAR(form->view.panX, 1, 1e-9);
    drag(at, at + QPoint(0, 10), Qt::AltModifier | Qt::ControlModifier);
    EXPECT_NEAR(form->view.zoom, -33, 1e-9);
    EXPECT_EQ(form->motionMode, globe::NoMotion);

    const double rotY = form->view.rotY;
    QTest::keyClick(form->windowHandle(), Qt::Key_Right);
    EXPECT_NEAR(form->view.rotY, rotY + 8 * 0.36, 1e-9);
    QTest::keyClick(form->windowHandle(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_NEAR(form->view.rotY, rotY + 8 * 0.36, 1e-9);
    QTest::keyClick(form->windowHandle(), Qt::Key_P);
    EXPECT_TRUE(form->panRadioButton->isChecked());
    QTest::keyClick(form->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(form->panRadioButton->isChecked());

    // Typing a host name leaves the view alone until the next press on the view.
    QTest::mouseClick(form->HostEdit, Qt::LeftButton);
    EXPECT_TRUE(form->hostEditActive);
    QTest::keyClick(form->windowHandle(), Qt::Key_Left);
    QTest::keyClick(form->windowHandle(), Qt::Key_Z);
    EXPECT_NEAR(form->view.panX, 1, 1e-9);
    EXPECT_TRUE(form->panRadioButton->isChecked());
    mouse(QEvent::MouseButtonPress, at);
    mouse(QEvent::MouseButtonRelease, at);
    EXPECT_FALSE(form->hostEditActive);
    QTest::keyClick(form->windowHandle(), Qt::Key_Left);
    EXPECT_NEAR(form->view.panX, 0.6, 1e-9);
}

TEST_F(TraceGlobeTest, EveryShowingTakesTheLastHostAndFitsTheResultList)
{
    show();
    EXPECT_EQ(form->HostEdit->text().toStdString(), MainForm->traceLastHost);
    MainForm->traceLastHost = "other.example";
    form->hide();
    form->resize(700, 424);
    form->show();
    EXPECT_EQ(form->HostEdit->text(), "other.example");
    EXPECT_EQ(form->traceresultComboBox->width(), 700 - form->traceresultComboBox->x() - 10);
}

} // namespace
