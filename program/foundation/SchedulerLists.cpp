// The schedule window's helpers of the class Scheduler: mail lists, the
// backup-set and Oracle lists, the status and service-log files, the
// automatic selection's folders, host look-ups and the string sort. No
// window of this program has the schedule controls; the helpers reach a
// window's controls by name and fail like any missing control would.

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>

#include <cmath>

#include "program/foundation/DBaction.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/Options.h"
#include "program/foundation/Scheduler.h"
#include "program/foundation/SettingsStores.h"
#include "program/session/Transfer.h"
#include "program/windows/MesgBox.h"
#include "program/windows/modGeneralWindows.h"
#include "program/windows/Twips.h"
#include "platform/clock/Clock.h"
#include "platform/codepage/CodePage.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/BinaryFile.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextStream.h"
#include "platform/ini/PrivateProfile.h"
#include "platform/paths/WinPath.h"
#include "platform/system/SystemInfo.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"

namespace OrvaneMac {
namespace {

const QString kOwner = QStringLiteral("Scheduler");

void TraceSchedulerError(const vb::ErrorInfo& err, const QString& procedure) {
  TraceError(err, procedure, vb::OwnerKind::ClassModule, kOwner);
}

// A control of the window by its name; a missing one fails as a missing
// control of the legacy window did (438: the object has no such member).
template <typename T>
T* ControlOf(QWidget* window, const char* name) {
  if (!window) vb::Raise(vb::errObjectVariableNotSet);
  T* control = window->findChild<T*>(QString::fromLatin1(name));
  if (!control) vb::Raise(vb::errObjectDoesntSupport);
  return control;
}

void SetBackground(QWidget* control, const QColor& colour) {
  QPalette palette = control->palette();
  palette.setColor(QPalette::Base, colour);
  control->setPalette(palette);
}

QString WindowName(QWidget* window) { return window ? window->objectName() : QString(); }

// Reads a mail table into the "To" list (the table nothing names).
void RefillMailTo() {
  DBaction::DB_ReadMaildata(Items(Program().MailToIdList), Program().MailToListFile);
}

// The path of the automatic selection's discovery file.
QString DiscoveryFile() {
  return win::JoinPath(win::ProgramFolder(), Program().AppWord + QStringLiteral("\\SimpleAutoPath.ini"));
}

// The mail-path discovery library is not part of this system: each of its
// functions finds nothing and writes no key, as when it cannot be loaded.
MailPathDiscovery& Discovery() {
  static MailPathDiscovery discovery;
  return discovery;
}

void CallDiscoveryLibrary(const QString& function, const QString& discoveryFile, const QString& windowsFolder = {}) {
  if (Discovery()) Discovery()(function, discoveryFile, windowsFolder);
}

// The automatic selection's items in the order they are looked up.
struct AutoItem {
  const char* key;
  QString ProgramState::*text;
};
constexpr AutoItem kAutoItems[] = {
    {"OutlookExpPath", &ProgramState::OutlookExpPath},
    {"OutlkExpAddrBookPath", &ProgramState::OutlkExpAddrBookPath},
    {"MSOutlkPath", &ProgramState::MSOutlkPath},
    {"DesktopPath", &ProgramState::DesktopPath},
    {"MozillaPath", &ProgramState::MozillaPath},
    {"MSNPath", &ProgramState::MSNPath},
    {"MyDocumentsPath", &ProgramState::MyDocumentsPath},
    {"MyFavouritesPath", &ProgramState::MyFavouritesPath},
    {"MyMusicPath", &ProgramState::MyMusicPath},
    {"MyPicturesPath", &ProgramState::MyPicturesPath},
    {"MyVideosPath", &ProgramState::MyVideosPath},
    {"YahooPath", &ProgramState::YahooPath},
    {"LotusNotesPath", &ProgramState::LotusNotesPath},
};

// The library call for an item: its function and whether it takes the
// Windows folder.
void DiscoverItem(const QString& key, const QString& file, const QString& windowsFolder) {
  const bool vista = modGeneral::getMajorVersion() >= 6;
  if (key == u"OutlookExpPath") {
    CallDiscoveryLibrary(vista ? QStringLiteral("GetAutoWindowsMailPath") : QStringLiteral("GetAutoOutlkExpPath"), file);
  } else if (key == u"OutlkExpAddrBookPath") {
    if (vista) {
      CallDiscoveryLibrary(QStringLiteral("GetVistaOutlkExpAddrBookPath"), file);
    } else {
      CallDiscoveryLibrary(QStringLiteral("GetOutlkExpAddrBookPath"), file, windowsFolder);
    }
  } else if (key == u"MSOutlkPath") {
    CallDiscoveryLibrary(QStringLiteral("GetAutoMSOutlkPath"), file, windowsFolder);
  } else if (key == u"MozillaPath") {
    CallDiscoveryLibrary(QStringLiteral("GetMozillaPath"), file, windowsFolder);
  } else {
    CallDiscoveryLibrary(QStringLiteral("Get") + key, file);
  }
}

// --- The string sort ---------------------------------------------------------

int Compare(const QString& a, const QString& b, int compareMode) {
  return vb::StrComp(a, b, compareMode == 0 ? vb::vbBinaryCompare : vb::vbTextCompare);
}

void InsertionSortStrings(QStringList& a, qsizetype lo, qsizetype hi, int order, int mode) {
  for (qsizetype i = lo + 1; i <= hi; ++i) {
    QString t = std::move(a[i]);
    qsizetype j = i - 1;
    while (j >= lo && Compare(a[j], t, mode) == order) {
      a[j + 1] = std::move(a[j]);
      --j;
    }
    a[j + 1] = std::move(t);
  }
}

qsizetype PartitionStrings(QStringList& a, qsizetype lo, qsizetype hi, int order, int mode) {
  const qsizetype mid = lo + (hi - lo) / 2;
  QString pivot = a[mid];
  a[mid] = a[lo];
  qsizetype j = lo + 1;
  qsizetype i = hi;
  for (;;) {
    while (j < i && Compare(pivot, a[j], mode) == order) ++j;
    while (j <= i && Compare(a[i], pivot, mode) == order) --i;
    if (j >= i) {
      a[lo] = a[i];
      a[i] = pivot;
      return i;
    }
    a[j].swap(a[i]);  // the texts' references change places, nothing is copied
    ++j;
    --i;
  }
}

void QuickSortStrings(QStringList& a, qsizetype lo, qsizetype hi, int order, int mode) {
  if (hi - lo <= 60) {
    InsertionSortStrings(a, lo, hi, order, mode);
    return;
  }
  // Recursion goes into the smaller part, the loop keeps the larger.
  while (lo < hi) {
    const qsizetype p = PartitionStrings(a, lo, hi, order, mode);
    if (p - lo > hi - p) {
      QuickSortStrings(a, p + 1, hi, order, mode);
      hi = p - 1;
    } else {
      QuickSortStrings(a, lo, p - 1, order, mode);
      lo = p + 1;
    }
  }
}

QString IPAddressToText(std::uint32_t networkOrder) {
  // The bytes in network order: the first in the lowest byte of the value.
  const auto byte = [&](int i) { return QString::number((networkOrder >> (8 * i)) & 0xFF); };
  return byte(0) + u'.' + byte(1) + u'.' + byte(2) + u'.' + byte(3);
}

bool SocketsInitialize() {
  bool ok = false;
  vb::ResumeNext next;
  next([&] { ok = win::WSAStartup(0x0101) == 0; });
  return ok;
}

void SocketsCleanup() {
  if (win::WSACleanup() != 0) WriteTrace(QStringLiteral("Error calling apiWSACleanup."));
}

}  // namespace

void SetMailPathDiscovery(MailPathDiscovery discovery) { Discovery() = std::move(discovery); }

// --- Small helpers -----------------------------------------------------------

QString Scheduler::getCompressionstr(Integer value) {
  return value == 1 ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString Scheduler::Sch_mainBuildData(const QString& setName) {
  return vb::OnErrorGoTo(
      [&] {
        QString text = setName;
        for (const vb::Variant& entry : *Items(Program().EnumSchBackupItemSet)) {
          const QString item = entry.ToString();
          if (item.startsWith(u"D_") || item.startsWith(u"F_")) text += QChar(8) + item.mid(2);
        }
        return text;
      },
      [](const vb::ErrorInfo& err) {
        MesgBox::Instance().MessageBox(
            QStringLiteral("Unable to save the Backup set.\r\nReason : ") + err.description, 3, 0, Program().AppTitle);
        return QString();
      });
}

bool Scheduler::Sch_dat_validate(const QString& dateText) {
  WriteTrace(QStringLiteral("Enter Sch_dat_validate") + dateText);
  return vb::OnErrorGoTo(
      [&] {
        const bool answer = vb::Now() <= vb::CDate(dateText);
        WriteTrace(QStringLiteral("Exit Sch_dat_validate") + (answer ? QStringLiteral("True") : QStringLiteral("False")));
        return answer;
      },
      [](const vb::ErrorInfo& err) {
        TraceSchedulerError(err, QStringLiteral("Sch_dat_validate"));
        return false;
      });
}

void Scheduler::sch_changefiledata(const QString& changeText, const QString& statusFile, bool fromStatus) {
  vb::ResumeNext next;
  if (fromStatus) {
    next([&] {
      win::BinaryFile file =
          win::BinaryFile::Open(statusFile, win::BinaryFile::Access::Write, win::BinaryFile::Disposition::OpenAlways);
      file.WriteAt(0, win::ToAnsi(changeText + QStringLiteral("\r\n")));
      file.Close();
    });
  } else {
    next([&] { gOptions().WriteFirstBit(statusFile, changeText); });
  }
  if (next.Err().number >= 1) WriteTrace(QStringLiteral("sch_changefiledata = ") + QString::number(next.Err().number));
}

bool Scheduler::Sch_Process_Hostname(QWidget* window) {
  WriteTrace(QStringLiteral("Enter Sch_Process_Hostname ") + WindowName(window));
  WriteTrace(QStringLiteral("Exit Sch_Process_Hostname ") + QStringLiteral("True"));
  return true;
}

void Scheduler::sch_OpenschLogfile(QWidget* window) {
  vb::OnErrorGoTo(
      [&] {
        const QString log = win::JoinPath(win::ProgramFolder(), QStringLiteral("OrvaneMac\\ZQWServiceLog.txt"));
        if (!win::FileExists(log)) win::CreateTextFile(log, true, true).Close();
        gTransfer().Trf_ViewFile(window, log);
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("sch_OpenschLogfile  : ") + QString::number(err.number) + err.description);
      });
}

// --- Backup-set, mail and Oracle lists ------------------------------------------

bool Scheduler::Sch_LoadBacksetNameatbkup(QLineEdit* textBox) {
  vb::OnErrorGoTo(
      [&] {
        DBaction::DB_ReadBackdata();
        const vb::CollectionPtr list = Items(Program().BackupSetNameList);
        for (const vb::Variant& record : *list) {
          const QString name = DBaction::GetBackSetName(record.ToString());
          if (name == u"zqsimpleautobkup" || name == u"autobkupzqwin") {
            if (!textBox) vb::Raise(vb::errObjectVariableNotSet);
            textBox->setText(name);
          }
        }
      },
      [](const vb::ErrorInfo& err) { TraceSchedulerError(err, QStringLiteral("Sch_LoadBacksetNameatbkup")); });
  return false;
}

void Scheduler::Sch_LoadMailid(QWidget* window) {
  vb::OnErrorGoTo(
      [&] {
        RefillMailTo();
        auto* to = ControlOf<QComboBox>(window, "cmbMailTo");
        for (const vb::Variant& id : *Items(Program().MailToIdList)) to->addItem(id.ToString());
        DBaction::DB_ReadMaildata(Items(Program().MailCcIdList), QStringLiteral("OrvaneMac\\CCto.txt"));
        auto* cc = ControlOf<QComboBox>(window, "cmbMailCc");
        for (const vb::Variant& id : *Items(Program().MailCcIdList)) cc->addItem(id.ToString());
      },
      [](const vb::ErrorInfo& err) { TraceSchedulerError(err, QStringLiteral("Sch_LoadMailid")); });
}

void Scheduler::Sch_LoadMailidList(QWidget* window) {
  vb::OnErrorGoTo(
      [&] {
        RefillMailTo();
        auto* box = ControlOf<QLineEdit>(window, "txtEmailNotification");
        for (const vb::Variant& id : *Items(Program().MailToIdList)) {
          const QString text = id.ToString();
          if (!vb::Trim(text).isEmpty()) box->setText(box->text() + text + QStringLiteral(", "));
        }
      },
      [](const vb::ErrorInfo& err) { TraceSchedulerError(err, QStringLiteral("Sch_LoadMailidList")); });
}

void Scheduler::Sch_maildisable(QWidget* window) {
  vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter Sch_maildisable ") + WindowName(window));
        const QColor grey(192, 192, 192);
        auto* to = ControlOf<QComboBox>(window, "cmbMailTo");
        to->setCurrentText(QString());
        to->setEnabled(false);
        ControlOf<QWidget>(window, "lstMailAdd")->setEnabled(false);
        auto* cc = ControlOf<QComboBox>(window, "cmbMailCc");
        cc->setCurrentText(QString());
        cc->setCurrentIndex(-1);
        cc->setEnabled(false);
        auto* host = ControlOf<QLineEdit>(window, "txtHostname");
        host->clear();
        host->setEnabled(false);
        auto* log = ControlOf<QCheckBox>(window, "chkMailLog");
        log->setChecked(false);
        log->setEnabled(false);
        for (QWidget* box : std::initializer_list<QWidget*>{to, cc, host}) SetBackground(box, grey);
        WriteTrace(QStringLiteral("Exit Sch_maildisable "));
      },
      [](const vb::ErrorInfo& err) { TraceSchedulerError(err, QStringLiteral("Sch_maildisable")); });
}

