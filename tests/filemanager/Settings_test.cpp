#include "filemanager/Settings.h"
#include "support/FileContents.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    std::string path() const { return dir.path().toStdString() + "/PELVAXON.INI"; }
    platform::IniFile fileWith(const std::string& content) const
    {
        testsupport::writeFile(path(), content);
        return platform::IniFile(path());
    }
    QTemporaryDir dir;
};

std::string home() { return QFile::encodeName(QDir::homePath()).toStdString(); }

TEST_F(SettingsTest, NoFileGivesEveryDefault)
{
    const platform::IniFile ini(path());
    const ViewSettings view = ReadViewSettings(ini, "/opt/pelvaxon/");
    EXPECT_TRUE(view.ctrlButtons && view.buttons && view.status && view.header && view.lastIcon && view.draw3DText);
    EXPECT_TRUE(view.viewFilePlane && view.viewBkgPic);
    EXPECT_EQ(view.icon3DLimit, 150);
    EXPECT_EQ(view.splitter, 30);
    EXPECT_EQ(view.font.name, "Arial");
    EXPECT_EQ(view.font.size, 8);
    EXPECT_EQ(view.font.charset, 1);
    EXPECT_FALSE(view.font.bold || view.font.italic);
    EXPECT_EQ(view.bkgFileName, "/opt/pelvaxon/ngc3132a.jpg");
    EXPECT_EQ(view.icon3DDir, "/opt/pelvaxon/icon3d/");

    const PanelSettings panel = ReadPanelSettings(ini, "Right");
    EXPECT_EQ(panel.filter, "*.*");
    EXPECT_EQ(panel.dir, home());
    EXPECT_EQ(panel.tranx, -8.0);
    EXPECT_EQ(panel.trany, 4.0);
    EXPECT_EQ(panel.tranz, -30.0);
    EXPECT_EQ(panel.rotx, 135.0);
    EXPECT_EQ(panel.roty, 0.0);
    EXPECT_EQ(panel.bkgcol, (std::array<float, 3>{0, 0, 0}));
    EXPECT_EQ(panel.filplancol, (std::array<float, 3>{143 / 255.0f, 188 / 255.0f, 143 / 255.0f}));
    EXPECT_EQ(panel.selcol, (std::array<float, 3>{1, 0, 0}));
    EXPECT_EQ(panel.actcol, (std::array<std::uint8_t, 3>{152, 226, 245}));
    EXPECT_TRUE(panel.dspnam && panel.dspsizasheight && panel.dirtreevisible);
    EXPECT_FALSE(panel.dspsiz || panel.dspdat || panel.dspatr || panel.reversesort || panel.dirsizevisible);
    EXPECT_EQ(panel.sort, "byname");
}

TEST_F(SettingsTest, AFreshFileHasTheKeysInWriteOrder)
{
    platform::IniFile ini(path());
    ViewSettings view;
    view.bkgFileName = "/p/ngc3132a.jpg";
    view.icon3DDir = "/p/icon3d/";
    WriteViewSettings(ini, view);
    ini.writeString("tracert", "lasthost", "example.org");
    ini.writeString("privchat", "lasthost", "");
    ini.writeBool("tracert", "globeused", true);
    WriteFontStyle(ini, view.font);
    PanelSettings panel = DefaultPanelSettings();
    panel.dir = "/home/u";
    WritePanelSettings(ini, "Left", panel);
    EXPECT_EQ(ini.text(),
              "[View]\nCtrlbuttons=1\nButtons=1\nStatus=1\nHeader=1\nLasticon=1\n3dtext=1\n3diconlimit=150\n"
              "viewfileplane=1\nviewbkgpic=1\nSplitter=30\nFontname=Arial\nFontsize=8\nFontcharset=1\n"
              "bkgfilenam=/p/ngc3132a.jpg\nic3ddirnam=/p/icon3d/\nFontBold=0\nFontItalic=0\n"
              "[tracert]\nlasthost=example.org\nglobeused=1\n[privchat]\nlasthost=\n"
              "[Panels]\nLeftfilter=*.*\nLeftdir=/home/u\nLeftTranx=-8\nLeftTrany=4\nLeftTranz=-30\n"
              "LeftRotx=135\nLeftRoty=0\nLeftbkgcol0=0\nLeftbkgcol1=0\nLeftbkgcol2=0\n"
              "Leftfilplancol0=0.56078434\nLeftfilplancol1=0.7372549\nLeftfilplancol2=0.56078434\n"
              "Leftselcol0=1\nLeftselcol1=0\nLeftselcol2=0\nLeftactcol0=0.596078431372549\n"
              "Leftactcol1=0.886274509803922\nLeftactcol2=0.96078431372549\nLeftdspnam=1\n"
              "Leftdspsizasheight=1\nLeftdspsiz=0\nLeftdspdat=0\nLeftdspatr=0\nLeftsort=byname\n"
              "Leftreversesort=0\nLeftdirtreevisible=1\nLeftdirsizevisible=0\n");
}

