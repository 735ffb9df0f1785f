#include "ZQwinSrv/foundation/SideFiles.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "platform/codepage/CodePage.h"
#include "platform/files/BinaryFile.h"
#include "platform/files/FileAttributes.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextStream.h"
#include "platform/paths/WinPath.h"
#include "platform/registry/Registry.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

namespace OrvaneSrv {
namespace {

const QString kOVMacKey = QStringLiteral("Software\\OVMac");
constexpr win::DWORD kRegistryBufferBytes = 2048;

// The key both deliverables scramble stored passwords with.
const QString kPasswordKey = QStringLiteral("VEZIRUD");

bool IsPasswordKind(Integer kind) { return kind == 1 || kind == 5; }

// A text as a Unicode text file holds it: the byte-order mark, then UTF-16LE.
QByteArray UnicodeFileBytes(const QString& text) {
  QByteArray bytes("\xFF\xFE", 2);
  bytes.reserve(2 + text.size() * 2);
  for (const QChar c : text) {
    bytes.append(static_cast<char>(c.unicode() & 0xFF));
    bytes.append(static_cast<char>(c.unicode() >> 8));
  }
  return bytes;
}

// A side file's name as both the reader and the writer use it: line feeds
// removed and blanks trimmed, so a value written under a name is always
// found again under the same name.
QString CleanName(const QString& name) { return vb::Trim(QString(name).remove(u'\n')); }

QString SideFileName(const SideFileSettings& settings, const QString& cleanName, Integer kind) {
  switch (kind) {
    case 1: return cleanName + QStringLiteral(".txt");
    case 2: return QStringLiteral("ZQOpenfilepath.txt");
    case 3: return settings.tempPathFileName;
    case 4: return QStringLiteral("ZQSystemStatePath.txt");
    case 5: return QStringLiteral("ZQProxyUser.txt");
    default: return {};
  }
}

// The folder of a side file: the name's folder below the application folder,
// or the application folder itself for the empty name.
QString SideFileFolder(const SideFileSettings& settings, const QString& cleanName) {
  return cleanName.isEmpty() ? settings.appFolder : win::JoinPath(settings.appFolder, cleanName);
}

// The registry value read when a side file gives nothing.
QString FallbackValueName(const QString& cleanName, Integer kind) {
  switch (kind) {
    case 1: return EncryptPwd(cleanName);
    case 2: return QStringLiteral("VSSTEMPPATH");
    case 3: return QStringLiteral("TempFolder");
    case 4: return QStringLiteral("SYSSTATE");
    default: return {};
  }
}

// A password side file's text: everything up to the final line end, which
// the writer added.
QString WithoutFinalLineEnd(QString text) {
  if (text.endsWith(QStringLiteral("\r\n"))) {
    text.chop(2);
  } else if (text.endsWith(u'\n') || text.endsWith(u'\r')) {
    text.chop(1);
  }
  return text;
}

// The Windows-1252 code of a character; "?" for one the code page lacks.
int AnsiCodeOf(QChar ch) {
  const int code = win::AnsiCode(ch);
  return code < 0 ? 63 : code;
}

// Two paths that name one host file.
bool SameFile(const QString& a, const QString& b) {
  const QString hostA = QFileInfo(win::ToHostPath(a)).canonicalFilePath();
  const QString hostB = QFileInfo(win::ToHostPath(b)).canonicalFilePath();
  return !hostA.isEmpty() && hostA == hostB;
}

// The copy behind EncryptFile and DecryptFile. Both transforms keep the
// text, so the bytes are copied as they are: a block that happens to read
// "Error" is data like any other, and no code-page round trip can change a
// byte. Blocks are larger than the legacy 128 bytes only to keep large
// files fast; window messages still run after each.
bool CopyThroughTransform(const QString& source, const QString& destination, bool keepDestination) {
  return vb::OnErrorGoTo(
      [&] {
        if (SameFile(source, destination)) {
          // Copying a file onto itself leaves it as it is; opening it for
          // writing first would destroy what is still to be read.
          win::BinaryFile::Open(source, win::BinaryFile::Access::Read, win::BinaryFile::Disposition::OpenExisting).Close();
          return true;
        }
        if (!keepDestination && win::FileExists(destination)) win::DeleteFile(destination, true);
        win::BinaryFile in =
            win::BinaryFile::Open(source, win::BinaryFile::Access::Read, win::BinaryFile::Disposition::OpenExisting);
        // Emptied first: an older, longer destination must not keep its tail.
        win::BinaryFile out =
            win::BinaryFile::Open(destination, win::BinaryFile::Access::Write, win::BinaryFile::Disposition::CreateAlways);
        constexpr qint64 kBlock = 64 * 1024;
        const qint64 size = in.Length();
        for (qint64 done = 0; done < size;) {
          const QByteArray block = in.Read(std::min(kBlock, size - done));
          if (block.isEmpty()) vb::Raise(vb::errInputPastEndOfFile);
          out.Write(block);
          done += block.size();
          vb::DoEvents();
        }
        out.Close();
        in.Close();
        return true;
      },
      [](const vb::ErrorInfo&) { return false; });
}

}  // namespace

// ---- The password scrambler --------------------------------------------------

QString EncryptPwd(const QString& strText) {
  if (vb::Trim(strText).isEmpty()) return {};
  QString out(strText.size(), QChar());
  for (qsizetype i = 0; i < strText.size(); ++i) {
    // Position i + 1 pairs with key letter ((i + 1) mod 7) + 1.
    const char16_t key = kPasswordKey.at((i + 1) % 7).unicode();
    out[i] = QChar(static_cast<char16_t>((strText.at(i).unicode() + key) & 0xFF));
  }
  return out;
}

QString DecryptPwd(const QString& strText) {
  if (vb::Trim(strText).isEmpty()) return {};
  QString out(strText.size(), QChar());
  for (qsizetype i = 0; i < strText.size(); ++i) {
    const char16_t key = kPasswordKey.at((i + 1) % 7).unicode();
    out[i] = QChar(static_cast<char16_t>((strText.at(i).unicode() - key) & 0xFF));
  }
  return out;
}

// ---- Side files and "Software\OVMac" ------------------------------------------

win::HKEY OVMacHive() { return getMajorVersion() < 6 ? win::HKEY_LOCAL_MACHINE : win::HKEY_CURRENT_USER; }

QString ReadProfilefromRegistry(const SideFileSettings& settings, const QString& valueName) {
  RegistryLookup lookup;
  lookup.valueName = valueName;
  QString value;
  vb::ResumeNext next;
  next([&] {
    win::HKEY key = 0;
    if (win::RegOpenKeyEx(OVMacHive(), kOVMacKey, 0, win::KEY_QUERY_VALUE, &key) != win::ERROR_SUCCESS) return;
    QByteArray buffer(kRegistryBufferBytes, '\0');
    win::DWORD type = 0;
    win::DWORD size = kRegistryBufferBytes;
    const win::LONG status = win::RegQueryValueEx(key, valueName, &type, buffer.data(), &size);
    win::RegCloseKey(key);
    if (status != win::ERROR_SUCCESS) return;
    // The buffer as UTF-16 text: what the value did not fill stays NUL.
    QString text(kRegistryBufferBytes / 2, QChar());
    std::memcpy(text.data(), buffer.constData(), kRegistryBufferBytes);
    value = StripNull(text, settings.keepLeadingCr);
    lookup.found = true;
  });
  lookup.error = next.Err();
  if (settings.traceLookup) settings.traceLookup(lookup);
  return value;
}

QString ReadProfileFile(const SideFileSettings& settings, const QString& name, Integer kind) {
  QString value;
  vb::ResumeNext next;
  const QString cleanName = CleanName(name);
  next([&] {
    const QString fileName = SideFileName(settings, cleanName, kind);
    if (fileName.isEmpty()) return;
    const QString path = win::JoinPath(SideFileFolder(settings, cleanName), fileName);
    if (!win::FileExists(path)) return;
    win::TextStream stream = win::OpenTextFile(path, win::ForReading, false, win::TristateTrue);
    if (!stream.AtEndOfStream()) {
      value = IsPasswordKind(kind) ? WithoutFinalLineEnd(stream.ReadAll()) : vb::Trim(stream.ReadLine());
    }
    stream.Close();
  });
  if (kind == 5) next([&] { value = DecryptPwd(value); });
  if (vb::Trim(value).isEmpty()) {
    value.clear();
    const QString fallback = FallbackValueName(cleanName, kind);
    if (!fallback.isEmpty()) next([&] { value = vb::Trim(ReadProfilefromRegistry(settings, fallback)); });
  }
  return IsPasswordKind(kind) ? value : vb::Trim(value);
}

void WriteProfileFile(const SideFileSettings& settings, const QString& name, const QString& value, Integer kind) {
  const QString cleanName = CleanName(name);
  const QString fileName = SideFileName(settings, cleanName, kind);
  if (fileName.isEmpty()) return;
  const QString folder = SideFileFolder(settings, cleanName);
  const QString path = win::JoinPath(folder, fileName);
  vb::ResumeNext next;
  if (settings.createAppFolder) {
    next([&] {
      if (!win::FolderExists(settings.appFolder)) win::CreateFolder(settings.appFolder);
    });
  }
  next([&] {
    if (!win::FolderExists(folder)) win::CreateFolder(folder);
  });
  if (IsPasswordKind(kind)) {
    // A password is never readable by others, not even for a moment: the
    // file is made owner-only and takes the old one's place whole.
    if (kind == 5 && value.isEmpty()) {
      next([&] {
        if (win::FileExists(path)) win::DeleteFile(path, true);
      });
      return;  // no proxy password: no file
    }
    next([&] {
      if (win::FileExists(path) && (win::GetAttr(path) & win::FILE_ATTRIBUTE_READONLY) != 0) {
        win::DeleteFile(path, true);
      }
    });
    next([&] { win::WriteOwnerOnlyFile(path, UnicodeFileBytes(value + QStringLiteral("\r\n"))); });
    return;
  }
  next([&] {
    if (win::FileExists(path)) win::DeleteFile(path, true);
  });
  next([&] {
    win::TextStream stream = win::CreateTextFile(path, true, true);
    stream.Write(IsPasswordKind(kind) ? value : vb::Trim(value));
    stream.Write(QStringLiteral("\r\n"));
    stream.Close();
  });
}

// ---- The engine's own routines ------------------------------------------------

SideFileSettings EngineSideFiles(const QString& appFolder) {
  SideFileSettings settings;
  settings.appFolder = appFolder;
  settings.traceLookup = [](const RegistryLookup& lookup) {
    WriteTrace(QStringLiteral("ReadProfilefromRegistry value for ") + lookup.valueName +
               (lookup.found ? QStringLiteral(" found") : QStringLiteral(" not found")));
    if (lookup.error.Failed()) WriteTrace(QStringLiteral("ReadProfilefromRegistry = ") + QString::number(lookup.error.number));
  };
  return settings;
}

QString ReadProfileFile(const QString& name, Integer kind) {
  return ReadProfileFile(EngineSideFiles(AppFolder()), name, kind);
}

void WriteProfileFile(const QString& name, const QString& value, Integer kind) {
  // Written beside the engine library, where the program's own writer puts
  // the same files.
  WriteProfileFile(EngineSideFiles(win::JoinPath(win::ProgramFolder(), Engine().gsAppWord)), name, value, kind);
}

QString ReadProfilefromRegistry(const QString& valueName) {
  return ReadProfilefromRegistry(EngineSideFiles(AppFolder()), valueName);
}

vb::Variant RegReadValue(win::HKEY root, QString keyPath, const QString& valueName, RegistryReadForm form) {
  if (keyPath.startsWith(u'\\')) keyPath.remove(0, 1);
  win::HKEY key = 0;
  if (win::RegOpenKeyEx(root, keyPath, 0, win::KEY_ALL_ACCESS, &key) != win::ERROR_SUCCESS) return {};
  vb::Variant result;
  QByteArray buffer(kRegistryBufferBytes, '\0');
  win::DWORD type = win::REG_NONE;
  win::DWORD size = kRegistryBufferBytes;
  const win::LONG sized = win::RegQueryValueEx(key, valueName, &type, nullptr, &size);
  if (sized != win::ERROR_SUCCESS) type = win::REG_NONE;
  switch (type) {
    case win::REG_SZ: {
      size = kRegistryBufferBytes;
      if (win::RegQueryValueEx(key, valueName, nullptr, buffer.data(), &size) == win::ERROR_SUCCESS &&
          (size > 0 || !form.emptyUnlessRead)) {
        QString text(kRegistryBufferBytes / 2, QChar());
        std::memcpy(text.data(), buffer.constData(), kRegistryBufferBytes);
        const qsizetype nul = text.indexOf(QChar());
        result = form.cutAtCr ? StripNull(text, false) : (nul < 0 ? text : text.left(nul));
      } else if (!form.emptyUnlessRead) {
        result = QString();
      }
      break;
    }
    case win::REG_DWORD: {
      std::int32_t number = 0;
      size = sizeof number;
      if (win::RegQueryValueEx(key, valueName, nullptr, &number, &size) != win::ERROR_SUCCESS) number = 0;
      result = vb::Variant::FromLong(number);
      break;
    }
    case win::REG_BINARY: {
      size = kRegistryBufferBytes;
      const bool read = win::RegQueryValueEx(key, valueName, nullptr, buffer.data(), &size) == win::ERROR_SUCCESS;
      result = vb::Variant::FromByte(read && size > 0 ? static_cast<std::uint8_t>(buffer.at(0)) : 0);
      break;
    }
    default: break;
  }
  win::RegCloseKey(key);
  return result;
}

void SetKeyValue(const QString& keyPath, const QString& valueName, const vb::Variant& value, Long type) {
  vb::ResumeNext next;
  next([&] {
    win::HKEY key = 0;
    if (win::RegOpenKeyEx(win::HKEY_CURRENT_USER, keyPath, 0, win::KEY_SET_VALUE, &key) != win::ERROR_SUCCESS) return;
    SetValueEx(key, valueName, type, value);
    win::RegFlushKey(key);
    win::RegCloseKey(key);
  });
}

Long SetValueEx(win::HKEY key, const QString& valueName, Long type, const vb::Variant& value) {
  if (type == static_cast<Long>(win::REG_SZ)) {
    const QString text = value.ToString();
    // The text and its terminating NUL.
    QByteArray bytes(reinterpret_cast<const char*>(text.utf16()), (text.size() + 1) * 2);
    return win::RegSetValueEx(key, valueName, win::REG_SZ, bytes.constData(), static_cast<win::DWORD>(bytes.size()));
  }
  if (type == static_cast<Long>(win::REG_DWORD)) {
    const std::int32_t number = value.ToLong();
    return win::RegSetValueEx(key, valueName, win::REG_DWORD, &number, sizeof number);
  }
  return 0;
}

bool GetAppType() {
  return vb::OnErrorGoTo(
      [] {
        QString type = vb::Trim(gTransfer().Trf_ReadProfile(AppFolder() + QStringLiteral("\\OrvaneDetails.ini"),
                                                             QStringLiteral("Orvane"), QStringLiteral("Type")));
        if (type.isEmpty()) {
          type = vb::Trim(win::RegistryReadString(win::HKEY_LOCAL_MACHINE, kOVMacKey, QStringLiteral("Type"),
                                                  kRegistryBufferBytes)
                              .value_or(QString()));
        }
        return vb::LCase(type) == u"service";
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Unable to query the registry, reason : ") + err.description);
        return false;
      });
}

QString ReadTextFileLine(const QString& path) {
  QString line;
  vb::ResumeNext next;
  next([&] {
    if (!win::FileExists(path)) return;
    win::TextStream stream = win::OpenTextFile(path, win::ForReading, false, win::TristateFalse);
    if (!stream.AtEndOfStream()) line = stream.ReadLine();
    stream.Close();
  });
  return vb::Trim(line);
}

QString ScrambleKeyText(Integer direction, const QString& text) {
  static const QString kKeyText = QStringLiteral("àéñóúüçãõâê");
  int key = 0;  // the first seven key letters XORed together
  for (int i = 0; i < 7; ++i) key ^= AnsiCodeOf(kKeyText.at(i));
  QString out;
  out.reserve(text.size());
  for (const QChar ch : text) {
    const int code = AnsiCodeOf(ch);
    const int result = direction != 0 ? ((code ^ key) - 1) & 0xFF : ((code + 1) & 0xFF) ^ key;
    out.append(win::AnsiChar(static_cast<unsigned char>(result)));
  }
  return out;
}

QString Encrypt(const QString& text) { return text; }
QString Decrypt(const QString& text) { return text; }

bool EncryptFile(const QString& source, const QString& destination, bool keepDestination) {
  return CopyThroughTransform(source, destination, keepDestination);
}

bool DecryptFile(const QString& source, const QString& destination, bool keepDestination) {
  return CopyThroughTransform(source, destination, keepDestination);
}

}  // namespace OrvaneSrv
