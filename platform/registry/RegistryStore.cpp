#include "platform/registry/RegistryStore.h"

#include "platform/files/FolderLock.h"
#include "platform/paths/WinPath.h"
#include "platform/registry/RegistryHive.h"
#include "platform/registry/RegistrySeeds.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>

namespace win {
namespace {

Q_LOGGING_CATEGORY(lcRegistry, "platform.registry")

constexpr LONG kSuccess = static_cast<LONG>(ERROR_SUCCESS);
constexpr LONG kFileNotFound = static_cast<LONG>(ERROR_FILE_NOT_FOUND);
constexpr LONG kAccessDenied = static_cast<LONG>(ERROR_ACCESS_DENIED);
constexpr LONG kInvalidHandle = static_cast<LONG>(ERROR_INVALID_HANDLE);
constexpr LONG kInvalidParameter = static_cast<LONG>(ERROR_INVALID_PARAMETER);
constexpr LONG kBadPathname = static_cast<LONG>(ERROR_BAD_PATHNAME);
constexpr LONG kMoreData = static_cast<LONG>(ERROR_MORE_DATA);
constexpr LONG kBadDb = static_cast<LONG>(ERROR_BADDB);
constexpr LONG kIoFailed = static_cast<LONG>(ERROR_REGISTRY_IO_FAILED);
constexpr LONG kKeyDeleted = static_cast<LONG>(ERROR_KEY_DELETED);

// Handles are unique across stores, so a handle used with the wrong store
// fails instead of reaching another key.
std::atomic<HKEY> gNextHandle{0x100};

bool IsRoot(HKEY key) { return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE; }

// The system receives C strings: whatever follows a NUL never arrives.
QString CString(const QString& s) {
  const qsizetype nul = s.indexOf(QChar(0));
  return nul < 0 ? s : s.left(nul);
}

std::optional<QString> CleanSubKey(const QString& subKey) {
  QString s = CString(subKey);
  if (s.startsWith(u'\\')) return std::nullopt;
  if (s.endsWith(u'\\')) s.chop(1);
  if (s.endsWith(u'\\') || s.contains(QStringLiteral("\\\\"))) return std::nullopt;
  return s;
}

QString Join(const QString& base, const QString& sub) {
  if (base.isEmpty()) return sub;
  if (sub.isEmpty()) return base;
  return base + u'\\' + sub;
}

struct FileStamp {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  qint64 mtimeNs = 0;
  qint64 size = 0;
  bool operator==(const FileStamp&) const = default;
};

// Every write renames a new file into place, so the inode alone tells a
// change; the time and size catch a file edited in place by hand.
FileStamp Stamp(const QString& file) {
  struct stat st {};
  if (::stat(QFile::encodeName(file).constData(), &st) != 0) return {};
  return {true, st.st_dev, st.st_ino, static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
          static_cast<qint64>(st.st_size)};
}


struct HiveState {
  QString name;  // "HKEY_CURRENT_USER"
  QString file;
  bool read = false;
  FileStamp stamp;
  RegistryHive hive;
  bool corrupt = false;
};

struct OpenKeyState {
  HKEY root = 0;
  QString path;
  REGSAM sam = 0;
};

}  // namespace

struct RegistryStore::Impl {
  RegistryConfig config;
  std::mutex mutex;
  std::map<HKEY, HiveState> hives;
  std::map<HKEY, OpenKeyState> handles;

  LONG Resolve(HKEY key, OpenKeyState* out) const {
    if (IsRoot(key)) {
      *out = {key, QString(), KEY_ALL_ACCESS};
      return kSuccess;
    }
    const auto it = handles.find(key);
    if (it == handles.end()) return kInvalidHandle;
    *out = it->second;
    return kSuccess;
  }

  // Resolves an open key for reading: its hive brought up to date with its
  // file, and the key still there (a key deleted behind the handle: 1018).
  LONG ResolveCurrent(HKEY key, OpenKeyState* out, HiveState** hive) {
    if (const LONG rc = Resolve(key, out); rc != kSuccess) return rc;
    HiveState& h = hives.at(out->root);
    if (const LONG rc = Refresh(h); rc != kSuccess) return rc;
    if (!Exists(h.hive, out->root, out->path)) return kKeyDeleted;
    *hive = &h;
    return kSuccess;
  }

