#include "filemanager/BMPTexture.h"
#include "filemanager/OpenGLPanel.h"
#include "filemanager/OpenGLPanelPrint.h"

#include "platform/base/Exception.h"
#include "support/TempTree.h"
#include "support/FileContents.h"
#include "support/ScriptedMessages.h"
#include "support/gl/GlTestHelpers.h"

#include <GL/gl.h>
#include <QBuffer>
#include <QImage>
#include <QOpenGLContext>
#include <QPrinter>
#include <QProcess>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();
// No print server: the machine's printers must not decide what the tests see.
const bool noPrinters = qputenv("CUPS_SERVER", "/nonexistent/cups.sock");

const QColor clearColour(40, 90, 160);
const QColor cornerColour(220, 30, 30);

std::string bmpBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes.toStdString();
}

bool near(QColor a, QColor b, int tolerance = 8)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

// Leaves a file in the folder PELVAXON_GL_SCREENSHOTS names, if set, to be looked at.
void keepIfAsked(const std::string& bytes, const std::string& name)
{
    if (const char* folder = std::getenv("PELVAXON_GL_SCREENSHOTS"))
        testsupport::writeFile(std::string(folder) + "/" + name, bytes);
}

// One 200 x 120 panel alone in its window, clear colour with the top-left quarter red, so
// that a picture shows which way up it is.
class OpenGLPanelPictures : public ::testing::Test {
protected:
    void SetUp() override
    {
        panel = new TOpenGLPanel(&window);
        panel->setGeometry(0, 0, 200, 120);
        window.resize(200, 120);
        panel->OnPaint = [](TOpenGLPanel* p) {
            glViewport(0, 0, p->width(), p->height());
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            glClearColor(clearColour.redF(), clearColour.greenF(), clearColour.blueF(), 1);
            glClear(GL_COLOR_BUFFER_BIT);
            glColor3ub(cornerColour.red(), cornerColour.green(), cornerColour.blue());
            glRectf(-1, 0, 0, 1);
        };
        ASSERT_TRUE(testsupport::showAndWait(window));
    }
    void TearDown() override { EXPECT_EQ(messages.texts(), std::vector<std::string>{}); }

    std::string path(const std::string& name) const { return dir.Root() + "/" + name; }
    QString qpath(const char* name) const { return QString::fromStdString(path(name)); }

