#include "platform/fs/DriveList.h"
#include "platform/fs/VolumeLabel.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {
std::vector<std::string> Texts(const DriveList& drives)
{
    std::vector<std::string> texts;
    for (const DriveItem& item : drives.Items())
        texts.push_back(item.text);
    return texts;
}
} // namespace

TEST(DriveList, KeepsRootMediaAndNetworkMountsOnly)
{
    std::vector<MountEntry> table = {
        {"/media/u/USB STICK", "vfat"}, {"/", "ext4"},          {"/proc", "proc"},
        {"/mnt/nas", "nfs4"},           {"/home/u/remote", "fuse.sshfs"},
        {"/run/user/1000", "tmpfs"},    {"/boot", "ext4"},       {"/mnt/gone", "ext4", false},
        {"/media/u/USB STICK", "vfat"}, {"/media/ro", "squashfs"},
    };
    DriveList drives([&] { return table; });
    EXPECT_EQ(Texts(drives), (std::vector<std::string>{"/", "USB STICK", "nas", "remote"}));
    EXPECT_EQ(drives.Items()[1].root, "/media/u/USB STICK");
    const std::vector<bool> network = {drives.Items()[0].network, drives.Items()[1].network, drives.Items()[2].network,
                                       drives.Items()[3].network};
    EXPECT_EQ(network, (std::vector<bool>{false, false, true, true}));

    table.push_back({"/run/media/u/CAMERA", "exfat"});
    drives.Rescan();
    EXPECT_EQ(Texts(drives).back(), "CAMERA");
}

TEST(DriveList, FindsTheDriveOfAPathAndByFirstLetter)
{
    DriveList drives([] {
        return std::vector<MountEntry>{{"/media/usb", "vfat"}, {"/media/usb/inner", "ext4"}, {"/mnt/Nas", "cifs"}};
    });
    EXPECT_EQ(drives.DriveOf("/"), 0);
    EXPECT_EQ(drives.DriveOf("/home/u"), 0);
    EXPECT_EQ(drives.DriveOf("/media/usb"), 1);
    EXPECT_EQ(drives.DriveOf("/media/usb/photos"), 1);
    EXPECT_EQ(drives.DriveOf("/media/usb/inner/x"), 2);
    EXPECT_EQ(drives.DriveOf("/media/usbx"), 0);
    EXPECT_EQ(drives.DriveOf("relative/path"), -1);
    EXPECT_EQ(drives.FindByFirstChar('n'), 3);
    EXPECT_EQ(drives.FindByFirstChar('U'), 1);
    EXPECT_EQ(drives.FindByFirstChar('z'), -1);
}

TEST(DriveList, SystemMountTableAlwaysGivesTheRootFirst)
{
    DriveList drives;
    ASSERT_FALSE(drives.Items().empty());
    EXPECT_EQ(drives.Items()[0].text, "/");
    for (const DriveItem& item : drives.Items())
        EXPECT_NE(item.root, "/proc");
}

TEST(VolumeLabel, IsEmptyWhereThereIsNoFilesystemToAsk)
{
    EXPECT_EQ(VolumeLabel("/no/such/place/at/all"), "");
    EXPECT_NO_THROW(VolumeLabel("/"));
}
