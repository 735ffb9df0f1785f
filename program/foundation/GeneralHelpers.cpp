#include "program/foundation/GeneralHelpers.h"

#include <QDateTime>

#include <memory>

#include "ZQwinSrv/facade/ClassRegistration.h"
#include "ZQwinSrv/facade/_clsController.h"
#include "ZQwinSrv/foundation/Processes.h"
#include "program/foundation/Options.h"
#include "program/foundation/SystemHelpers.h"
#include "platform/errors/RuntimeError.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/text/Conversion.h"
#include "platform/text/Format.h"
#include "platform/text/Like.h"
#include "platform/text/Strings.h"

namespace OrvaneMac::modGeneral {
namespace {

// Zone abbreviation, name and offset, as the main window's load stores them
// (the stray blank and trailing commas are part of the texts).
const char* const kTimeZones[82] = {
    "[ACDT] Australian Central Daylight,+1030",
    "[ACST] Australian Central Standard, +0930",
    "[ADT] (US) Atlantic Daylight,-0300,",
    "[AEDT] Australian East Daylight,+1100",
    "[AEST] Australian East Standard,+1000",
    "[AHDT] AHDT,-1030",
    "[AHST] AHST,-1000",
    "[AST] (US) Atlantic Standard,-0400",
    "[AT] Azores,-0200",
    "[AWDT] Australian West Daylight,+0900",
    "[AWST] Australian West Standard,+0800",
    "[BAT] Bhagdad,+0300",
    "[BST] British Summer Time,+0100",
    "[BET] Bering Standard,-1100",
    "[BRT] Brazil Standard,-0300",
    "[BT] Baghdad,+0300",
    "[BZT2] Brazil Zone 2,-0300",
    "[CADT] Central Australian Daylight,+1030",
    "[CAST] Central Australian Standard,+0930",
    "[CAT] Central Alaska,-1000",
    "[CCT] China Coast,+0800",
    "[CDT] (US) Central Daylight,-0500",
    "[CED] Central European Daylight,+0200,",
    "[CET] Central European,+0100",
    "[CST] (US) Central Standard,-0600",
    "[EAST] Eastern Australian Standard,+1000",
    "[EDT] (US) Eastern Daylight,-0400",
    "[EED] Eastern European Daylight,+0300",
    "[EET] Eastern Europe,+0200",
    "[EEST] Eastern Europe Summer,+0300",
    "[EST] (US) Eastern Standard,-0500",
    "[FST] French Summer,+0200",
    "[FWT] French Winter,+0100",
    "[GMT] Greenwich Mean,-0000",
    "[GST] Guam Standard,+1000",
    "[HDT] Hawaii Daylight,-0900",
    "[HST] Hawaii Standard,-1000",
    "[IDLE] Internation Date Line East,+1200",
    "[IDLW] Internation Date Line West,-1200",
    "[IST] Indian Standard,+0530",
    "[IT] Iran,+0330",
    "[JST] Japan Standard,+0900",
    "[JT] Java,+0700",
    "[MDT] (US) Mountain Daylight,-0600,",
    "[MED] Middle European Daylight,+0200",
    "[MET] Middle European,+0100",
    "[MEST] Middle European Summer,+0200",
    "[MEWT] Middle European Winter,+0100",
    "[MST] (US) Mountain Standard,-0700,",
    "[MT] Moluccas,+0800",
    "[NDT] Newfoundland Daylight,-0230",
    "[NFT] Newfoundland,-0330",
    "[NT] Nome,-1100",
    "[NST] North Sumatra,+0630",
    "[NZ] New Zealand,+1100",
    "[NZST] New Zealand Standard,+1200",
    "[NZDT] New Zealand Daylight,+1300",
    "[NZT] New Zealand,+1200",
    "[PDT] (US) Pacific Daylight,-0700,",
    "[PST] (US) Pacific Standard,-0800",
    "[ROK] Republic of Korea,+0900",
    "[SAD] South Australia Daylight,+1000",
    "[SAST] South Australia Standard,+0900",
    "[SAT] South Australia Standard,+0900",
    "[SDT] South Australia Daylight,+1000",
    "[SST] Swedish Summer,+0200",
    "[SWT] Swedish Winter,+0100",
    "[USZ3] USSR Zone 3,+0400",
    "[USZ4] USSR Zone 4,+0500",
    "[USZ5] USSR Zone 5,+0600",
    "[USZ6] USSR Zone 6,+0700",
    "[UT] Universal Coordinated,-0000",
    "[UTC] Universal Coordinated,-0000",
    "[UZ10] USSR Zone 10,+1100",
    "[WAT] West Africa,-0100",
    "[WET] West European,-0000",
    "[WST] West Australian Standard,+0800",
    "[YDT] Yukon Daylight,-0800",
    "[YST] Yukon Standard,-0900",
    "[ZP4] USSR Zone 3,+0400",
    "[ZP5] USSR Zone 4,+0500",
    "[ZP6] USSR Zone 5,+0060",
};

// Two characters of an offset as a whole number; 0 when there are none.
long WholeNumber(const QString& digits) { return digits.isEmpty() ? 0 : vb::CInt(digits); }

// The class identifier of the engine's controller.
QString ControllerClassId() {
  for (const win::ClassInfo& info : OrvaneSrv::EngineClasses()) {
    if (info.progId.compare(QStringLiteral("OrvaneSrv.clsController"), Qt::CaseInsensitive) == 0) return info.clsid;
  }
  return {};
}

}  // namespace

bool JobProgressCheck() {
  const ProgramState& p = Program();
  return p.BackupRunning || p.RestoreRunning || p.SyncRunning || p.OtherJobRunning || p.SearchInProgress;
}

QString dav_geterrorstring() { return StripNull(Program().LastEngineError); }

Long getMajorVersion() { return OrvaneSrv::getMajorVersion(); }

Long getMinorVersion() { return OrvaneSrv::getMinorVersion(); }

QString Secondcalculation(QString& offset) {
  return vb::OnErrorGoTo(
      [&] {
        const qsizetype length = vb::Trim(offset).size();
        if (length < 5) offset += QString(5 - length, u'0');
        const QString text = vb::Trim(offset);
        const long sign = vb::CInt(vb::Left(text, 1) + QStringLiteral("1"));
        const long hours = WholeNumber(vb::Mid(text, 2, 2));
        const long minutes = WholeNumber(vb::Mid(text, 4, 2));
        // In 32 bits: offsets from ten hours on ("+1030") exceed 16 bits.
        return QString::number(sign * (hours * 60 + minutes) * 60);
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error in Secondcalculation Reason : ") + err.description);
        return QStringLiteral("19800");
      });
}

QString ConvertStdTime(const QString& dateText, const QString& /*zoneLabel*/, QString zoneOffset) {
  return vb::OnErrorGoTo(
      [&] {
        const QDateTime read = vb::CDate(dateText);
        const auto seconds = static_cast<qint64>(vb::CDbl(Secondcalculation(zoneOffset)));
        // Plain date arithmetic: no daylight-saving step of the host's zone.
        const QDateTime shifted = QDateTime(read.date(), read.time(), Qt::UTC).addSecs(seconds);
        return vb::FormatGeneralDate(shifted);
      },
      [&](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error in ConvertStdTime Reason : ") + err.description);
        return dateText;
      });
}

void AssignDataToArray() {
  auto& table = Program().TimeZoneTable;
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = QString::fromUtf8(kTimeZones[i]);
}

void EnableDebugPrivilege(bool enable) { OrvaneSrv::EnableDebugPrivilege(enable); }

Integer CheckAccountStatus(const QString& user, const QString& password) {
  Integer status = 0;
  vb::ResumeNext next;
  next([&] {
    const vb::ObjectRef object = win::CreateObjectFromClassId(ControllerClassId());
    const auto controller = std::dynamic_pointer_cast<OrvaneSrv::_clsController>(object);
    if (!controller) vb::Raise(vb::errObjectDoesntSupport);
    status = controller->ChkAccoutStatus(user, password);
  });
  return status;
}

bool IsExcludedItem(QString& path, const QString& kind) {
  bool excluded = false;
  vb::ResumeNext next;
  next([&] {
    if (path.endsWith(u'\\')) path.chop(1);
  });
  ProgramState& p = Program();
  const QString* list = nullptr;
  vb::CollectionPtr* patterns = nullptr;
  if (kind == u"Folder") {
    list = &p.ExcludedFolderList;
    patterns = &p.FolderExcludePatterns;
  } else if (kind == u"File") {
    list = &p.ExcludedFileList;
    patterns = &p.FileExcludePatterns;
  } else {
    return false;
  }
  next([&] {
    if (!list->isEmpty() && vb::LCase(*list).contains(vb::LCase(path) + QStringLiteral("1\n"))) excluded = true;
  });
  if (excluded) return true;
  const QString trimmed = vb::LCase(vb::Trim(path));
  const QString name = trimmed.mid(trimmed.lastIndexOf(u'\\') + 1);
  const vb::CollectionPtr& items = Items(*patterns);
  for (qsizetype i = 1; i <= items->Count() && !excluded; ++i) {
    // A pattern that cannot be read excludes nothing.
    next([&] {
      const QString pattern = QStringLiteral("*") + vb::LCase(vb::Trim(items->Item(i).ToString())) + QStringLiteral("*");
      if (vb::Like(name, pattern)) excluded = true;
    });
  }
  return excluded;
}

double GetSizeinBytes(const QString& sizeText) {
  return vb::OnErrorGoTo(
      [&] {
        const QStringList parts = vb::Split(sizeText, QStringLiteral(" "));
        if (parts.size() < 2 || vb::Trim(parts.at(0)).isEmpty()) return 0.0;
        const QString unit = vb::UCase(parts.at(1));
        double factor = 0;
        if (unit == u"GB") {
          factor = 1073741824.0;
        } else if (unit == u"MB") {
          factor = 1048576.0;
        } else if (unit == u"KB") {
          factor = 1024.0;
        } else if (unit == u"B") {
          factor = 1.0;
        } else {
          return 0.0;
        }
        return vb::CDbl(parts.at(0)) * factor;
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error in GetSizeinBytes. ") + err.description);
        return 0.0;
      });
}

}  // namespace OrvaneMac::modGeneral