    // Prints the panel into a PDF page at 96 dots per inch with the page corner as origin,
    // and gives back the page rendered at the same resolution with the rectangle it should hold.
    QImage printed(QRect& expected, const std::string& keptName)
    {
        const QString pdf = qpath("panel.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFileName(pdf);
        printer.setResolution(96);
        printer.setPageMargins(QMarginsF(0, 0, 0, 0));
        EXPECT_TRUE(panel->PrintOpenGLPanel(printer));
        expected = PrintRect(panel->size(), {96, 96}, {printer.width(), printer.height()}, panel->PrintScale,
                             panel->PixelsPerInch);
        const QString prefix = qpath("page");
        EXPECT_EQ(QProcess::execute("pdftoppm", {"-r", "96", "-png", "-singlefile", pdf, prefix}), 0);
        const std::string png = testsupport::readFile((prefix + ".png").toStdString());
        keepIfAsked(png, keptName);
        return QImage::fromData(QByteArray::fromStdString(png), "PNG").convertToFormat(QImage::Format_RGB32);
    }

    testsupport::ScriptedMessages messages;
    testfs::TempTree dir;
    QWidget window;
    TOpenGLPanel* panel = nullptr;
};

TEST(LoadBMPTexture, GivesTheBitmapsRowsFromTheBottomAsRgbBytes)
{
    testfs::TempTree dir;
    QImage bitmap(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            bitmap.setPixel(x, y, qRgb(10 * x + 1, 100 + 50 * y, 7 * x + 3 * y));
    const std::string name = dir.Root() + "/small.bmp";
    testsupport::writeFile(name, bmpBytes(bitmap));

    const auto plain = TOpenGLPanel::LoadBMPTexture(name, false);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->components, 3);
    EXPECT_EQ(plain->width, 3);
    EXPECT_EQ(plain->height, 2);
    EXPECT_EQ(plain->format, GL_RGB);
    EXPECT_EQ(plain->type, GL_UNSIGNED_BYTE);
    std::vector<unsigned char> expected;
    for (int y = 1; y >= 0; --y)
        for (int x = 0; x < 3; ++x)
            expected.insert(expected.end(), {static_cast<unsigned char>(qRed(bitmap.pixel(x, y))),
                                             static_cast<unsigned char>(qGreen(bitmap.pixel(x, y))),
                                             static_cast<unsigned char>(qBlue(bitmap.pixel(x, y)))});
    EXPECT_EQ(plain->data, expected);
    EXPECT_EQ((std::vector<unsigned char>(plain->data.begin(), plain->data.begin() + 3)),
              (std::vector<unsigned char>{1, 150, 3})) << "the bottom-left pixel comes first";

    const auto withAlpha = TOpenGLPanel::LoadBMPTexture(name, true);
    ASSERT_NE(withAlpha, nullptr);
    EXPECT_EQ(withAlpha->components, 4);
    EXPECT_EQ(withAlpha->format, GL_RGBA);
    ASSERT_EQ(withAlpha->data.size(), 24u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(withAlpha->data[4 * i + 3], 255);
        EXPECT_EQ(withAlpha->data[4 * i], expected[3 * i]);
    }
}

TEST(LoadBMPTexture, AnythingButAReadableBmpGivesNull)
{
    testfs::TempTree dir;
    const std::string base = dir.Root();
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::green);
    ASSERT_TRUE(picture.save(QString::fromStdString(base + "/picture.png"), "PNG"));
    testsupport::writeFile(base + "/png-named.bmp", testsupport::readFile(base + "/picture.png"));
    testsupport::writeFile(base + "/text.bmp", "BM but no bitmap");
    testsupport::writeFile(base + "/empty.bmp", "");
    // The last is the folder itself.
    for (const char* name : {"/picture.png", "/png-named.bmp", "/text.bmp", "/empty.bmp", "/missing.bmp", ""})
        EXPECT_EQ(TOpenGLPanel::LoadBMPTexture(base + name, false), nullptr) << name;
}

TEST(LoadBMPTexture, ANameThatIsNotUtf8LoadsItsOwnFile)
{
    testfs::TempTree dir;
    const std::string base = dir.Root();
    QImage own(1, 1, QImage::Format_RGB32), lookalike(1, 1, QImage::Format_RGB32);
    own.fill(qRgb(1, 2, 3));
    lookalike.fill(qRgb(200, 201, 202));
    testsupport::writeFile(base + "/pic\xff.bmp", bmpBytes(own));
    testsupport::writeFile(base + "/pic\xef\xbf\xbd.bmp", bmpBytes(lookalike)); // U+FFFD, as the name displays
    const auto texture = TOpenGLPanel::LoadBMPTexture(base + "/pic\xff.bmp", false);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->data, (std::vector<unsigned char>{1, 2, 3}));
}

TEST_F(OpenGLPanelPictures, SavedBmpIsThePanelsPictureUnderItsByteName)
{
    const std::string name = path("panel\xff.bmp");
    const std::string lookalike = path("panel\xef\xbf\xbd.bmp");
    testsupport::writeFile(lookalike, "keep me");
    ASSERT_TRUE(panel->SaveOpenGLPanelToFile(name));
    EXPECT_EQ(testsupport::readFile(lookalike), "keep me");
    EXPECT_EQ(QOpenGLContext::currentContext(), nullptr);

    const std::string bytes = testsupport::readFile(name);
    ASSERT_EQ(bytes.substr(0, 2), "BM");
    QImage saved;
    ASSERT_TRUE(saved.loadFromData(QByteArray::fromStdString(bytes), "BMP"));
    keepIfAsked(bytes, "saved-panel.bmp");
    EXPECT_EQ(saved.size(), QSize(200, 120));
    EXPECT_EQ(saved.pixelColor(100, 60), clearColour);
    EXPECT_EQ(saved.pixelColor(150, 90), clearColour);
    EXPECT_EQ(saved.pixelColor(50, 30), cornerColour) << "the picture is upright";

    EXPECT_THROW(panel->SaveOpenGLPanelToFile(path("no-such-folder/panel.bmp")), platform::Exception);
}

