#include "platform/base/Exception.h"
#include "platform/ui/MetafilePlayer.h"
#include "platform/ui/PictureRegistry.h"

#include "support/FileContents.h"
#include "support/MetafileBytes.h"
#include "support/PictureBytes.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include <sys/stat.h>

namespace {

using testsupport::readFile;
using testsupport::writeFile;

// Four quadrants: red top left, green top right, blue bottom left, white bottom right.
const QColor quadrants[4] = {QColor(220, 30, 30), QColor(30, 200, 40), QColor(40, 50, 210), QColor(250, 250, 250)};

// With noise the picture's data, not its headers, makes up most of the file.
std::string quadrantPpm(int width, int height, bool noise = false)
{
    std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    unsigned state = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QColor& c = quadrants[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)];
            for (int channel : {c.red(), c.green(), c.blue()}) {
                state = state * 1103515245u + 12345u;
                ppm += char(noise ? std::clamp(channel + int(state >> 27) - 16, 0, 255) : channel);
            }
        }
    }
    return ppm;
}

bool near(QColor got, QColor want, int tolerance)
{
    return std::abs(got.red() - want.red()) <= tolerance && std::abs(got.green() - want.green()) <= tolerance &&
           std::abs(got.blue() - want.blue()) <= tolerance;
}

class PictureRegistryTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return dir.path().toStdString() + "/" + name; }
    // Runs an independent producer; the test fails when it does.
    void run(const std::string& command) const { ASSERT_EQ(std::system(command.c_str()), 0) << command; }
    std::string cjpeg(const std::string& options, const std::string& name, bool noise = false) const
    {
        writeFile(path("in.ppm"), quadrantPpm(64, 48, noise));
        run("cjpeg -quality 95 " + options + " '" + path("in.ppm") + "' > '" + path(name) + "'");
        return path(name);
    }
    static std::string failureOf(const std::string& fileName)
    {
        try {
            platform::LoadPicture(fileName);
        } catch (const platform::Exception& error) {
            return error.what();
        }
        return {};
    }
    QTemporaryDir dir;
};

TEST_F(PictureRegistryTest, JpegsOfEveryKindFromIndependentProducersGiveTheirSizeAndColours)
{
    struct Case {
        std::string name, options;
        bool grey;
    };
    std::vector<Case> cases = {{"baseline.jpg", "", false},
                               {"progressive.jpg", "-progressive", false},
                               {"restarts.jpg", "-restart 1", false},
                               {"grey.jpg", "-grayscale", true}};
    for (const Case& c : cases)
        cjpeg(c.options, c.name);
    writeFile(path("in.ppm"), quadrantPpm(64, 48));
    run("convert '" + path("in.ppm") + "' -colorspace CMYK -quality 95 '" + path("cmyk.jpg") + "'");
    cases.push_back({"cmyk.jpg", "", false});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto picture = platform::LoadPicture(path(c.name));
        ASSERT_EQ(picture->width(), 64);
        ASSERT_EQ(picture->height(), 48);
        const QImage image = picture->toImage();
        const QPoint centres[4] = {{16, 12}, {48, 12}, {16, 36}, {48, 36}};
        for (int i = 0; i < 4; ++i) {
            QColor want = quadrants[i];
            if (c.grey) {
                const int luma = (299 * want.red() + 587 * want.green() + 114 * want.blue()) / 1000;
                want = QColor(luma, luma, luma);
            }
            const QColor got = image.pixelColor(centres[i]);
            EXPECT_TRUE(near(got, want, 12)) << i << ": " << got.name().toStdString();
        }
    }
    // Names are matched by their extension without case.
    run("cp '" + path("baseline.jpg") + "' '" + path("UPPER.JPG") + "'");
    EXPECT_EQ(platform::LoadPicture(path("UPPER.JPG"))->width(), 64);
    run("cp '" + path("baseline.jpg") + "' '" + path("long.jpeg") + "'");
    EXPECT_EQ(platform::LoadPicture(path("long.jpeg"))->height(), 48);
}