void Scheduler::Sch_mailenable(QWidget* window) {
  vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter Sch_mailenable ") + WindowName(window));
        auto* to = ControlOf<QComboBox>(window, "cmbMailTo");
        auto* list = ControlOf<QWidget>(window, "lstMailAdd");
        auto* cc = ControlOf<QComboBox>(window, "cmbMailCc");
        auto* host = ControlOf<QLineEdit>(window, "txtHostname");
        for (QWidget* control : std::initializer_list<QWidget*>{to, list, cc, host}) control->setEnabled(true);
        for (QWidget* box : std::initializer_list<QWidget*>{to, cc, host}) SetBackground(box, Qt::white);
        ControlOf<QCheckBox>(window, "chkMailLog")->setEnabled(true);
        WriteTrace(QStringLiteral("Exit Sch_mailenable "));
      },
      [](const vb::ErrorInfo& err) { TraceSchedulerError(err, QStringLiteral("Sch_mailenable")); });
}

void Scheduler::Sch_AddScroll(QListWidget* list) {
  vb::OnErrorGoTo(
      [&] {
        if (!list) vb::Raise(vb::errObjectVariableNotSet);
        const QListWidgetItem* current = list->currentItem();
        WriteTrace(QStringLiteral("Enter Sch_AddScroll") + (current ? current->text() : QString()));
        QString longest = list->count() > 0 ? list->item(0)->text() : QString();
        for (int i = 0; i < list->count(); ++i) {
          if (list->item(i)->text().size() > longest.size()) longest = list->item(i)->text();
        }
        // The parent's text width in twips, then whole pixels.
        const QFontMetrics metrics(list->parentWidget() ? list->parentWidget()->font() : list->font());
        const long twips = std::lround(metrics.horizontalAdvance(longest + u' ') * double(TwipsPerPixelX()));
        const long pixels = twips / TwipsPerPixelX();
        modGeneral::SetHorizontalExtent(list, static_cast<int>(pixels));
        WriteTrace(QStringLiteral("Exit Sch_AddScroll"));
      },
      [](const vb::ErrorInfo& err) { TraceSchedulerError(err, QStringLiteral("Sch_AddScroll")); });
}

