#include "platform/objects/ClassRegistry.h"

#include "platform/errors/RuntimeError.h"
#include "platform/registry/Registry.h"

#include <QRegularExpression>

#include <mutex>
#include <utility>

namespace win {
namespace {

struct Entry {
  unsigned long cookie;
  ClassInfo info;  // identifiers normalised
};

struct State {
  std::mutex mutex;
  std::vector<Entry> entries;  // in registration order; the latest serves
  unsigned long nextCookie = 1;
};

// Never destroyed: registrations kept in static variables of their own
// (the engine keeps its classes' registrations that way) are revoked at
// process exit, in whatever order the statics go.
State& S() {
  static State* state = new State;
  return *state;
}

bool ValidProgId(const QString& progId) {
  static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_.]{0,38}$"));
  return pattern.match(progId).hasMatch();
}

std::optional<ClassInfo> InProcessClass(const QString& clsid) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  for (auto it = s.entries.rbegin(); it != s.entries.rend(); ++it) {
    if (it->info.clsid == clsid) return it->info;
  }
  return std::nullopt;
}

void RevokeCookie(unsigned long cookie) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  std::erase_if(s.entries, [cookie](const Entry& e) { return e.cookie == cookie; });
}

constexpr LONG kSuccess = static_cast<LONG>(ERROR_SUCCESS);

QString ClassKey(const QString& clsid) { return QStringLiteral("CLSID\\") + clsid; }

QString ServerKeyName(ServerKind kind) {
  return kind == ServerKind::InProcess ? QStringLiteral("InprocServer32") : QStringLiteral("LocalServer32");
}

LONG SetDefault(const QString& key, const QString& value) {
  return RegistryWriteString(HKEY_CLASSES_ROOT, key, QString(), value, RegistryKeyMode::Create);
}

}  // namespace

QString NormalizeClassId(const QString& text) {
  static const QRegularExpression pattern(
      QStringLiteral("^\\{?([0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12})\\}?$"));
  const QString trimmed = text.trimmed();
  const auto match = pattern.match(trimmed);
  if (!match.hasMatch()) return {};
  // Braces on both sides or on neither.
  if (trimmed.startsWith(u'{') != trimmed.endsWith(u'}')) return {};
  return u'{' + match.captured(1).toUpper() + u'}';
}

ClassRegistration::~ClassRegistration() { Revoke(); }

ClassRegistration::ClassRegistration(ClassRegistration&& other) noexcept
    : cookie_(std::exchange(other.cookie_, 0)) {}

ClassRegistration& ClassRegistration::operator=(ClassRegistration&& other) noexcept {
  if (this != &other) {
    Revoke();
    cookie_ = std::exchange(other.cookie_, 0);
  }
  return *this;
}

void ClassRegistration::Revoke() {
  if (cookie_ != 0) RevokeCookie(std::exchange(cookie_, 0));
}

ClassRegistration RegisterClassObject(ClassInfo info) {
  const QString clsid = NormalizeClassId(info.clsid);
  if (clsid.isEmpty()) {
    vb::Raise(vb::errInvalidProcedureCall, {}, QStringLiteral("Invalid class identifier: ") + info.clsid);
  }
  if (!info.progId.isEmpty() && !ValidProgId(info.progId)) {
    vb::Raise(vb::errInvalidProcedureCall, {}, QStringLiteral("Invalid program identifier: ") + info.progId);
  }
  if (!info.factory) vb::Raise(vb::errInvalidProcedureCall, {}, QStringLiteral("No factory for ") + clsid);
  info.clsid = clsid;

  State& s = S();
  std::lock_guard lock(s.mutex);
  const unsigned long cookie = s.nextCookie++;
  s.entries.push_back({cookie, std::move(info)});
  return ClassRegistration(cookie);
}

