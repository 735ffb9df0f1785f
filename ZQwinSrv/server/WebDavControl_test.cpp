#include "ZQwinSrv/server/WebDavControl.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <QStringList>

#include <gtest/gtest.h>

#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Util.h"
#include "platform/codepage/CodePage.h"
#include "platform/ui/EventPump.h"

namespace OrvaneSrv {
namespace {

class WebDavControlTest : public EngineTest {
 protected:
  static QStringList Texts(const vb::CollectionPtr& collection) {
    QStringList texts;
    for (const vb::Variant& item : *collection) texts << item.ToString();
    return texts;
  }
  static QStringList EnumItems() { return Texts(Items(Engine().gcolEnumItems)); }
  static QStringList Snapshots() { return Texts(Items(Engine().gcolEnumSnapshots)); }
  // The transfer log of mode 1, as text.
  QString TransferLog() const {
    const QByteArray bytes = Bytes("Prog/OrvaneMac/OrvaneLogFile.txt");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
  }

  WebDavControl dav_;
};

// ---- Path codecs -----------------------------------------------------------

TEST_F(WebDavControlTest, UrlEncodeWebdEscapesEveryByteButSlashDigitsAndLetters) {
  struct Row {
    QString text;
    QString encoded;
  };
  const Row rows[] = {
      {"/users/a b/\u00e9-1.txt", "/users/a%20b/%C3%A9%2D1%2Etxt"},
      {"   ", ""},
      {"", ""},
      // Two digits for bytes below 16: "%9" followed by "x" would be read as
      // one escape of another character.
      {"\tx", "%09x"},
      {QString("a") + QChar(6) + "3", "a%063"},
      {"/users/u/Files/Reports #1/Q1 100% done.txt", "/users/u/Files/Reports%20%231/Q1%20100%25%20done%2Etxt"},
      {" lead", "%20lead"},
  };
  for (const Row& row : rows) EXPECT_EQ(dav_.URLEncodeWebd(row.text), row.encoded) << row.text.toStdString();
}

TEST_F(WebDavControlTest, ConvertStringDecodesEscapesAsUtf8) {
  struct Row {
    QString text;
    QString decoded;
  };
  const Row rows[] = {
      {"/users/a%20b/%C3%A9%2D1%2Etxt", "/users/a b/\u00e9-1.txt"},
      {"/users/x/Files/a%20b%C3%A9", "/users/x/Files/a b\u00e9"},
      {"%E6%97%A5%20", QString::fromUtf8("\xe6\x97\xa5 ")},
      {"%c3%a9", "\u00e9"},  // the stock server writes lower-case digits
      {"a%zzb", "a"},        // an escape that is no number ends the text
      {"50%", "50%"},        // too short to be an escape
      {"a%4", "a%4"},
      {"a+b", "a+b"},  // a plus is no blank in a path
      {QString("a") + QChar(0x65E5), "a"},  // a character with no 8-bit code
  };
  for (const Row& row : rows) EXPECT_EQ(dav_.convertstring(row.text), row.decoded) << row.text.toStdString();
}

TEST_F(WebDavControlTest, LongPathsSurviveBothCodecsWhole) {
  QString path = "/users/u/Files/";
  while (path.size() < 3000) path += QString::fromUtf8("d\xc3\xa9j\xc3\xa0 vu/");
  path += "end.txt";
  EXPECT_EQ(dav_.convertstring(dav_.URLEncodeWebd(path)), path);
}

TEST_F(WebDavControlTest, ReverseConvertStringEscapesHashAndPercentOnly) {
  EXPECT_EQ(dav_.ReverseConvertString("Destination:https://h/users/u/Files/a #1 100%.txt"),
            "Destination:https://h/users/u/Files/a %231 100%25.txt");
}

// ---- Status and error texts -------------------------------------------------

TEST_F(WebDavControlTest, StatusTextsFollowCodeMethodAndMode) {
  Engine().gsUserName = "mkowalski";
  const QString password = QStringLiteral(
      "Either password has been changed or 'mkowalski' account is canceled/expired.\r\n"
      "Click scheduler from main screen to update password or contact support@orvane.example.");
  struct Row {
    Long code;
    QString verb;
    Integer mode;
    QString text;
  };
  const Row rows[] = {
      {405, "MKCOL", 1, "The specified directory name already exists."},
      {405, "DELETE", 1, ""},
      {409, "COPY", 1, "Could not copy the resource (till one or more intermediate collections have been created.)"},
      {409, "DELETE", 1, ""},
      {409, "MKCOL", 1, "One or more intermediate collections have to be created."},
      {401, "PROPFIND", 1, ""},
      {401, "PROPFIND", 0, password},
      {403, "PROPFIND", 0, password},
      {401, "MOVE", 1, "The request requires user authentication."},
      {403, "MKCOL", 1, "The request is forbidden"},
      {403, "GET", 1, "The request is forbidden."},
      {412, "COPY", 1, "The name specified already exists in the same folder."},
      {412, "MKCOL", 1, ""},
      {404, "PROPFIND", 1, ""},
      {207, "DELETE", 1, "An unknown error occured during deletion."},
      {207, "PROPFIND", 1, ""},
      {400, "propfind", 1, "Bad request."},
      {423, "move", 1, ""},  // methods are compared with their case
      {6, "PROPFIND", 1, ""},
  };
  for (const Row& row : rows) {
    Engine().giMode = row.mode;
    dav_.dav_oper_stat_codes(row.code, row.verb);
    EXPECT_EQ(dav_.GetDavErr(), row.text) << row.code << " " << row.verb.toStdString() << " mode " << row.mode;
  }
  Engine().giMode = 0;
  dav_.dav_oper_stat_codes(401, "PROPFIND");
  EXPECT_EQ(dav_.dav_geterrorstring(),
            "Either password has been changed or 'mkowalski' account is canceled/expired.");
}

TEST_F(WebDavControlTest, FileErrorsComeFirstThenTheInternetLibrarysOwnTexts) {
  dav_.dav_oper_stat_codes(401, "MOVE", 53);
  EXPECT_EQ(dav_.GetDavErr(), "File not found.");
  dav_.dav_oper_stat_codes(12029, "PROPFIND");
  EXPECT_EQ(dav_.GetDavErr(), "The connection to the server could not be made.");
  EXPECT_EQ(dav_.ErrorOut(12002, "GET"), "The operation timed out.");
  EXPECT_EQ(dav_.ErrorOut(404, "GET"), "");
  EXPECT_TRUE(TraceLines().contains("Enter ErrorOut 404GET"));
  EXPECT_TRUE(TraceLines().contains("Exit ErrorOut 404GET"));
}

TEST_F(WebDavControlTest, RevocationFailureSetsItsFlagUntilTheNextText) {
  dav_.dav_oper_stat_codes(12057, "PROPFIND");
  EXPECT_TRUE(dav_.GetDavErr().startsWith("Security certificate revocation failed : 12057. Uncheck the option"));
  EXPECT_TRUE(Engine().gbCertRevocationFailed);
  EXPECT_TRUE(TraceLines().contains("Enter dav_oper_stat_codes 12057PROPFIND"));
  dav_.dav_oper_stat_codes(404, "GET");
  EXPECT_FALSE(Engine().gbCertRevocationFailed);
  dav_.dav_seterrorstring("Operation canceled by user.");
  EXPECT_EQ(dav_.GetDavErr(), "Operation canceled by user.");
}

// ---- Listing replies ---------------------------------------------------------

const QString kDate = "Tue, 04 Mar 2014 10:15:02 GMT";

// One response element of the service's shape.
QString Response(const QString& href, const QString& props, const QString& status = "HTTP/1.1 200 OK") {
  return "<D:response><D:href>" + href + "</D:href><D:propstat><D:prop>" + props + "</D:prop><D:status>" +
         status + "</D:status></D:propstat></D:response>\n";
}
QString Folder(const QString& href, const QString& quota = {}) {
  return Response(href, "<lp0:getlastmodified>" + kDate + "</lp0:getlastmodified><lp0:resourcetype><D:collection/>" +
                            "</lp0:resourcetype>" + quota);
}
QString File(const QString& href, const QString& size) {
  return Response(href, "<lp0:getlastmodified>" + kDate + "</lp0:getlastmodified><lp0:getcontentlength>" + size +
                            "</lp0:getcontentlength>");
}
QString Multistatus(const QString& responses) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<D:multistatus xmlns:D=\"DAV:\" xmlns:lp0=\"DAV:\">\n" +
         responses + "</D:multistatus>\n";
}
const QString kQuota = "<D:quota>5368709120</D:quota><D:used>1048576</D:used>";
const QString kDocs = "/users/u/Files/Docs/";

TEST_F(WebDavControlTest, ListingPutsFoldersFirstThenFilesByNameIgnoringCase) {
  const QString reply = Multistatus(Folder(kDocs, kQuota) + Folder(kDocs + "Sub%20two/", kQuota) +
                                    File(kDocs + "b.txt", "2") + File(kDocs + "A.txt", "11") +
                                    File(kDocs + "c%C3%A9.txt", "3") + Folder(kDocs + "Old/", kQuota));
  Engine().gdNodeIndex = 16;
  ASSERT_TRUE(dav_.EnumDirectoryReply(reply, kDocs));
  const QString d = ">" + kDate + ">";
  EXPECT_EQ(EnumItems(), QStringList({
                             "18" + d + "4096>/users/u/Files/Docs/Sub two/>/users/u/Files/Docs/Sub%20two/",
                             "22" + d + "4096>/users/u/Files/Docs/Old/>/users/u/Files/Docs/Old/",
                             "20" + d + "11>/users/u/Files/Docs/A.txt>/users/u/Files/Docs/A.txt",
                             "19" + d + "2>/users/u/Files/Docs/b.txt>/users/u/Files/Docs/b.txt",
                             "21" + d + "3>/users/u/Files/Docs/c\u00e9.txt>/users/u/Files/Docs/c%C3%A9.txt",
                         }));
  EXPECT_TRUE(Snapshots().isEmpty());
  EXPECT_EQ(dav_.QuotaText(), "5368709120");
  EXPECT_EQ(dav_.UsedText(), "1048576");
  // The index counts on over every listing of the run.
  ASSERT_TRUE(dav_.EnumDirectoryReply(reply, kDocs));
  EXPECT_TRUE(EnumItems().front().startsWith("24>"));
}

TEST_F(WebDavControlTest, TheReplysBytesListAsTheirCodePageText) {
  // Raw UTF-8 and raw 8-bit names, the bytes the code page leaves undefined,
  // a character reference the code page lacks, a full URL.
  const QByteArray reply =
      Multistatus(Folder(kDocs, kQuota) + File(kDocs + "caf\u00C3\u00A9.txt", "1") + File(kDocs + "na\u00EFve.txt", "2") +
                  File(kDocs + "x\u0081\u008D\u009D.txt", "3") + File(kDocs + "x&#x4E2D;%E4%B8%AD.txt", "4") +
                  Folder("https://dav1.orvane.example" + kDocs + "Sub/", kQuota))
          .toLatin1();
  ASSERT_TRUE(dav_.EnumDirectoryReply(win::FromAnsi(reply), kDocs));
  const QStringList asText = EnumItems();
  ASSERT_EQ(asText.size(), 5);
  EXPECT_TRUE(asText.join(u'|').contains(u"caf\u00E9.txt")) << asText.join(u'|').toStdString();
  Engine().gdNodeIndex = 0;
  ASSERT_TRUE(dav_.EnumDirectoryReply(reply, kDocs));
  EXPECT_EQ(EnumItems(), asText);
}

// A long listing lets the windows run before its first entry and then
// whenever 20 ms have passed, not at every entry.
TEST_F(WebDavControlTest, AListingLetsTheWindowsRunAtLeastEveryTwentyMilliseconds) {
  QString responses = Folder(kDocs, kQuota);
  for (int i = 0; i < 50; ++i) responses += File(kDocs + QString("f%1.txt").arg(i), "1");
  const QString reply = Multistatus(responses);
  struct Row {
    const char* name;
    std::int64_t entryMs;  // how long the events of one pump take
    int pumps;
  };
  for (const Row& row : {Row{"quick events", 0, 2}, Row{"events taking 25 ms", 25, 2 * 51}}) {
    int pumps = 0;
    vb::ScopedEventPump counting([&] {
      ++pumps;
      clock_.Advance(row.entryMs);
    });
    ASSERT_TRUE(dav_.EnumDirectoryReply(reply, kDocs));
    EXPECT_EQ(pumps, row.pumps) << row.name;
  }
}

TEST_F(WebDavControlTest, SnapshotFoldersAreSetApartOnlyAtTheRoot) {
  const QString root = "/users/u/Files/";
  const QString reply = Multistatus(Folder(root, kQuota) + Folder(root + "Documents/", kQuota) +
                                    Folder(root + "backup_NIGHTLY.3/", kQuota) + Folder(root + "BackUp_nightly.1/", kQuota));
  Engine().gbListingAtRoot = true;
  ASSERT_TRUE(dav_.EnumDirectoryReply(reply, root));
  ASSERT_EQ(EnumItems().size(), 1);
  ASSERT_EQ(Snapshots().size(), 2);
  EXPECT_TRUE(Snapshots().at(1).endsWith(">/users/u/Files/BackUp_nightly.1/"));
  Engine().gbListingAtRoot = false;
  ClearBacksetData(Items(Engine().gcolEnumSnapshots));
  ASSERT_TRUE(dav_.EnumDirectoryReply(reply, root));
  EXPECT_EQ(EnumItems().size(), 3);
  EXPECT_TRUE(Snapshots().isEmpty());
}

TEST_F(WebDavControlTest, TheListedFolderIsRecognisedHoweverTheServerWritesIt) {
  struct Row {
    const char* name;
    QString self;     // the listed folder's own href
    QString listed;   // the folder as the caller names it
  };
  const Row rows[] = {
      {"plain", kDocs, kDocs},
      {"asked without slash", kDocs, "/users/u/Files/Docs"},
      {"full URL", "https://dav1.orvane.example/users/u/Files/Docs/", kDocs},
      {"escaped", "/users/u/Files/%44ocs/", kDocs},
      {"two slashes", "/users/u/Files/Docs//", kDocs},
  };
  for (const Row& row : rows) {
    // The listed folder's own entry comes last here.
    const QString reply = Multistatus(Folder(kDocs + "Sub/", kQuota) + File(kDocs + "a.txt", "1") + Folder(row.self, kQuota));
    ASSERT_TRUE(dav_.EnumDirectoryReply(reply, row.listed)) << row.name;
    const QStringList items = EnumItems();
    ASSERT_EQ(items.size(), 2) << row.name;
    EXPECT_TRUE(items.at(0).endsWith(">/users/u/Files/Docs/Sub/>/users/u/Files/Docs/Sub/")) << row.name;
  }
}

TEST_F(WebDavControlTest, FullUrlHrefsGiveTheKeysOfServerPaths) {
  const QString host = "https://dav1.orvane.example";
  const QString reply = Multistatus(Folder(host + kDocs, kQuota) + File(host + kDocs + "a%20b.txt", "5") +
                                    Folder("HTTP://dav1.orvane.example:443" + kDocs + "Sub/", kQuota));
  ASSERT_TRUE(dav_.EnumDirectoryReply(reply, kDocs));
  const QStringList items = EnumItems();
  ASSERT_EQ(items.size(), 2);
  EXPECT_TRUE(items.at(0).endsWith(">4096>/users/u/Files/Docs/Sub/>/users/u/Files/Docs/Sub/"));
  EXPECT_TRUE(items.at(1).endsWith(">5>/users/u/Files/Docs/a b.txt>/users/u/Files/Docs/a%20b.txt"));
}

TEST_F(WebDavControlTest, OnlyPropertiesOfSuccessfulPropstatsCount) {
  // The stock server lists asked-for properties it does not know as empty
  // elements in a 404 propstat, and binds "DAV:" to a prefix of its own.
  const QString apacheFolder =
      "<D:response xmlns:lp1=\"DAV:\"><D:href>/users/u/Files/Docs/</D:href>"
      "<D:propstat><D:prop><lp1:getlastmodified>" + kDate + "</lp1:getlastmodified></D:prop>"
      "<D:status>HTTP/1.1 200 OK</D:status></D:propstat>"
      "<D:propstat><D:prop><D:quota/><D:used/><lp1:getcontentlength/></D:prop>"
      "<D:status>HTTP/1.1 404 Not Found</D:status></D:propstat></D:response>";
  const QString reply = Multistatus(apacheFolder + File(kDocs + "a.txt", "7"));
  ASSERT_TRUE(dav_.EnumDirectoryReply(reply, kDocs));
  EXPECT_EQ(dav_.QuotaText(), "0");
  EXPECT_EQ(dav_.UsedText(), "0");
  EXPECT_EQ(EnumItems().size(), 1);

  // A file whose length stands only in a failed propstat has no length.
  const QString failedLength =
      "<D:response><D:href>" + kDocs + "b.txt</D:href>"
      "<D:propstat><D:prop><lp0:getlastmodified>" + kDate + "</lp0:getlastmodified></D:prop>"
      "<D:status>HTTP/1.1 200 OK</D:status></D:propstat>"
      "<D:propstat><D:prop><lp0:getcontentlength>9</lp0:getcontentlength></D:prop>"
      "<D:status>HTTP/1.1 404 Not Found</D:status></D:propstat></D:response>";
  EXPECT_FALSE(dav_.EnumDirectoryReply(Multistatus(Folder(kDocs, kQuota) + failedLength), kDocs));
}

TEST_F(WebDavControlTest, ABrokenEntryEndsTheListingWithWhatCameBeforeIt) {
  const QString noDate = Response(kDocs + "z.txt", "<lp0:getcontentlength>1</lp0:getcontentlength>");
  const QString reply = Multistatus(Folder(kDocs, kQuota) + Folder(kDocs + "Sub/", kQuota) + File(kDocs + "a.txt", "1") +
                                    noDate + Folder(kDocs + "Later/", kQuota));
  EXPECT_FALSE(dav_.EnumDirectoryReply(reply, kDocs));
  const QStringList items = EnumItems();
  ASSERT_EQ(items.size(), 1);  // the folder; the files were still in the work table
  EXPECT_TRUE(items.at(0).contains(">/users/u/Files/Docs/Sub/>"));
  EXPECT_TRUE(TransferLog().contains(
      "Error       : 12/08/2026 23:59:29 : Unable to create enum directory, Reason : Object variable or With block variable not set\r\n"));
  EXPECT_TRUE(TraceLines().contains("Exit  httpEnumDirectory"));

  // An entry without an href fails the same way.
  const QString noHref = "<D:response><D:propstat><D:prop/><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>";
  EXPECT_FALSE(dav_.EnumDirectoryReply(Multistatus(Folder(kDocs, kQuota) + noHref), kDocs));
}

TEST_F(WebDavControlTest, AnUnreadableReplyIsAnImproperResponse) {
  dav_.dav_seterrorstring("older text");
  for (const QString& reply : {QString("<D:multistatus xmlns:D=\"DAV:\"><D:response><D:href>/x</D:href>"),
                               QString("<D:multistatus xmlns:D=\"DAV:\"><D:respo"), QString(""),
                               QString("<html><body>Service Unavailable</body></html"),
                               QString("<D:multistatus xmlns:D=\"DAV:\"><x:response/></D:multistatus>")}) {
    EXPECT_FALSE(dav_.EnumDirectoryReply(reply, kDocs)) << reply.toStdString();
    EXPECT_EQ(dav_.GetDavErr(), "Improper or incomplete server response.");
  }
  EXPECT_TRUE(TransferLog().contains(
      "Error       : 12/08/2026 23:59:29 : Unable to retrieve Orvane contents, reason : DOM object failed to load "
      "XMLResponse\r\n"));
  EXPECT_TRUE(Trace().contains("DOM Object didn't load the XMLResponse, so quitting function\r\nReason: "));
}

TEST_F(WebDavControlTest, AnEmptyFolderCountsAsAFailureOnlyWithoutAQuota) {
  dav_.dav_seterrorstring("");
  EXPECT_FALSE(dav_.EnumDirectoryReply(Multistatus(Folder(kDocs)), kDocs));
  EXPECT_EQ(dav_.GetDavErr(), "");
  EXPECT_FALSE(dav_.EnumDirectoryReply(Multistatus(Folder(kDocs, "<D:quota>0</D:quota><D:used>0</D:used>")), kDocs));
  EXPECT_TRUE(dav_.EnumDirectoryReply(Multistatus(Folder(kDocs, kQuota)), kDocs));
  EXPECT_TRUE(EnumItems().isEmpty());
}

TEST_F(WebDavControlTest, ANegativeSizeAsksTheSizeScriptAndStaysEmptyWithoutIt) {
  // No internet session here: the script cannot be reached.
  ASSERT_TRUE(dav_.EnumDirectoryReply(Multistatus(Folder(kDocs, kQuota) + File(kDocs + "huge.iso", "-1073741824")), kDocs));
  EXPECT_TRUE(EnumItems().at(0).endsWith(">" + kDate + ">>/users/u/Files/Docs/huge.iso>/users/u/Files/Docs/huge.iso"));
}

TEST_F(WebDavControlTest, AGreaterThanInANameIsKeptApartFromTheKeySeparator) {
  ASSERT_TRUE(dav_.EnumDirectoryReply(Multistatus(Folder(kDocs, kQuota) + File(kDocs + "a&gt;b%3Ec.txt", "4")), kDocs));
  const QString key = EnumItems().at(0);
  EXPECT_EQ(key.count('>'), 4);
  Util util;
  EXPECT_EQ(util.GetInfoFromKey(3, key), "/users/u/Files/Docs/a>b>c.txt");
  EXPECT_EQ(util.GetInfoFromKey(5, key), "/users/u/Files/Docs/a>b%3Ec.txt");
  EXPECT_EQ(util.GetInfoFromKey(2, key), "4");
}

TEST_F(WebDavControlTest, NamesEqualButForCaseChangePlacesOnEveryPassThatComparesThem) {
  ASSERT_TRUE(dav_.EnumDirectoryReply(
      Multistatus(Folder(kDocs, kQuota) + File(kDocs + "A.txt", "1") + File(kDocs + "a.txt", "2")), kDocs));
  EXPECT_TRUE(EnumItems().at(0).endsWith("/a.txt"));
  ASSERT_TRUE(dav_.EnumDirectoryReply(Multistatus(Folder(kDocs, kQuota) + File(kDocs + "A.txt", "1") +
                                                  File(kDocs + "a.txt", "2") + File(kDocs + "b.txt", "3")),
                                      kDocs));
  EXPECT_TRUE(EnumItems().at(0).endsWith("/A.txt"));
}

TEST_F(WebDavControlTest, TwoThousandFilesKeepTheServersOrder) {
  for (const int count : {1999, 2000}) {
    QString responses = Folder(kDocs, kQuota);
    for (int i = count; i > 0; --i) responses += File(kDocs + QString("f%1.txt").arg(i, 4, 10, QChar('0')), "1");
    ASSERT_TRUE(dav_.EnumDirectoryReply(Multistatus(responses), kDocs));
    const QStringList items = EnumItems();
    ASSERT_EQ(items.size(), count);
    const QString first = count == 2000 ? "/f2000.txt" : "/f0001.txt";
    EXPECT_TRUE(items.front().endsWith(first)) << count;
  }
}

// ---- Restore-walk content, size replies ---------------------------------------

TEST_F(WebDavControlTest, ListingEntriesBecomeRestoreEntriesAndGrowTheSetSize) {
  ASSERT_TRUE(dav_.EnumDirectoryReply(
      Multistatus(Folder(kDocs, kQuota) + Folder(kDocs + "Sub/", kQuota) + File(kDocs + "a.txt", "1500") +
                  File(kDocs + "b.txt", "")),
      kDocs));
  Items(Engine().gcolRemoteDirContent)->Add(QString("F_/users/u/Files/earlier.txt"));
  Engine().gdRestoreSetSize = 100;
  dav_.AddItemtoRemotedirContent();
  EXPECT_EQ(Texts(Items(Engine().gcolRemoteDirContent)),
            QStringList({"F_/users/u/Files/earlier.txt", "D_/users/u/Files/Docs/Sub/", "F_/users/u/Files/Docs/a.txt",
                         "F_/users/u/Files/Docs/b.txt"}));
  EXPECT_EQ(Engine().gdRestoreSetSize, 1600);
  dav_.ClearBag();
  EXPECT_TRUE(EnumItems().isEmpty());
}

TEST_F(WebDavControlTest, ConvertResponseRemovesTheOneNameElement) {
  EXPECT_EQ(dav_.ConvertResponse("<a><D:name>x.zip</D:name><b/></a>"), "<a><b/></a>");
  EXPECT_EQ(dav_.ConvertResponse("<a><D:name>x</D:name><D:name>y</D:name></a>"),
            "<a><D:name>x</D:name><D:name>y</D:name></a>");
  EXPECT_EQ(dav_.ConvertResponse("<a><D:name>x</a>"), "<a><D:name>x</a>");
  EXPECT_EQ(dav_.ConvertResponse("<a/>"), "<a/>");
}

// ---- Connection without a server ----------------------------------------------

TEST_F(WebDavControlTest, OpenConnectionNeedsAServerAndAUser) {
  Engine().gsAccountRoot = "/users/before/Files/";
  EXPECT_FALSE(dav_.OpenConnection("  ", "443", "u", "p"));
  EXPECT_FALSE(dav_.OpenConnection("dav1.orvane.example", "443", " ", "p"));
  EXPECT_EQ(Engine().gsAccountRoot, "/users/before/Files/");
  // Without a session the connection cannot be opened, but the account root
  // is already the user's.
  EXPECT_FALSE(dav_.OpenConnection("dav1.orvane.example", "443", "u", "p"));
  EXPECT_EQ(Engine().gsAccountRoot, "/users/u/Files/");
  EXPECT_EQ(dav_.getInternetOpenHandle().ToLong(), 0);
  // A request without a connection fails with the invalid-handle code.
  EXPECT_EQ(dav_.HttpProcessCalls("PROPFIND", "/users/u/Files/", false, true), 6);
}

TEST_F(WebDavControlTest, ADeleteOfANameWithTheByteSixBeforeAThreeGoesOut) {
  // With one-digit escapes such a name came out as "%63" (a "c"), and the
  // delete was refused rather than sent to another item; two digits make it
  // "%063", so the request is tried (and fails here for want of a
  // connection).
  EXPECT_EQ(dav_.HttpProcessCalls("DELETE", QString("/users/u/Files/a") + QChar(6) + "3", false, true), 6);
  EXPECT_FALSE(TraceLines().contains("Error in the delete function"));
}

TEST_F(WebDavControlTest, ARefusedConnectionIsSentTwiceAndGivesTheLibrarysText) {
  ASSERT_TRUE(dav_.hInternetOpen("ZQWin WebDAV Client", 1, QString(), QString(), "0"));
  // Nothing listens on port 1 of the loopback address.
  Engine().gsServerName = "127.0.0.1";
  Engine().gsWebdavPort = "1";
  Engine().gsUserName = "u";
  ASSERT_TRUE(dav_.OpenConnection("127.0.0.1", "1", "u", "p"));
  // Prepared but not sent.
  EXPECT_EQ(dav_.HttpProcessCalls("PROPFIND", "/users/u/Files/", true, true), 1);
  EXPECT_FALSE(TraceLines().contains("Error in HttpSendRequest : 12029"));

  EXPECT_FALSE(dav_.HttpEnumDirectory("/users/u/Files/"));
  EXPECT_EQ(dav_.GetDavErr(), "The connection to the server could not be made.");
  const QStringList attempt = {"Error in HttpSendRequest : 12029", "Error after first attempt for HttpSendRequest : 12029",
                               "Error after reattempt for HttpSendRequest : 12029"};
  EXPECT_EQ(TraceLines().filter("HttpSendRequest"), attempt + attempt);
}

TEST_F(WebDavControlTest, ASessionThatCannotBeOpenedAnswersFalse) {
  const QByteArray saved = qgetenv("ORVANE_CONNECT_TO");
  qputenv("ORVANE_CONNECT_TO", "not a mapping");
  EXPECT_FALSE(dav_.hInternetOpen("ZQWin WebDAV Client", 1, QString(), QString(), "0"));
  EXPECT_EQ(dav_.getInternetOpenHandle().ToLong(), 0);
  EXPECT_TRUE(TraceLines().contains("Enter ErrorOut 87OPEN"));
  if (saved.isNull()) {
    qunsetenv("ORVANE_CONNECT_TO");
  } else {
    qputenv("ORVANE_CONNECT_TO", saved);
  }
  EXPECT_TRUE(dav_.hInternetOpen("ZQWin WebDAV Client", 1, "proxy.example:3128", "jo", "secret"));
  EXPECT_NE(dav_.getInternetOpenHandle().ToLong(), 0);
}

}  // namespace
}  // namespace OrvaneSrv
