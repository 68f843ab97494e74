#include "platform/base/Exception.h"
#include "platform/ui/IniFile.h"
#include "support/FileContents.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

namespace {

using testsupport::readFile;
using testsupport::writeFile;

class IniFileTest : public ::testing::Test {
protected:
    std::string file(const std::string& name = "PELVAXON.INI") const
    {
        return dir.path().toStdString() + "/" + name;
    }
    QTemporaryDir dir;
};

TEST_F(IniFileTest, LooksUpWithoutCaseAndStripsBlanksAndOneQuotePair)
{
    writeFile(file(), "[view]\r\n  SPLITTER =  120 \r\nname = \"  quoted  \"\r\nodd='x\"\n[Panels]\nLeftdir=/home/u\n");
    const platform::IniFile ini(file());
    EXPECT_EQ(ini.readInteger("View", "Splitter", 30), 120);
    EXPECT_EQ(ini.readString("VIEW", "Name", ""), "  quoted  ");
    EXPECT_EQ(ini.readString("View", "odd", ""), "'x\"");
    EXPECT_EQ(ini.readString("panels", "LEFTDIR", ""), "/home/u");
    EXPECT_EQ(ini.readString("Panels", "Splitter", "none"), "none");
    EXPECT_EQ(ini.readString("Missing", "Leftdir", "none"), "none");
}

TEST_F(IniFileTest, UpdatesInPlaceKeepingForeignLinesAndAppendsNewKeysToTheirSection)
{
    const std::string before = "; my notes\n[View]\nButtons=0\nmine=kept ; not a comment\n\n"
                               "[Other]\n# comment\nx=1\n";
    writeFile(file(), before);
    platform::IniFile ini(file());
    ini.writeBool("view", "BUTTONS", true);
    ini.writeInteger("View", "Splitter", 250);
    ini.writeString("Panels", "Leftdir", "/tmp");
    ini.writeString("Other", "y", "2");
    EXPECT_EQ(ini.text(), "; my notes\n[View]\nBUTTONS=1\nmine=kept ; not a comment\nSplitter=250\n\n"
                          "[Other]\n# comment\nx=1\ny=2\n[Panels]\nLeftdir=/tmp\n");
    ini.save();
    EXPECT_EQ(readFile(file()), ini.text());
    EXPECT_EQ(platform::IniFile(file()).readString("View", "mine", ""), "kept ; not a comment");
}

TEST_F(IniFileTest, ValueFormsAndTheirDefaults)
{
    writeFile(file(), "[s]\nb1=1\nb0=0\nb2=2\nbt=true\nbe=\nhex=0x1F\nsp= 12 \nbad=12abc\nneg=-8\n"
                     "f1=1e3\nfn=nan\nfc=0,5\nfp=+1.5\nfb=1.5x\nfi=-inf\n");
    const platform::IniFile ini(file());
    EXPECT_TRUE(ini.readBool("s", "b1", false));
    EXPECT_FALSE(ini.readBool("s", "b0", true));
    EXPECT_TRUE(ini.readBool("s", "b2", false));
    EXPECT_TRUE(ini.readBool("s", "bt", true));   // does not convert: the default
    EXPECT_FALSE(ini.readBool("s", "bt", false));
    EXPECT_TRUE(ini.readBool("s", "be", true));
    EXPECT_EQ(ini.readInteger("s", "hex", 0), 31);
    EXPECT_EQ(ini.readInteger("s", "sp", 0), 12);
    EXPECT_EQ(ini.readInteger("s", "bad", 7), 7);
    EXPECT_EQ(ini.readInteger("s", "neg", 0), -8);
    EXPECT_EQ(ini.readFloat("s", "neg", 0), -8.0);
    EXPECT_EQ(ini.readFloat("s", "f1", 0), 1000.0);
    EXPECT_TRUE(std::isnan(ini.readFloat("s", "fn", 0)));
    EXPECT_EQ(ini.readFloat("s", "fc", 0), 0.5);
    EXPECT_EQ(ini.readFloat("s", "fp", 0), 1.5);
    EXPECT_EQ(ini.readFloat("s", "fb", 2.5), 2.5);
    EXPECT_TRUE(std::isinf(ini.readFloat("s", "fi", 0)));
}

TEST_F(IniFileTest, FloatsAndLongStringsRoundTripExactly)
{
    platform::IniFile ini(file());
    const std::string longPath(3000, 'p');
    ini.writeString("Panels", "Leftdir", longPath);
    ini.writeFloat("Panels", "a", 0.5607843137255);
    ini.writeFloat("Panels", "b", -35.0);
    ini.writeFloat("Panels", "c", 152.0 / 255.0);
    ini.save();
    EXPECT_NE(readFile(file()).find("a=0.5607843137255\nb=-35\nc=0.596078431372549\n"), std::string::npos);
    const platform::IniFile back(file());
    EXPECT_EQ(back.readString("Panels", "Leftdir", ""), longPath);
    EXPECT_EQ(back.readFloat("Panels", "a", 0), 0.5607843137255);

    // A directory name with a line break cannot be kept; the line that was there stays.
    platform::IniFile again(file());
    again.writeString("Panels", "Leftdir", "/tmp/a\n[View]\nButtons=0");
    EXPECT_EQ(again.text(), back.text());
    EXPECT_EQ(std::lround(back.readFloat("Panels", "c", 0) * 255), 152);
}

TEST_F(IniFileTest, SaveReplacesAtomicallyAndLeavesNoTemporary)
{
    const std::string path = dir.path().toStdString() + "/deeper/pelvaxon/PELVAXON.INI";
    platform::IniFile ini(path);
    ini.writeString("View", "Fontname", "Arial");
    ini.save();
    ini.writeString("View", "Fontname", "DejaVu Sans");
    ini.save();
    EXPECT_EQ(readFile(path), "[View]\nFontname=DejaVu Sans\n");
    const QStringList left = QDir(dir.path() + "/deeper/pelvaxon").entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(left, QStringList{"PELVAXON.INI"});
}

TEST_F(IniFileTest, AFailedSaveNamesTheFileAndKeepsTheOldOne)
{
    writeFile(file("blocker"), "a regular file where a directory should be");
    platform::IniFile ini(file("blocker") + "/PELVAXON.INI");
    ini.writeString("View", "x", "1");
    try {
        ini.save();
        FAIL() << "saved below a regular file";
    } catch (const platform::Exception& error) {
        EXPECT_NE(std::string(error.what()).find(file("blocker")), std::string::npos) << error.what();
    }
    EXPECT_EQ(readFile(file("blocker")), "a regular file where a directory should be");
}

TEST_F(IniFileTest, UnreadableFileGivesDefaultsAndIsNeverOverwritten)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("PELVAXON.INI"));
    platform::IniFile ini(file());
    EXPECT_FALSE(ini.loadError().empty());
    EXPECT_EQ(ini.readInteger("View", "Splitter", 30), 30);
    ini.writeInteger("View", "Splitter", 40);
    EXPECT_THROW(ini.save(), platform::Exception);
    EXPECT_TRUE(QFileInfo(QString::fromStdString(file())).isDir());

    writeFile(file("huge.ini"), std::string(5 * 1024 * 1024, 'x'));
    platform::IniFile huge(file("huge.ini"));
    EXPECT_FALSE(huge.loadError().empty());
    EXPECT_THROW(huge.save(), platform::Exception);
    EXPECT_EQ(QFileInfo(QString::fromStdString(file("huge.ini"))).size(), 5 * 1024 * 1024);
}

TEST_F(IniFileTest, MalformedLinesAreKeptAndDoNotDisturbLookups)
{
    const std::string junk = std::string("orphan=before any section\n[View\nno equals sign\n=empty key\n") +
                             std::string("\x01\xff\0bin", 6) + "\n[View]\nButtons=0\n[]\nk=v";
    writeFile(file(), junk);
    platform::IniFile ini(file());
    EXPECT_TRUE(ini.loadError().empty());
    EXPECT_FALSE(ini.readBool("View", "Buttons", true));
    EXPECT_EQ(ini.readString("", "k", ""), "v");
    EXPECT_EQ(ini.readString("View", "", "none"), "none");
    ini.writeBool("View", "Buttons", true);
    ini.save();
    std::string expected = junk + "\n";
    expected.replace(expected.find("Buttons=0"), 9, "Buttons=1");
    EXPECT_EQ(readFile(file()), expected);
}

} // namespace
