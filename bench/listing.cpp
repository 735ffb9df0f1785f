// Listing a large remote folder: the engine's WebDAV listing (the PROPFIND
// reply parsed into the enumeration collection) and the program's column
// tree filled from it, each beside a bare peer measured in the same run.
//
//   bench_listing reply N FILE        writes a listing reply of N files
//   bench_listing listing FILE        engine listing beside a bare libxml2 parse
//   bench_listing tree-fill N         program tree beside a bare QTreeWidget, and
//                                     the same files each with a date of its own
//   bench_listing memory route FILE   peak memory of listing FILE into the tree
//   bench_listing memory bare FILE    the same with libxml2 and a bare QTreeWidget
//
// Timings are the best of a few rounds, alternating; each line is
// "name seconds" or "name kilobytes", for bench/run to print.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "ZQwinSrv/facade/clsController.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "ZQwinSrv/foundation/Util.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "platform/clock/Clock.h"
#include "platform/clock/FakeClock.h"
#include "platform/codepage/CodePage.h"
#include "platform/paths/WinPath.h"
#include "platform/process/NamedMutex.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryStore.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/RemoteListingSource.h"
#include "program/browse/TreeViewControl.h"
#include "program/browse/UniTreeViewMC.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/modMain.h"

namespace {

const QString kRoot = QStringLiteral("/users/bench/Files/");
const QString kFolder = kRoot + QStringLiteral("Big/");
const QString kDate = QStringLiteral("Tue, 04 Mar 2014 10:15:02 GMT");

double Seconds(const std::function<void()>& work) {
  const auto t0 = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

QString FileName(int i) { return QStringLiteral("report %1.txt").arg(i, 6, 10, QLatin1Char('0')); }

// A reply of the stock server's shape: the folder itself, then N files.
QByteArray Reply(int n) {
  QByteArray out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<D:multistatus xmlns:D=\"DAV:\" xmlns:lp0=\"DAV:\">\n";
  auto response = [&](const QString& href, const QString& props) {
    out += "<D:response><D:href>" + href.toUtf8() + "</D:href><D:propstat><D:prop><lp0:getlastmodified>" +
           kDate.toUtf8() + "</lp0:getlastmodified>" + props.toUtf8() +
           "</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>\n";
  };
  response(kFolder, QStringLiteral("<lp0:resourcetype><D:collection/></lp0:resourcetype>"
                                   "<D:quota>5368709120</D:quota><D:used>1048576</D:used>"));
  for (int i = 0; i < n; ++i) {
    QString href = kFolder + FileName(i);
    href.replace(u' ', QStringLiteral("%20"));
    response(href, QStringLiteral("<lp0:getcontentlength>%1</lp0:getcontentlength>").arg(1000 + i));
  }
  out += "</D:multistatus>\n";
  return out;
}

QByteArray ReadAll(const char* path) {
  QFile file(QString::fromLocal8Bit(path));
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "bench_listing: cannot read %s\n", path);
    std::exit(1);
  }
  return file.readAll();
}

// Drive C: in a temporary folder, the program's values and the engine
// prepared as the program prepares them, the clock standing still.
class Stage {
 public:
  Stage() {
    if (!tmp_.isValid()) std::exit(1);
    QDir().mkpath(tmp_.path() + QStringLiteral("/Prog"));
    win::NamedMutex::SetFolders(tmp_.path() + QStringLiteral("/locks/shared"), tmp_.path() + QStringLiteral("/locks/local"));
    win::DriveTable table;
    table.Map(u'C', tmp_.path());
    win::SetDriveTable(table);
    win::SetRegistryConfig(win::RegistryConfig::InFolder(tmp_.path() + QStringLiteral("/registry")));
    win::SetProgramFolder(QStringLiteral("C:\\Prog"));
    OrvaneMac::ResetProgramForTesting();
    OrvaneMac::ProgramState& p = OrvaneMac::Program();
    p.AppWord = QStringLiteral("OrvaneMac");
    p.AppTitle = QStringLiteral("Orvane for Mac - Windows Restore");
    p.RemoteRootKey = kRoot;
    p.ShortDatePattern = QStringLiteral("M/d/yyyy");
    OrvaneSrv::clsController().InitEngine(QStringLiteral("C:\\Prog"), 1, {}, QStringLiteral("OrvaneMac"));
  }

 private:
  QTemporaryDir tmp_;
  vb::FakeClock clock_{QDateTime(QDate(2026, 12, 8), QTime(23, 59, 29))};
  vb::ScopedClock useClock_{clock_};
};