  HKEY NewHandle(const OpenKeyState& state) {
    const HKEY h = gNextHandle.fetch_add(4);
    handles[h] = state;
    return h;
  }

  // Brings the hive up to date with its file.
  LONG Refresh(HiveState& h) {
    const FileStamp now = Stamp(h.file);
    if (h.read && now == h.stamp) return h.corrupt ? kBadDb : kSuccess;
    h.hive = RegistryHive();
    h.corrupt = false;
    h.read = false;
    if (now.exists) {
      QFile f(h.file);
      if (!f.open(QIODevice::ReadOnly)) return kAccessDenied;
      const QByteArray bytes = f.readAll();
      if (!bytes.trimmed().isEmpty()) {
        QString why;
        auto parsed = RegistryHive::FromJson(bytes, &why);
        if (!parsed) {
          qCWarning(lcRegistry) << "hive file" << h.file << "is damaged and left alone:" << why;
          h.corrupt = true;
        } else {
          h.hive = std::move(*parsed);
        }
      }
    }
    h.read = true;
    h.stamp = now;
    return h.corrupt ? kBadDb : kSuccess;
  }

  bool Exists(const RegistryHive& hive, HKEY root, const QString& path) const {
    return path.isEmpty() || hive.HasKey(path) || (config.systemValues && IsSystemKey(root, path));
  }

  bool IsSystemValue(HKEY root, const QString& path, const QString& name) const {
    return config.systemValues && IsSystemValueName(root, path, name);
  }