TEST_F(OpenGLPanelPictures, EmptyPanelSavesAndPrintsNothing)
{
    panel->resize(0, 120);
    EXPECT_FALSE(panel->SaveOpenGLPanelToFile(path("empty.bmp")));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFileName(qpath("empty.pdf"));
    EXPECT_FALSE(panel->PrintOpenGLPanel(printer));
    EXPECT_EQ(access(path("empty.bmp").c_str(), F_OK), -1);
    EXPECT_EQ(access(path("empty.pdf").c_str(), F_OK), -1);
}

TEST_F(OpenGLPanelPictures, PrintedPagesHoldThePictureWhereTheScaleModePutsIt)
{
    struct Case {
        TOpenGLPrintScale scale;
        int pixelsPerInch;
        QSize size;
    };
    const Case cases[] = {{pglNone, 96, {200, 120}}, {pglProportional, 48, {400, 240}}, {pglPrintToFit, 96, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        panel->PrintScale = c.scale;
        panel->PixelsPerInch = c.pixelsPerInch;
        QRect r;
        const QImage page = printed(r, "printed-" + std::to_string(c.scale) + ".png");
        ASSERT_FALSE(page.isNull());
        EXPECT_EQ(r.topLeft(), QPoint(17, 17)) << "0.18 inch at 96 dots per inch";
        if (!c.size.isEmpty()) {
            EXPECT_EQ(r.size(), c.size);
        }
        const auto at = [&](int x, int y) { return page.pixelColor(x, y); };
        EXPECT_TRUE(near(at(r.x() + r.width() / 4, r.y() + r.height() / 4), cornerColour));
        EXPECT_TRUE(near(at(r.x() + 3, r.y() + 3), cornerColour));
        EXPECT_TRUE(near(at(r.x() + 3 * r.width() / 4, r.y() + 3 * r.height() / 4), clearColour));
        EXPECT_TRUE(near(at(r.right() - 3, r.bottom() - 3), clearColour));
        EXPECT_TRUE(near(at(r.x() - 3, r.y() - 3), Qt::white));
        EXPECT_TRUE(near(at(std::min(r.right() + 3, page.width() - 1), r.bottom() + 3), Qt::white));
    }
}

TEST_F(OpenGLPanelPictures, APrintThatCannotStartSaysSo)
{
    EXPECT_FALSE(panel->PrintOpenGLPanel());
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Print: there is no printer to print on"});
    messages.clear();

    QPrinter printer(QPrinter::HighResolution);
    const QString pdf = qpath("no-such-folder/panel.pdf");
    printer.setOutputFileName(pdf);
    EXPECT_FALSE(panel->PrintOpenGLPanel(printer));
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"Print: cannot start printing on file \"" + pdf.toStdString() + "\""});
    messages.clear();
}

TEST_F(OpenGLPanelPictures, ExtensionQueriesMatchWholeNamesOfTheCurrentContext)
{
    ASSERT_TRUE(panel->MakeOpenGLPanelCurrent());
    EXPECT_TRUE(panel->QueryOpenGLExtention("GL_ARB_multitexture"));
    EXPECT_FALSE(panel->QueryOpenGLExtention("GL_ARB_multi"));
    EXPECT_FALSE(panel->QueryOpenGLExtention("gl_arb_multitexture"));
    panel->MakeOpenGLPanelNotCurrent();
    EXPECT_FALSE(panel->QueryOpenGLExtention("GL_ARB_multitexture")) << "no context, no extension list";
}

TEST_F(OpenGLPanelPictures, DisplayDepthIsTheScreensAndCannotBeChanged)
{
    EXPECT_EQ(panel->GetDisplayBPP(), 24);
    EXPECT_FALSE(panel->SetDisplayBPP(16));
    EXPECT_EQ(panel->GetDisplayBPP(), 24);
}

} // namespace