// The engine's listing of a PROPFIND reply's bytes as the WebDAV client
// reads them: the parse into the enumeration collection. The number of
// entries listed.
qsizetype EngineListing(QByteArray reply) {
  static OrvaneSrv::WebDavControl dav;
  if (!dav.EnumDirectoryReply(std::move(reply), kFolder)) {
    std::fprintf(stderr, "bench_listing: the engine refused the reply\n");
    std::exit(1);
  }
  return OrvaneSrv::Items(OrvaneSrv::Engine().gcolEnumItems)->Count();
}

// The bare parse: libxml2 reads the same bytes into a document.
xmlDocPtr BareParse(const QByteArray& reply) {
  xmlDocPtr doc = xmlReadMemory(reply.constData(), static_cast<int>(reply.size()), nullptr, nullptr, XML_PARSE_NONET);
  if (!doc) {
    std::fprintf(stderr, "bench_listing: libxml2 refused the reply\n");
    std::exit(1);
  }
  return doc;
}

// The remote tree's listing source: the entries of a prepared collection.
class Listing : public OrvaneMac::RemoteListingSource {
 public:
  explicit Listing(std::function<vb::CollectionPtr()> items) : items_(std::move(items)) {
    OrvaneMac::SetRemoteListing(this);
  }
  ~Listing() override { OrvaneMac::SetRemoteListing(nullptr); }
  bool Cont_GetRemoteDirContents(const QString&, vb::CollectionPtr& items, vb::CollectionPtr& snapshots) override {
    items = items_();
    snapshots = std::make_shared<vb::Collection>();
    return true;
  }
  QString GetErrorString() override { return {}; }

 private:
  std::function<vb::CollectionPtr()> items_;
};

// The main window's remote tree, its three columns set as its load sets
// them, shown on the offscreen screen.
struct RemoteTree {
  RemoteTree() {
    window.resize(720, 420);
    tree = new OrvaneMac::UniTreeViewMC(&window);
    tree->setGeometry(10, 10, 700, 400);
    OrvaneMac::MainWindowControls& m = OrvaneMac::MainWindow();
    m = OrvaneMac::MainWindowControls();
    m.Smart = &window;
    m.ColumnRemoteTreeView = tree;
    OrvaneMac::TreeViewControl::Instance().setUpColumns(tree, 280, 150, 270);
    window.show();
    QApplication::processEvents();
  }
  ~RemoteTree() { OrvaneMac::MainWindow() = OrvaneMac::MainWindowControls(); }
  // Lists the root again as Refresh does: its children cleared, then listed.
  void Refresh() {
    OrvaneMac::TreeNode root = tree->NodeAt(1);
    root.ClearChildren();
    OrvaneMac::TreeViewControl::Instance().PopulateRemoteFolder(root, true, false);
    QApplication::processEvents();
  }
  // Lists the account root into the tree; the number of nodes below it.
  int Fill() {
    tree->ClearNodes();
    if (!OrvaneMac::TreeViewControl::Instance().PopulateRemoteTreeView(QStringLiteral("Smart"), tree, true, true,
                                                                        false)) {
      std::fprintf(stderr, "bench_listing: the tree refused the listing\n");
      std::exit(1);
    }
    QApplication::processEvents();
    return tree->NodeCount() - 1;
  }
  QWidget window;
  OrvaneMac::UniTreeViewMC* tree = nullptr;
};

// The bare widget: the same rows, three columns, one item each.
struct BareTree {
  BareTree() {
    widget.resize(700, 400);
    widget.setColumnCount(3);
    widget.setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Modified Date")});
    widget.show();
    QApplication::processEvents();
  }
  void Fill(const std::vector<std::array<QString, 3>>& rows) {
    widget.clear();
    auto* root = new QTreeWidgetItem(&widget, {QStringLiteral("My Orvane")});
    for (const auto& row : rows) new QTreeWidgetItem(root, {row[0], row[1], row[2]});
    root->setExpanded(true);
    QApplication::processEvents();
  }
  QTreeWidget widget;
};