  // One read-modify-write of a hive. `edit` works on a copy and sets
  // `changed` when there is something to write.
  LONG Change(HiveState& h, const std::function<LONG(RegistryHive&, bool& changed)>& edit) {
    const QString folder = QFileInfo(h.file).absolutePath();
    if (!QDir().mkpath(folder)) return kAccessDenied;
    FolderLock lock(folder);
    if (const LONG rc = Refresh(h); rc != kSuccess) return rc;
    RegistryHive copy = h.hive;
    bool changed = false;
    if (const LONG rc = edit(copy, changed); rc != kSuccess || !changed) return rc;

    QSaveFile out(h.file);
    if (!out.open(QIODevice::WriteOnly)) {
      qCWarning(lcRegistry) << "cannot write" << h.file << out.errorString();
      return kAccessDenied;
    }
    if (!h.stamp.exists) out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    out.write(copy.ToJson(h.name));
    if (!out.commit()) {
      qCWarning(lcRegistry) << "cannot write" << h.file << out.errorString();
      return kIoFailed;
    }
    h.hive = std::move(copy);
    h.stamp = Stamp(h.file);
    h.read = true;
    return kSuccess;
  }
};

RegistryConfig RegistryConfig::FromEnvironment() {
  const QString dir = qEnvironmentVariable("ORVANE_REGISTRY_DIR");
  if (!dir.isEmpty()) return InFolder(dir);
  RegistryConfig c;
  QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config");
  c.userFolder = config + QStringLiteral("/orvane/registry");
  QString program = ToHostPath(ProgramFolder());
  if (program.isEmpty())
    program = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
  c.machineFolder = program + QStringLiteral("/registry");
  return c;
}

RegistryConfig RegistryConfig::InFolder(const QString& hostFolder) {
  RegistryConfig c;
  c.userFolder = hostFolder;
  c.machineFolder = hostFolder;
  return c;
}

RegistryStore::RegistryStore(RegistryConfig config) : d_(std::make_unique<Impl>()) {
  d_->config = std::move(config);
  const std::pair<HKEY, const char*> roots[] = {{HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
                                                {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
                                                {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"}};
  for (const auto& [root, name] : roots) {
    HiveState& h = d_->hives[root];
    h.name = QString::fromLatin1(name);
    h.file = HiveFile(root);
  }
}

RegistryStore::~RegistryStore() = default;

const RegistryConfig& RegistryStore::Config() const { return d_->config; }

QString RegistryStore::HiveFile(HKEY root) const {
  switch (root) {
    case HKEY_CLASSES_ROOT:
      return d_->config.machineFolder + QStringLiteral("/HKCR.json");
    case HKEY_CURRENT_USER:
      return d_->config.userFolder + QStringLiteral("/HKCU.json");
    case HKEY_LOCAL_MACHINE:
      return d_->config.machineFolder + QStringLiteral("/HKLM.json");
    default:
      return {};
  }
}

LONG RegistryStore::OpenKey(HKEY key, const QString& subKey, REGSAM sam, HKEY* result) {
  if (!result) return kInvalidParameter;
  std::lock_guard guard(d_->mutex);
  OpenKeyState base;
  if (const LONG rc = d_->Resolve(key, &base); rc != kSuccess) return rc;
  const auto sub = CleanSubKey(subKey);
  if (!sub) return kBadPathname;
  HiveState* hive = nullptr;
  if (const LONG rc = d_->ResolveCurrent(key, &base, &hive); rc != kSuccess) return rc;
  HiveState& h = *hive;
  const QString path = Join(base.path, *sub);
  if (!d_->Exists(h.hive, base.root, path)) return kFileNotFound;
  *result = d_->NewHandle({base.root, path, sam});
  return kSuccess;
}

LONG RegistryStore::CreateKey(HKEY key, const QString& subKey, REGSAM sam, HKEY* result, DWORD* disposition) {
  if (!result) return kInvalidParameter;
  std::lock_guard guard(d_->mutex);
  OpenKeyState base;
  if (const LONG rc = d_->Resolve(key, &base); rc != kSuccess) return rc;
  const auto sub = CleanSubKey(subKey);
  if (!sub) return kBadPathname;
  HiveState* hive = nullptr;
  if (const LONG rc = d_->ResolveCurrent(key, &base, &hive); rc != kSuccess) return rc;
  HiveState& h = *hive;
  const QString path = Join(base.path, *sub);

  bool created = false;
  if (!d_->Exists(h.hive, base.root, path)) {
    if (!IsRoot(key) && !(base.sam & KEY_CREATE_SUB_KEY)) return kAccessDenied;
    const LONG rc = d_->Change(h, [&](RegistryHive& hive, bool& changed) {
      if (!d_->Exists(hive, base.root, base.path)) return kKeyDeleted;
      changed = created = !d_->Exists(hive, base.root, path) && hive.CreateKey(path);
      return kSuccess;
    });
    if (rc != kSuccess) return rc;
  }
  *result = d_->NewHandle({base.root, path, sam});
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return kSuccess;
}

LONG RegistryStore::QueryValue(HKEY key, const QString& valueName, DWORD* type, void* data, DWORD* cbData) {
  if (data && !cbData) return kInvalidParameter;
  std::lock_guard guard(d_->mutex);
  OpenKeyState k;
  if (const LONG rc = d_->Resolve(key, &k); rc != kSuccess) return rc;
  if (!(k.sam & KEY_QUERY_VALUE)) return kAccessDenied;
  HiveState* hive = nullptr;
  if (const LONG rc = d_->ResolveCurrent(key, &k, &hive); rc != kSuccess) return rc;
  HiveState& h = *hive;

  const QString name = CString(valueName);
  std::optional<RegistryValue> value;
  if (d_->IsSystemValue(k.root, k.path, name)) {
    for (RegistryValue& v : SystemValues(k.root, k.path, d_->config.osReleaseFile))
      if (QString::compare(v.name, name, Qt::CaseInsensitive) == 0) value = std::move(v);
  } else if (const RegistryKeyData* stored = h.hive.Key(k.path)) {
    if (const RegistryValue* v = stored->Find(name)) value = *v;
  }
  if (!value) return kFileNotFound;

  if (type) *type = value->type;
  const auto needed = static_cast<DWORD>(value->data.size());
  if (!data) {
    if (cbData) *cbData = needed;
    return kSuccess;
  }
  if (*cbData < needed) {
    *cbData = needed;
    return kMoreData;
  }
  if (needed) std::memcpy(data, value->data.constData(), needed);
  *cbData = needed;
  return kSuccess;
}

LONG RegistryStore::SetValue(HKEY key, const QString& valueName, DWORD type, const void* data, DWORD cbData) {
  if (!data && cbData) return kInvalidParameter;
  if ((type == REG_DWORD || type == REG_DWORD_BIG_ENDIAN) && cbData != 4) return kInvalidParameter;
  if (type == REG_QWORD && cbData != 8) return kInvalidParameter;
  if (cbData > kRegistryMaxValueBytes) return kInvalidParameter;
  std::lock_guard guard(d_->mutex);
  OpenKeyState k;
  if (const LONG rc = d_->Resolve(key, &k); rc != kSuccess) return rc;
  if (!(k.sam & KEY_SET_VALUE)) return kAccessDenied;
  const QString name = CString(valueName);
  if (name.size() > kRegistryMaxValueName) return kInvalidParameter;
  if (d_->IsSystemValue(k.root, k.path, name)) return kAccessDenied;
  if (k.path.isEmpty()) return kAccessDenied;  // values right under a root are not kept here
  const QByteArray bytes(static_cast<const char*>(data), static_cast<qsizetype>(cbData));
  return d_->Change(d_->hives.at(k.root), [&](RegistryHive& hive, bool& changed) {
    if (!d_->Exists(hive, k.root, k.path)) return kKeyDeleted;
    hive.CreateKey(k.path);  // a system key gets its place in the file with its first value
    RegistryKeyData* stored = hive.Key(k.path);
    if (RegistryValue* v = stored->Find(name)) {
      v->type = type;  // the name keeps the spelling it was created with
      v->data = bytes;
    } else {
      stored->values.push_back({name, type, bytes});
    }
    changed = true;
    return kSuccess;
  });
}

LONG RegistryStore::DeleteValue(HKEY key, const QString& valueName) {
  std::lock_guard guard(d_->mutex);
  OpenKeyState k;
  if (const LONG rc = d_->Resolve(key, &k); rc != kSuccess) return rc;
  if (!(k.sam & KEY_SET_VALUE)) return kAccessDenied;
  const QString name = CString(valueName);
  if (d_->IsSystemValue(k.root, k.path, name)) return kAccessDenied;
  return d_->Change(d_->hives.at(k.root), [&](RegistryHive& hive, bool& changed) {
    if (!d_->Exists(hive, k.root, k.path)) return kKeyDeleted;
    RegistryKeyData* stored = hive.Key(k.path);
    const RegistryValue* v = stored ? stored->Find(name) : nullptr;
    if (!v) return kFileNotFound;
    stored->values.erase(stored->values.begin() + (v - stored->values.data()));
    changed = true;
    return kSuccess;
  });
}

LONG RegistryStore::DeleteKey(HKEY key, const QString& subKey) {
  std::lock_guard guard(d_->mutex);
  OpenKeyState base;
  if (const LONG rc = d_->Resolve(key, &base); rc != kSuccess) return rc;
  const auto sub = CleanSubKey(subKey);
  if (!sub) return kBadPathname;
  const QString path = Join(base.path, *sub);
  if (path.isEmpty()) return kAccessDenied;
  if (d_->config.systemValues && IsSystemKey(base.root, path)) return kAccessDenied;
  return d_->Change(d_->hives.at(base.root), [&](RegistryHive& hive, bool& changed) {
    if (!hive.HasKey(path)) return kFileNotFound;
    if (hive.HasSubKeys(path)) return kAccessDenied;
    hive.RemoveKey(path);
    changed = true;
    return kSuccess;
  });
}

LONG RegistryStore::CloseKey(HKEY key) {
  if (IsRoot(key)) return kSuccess;
  std::lock_guard guard(d_->mutex);
  return d_->handles.erase(key) ? kSuccess : kInvalidHandle;
}

LONG RegistryStore::FlushKey(HKEY key) {
  if (IsRoot(key)) return kSuccess;
  std::lock_guard guard(d_->mutex);
  return d_->handles.count(key) ? kSuccess : kInvalidHandle;
}

}  // namespace win