void Scheduler::DB_ReadBackOracledata() {
  vb::OnErrorGoTo(
      [&] {
        const vb::CollectionPtr list = Items(Program().OracleBackupSetList);
        list->Clear();
        const QString table = win::JoinPath(win::ProgramFolder(), Program().AppWord + u'\\' +
                                                                      vb::Trim(Program().AccountName) +
                                                                      QStringLiteral("\\OracleBackupsetData.txt"));
        Integer unicode = 0;
        const Integer count = DBaction::GetRecordCount(table, unicode);
        if (count <= 0) return;
        std::vector<QString> records(static_cast<std::size_t>(count) + 1);
        DBaction::ReadTableRecords(QString(), table, records, unicode);
        records.resize(static_cast<std::size_t>(count));
        for (const QString& record : records) list->Add(record, GetOracleBackSetName(record));
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(vb::ErrorReasonLine(err.description, QStringLiteral("DB_ReadBackOracledata"),
                                       vb::OwnerKind::Module, kOwner));
      });
}

QString Scheduler::GetOracleBackSetName(const QString& record) {
  const qsizetype at = record.indexOf(QChar(8));
  return at < 0 ? QString() : record.left(at);
}

bool Scheduler::CheckOracleBackStatus(Integer /*unused*/, const QString& setName) {
  return vb::OnErrorGoTo(
      [&] {
        for (const vb::Variant& record : *Items(Program().OracleBackupSetList)) {
          if (vb::StrComp(GetOracleBackSetName(record.ToString()), setName, vb::vbTextCompare) == 0) return true;
        }
        return false;
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(vb::ErrorReasonLine(err.description, QStringLiteral("CheckOracleBackStatus"),
                                       vb::OwnerKind::Module, kOwner));
        return false;
      });
}

