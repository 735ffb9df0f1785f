#include "platform/files/TextStream.h"

#include <sys/stat.h>

#include <functional>
#include <stdexcept>

#include "platform/files/FilesTestFixture.h"

namespace {

using files_test::ErrorOf;
using TextStreamTest = files_test::FilesTest;

TEST_F(TextStreamTest, UnicodeAppendsWriteTheByteOrderMarkOnce) {
  for (const char* text : {"first", "zweite \u00e9\u4e2d"}) {
    win::TextStream s = win::OpenTextFile("C:\\logs.txt", win::ForAppending, true, win::TristateTrue);
    s.WriteLine(QString::fromUtf8(text));
    s.Close();
  }
  const QByteArray bytes = Bytes("logs.txt");
  ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
  EXPECT_EQ(bytes.indexOf("\xFF\xFE", 2), -1) << "no second byte-order mark";

  win::TextStream r = win::OpenTextFile("c:\\LOGS.TXT", win::ForReading, false, win::TristateTrue);
  EXPECT_EQ(r.ReadLine(), "first");
  EXPECT_EQ(r.ReadLine(), QString::fromUtf8("zweite \u00e9\u4e2d"));
  EXPECT_TRUE(r.AtEndOfStream());

  // The legacy log writer's way: an empty Unicode file first, then appends to it.
  win::CreateTextFile("C:\\trace.txt", false, true).Close();
  EXPECT_EQ(Bytes("trace.txt"), QByteArray("\xFF\xFE"));
  win::OpenTextFile("C:\\trace.txt", win::ForAppending, false, win::TristateTrue).WriteLine("x");
  EXPECT_EQ(Bytes("trace.txt"), QByteArray("\xFF\xFEx\0\r\0\n\0", 8));
}

TEST_F(TextStreamTest, ReadLineEndsAtCrLfOrTheirPair) {
  MakeFile("lines.txt", "a\rb\r\nc\nd");
  win::TextStream s = win::OpenTextFile("C:\\lines.txt");
  QStringList lines;
  while (!s.AtEndOfStream()) lines << s.ReadLine();
  EXPECT_EQ(lines, QStringList({"a", "b", "c", "d"}));
  EXPECT_EQ(ErrorOf([&] { (void)s.ReadLine(); }), vb::errInputPastEndOfFile);
  EXPECT_EQ(ErrorOf([&] { (void)s.ReadAll(); }), vb::errInputPastEndOfFile);

  MakeFile("empty.txt");
  win::TextStream e = win::OpenTextFile("C:\\empty.txt");
  EXPECT_TRUE(e.AtEndOfStream());
  EXPECT_EQ(ErrorOf([&] { (void)e.ReadAll(); }), vb::errInputPastEndOfFile);

  MakeFile("blank.txt", "\r\n\r\nx\r\n");
  win::TextStream b = win::OpenTextFile("C:\\blank.txt");
  EXPECT_EQ(b.ReadLine(), "");
  EXPECT_EQ(b.ReadAll(), "\r\nx\r\n") << "ReadAll gives the rest as it stands";
}

TEST_F(TextStreamTest, AnsiStreamsUseTheCodePageAndQuestionMarks) {
  win::TextStream w = win::CreateTextFile("C:\\ansi.txt", true, false);
  w.Write(QString::fromUtf8("\u20ac\u00e9\u4e2d"));
  w.Close();
  EXPECT_EQ(Bytes("ansi.txt"), QByteArray("\x80\xE9?"));
  EXPECT_EQ(win::OpenTextFile("C:\\ansi.txt").ReadAll(), QString::fromUtf8("\u20ac\u00e9?"));
}

TEST_F(TextStreamTest, DefaultFormatFollowsAnExistingByteOrderMark) {
  MakeFile("u.txt", QByteArray("\xFF\xFEh\0i\0\r\0\n\0", 10));
  win::OpenTextFile("C:\\u.txt", win::ForAppending, false, win::TristateUseDefault).WriteLine("j");
  win::TextStream r = win::OpenTextFile("C:\\u.txt", win::ForReading, false, win::TristateUseDefault);
  EXPECT_TRUE(r.IsUnicode());
  EXPECT_EQ(r.ReadAll(), "hi\r\nj\r\n");

  MakeFile("a.txt", "plain");
  EXPECT_FALSE(win::OpenTextFile("C:\\a.txt", win::ForReading, false, win::TristateUseDefault).IsUnicode());
}

TEST_F(TextStreamTest, LegacyErrors) {
  MakeFile("ro.txt", "keep");
  ASSERT_EQ(::chmod(Host("ro.txt").toLocal8Bit().constData(), 0444), 0);
  MakeFile("there.txt", "x");
  QDir().mkpath(Host("folder"));

  struct Row {
    const char* what;
    std::function<void()> call;
    long expected;
  };
  const Row rows[] = {
      {"read a missing file", [] { (void)win::OpenTextFile("C:\\nope.txt"); }, vb::errFileNotFound},
      {"append to a missing file without create", [] { (void)win::OpenTextFile("C:\\nope.txt", win::ForAppending); },
       vb::errFileNotFound},
      {"missing folder", [] { (void)win::OpenTextFile("C:\\no\\x.txt", win::ForWriting, true); }, vb::errPathNotFound},
      {"unmapped drive", [] { (void)win::OpenTextFile("Q:\\x.txt"); }, vb::errPathNotFound},
      {"write a read-only file", [] { (void)win::OpenTextFile("C:\\ro.txt", win::ForWriting); },
       vb::errPermissionDenied},
      {"append to a read-only file", [] { (void)win::OpenTextFile("C:\\ro.txt", win::ForAppending); },
       vb::errPermissionDenied},
      {"overwrite a read-only file", [] { (void)win::CreateTextFile("C:\\ro.txt", true); }, vb::errPermissionDenied},
      {"open a folder", [] { (void)win::OpenTextFile("C:\\folder"); }, vb::errPermissionDenied},
      {"create without overwrite", [] { (void)win::CreateTextFile("C:\\there.txt", false); }, vb::errFileAlreadyExists},
      {"unknown mode", [] { (void)win::OpenTextFile("C:\\there.txt", 3); }, vb::errInvalidProcedureCall},
      {"read a write stream", [] { (void)win::OpenTextFile("C:\\w.txt", win::ForWriting, true).ReadLine(); },
       vb::errBadFileMode},
      {"write a read stream", [] { win::OpenTextFile("C:\\there.txt").Write("x"); }, vb::errBadFileMode},
      {"use a closed stream",
       [] {
         win::TextStream s = win::OpenTextFile("C:\\there.txt");
         s.Close();
         (void)s.AtEndOfStream();
       },
       vb::errBadFileNameOrNumber},
  };
  for (const Row& row : rows) EXPECT_EQ(ErrorOf(row.call), row.expected) << row.what;
  EXPECT_EQ(Bytes("ro.txt"), "keep");
  EXPECT_EQ(Bytes("there.txt"), "x");
}

TEST_F(TextStreamTest, RewritingKeepsTheOldContentUntilClose) {
  MakeFile("profile.txt", "old");
  {
    win::TextStream s = win::OpenTextFile("C:\\profile.txt", win::ForWriting);
    s.WriteLine("new");
    EXPECT_EQ(Bytes("profile.txt"), "old") << "a reader still sees the whole old file";
    s.Close();
  }
  EXPECT_EQ(Bytes("profile.txt"), "new\r\n");

  // A rewrite abandoned by an error leaves the file whole, and no stray sibling.
  try {
    win::TextStream s = win::CreateTextFile("C:\\profile.txt", true, true);
    s.Write("half");
    throw std::runtime_error("failed half-way");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(Bytes("profile.txt"), "new\r\n");
  EXPECT_EQ(QDir(c_).entryList(QDir::Files | QDir::Hidden), QStringList({"profile.txt"}));

  // Released without Close, the stream commits as the legacy object did.
  {
    win::TextStream s = win::CreateTextFile("C:\\profile.txt", true);
    s.Write("third");
  }
  EXPECT_EQ(Bytes("profile.txt"), "third");
}

TEST_F(TextStreamTest, ReadStreamFollowsAFileThatIsStillGrowing) {
  QFile writer(Host("output.log"));
  ASSERT_TRUE(writer.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
  win::TextStream s = win::OpenTextFile("C:\\output.log");
  EXPECT_TRUE(s.AtEndOfStream());

  writer.write("one\r");
  EXPECT_FALSE(s.AtEndOfStream());
  EXPECT_EQ(s.ReadLine(), "one");
  EXPECT_TRUE(s.AtEndOfStream());

  writer.write("\ntw");  // the LF completes the CR already read; "tw" is a partial line
  EXPECT_FALSE(s.AtEndOfStream());
  EXPECT_EQ(s.ReadLine(), "tw");
  writer.write("o\n");
  EXPECT_EQ(s.ReadLine(), "o");
  EXPECT_TRUE(s.AtEndOfStream());
}

}  // namespace
