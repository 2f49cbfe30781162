// GIVEN / WHEN / THEN tests of the drive list's volumes and the file patterns.
#include "files/file_dialogs.h"
#include "files/volumes.h"

#include <gtest/gtest.h>

namespace vox {
namespace {

constexpr const char *kMounts = "proc /proc proc rw,relatime 0 0\n"
                                "sysfs /sys sysfs rw,relatime 0 0\n"
                                "/dev/sdb1 /media/user/USB\\040STICK vfat rw 0 0\n"
                                "devtmpfs /dev devtmpfs rw 0 0\n"
                                "tmpfs /dev/shm tmpfs rw 0 0\n"
                                "/dev/sda2 /home ext4 rw 0 0\n"
                                "/dev/sda1 / ext4 rw 0 0\n"
                                "tmpfs /run tmpfs rw 0 0\n"
                                "/dev/sdc1 /run/media/user/CARD exfat rw 0 0\n"
                                "tmpfs /tmp tmpfs rw 0 0\n"
                                "tmpfs /mnt/scratch tmpfs rw 0 0\n"
                                "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
                                "/dev/sda2 /home ext4 rw 0 0\n"
                                "broken line\n";

TEST(ParseMountTable, OffersTheRootFirstThenRealVolumesInOrder) {
    const std::vector<std::string> volumes = ParseMountTable(kMounts);
    const std::vector<std::string> expected{"/", "/home", "/media/user/USB STICK", "/run/media/user/CARD",
                                            "/tmp"};
    EXPECT_EQ(volumes, expected);
}

TEST(ParseMountTable, OffersTheRootEvenWhenTheTableIsEmpty) {
    EXPECT_EQ(ParseMountTable(""), std::vector<std::string>{"/"});
}

TEST(ListVolumes, HoldsTheRootOfThisMachine) {
    const std::vector<std::string> volumes = ListVolumes();
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes.front(), "/");
}

TEST(VolumeIndexOf, PicksTheLongestVolumeHoldingTheFolder) {
    const std::vector<std::string> volumes{"/", "/home", "/home/user/music", "/tmp"};
    EXPECT_EQ(VolumeIndexOf("/home/user/music/banks", volumes), 2u);
    EXPECT_EQ(VolumeIndexOf("/home/user", volumes), 1u);
    EXPECT_EQ(VolumeIndexOf("/homework", volumes), 0u) << "whole folder names only";
    EXPECT_EQ(VolumeIndexOf("/tmp", volumes), 3u);
    EXPECT_EQ(VolumeIndexOf("/usr/share", volumes), 0u);
}

TEST(MatchesPattern, MatchesAnyPatternOfTheListWithoutCase) {
    const std::string bankLoad = "*.v32;*.syx;*.dx7;*.32";
    EXPECT_TRUE(MatchesPattern("a.v32", bankLoad));
    EXPECT_TRUE(MatchesPattern("ROM1A.SYX", bankLoad));
    EXPECT_TRUE(MatchesPattern("x.Dx7", bankLoad));
    EXPECT_TRUE(MatchesPattern("bank.32", bankLoad));
    EXPECT_FALSE(MatchesPattern("bank.132x", bankLoad));
    EXPECT_FALSE(MatchesPattern("a.v01", bankLoad));
    EXPECT_FALSE(MatchesPattern("syx", bankLoad));
    EXPECT_TRUE(MatchesPattern("song.MID", "*.v01;*.mid"));
    EXPECT_TRUE(MatchesPattern("a.b.v01", "*.v01"));
    EXPECT_TRUE(MatchesPattern("ab1", "a?1"));
    EXPECT_FALSE(MatchesPattern("a1", "a?1"));
}

} // namespace
} // namespace vox