// The NodeKeys of n files of the root, as the engine's listing writes them:
// all of one date (a folder written at once), or each a second after the
// one before.
vb::CollectionPtr Keys(int n, bool ownDates = false) {
  const QDateTime first(QDate(2014, 3, 4), QTime(10, 15, 2), Qt::UTC);
  auto items = std::make_shared<vb::Collection>();
  for (int i = 0; i < n; ++i) {
    const QString path = kRoot + FileName(i);
    QString href = path;
    href.replace(u' ', QStringLiteral("%20"));
    const QString date =
        ownDates ? QLocale::c().toString(first.addSecs(i), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'")) : kDate;
    items->Add(QString::number(i + 1) + u'>' + date + u'>' + QString::number(1000 + i) + u'>' +
               OrvaneSrv::EscapeKeyField(path) + u'>' + OrvaneSrv::EscapeKeyField(href));
  }
  return items;
}

std::vector<std::array<QString, 3>> Rows(int n) {
  std::vector<std::array<QString, 3>> rows;
  rows.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    rows.push_back({FileName(i), QString::number(1000 + i) + QStringLiteral(" bytes"), QStringLiteral("3/4/2014 10:15 AM")});
  return rows;
}

int Usage() {
  std::fprintf(stderr,
               "usage: bench_listing reply N FILE | listing FILE | tree-fill N | memory route FILE | memory bare FILE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const QString mode = QString::fromLocal8Bit(argv[1]);
  if (mode == u"reply" && argc == 4) {
    QFile out(QString::fromLocal8Bit(argv[3]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
    out.write(Reply(std::atoi(argv[2])));
    return 0;
  }

  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  Stage stage;
  constexpr int kRounds = 5;

  if (mode == u"listing" && argc == 3) {
    const QByteArray reply = ReadAll(argv[2]);
    double route = 1e9;
    double bare = 1e9;
    qsizetype listed = 0;
    for (int round = 0; round < kRounds; ++round) {
      bare = std::min(bare, Seconds([&] { xmlFreeDoc(BareParse(reply)); }));
      route = std::min(route, Seconds([&] { listed = EngineListing(reply); }));
    }
    std::printf("entries %lld\nroute %.4f\nbare %.4f\n", static_cast<long long>(listed), route, bare);
    return 0;
  }

  if (mode == u"tree-fill" && argc == 3) {
    const int n = std::atoi(argv[2]);
    const vb::CollectionPtr sameDate = Keys(n);
    const vb::CollectionPtr ownDates = Keys(n, true);
    const vb::CollectionPtr* keys = &sameDate;
    const auto rows = Rows(n);
    Listing listing([&] {
      // The engine hands over a collection of its own for each listing.
      auto copy = std::make_shared<vb::Collection>();
      for (const vb::Variant& key : **keys) copy->Add(key);
      return copy;
    });
    RemoteTree tree;
    BareTree bareTree;
    double route = 1e9;
    double routeOwnDates = 1e9;
    double refresh = 1e9;
    double bare = 1e9;
    int nodes = 0;
    for (int round = 0; round < kRounds; ++round) {
      bare = std::min(bare, Seconds([&] { bareTree.Fill(rows); }));
      keys = &sameDate;
      route = std::min(route, Seconds([&] { nodes = tree.Fill(); }));
      refresh = std::min(refresh, Seconds([&] { tree.Refresh(); }));
      keys = &ownDates;
      routeOwnDates = std::min(routeOwnDates, Seconds([&] { tree.Fill(); }));
    }
    std::printf("nodes %d\nroute %.4f\nrefresh %.4f\nowndates %.4f\nbare %.4f\n", nodes, route, refresh,
                routeOwnDates, bare);
    return 0;
  }

  if (mode == u"memory" && argc == 4) {
    const QString which = QString::fromLocal8Bit(argv[2]);
    const long before = PeakKilobytes();
    if (which == u"route") {
      // As the client gets it: the reply read whole, listed by the engine,
      // its entries into the tree.
      std::optional<QByteArray> reply(ReadAll(argv[3]));
      Listing listing([&] {
        // The client hands the bytes it read to the listing, which lets
        // them go once parsed.
        QByteArray bytes = std::move(*reply);
        reply.reset();
        EngineListing(std::move(bytes));
        return OrvaneSrv::Items(OrvaneSrv::Engine().gcolEnumItems);
      });
      RemoteTree tree;
      OrvaneMac::Program().RemoteRootKey = kFolder;
      const int nodes = tree.Fill();
      std::printf("nodes %d\n", nodes);
    } else if (which == u"bare") {
      std::optional<QByteArray> reply(ReadAll(argv[3]));
      xmlDocPtr doc = BareParse(*reply);
      reply.reset();
      // The rows straight from the document (its first response is the
      // folder itself), which then goes.
      std::vector<std::array<QString, 3>> rows;
      bool folder = true;
      for (xmlNodePtr r = xmlDocGetRootElement(doc)->children; r; r = r->next) {
        if (r->type != XML_ELEMENT_NODE) continue;
        if (std::exchange(folder, false)) continue;
        xmlChar* text = xmlNodeGetContent(r->children);
        rows.push_back({QString::fromUtf8(reinterpret_cast<const char*>(text)), QStringLiteral("1000 bytes"),
                        QStringLiteral("3/4/2014 10:15 AM")});
        xmlFree(text);
      }
      xmlFreeDoc(doc);
      BareTree bareTree;
      bareTree.Fill(rows);
      std::printf("nodes %zu\n", rows.size());
    } else {
      return Usage();
    }
    std::printf("start %ld\npeak %ld\n", before, PeakKilobytes());
    return 0;
  }
  return Usage();
}