// --- Automatic selection -----------------------------------------------------------

void Scheduler::GetSimpleAutofilePath() {
  ProgramState& p = Program();
  const QString file = DiscoveryFile();
  vb::ResumeNext next;
  if (vb::Trim(p.DesktopPath).isEmpty()) {
    next([&] {
      if (win::FileExists(file)) win::DeleteFile(file);
    });
    next([&] {
      const QString folder = win::JoinPath(win::ProgramFolder(), p.AppWord);
      if (!win::FolderExists(folder)) win::CreateFolder(folder);
    });
  }
  QString windowsFolder;
  next([&] { windowsFolder = modSHGetSpecialFolderPath::GetWindowDir(); });
  for (const AutoItem& item : kAutoItems) {
    QString& text = p.*(item.text);
    if (!vb::Trim(text).isEmpty()) continue;
    const QString key = QString::fromLatin1(item.key);
    next([&] { DiscoverItem(key, file, windowsFolder); });
    next([&] {
      text = ReadSimpleAutofileProfile(key);
      const QString trimmed = vb::Trim(text);
      if (trimmed.isEmpty()) return;
      if (!trimmed.endsWith(u'\\')) {
        text = win::FolderExists(text + u'\\') ? text + u'\\' : QString();
      } else if (!win::FolderExists(text)) {
        text.clear();
      }
    });
  }
}