TEST_F(PictureRegistryTest, DamagedJpegsFailCleanly)
{
    for (const char* options : {"", "-progressive"}) {
        const std::string whole = readFile(cjpeg(options, "whole.jpg", true));
        ASSERT_GT(whole.size(), 1500u);
        // Cut inside the headers and inside the picture's data.
        for (std::size_t size : {std::size_t(0), std::size_t(2), std::size_t(20), std::size_t(200),
                                 whole.size() / 2, whole.size() - 40}) {
            writeFile(path("cut.jpg"), whole.substr(0, size));
            const std::string failure = failureOf(path("cut.jpg"));
            // A progressive file cut between two scans is a coarser picture, as in every viewer.
            if (options[0] == '\0' || size < 400) {
                EXPECT_NE(failure.find(path("cut.jpg")), std::string::npos) << options << " cut at " << size;
            }
        }
        // Only the end marker missing: every pixel is there.
        writeFile(path("noend.jpg"), whole.substr(0, whole.size() - 2));
        EXPECT_EQ(failureOf(path("noend.jpg")), "") << options;
        // Flipped bytes: a picture or a clear error, never a crash (run under the sanitizers).
        for (std::size_t at = 2; at < whole.size(); at += 13) {
            std::string damaged = whole;
            damaged[at] = char(damaged[at] ^ 0x5a);
            writeFile(path("flipped.jpg"), damaged);
            try {
                const auto picture = platform::LoadPicture(path("flipped.jpg"));
                EXPECT_GT(picture->width(), 0);
            } catch (const platform::Exception&) {
            }
        }
    }
}

