#include "platform/system/Drives.h"

#include "platform/paths/WinPath.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(Drives, ListFollowsTheDriveTable) {
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  ASSERT_TRUE(QDir().mkpath(tmp.path() + "/c/Users"));
  win::DriveTable table;
  table.Map(u'c', tmp.path() + "/c");
  table.Map(u'M', tmp.path() + "/missing");
  table.Map(u'Z', "/");
  win::ScopedDriveTable drives(table);

  EXPECT_EQ(win::LogicalDrives(), (QStringList{"C:\\", "M:\\", "Z:\\"}));
  EXPECT_EQ(win::GetLogicalDriveStrings(), QStringLiteral(u"C:\\\u0000M:\\\u0000Z:\\\u0000\u0000"));
  EXPECT_EQ(win::GetLogicalDrives(), (1u << 2) | (1u << 12) | (1u << 25));

  const auto c = win::GetDriveInfo(u'c');
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(c->rootPath, "C:\\");
  EXPECT_TRUE(c->isReady);
  EXPECT_GE(c->driveType, win::DRIVE_REMOVABLE);
  EXPECT_LE(c->driveType, win::DRIVE_RAMDISK);
  EXPECT_EQ(c->fsoDriveType, win::FsoDriveTypeOf(c->driveType));
  EXPECT_GT(c->totalBytes, 0u);
  EXPECT_EQ(win::GetDriveType("c:\\Users"), c->driveType) << "any path on the drive";

  EXPECT_EQ(win::GetDriveType("M:\\"), win::DRIVE_NO_ROOT_DIR) << "its folder is missing";
  EXPECT_FALSE(win::GetDriveInfo(u'M')->isReady);
  EXPECT_EQ(win::GetDriveType("Q:\\"), win::DRIVE_NO_ROOT_DIR) << "not in the table";
  EXPECT_FALSE(win::GetDriveInfo(u'Q').has_value());

  std::uint64_t available = 0, total = 0, free = 0;
  EXPECT_TRUE(win::GetDiskFreeSpaceEx("C:\\Users", available, total, free));
  EXPECT_GT(total, 0u);
  EXPECT_LE(available, total);
  EXPECT_FALSE(win::GetDiskFreeSpaceEx("M:\\", available, total, free));
}

TEST(Drives, MountOfAPathIsTheLongestMountAboveIt) {
  const QByteArray mountInfo =
      "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
      "40 27 0:40 / /home rw,relatime shared:5 - ext4 /dev/sda2 rw\n"
      "41 27 0:41 / /media/me/USB\\040STICK rw,nosuid - vfat /dev/sdb1 rw\n"
      "42 40 0:42 / /home/me/share rw - nfs4 server:/export rw\n"
      "43 40 0:43 / /home/me/share ro - nfs4 server:/export2 ro\n"
      "44 27 0:44 / /mnt/cd ro - iso9660 /dev/sr0 ro\n";
  struct Row {
    const char* path;
    const char* mountPoint;
    const char* fileSystem;
  };
  const Row rows[] = {
      {"/home/me/Documents", "/home", "ext4"},
      {"/home", "/home", "ext4"},
      {"/homework", "/", "ext4"},
      {"/media/me/USB STICK/x", "/media/me/USB STICK", "vfat"},
      {"/home/me/share/a", "/home/me/share", "nfs4"},
  };
  for (const Row& row : rows) {
    const auto mount = win::FindMount(mountInfo, row.path);
    ASSERT_TRUE(mount.has_value()) << row.path;
    EXPECT_EQ(mount->mountPoint, row.mountPoint) << row.path;
    EXPECT_EQ(mount->fileSystem, row.fileSystem) << row.path;
  }
  EXPECT_EQ(win::FindMount(mountInfo, "/home/me/share/a")->source, "server:/export2") << "the later mount covers";
  EXPECT_TRUE(win::FindMount(mountInfo, "/home/me/share/a")->readOnly);
}

TEST(Drives, KindsOfStorageAndTheirTwoNumberings) {
  struct Row {
    const char* fileSystem;
    const char* mountPoint;
    bool readOnly;
    bool removableDevice;
    unsigned driveType;
    int fsoType;
  };
  const Row rows[] = {
      {"ext4", "/", false, false, win::DRIVE_FIXED, win::fsoFixed},
      {"btrfs", "/home", false, false, win::DRIVE_FIXED, win::fsoFixed},
      {"ext4", "/srv/archive", true, false, win::DRIVE_CDROM, win::fsoCDRom},  // read-only: not writable
      {"iso9660", "/mnt/cd", true, true, win::DRIVE_CDROM, win::fsoCDRom},
      {"udf", "/mnt/dvd", false, false, win::DRIVE_CDROM, win::fsoCDRom},
      {"nfs4", "/net/share", false, false, win::DRIVE_REMOTE, win::fsoRemote},
      {"nfs", "/net/old", true, false, win::DRIVE_REMOTE, win::fsoRemote},
      {"cifs", "/mnt/win", false, false, win::DRIVE_REMOTE, win::fsoRemote},
      {"fuse.sshfs", "/mnt/ssh", false, false, win::DRIVE_REMOTE, win::fsoRemote},
      {"tmpfs", "/tmp", false, false, win::DRIVE_RAMDISK, win::fsoRamDisk},
      {"vfat", "/media/me/STICK", false, false, win::DRIVE_REMOVABLE, win::fsoRemovable},
      {"exfat", "/run/media/me/CARD", false, false, win::DRIVE_REMOVABLE, win::fsoRemovable},
      {"ext4", "/mnt/usb", false, true, win::DRIVE_REMOVABLE, win::fsoRemovable},
  };
  for (const Row& row : rows) {
    const win::MountEntry mount{row.mountPoint, row.fileSystem, "/dev/x", row.readOnly};
    const unsigned type = win::ClassifyMount(mount, row.removableDevice);
    EXPECT_EQ(type, row.driveType) << row.fileSystem << " " << row.mountPoint;
    EXPECT_EQ(win::FsoDriveTypeOf(type), row.fsoType) << row.fileSystem << " " << row.mountPoint;
  }
  EXPECT_EQ(win::FsoDriveTypeOf(win::DRIVE_NO_ROOT_DIR), win::fsoUnknownType);
}

}  // namespace
