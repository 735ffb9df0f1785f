#include "program/foundation/DBaction.h"

#include <optional>

#include "ZQwinSrv/foundation/TextHelpers.h"
#include "program/foundation/Options.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextStream.h"
#include "platform/text/Strings.h"

namespace OrvaneMac::DBaction {
namespace {

const QString kModule = QStringLiteral("DBaction");

// The stream of the table being read; an open replaces it.
std::optional<win::TextStream>& TableStream() {
  static std::optional<win::TextStream> stream;
  return stream;
}

win::TextStream& OpenTable(const QString& path, Integer ansiFlag) {
  auto& slot = TableStream();
  slot.reset();
  const int format = ansiFlag == -1 ? win::TristateFalse : win::TristateTrue;
  slot.emplace(win::OpenTextFile(path, win::ForReading, false, format));
  return *slot;
}

void CloseTable() {
  auto& slot = TableStream();
  if (slot) slot->Close();
  slot.reset();
}

void Trap(const vb::ErrorInfo& err, const QString& procedure) {
  TraceError(err, procedure, vb::OwnerKind::Module, kModule);
}

// The key of a keyed record: the text before the first pair of Chr(251),
// else before the first pair of Chr(8); nothing for a line with neither.
std::optional<QString> RecordKey(const QString& line) {
  for (const char16_t code : {u'\u00FB', u'\u0008'}) {
    const QString pair(2, QChar(code));
    const qsizetype at = line.indexOf(pair);
    if (at >= 0) return line.left(at);
  }
  return std::nullopt;
}

// Every record of a table, read into an array of count + 1 elements.
std::vector<QString> AllRecords(const QString& path, Integer count) {
  std::vector<QString> records(static_cast<std::size_t>(count) + 1);
  Integer unicode = 0;
  ReadTableRecords(QString(), path, records, unicode);
  records.resize(static_cast<std::size_t>(count));
  return records;
}

}  // namespace

bool ReadTableRecords(const QString& key, const QString& path, std::vector<QString>& records, Integer& ansiFlag) {
  return vb::OnErrorGoTo(
      [&] {
        if (!win::FileExists(path)) {
          if (key.isEmpty()) return false;
          records.at(0).clear();
          return false;
        }
        win::TextStream& stream = OpenTable(path, ansiFlag);
        if (key.isEmpty()) {
          std::size_t i = 0;
          while (!stream.AtEndOfStream()) {
            const QString line = stream.ReadLine();
            if (i >= records.size()) vb::Raise(vb::errSubscriptOutOfRange);
            records[i++] = line;
          }
          CloseTable();
          return i > 0;
        }
        std::optional<QString> kept;
        while (!stream.AtEndOfStream()) {
          const QString line = stream.ReadLine();
          const auto lineKey = RecordKey(line);
          if (lineKey && *lineKey == key) {
            kept = line;
            break;
          }
        }
        CloseTable();
        if (records.empty()) vb::Raise(vb::errSubscriptOutOfRange);
        records[0] = kept.value_or(QString());
        return kept.has_value();
      },
      [](const vb::ErrorInfo&) { return false; });
}

Integer GetRecordCount(const QString& path, Integer& ansiFlag) {
  if (!win::FileExists(path)) return 0;
  win::TextStream& stream = OpenTable(path, ansiFlag);
  int count = 0;
  while (!stream.AtEndOfStream()) {
    (void)stream.ReadLine();
    if (++count > 32767) vb::Raise(vb::errOverflow);
  }
  CloseTable();
  return static_cast<Integer>(count);
}

void DB_ReadBackdata() {
  vb::OnErrorGoTo(
      [] {
        ProgramState& p = Program();
        const vb::CollectionPtr list = Items(p.BackupSetNameList);
        ClearBacksetData(list);
        Integer unicode = 0;
        const Integer count = GetRecordCount(p.BackupSetListFile, unicode);
        if (count <= 0) return;
        for (const QString& record : AllRecords(p.BackupSetListFile, count)) {
          list->Add(record, GetBackSetName(record));
        }
      },
      [](const vb::ErrorInfo& err) { Trap(err, QStringLiteral("DB_ReadBackdata")); });
}

QString GetBackSetName(const QString& record) {
  return vb::OnErrorGoTo(
      [&] {
        const qsizetype at = record.indexOf(QChar(8));
        return at < 0 ? QString() : record.left(at);
      },
      [](const vb::ErrorInfo& err) {
        Trap(err, QStringLiteral("GetBackSetName"));
        return QString();
      });
}

void ClearBacksetData(const vb::CollectionPtr& collection) {
  vb::OnErrorGoTo(
      [&] {
        if (!collection) vb::Raise(vb::errObjectVariableNotSet);
        OrvaneSrv::ClearBacksetData(collection);
      },
      [](const vb::ErrorInfo& err) { Trap(err, QStringLiteral("ClearBacksetData")); });
}

void DB_ReadMaildata(const vb::CollectionPtr& collection, const QString& path) {
  vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter DB_ReadMaildata"));
        ClearBacksetData(collection);
        Integer unicode = 0;
        const Integer count = GetRecordCount(path, unicode);
        if (count > 0) {
          if (!collection) vb::Raise(vb::errObjectVariableNotSet);
          for (const QString& record : AllRecords(path, count)) collection->Add(record, record);
        }
        WriteTrace(QStringLiteral("Exit DB_ReadMaildata"));
      },
      [](const vb::ErrorInfo& err) { Trap(err, QStringLiteral("DB_ReadMaildata")); });
}

}  // namespace OrvaneMac::DBaction