TEST_F(PictureRegistryTest, AHugeJpegHeaderIsRefusedBeforeAnythingIsAllocated)
{
    std::string bytes = readFile(cjpeg("", "small.jpg"));
    const std::size_t frame = bytes.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    // Height, then width, big-endian: 60000 x 60000.
    for (std::size_t at : {frame + 5, frame + 7}) {
        bytes[at] = char(0xEA);
        bytes[at + 1] = char(0x60);
    }
    writeFile(path("huge.jpg"), bytes);
    const auto start = std::chrono::steady_clock::now();
    const std::string failure = failureOf(path("huge.jpg"));
    EXPECT_NE(failure.find("too large (60000 x 60000 pixels)"), std::string::npos) << failure;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// Left half red, right half a blue ellipse, nothing drawn in the corners around it.
void ExpectShapes(const platform::Picture& picture, const std::string& name)
{
    SCOPED_TRACE(name);
    ASSERT_EQ(picture.width(), 200);
    ASSERT_EQ(picture.height(), 100);
    const QImage onWhite = picture.toImage();
    const QImage onBlack = picture.drawnOver(Qt::black);
    ASSERT_EQ(onWhite.size(), QSize(200, 100));
    for (QPoint inside : {QPoint(5, 5), QPoint(50, 50), QPoint(95, 95)})
        EXPECT_TRUE(near(onWhite.pixelColor(inside), Qt::red, 8)) << inside.x() << "," << inside.y();
    for (QPoint inside : {QPoint(150, 50), QPoint(110, 50), QPoint(150, 8)}) {
        EXPECT_TRUE(near(onWhite.pixelColor(inside), Qt::blue, 8)) << inside.x() << "," << inside.y();
        EXPECT_TRUE(near(onBlack.pixelColor(inside), Qt::blue, 8)) << inside.x() << "," << inside.y();
    }
    for (QPoint corner : {QPoint(104, 3), QPoint(196, 96)}) {
        EXPECT_EQ(onWhite.pixelColor(corner), QColor(Qt::white)) << corner.x() << "," << corner.y();
        EXPECT_EQ(onBlack.pixelColor(corner), QColor(Qt::black)) << corner.x() << "," << corner.y();
    }
}

TEST_F(PictureRegistryTest, MetafilesGiveTheirOwnSizeAndTheirShapesWhereTheyAre)
{
    writeFile(path("placeable.wmf"), testsupport::shapesWmf());
    writeFile(path("plain.WMF"), testsupport::shapesWmf(false));
    writeFile(path("enhanced.emf"), testsupport::shapesEmf());
    for (const char* name : {"placeable.wmf", "plain.WMF", "enhanced.emf"})
        ExpectShapes(*platform::LoadPicture(path(name)), name);

    // The picture is the frame, not what is drawn: without the ellipse the right half stays
    // empty instead of the rectangle being stretched over it.
    writeFile(path("half.wmf"), testsupport::shapesWmf(true, false));
    writeFile(path("half.emf"), testsupport::shapesEmf({}, false));
    for (const char* name : {"half.wmf", "half.emf"}) {
        const QImage image = platform::LoadPicture(path(name))->toImage();
        ASSERT_EQ(image.size(), QSize(200, 100)) << name;
        EXPECT_TRUE(near(image.pixelColor(50, 50), Qt::red, 8)) << name;
        EXPECT_EQ(image.pixelColor(150, 50), QColor(Qt::white)) << name;
    }

    // Listed where they were always listed: after the icons, before JPEG.
    const std::vector<platform::PictureFormat> formats = platform::PictureFormats();
    const auto position = [&](const char* extension) {
        return std::find_if(formats.begin(), formats.end(), [&](const auto& f) { return f.extension == extension; })
               - formats.begin();
    };
    EXPECT_LT(position("ico"), position("wmf"));
    EXPECT_LT(position("wmf"), position("emf"));
    EXPECT_LT(position("emf"), position("jpg"));
}

TEST_F(PictureRegistryTest, DamagedMetafilesFailCleanlyNamingTheFileAndWhy)
{
    const std::string wmf = testsupport::shapesWmf();
    const std::string plain = testsupport::shapesWmf(false);
    const std::string emf = testsupport::shapesEmf();
    struct Case {
        std::string name, bytes, why;
    };
    std::string huge = wmf;
    huge[10] = char(0xFF); // right edge 32767 units at one an inch
    huge[11] = char(0x7F);
    huge[14] = 1;
    huge[15] = 0;
    std::string hugeEmf = emf;
    hugeEmf[34] = char(0x7F); // a frame 83 m wide and as high
    hugeEmf[38] = char(0x7F);
    std::string noRecordSize = plain;
    noRecordSize[18] = 0; // the first record claims no words
    std::string oddRecord = emf;
    oddRecord[92] = 13; // the first record after the header: 13 bytes
    const std::vector<Case> cases = {
        {"empty.wmf", "", "cut short in its header"},
        {"placeable-cut.wmf", wmf.substr(0, 21), "cut short in its header"},
        {"header-cut.wmf", wmf.substr(0, 30), "cut short in its header"},
        {"record-cut.wmf", wmf.substr(0, wmf.size() - 10), "the record at byte"},
        {"record-cut2.wmf", plain.substr(0, 20), "runs past the end of the file"},
        {"zero-record.wmf", noRecordSize, "claims a size of 0 words"},
        {"huge.wmf", huge, "the picture is too large (3145632 x 144000 pixels)"},
        {"bitmap.wmf", testsupport::pictureBytes(QImage(4, 4, QImage::Format_RGB32), "bmp"), "not a Windows metafile"},
        {"empty.emf", "", "cut short in its header"},
        {"header-cut.emf", emf.substr(0, 60), "cut short in its header"},
        {"record-cut.emf", emf.substr(0, emf.size() - 30), "runs past the end of the file"},
        {"odd-record.emf", oddRecord, "claims a size of 13 bytes"},
        {"huge.emf", hugeEmf, "the picture is too large"},
        {"wmf.emf", wmf, "not an enhanced metafile"},
    };
    for (const Case& c : cases) {
        writeFile(path(c.name), c.bytes);
        const std::string failure = failureOf(path(c.name));
        EXPECT_NE(failure.find(path(c.name) + "\": "), std::string::npos) << c.name << ": " << failure;
        EXPECT_NE(failure.find(c.why), std::string::npos) << c.name << ": " << failure;
    }

    // Flipped bytes: a picture or a clear error, never a crash or a hang.
    for (const auto& [name, whole] : {std::pair{"flipped.wmf", wmf}, std::pair{"flipped.emf", emf}})
        for (std::size_t at = 0; at < whole.size(); at += 7) {
            std::string damaged = whole;
            damaged[at] = char(damaged[at] ^ 0xA5);
            writeFile(path(name), damaged);
            try {
                EXPECT_GT(platform::LoadPicture(path(name))->width(), 0);
            } catch (const platform::Exception& error) {
                EXPECT_NE(std::string(error.what()).find(path(name)), std::string::npos);
            }
        }
}

TEST_F(PictureRegistryTest, WhatTheMetafileLibrariesDoWithAHostileFileStaysOutsideTheProgram)
{
    // The library crashes on an empty enhanced metafile; played raw, its process ends, not ours
    // (on a signal, or with the address sanitizer's report in a sanitized build).
    try {
        platform::PlayMetafile(platform::MetafileKind::Emf, platform::MetafileLayout{});
        ADD_FAILURE() << "an empty enhanced metafile was played";
    } catch (const platform::Exception& error) {
        const std::string failure = error.what();
        EXPECT_TRUE(failure.starts_with("the metafile player ended on signal")
                    || failure.starts_with("the metafile player failed"))
            << failure;
    }
    // A text that closes the library's unescaped text block and names a file for Qt's renderer
    // to read (a FIFO, which would block it for ever): refused before anything is rendered.
    ASSERT_EQ(mkfifo(path("blocks").c_str(), 0644), 0);
    const std::string escape = "]]><image xlink:href=\"" + path("blocks") + "\" width=\"9\" height=\"9\"/><![CDATA[";
    writeFile(path("escape.emf"), testsupport::shapesEmf(std::u16string(escape.begin(), escape.end())));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(failureOf(path("escape.emf")).find("its drawing refers to files outside it"), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    // The same text as a plain text is only drawn.
    writeFile(path("text.emf"), testsupport::shapesEmf(u"<image> & ]]"));
    EXPECT_EQ(platform::LoadPicture(path("text.emf"))->width(), 200);
}

TEST_F(PictureRegistryTest, OnlyRegisteredFormatsReadAndNeverByGuessingTheContents)
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(QColor(255, 128, 0));
    const std::string bmp = testsupport::pictureBytes(image, "bmp");
    writeFile(path("orange.bmp"), bmp);
    const auto picture = platform::LoadPicture(path("orange.bmp"));
    EXPECT_EQ(picture->width(), 3);
    EXPECT_EQ(picture->toImage().pixelColor(2, 1), QColor(255, 128, 0));

    writeFile(path("orange.ico"), testsupport::pictureBytes(image.scaled(16, 16), "ico"));
    EXPECT_EQ(platform::LoadPicture(path("orange.ico"))->height(), 16);

    writeFile(path("bitmap.jpg"), bmp);
    writeFile(path("picture.wmf"), bmp);
    run("convert '" + path("orange.bmp") + "' '" + path("picture.gif") + "'");
    writeFile(path("noext"), bmp);
    for (const char* name : {"bitmap.jpg", "picture.wmf", "picture.gif", "noext", "missing.bmp"})
        EXPECT_NE(failureOf(path(name)).find(path(name)), std::string::npos) << name;
    ASSERT_EQ(mkfifo(path("pipe.jpg").c_str(), 0644), 0);
    EXPECT_NE(failureOf(path("pipe.jpg")).find("not a regular file"), std::string::npos);

    // A format added later takes its extension, whatever case it was registered with.
    platform::RegisterPictureFormat(".GIF", "GIF picture", [](const std::string&) {
        return std::make_unique<platform::StillPicture>(QImage(7, 5, QImage::Format_RGB32));
    });
    EXPECT_EQ(platform::LoadPicture(path("picture.gif"))->width(), 7);
    EXPECT_EQ(platform::PictureFormats().back().extension, "gif");
}

} // namespace