std::optional<QString> ClassIdFromProgId(const QString& progId) {
  const QString name = progId.trimmed();
  if (!ValidProgId(name)) return std::nullopt;
  if (const auto stored = RegistryReadString(HKEY_CLASSES_ROOT, name + QStringLiteral("\\CLSID"), QString())) {
    const QString clsid = NormalizeClassId(*stored);
    if (!clsid.isEmpty()) return clsid;
  }
  State& s = S();
  std::lock_guard lock(s.mutex);
  for (auto it = s.entries.rbegin(); it != s.entries.rend(); ++it) {
    if (it->info.progId.compare(name, Qt::CaseInsensitive) == 0) return it->info.clsid;
  }
  return std::nullopt;
}

vb::ObjectRef CreateObjectFromClassId(const QString& clsid) {
  const QString id = NormalizeClassId(clsid);
  const auto info = id.isEmpty() ? std::nullopt : InProcessClass(id);
  if (!info) vb::Raise(vb::errCantCreateObject);
  // Outside the lock: a class may create other objects while it starts.
  vb::ObjectRef object = info->factory();
  if (!object) vb::Raise(vb::errCantCreateObject);
  return object;
}

vb::ObjectRef CreateObject(const QString& progId) {
  const auto clsid = ClassIdFromProgId(progId);
  if (!clsid) vb::Raise(vb::errCantCreateObject);
  return CreateObjectFromClassId(*clsid);
}

LONG RegisterServer(const std::vector<ClassInfo>& classes) {
  for (const ClassInfo& info : classes) {
    const QString clsid = NormalizeClassId(info.clsid);
    if (clsid.isEmpty() || (!info.progId.isEmpty() && !ValidProgId(info.progId))) {
      return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    }
    const QString classKey = ClassKey(clsid);
    const QString serverKey = classKey + u'\\' + ServerKeyName(info.server);
    LONG rc = SetDefault(classKey, info.progId);
    if (rc == kSuccess) rc = SetDefault(serverKey, info.modulePath);
    if (rc == kSuccess && info.server == ServerKind::InProcess) {
      rc = RegistryWriteString(HKEY_CLASSES_ROOT, serverKey, QStringLiteral("ThreadingModel"),
                               QStringLiteral("Apartment"), RegistryKeyMode::Create);
    }
    if (rc == kSuccess && !info.typeLib.isEmpty()) rc = SetDefault(classKey + QStringLiteral("\\TypeLib"), info.typeLib);
    if (rc == kSuccess && !info.progId.isEmpty()) {
      rc = SetDefault(classKey + QStringLiteral("\\ProgID"), info.progId);
      if (rc == kSuccess) rc = SetDefault(info.progId, info.progId);
      if (rc == kSuccess) rc = SetDefault(info.progId + QStringLiteral("\\CLSID"), clsid);
    }
    if (rc != kSuccess) return rc;
  }
  return kSuccess;
}

LONG UnregisterServer(const std::vector<ClassInfo>& classes) {
  LONG result = kSuccess;
  const auto remove = [&result](const QString& key) {
    const LONG rc = RegDeleteKey(HKEY_CLASSES_ROOT, key);
    if (rc != kSuccess && rc != static_cast<LONG>(ERROR_FILE_NOT_FOUND) && result == kSuccess) result = rc;
  };
  for (const ClassInfo& info : classes) {
    const QString clsid = NormalizeClassId(info.clsid);
    if (clsid.isEmpty()) {
      if (result == kSuccess) result = static_cast<LONG>(ERROR_INVALID_PARAMETER);
      continue;
    }
    const QString classKey = ClassKey(clsid);
    for (const char* sub : {"InprocServer32", "LocalServer32", "ProgID", "TypeLib"}) {
      remove(classKey + u'\\' + QLatin1String(sub));
    }
    remove(classKey);
    if (!info.progId.isEmpty() && ValidProgId(info.progId)) {
      remove(info.progId + QStringLiteral("\\CLSID"));
      remove(info.progId);
    }
  }
  return result;
}

}  // namespace win