QString Scheduler::ReadSimpleAutofileProfile(const QString& key) {
  return vb::OnErrorGoTo(
      [&] {
        const win::ProfileString read =
            win::GetPrivateProfileString(QStringLiteral("AUTOFILEPATHS"), key, QString(), 256, DiscoveryFile());
        return read.value.left(read.length);
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error ReadSimpleAutofileProfile ") + QString::number(err.number) +
                   QStringLiteral("  ") + err.description);
        return QString();
      });
}

// --- Host look-ups -----------------------------------------------------------------

QString Scheduler::GetIPFromHostName(const QString& hostName) {
  if (!SocketsInitialize()) {
    WriteTrace(QStringLiteral("Failed to open Socket."));
    return {};
  }
  QString result;
  vb::ResumeNext next;
  next([&] {
    const auto entry = win::GetHostByName(hostName);
    if (entry && !entry->addresses.empty()) result = IPAddressToText(entry->addresses.front());
  });
  SocketsCleanup();
  return result;
}

QString Scheduler::GetHostNameFromIP(const QString& address) {
  if (!SocketsInitialize()) {
    WriteTrace(QStringLiteral("Failed to open Socket"));
    return {};
  }
  QString result;
  vb::ResumeNext next;
  std::uint32_t value = win::kNoAddress;
  next([&] { value = win::InetAddr(address); });
  if (value == win::kNoAddress) {
    WriteTrace(QStringLiteral("Invalid IP address"));
    SocketsCleanup();
    return {};
  }
  next([&] {
    const auto entry = win::GetHostByAddr(value);
    if (!entry) {
      WriteTrace(QStringLiteral("Call to gethostbyaddr failed."));
      return;
    }
    result = entry->name;
    const qsizetype dot = result.indexOf(u'.');
    if (!result.isEmpty() && dot >= 0) result = result.left(dot);
  });
  SocketsCleanup();
  return result;
}

// --- Sorting and distinct paths --------------------------------------------------------

void Scheduler::QuickSortStringsStart(QStringList& texts, bool ascending, bool exact) {
  if (texts.isEmpty()) vb::Raise(vb::errSubscriptOutOfRange);
  if (texts.size() == 1) return;
  QuickSortStrings(texts, 0, texts.size() - 1, ascending ? 1 : -1, exact ? 0 : 1);
}

void Scheduler::RemoveDuplicate(const vb::CollectionPtr& collection, const QString& path) {
  vb::ResumeNext next;
  next([&] {
    if (!collection) vb::Raise(vb::errObjectVariableNotSet);
    const QString single = vb::Replace(path, QStringLiteral("\\\\"), QStringLiteral("\\"));
    collection->Add(single, single);
  });
}

}  // namespace OrvaneMac