TEST_F(SettingsTest, EveryKeyRoundTrips)
{
    ViewSettings view;
    view.ctrlButtons = view.buttons = view.status = view.header = view.lastIcon = view.draw3DText = false;
    view.viewFilePlane = view.viewBkgPic = false;
    view.icon3DLimit = 7;
    view.splitter = 412;
    view.font = {"DejaVu Sans Mono", 11, 204, true, true};
    view.bkgFileName = "/pics/a b.jpg";
    view.icon3DDir = "/icons/";
    PanelSettings panel;
    panel.filter = "*.txt";
    panel.dir = "/tmp/with space/\xc3\xa9";
    panel.tranx = 1.25;
    panel.trany = -0.1;
    panel.tranz = -123.456789012345;
    panel.rotx = 359.5;
    panel.roty = -45;
    panel.bkgcol = {0.1f, 0.2f, 0.3f};
    panel.filplancol = {1, 0.5f, 0.25f};
    panel.selcol = {0.0f, 0.999f, 1e-6f};
    panel.actcol = {0, 128, 255};
    panel.dspnam = panel.dspsizasheight = panel.dirtreevisible = false;
    panel.dspsiz = panel.dspdat = panel.dspatr = panel.reversesort = panel.dirsizevisible = true;
    panel.sort = "bydat";
    {
        platform::IniFile ini(path());
        WriteViewSettings(ini, view);
        WriteFontStyle(ini, view.font);
        WritePanelSettings(ini, "Right", panel);
        ini.save();
    }
    const platform::IniFile ini(path());
    const ViewSettings viewBack = ReadViewSettings(ini, "/unused/");
    EXPECT_FALSE(viewBack.ctrlButtons || viewBack.buttons || viewBack.status || viewBack.header);
    EXPECT_FALSE(viewBack.lastIcon || viewBack.draw3DText || viewBack.viewFilePlane || viewBack.viewBkgPic);
    EXPECT_EQ(viewBack.icon3DLimit, 7);
    EXPECT_EQ(viewBack.splitter, 412);
    EXPECT_EQ(viewBack.font.name, "DejaVu Sans Mono");
    EXPECT_EQ(viewBack.font.size, 11);
    EXPECT_EQ(viewBack.font.charset, 204);
    EXPECT_TRUE(viewBack.font.bold && viewBack.font.italic);
    EXPECT_EQ(viewBack.bkgFileName, view.bkgFileName);
    EXPECT_EQ(viewBack.icon3DDir, view.icon3DDir);

    const PanelSettings back = ReadPanelSettings(ini, "Right");
    EXPECT_EQ(back.filter, panel.filter);
    EXPECT_EQ(back.dir, panel.dir);
    EXPECT_EQ(back.tranx, panel.tranx);
    EXPECT_EQ(back.trany, panel.trany);
    EXPECT_EQ(back.tranz, panel.tranz);
    EXPECT_EQ(back.rotx, panel.rotx);
    EXPECT_EQ(back.roty, panel.roty);
    EXPECT_EQ(back.bkgcol, panel.bkgcol);
    EXPECT_EQ(back.filplancol, panel.filplancol);
    EXPECT_EQ(back.selcol, panel.selcol);
    EXPECT_EQ(back.actcol, panel.actcol);
    EXPECT_FALSE(back.dspnam || back.dspsizasheight || back.dirtreevisible);
    EXPECT_TRUE(back.dspsiz && back.dspdat && back.dspatr && back.reversesort && back.dirsizevisible);
    EXPECT_EQ(back.sort, "bydat");
    // The other side keeps its defaults.
    EXPECT_EQ(ReadPanelSettings(ini, "Left").sort, "byname");
}

TEST_F(SettingsTest, EveryActiveColourByteSurvivesARoundTrip)
{
    for (int byte = 0; byte < 256; ++byte) {
        platform::IniFile ini(path());
        PanelSettings panel;
        panel.actcol = {static_cast<std::uint8_t>(byte), static_cast<std::uint8_t>(255 - byte), 0};
        WritePanelSettings(ini, "Left", panel);
        ini.save();
        const PanelSettings back = ReadPanelSettings(platform::IniFile(path()), "Left");
        ASSERT_EQ(back.actcol, panel.actcol) << "byte " << byte;
    }
}

TEST_F(SettingsTest, DamagedNumbersAreReplacedOrClampedBeforeUse)
{
    const platform::IniFile ini = fileWith(
        "[View]\nFontsize=0\n3diconlimit=99999999999\nSplitter=abc\n"
        "[Panels]\nLeftTranx=nan\nLeftTrany=inf\nLeftTranz=1e300\nLeftRotx=0,5\n"
        "Leftbkgcol0=nan\nLeftbkgcol1=1e10\nLeftbkgcol2=-3\n"
        "Leftactcol0=nan\nLeftactcol1=1e10\nLeftactcol2=-0.5\nLeftselcol0=0,25\n");
    const ViewSettings view = ReadViewSettings(ini, "/");
    EXPECT_EQ(view.font.size, 8);
    EXPECT_EQ(view.icon3DLimit, 150);
    EXPECT_EQ(view.splitter, 30);
    const PanelSettings panel = ReadPanelSettings(ini, "Left");
    EXPECT_EQ(panel.tranx, -8.0);
    EXPECT_EQ(panel.trany, 4.0);
    EXPECT_EQ(panel.tranz, 1e6);
    EXPECT_EQ(panel.rotx, 0.5);
    EXPECT_EQ(panel.bkgcol, (std::array<float, 3>{0, 1, 0}));
    EXPECT_EQ(panel.actcol, (std::array<std::uint8_t, 3>{152, 255, 0}));
    EXPECT_EQ(panel.selcol[0], 0.25f);
}

TEST_F(SettingsTest, AnUnknownSortNameIsDroppedAtTheNextWrite)
{
    platform::IniFile ini = fileWith("[Panels]\nLeftsort=ByName\nLeftdir=/x\n");
    PanelSettings panel = ReadPanelSettings(ini, "Left");
    EXPECT_EQ(panel.sort, "ByName"); // not one of the four: the panel checks none
    panel.sort.clear();
    WritePanelSettings(ini, "Left", panel);
    EXPECT_EQ(ini.text().find("Leftsort"), std::string::npos);
    EXPECT_EQ(ReadPanelSettings(ini, "Left").sort, "byname");
}

} // namespace
