#include "platform/files/BinaryFile.h"

#include <sys/stat.h>

#include "platform/files/FilesTestFixture.h"

namespace {

using files_test::ErrorOf;
using BinaryFileTest = files_test::FilesTest;
using win::BinaryFile;

TEST_F(BinaryFileTest, WritesAtAnOffsetKeepTheBytesAroundThem) {
  MakeFile("dl.bin", "0123456789");
  {
    BinaryFile f = BinaryFile::Open("C:\\dl.bin", BinaryFile::Access::ReadWrite, BinaryFile::Disposition::OpenAlways);
    EXPECT_EQ(f.Length(), 10) << "opening for binary never truncates";
    f.WriteAt(2, "ab");
    f.WriteAt(14, "XY");  // past the end: the file grows, the gap reads as zeros
    EXPECT_EQ(f.Length(), 16);
    EXPECT_EQ(f.ReadAt(8, 100), QByteArray("89\0\0\0\0XY", 8)) << "a read past the end comes back short";
    EXPECT_EQ(f.ReadAt(16, 4), QByteArray());
    f.Seek(0);
    f.Write("Z");
    EXPECT_EQ(f.Position(), 1);
    EXPECT_EQ(f.Read(3), "1ab");
  }
  EXPECT_EQ(Bytes("dl.bin"), QByteArray("Z1ab456789\0\0\0\0XY", 16));

  // The download's own way: created anew, blocks appended at the position.
  BinaryFile d = BinaryFile::Open("C:\\dl.bin", BinaryFile::Access::ReadWrite, BinaryFile::Disposition::CreateAlways);
  EXPECT_EQ(d.Length(), 0);
  d.Write("block1");
  d.Write("block2");
  d.Close();
  EXPECT_EQ(Bytes("dl.bin"), "block1block2");
}

TEST_F(BinaryFileTest, LegacyErrors) {
  MakeFile("ro.bin", "x");
  ASSERT_EQ(::chmod(Host("ro.bin").toLocal8Bit().constData(), 0444), 0);
  using A = BinaryFile::Access;
  using D = BinaryFile::Disposition;
  EXPECT_EQ(ErrorOf([] { (void)BinaryFile::Open("C:\\none.bin", A::Read, D::OpenExisting); }), vb::errFileNotFound);
  EXPECT_EQ(ErrorOf([] { (void)BinaryFile::Open("C:\\no\\x.bin", A::Write, D::OpenAlways); }), vb::errPathNotFound);
  EXPECT_EQ(ErrorOf([] { (void)BinaryFile::Open("C:\\ro.bin", A::Write, D::OpenAlways); }), vb::errPathFileAccessError);
  EXPECT_EQ(ErrorOf([] { (void)BinaryFile::Open("C:\\", A::Read, D::OpenExisting); }), vb::errPathFileAccessError);
  EXPECT_EQ(ErrorOf([] { BinaryFile::Open("C:\\ro.bin", A::Read, D::OpenExisting).Write("y"); }), vb::errBadFileMode);
  EXPECT_EQ(ErrorOf([] { (void)BinaryFile::Open("C:\\w.bin", A::Write, D::OpenAlways).Read(1); }), vb::errBadFileMode);
  EXPECT_EQ(Bytes("ro.bin"), "x");
}

}  // namespace
