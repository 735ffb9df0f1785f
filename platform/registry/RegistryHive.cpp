#include "platform/registry/RegistryHive.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>
#include <QtEndian>

#include <cmath>

namespace win {
namespace {

const QString kFormat = QStringLiteral("orvane-registry-1");

QByteArray Utf16LeBytes(const QString& s) {
  QByteArray out;
  out.reserve(s.size() * 2);
  for (QChar c : s) {
    const quint16 u = qToLittleEndian<quint16>(c.unicode());
    out.append(reinterpret_cast<const char*>(&u), 2);
  }
  return out;
}

QString FromUtf16LeBytes(const QByteArray& bytes) {
  QString s(bytes.size() / 2, Qt::Uninitialized);
  for (qsizetype i = 0; i < s.size(); ++i) s[i] = QChar(qFromLittleEndian<quint16>(bytes.constData() + 2 * i));
  return s;
}

bool IsHex(const QString& s) {
  if (s.size() % 2 != 0) return false;
  for (QChar c : s)
    if (!c.isDigit() && !(c >= u'a' && c <= u'f') && !(c >= u'A' && c <= u'F')) return false;
  return true;
}

// A name goes to JSON as text when it is valid UTF-16, else as hex of its units.
void PutName(QJsonObject& obj, const QString& field, const QString& name) {
  if (QStringView(name).isValidUtf16())
    obj.insert(field, name);
  else
    obj.insert(field + QStringLiteral("Utf16"), QString::fromLatin1(Utf16LeBytes(name).toHex()));
}

std::optional<QString> GetName(const QJsonObject& obj, const QString& field) {
  if (obj.value(field).isString()) return obj.value(field).toString();
  const QJsonValue hex = obj.value(field + QStringLiteral("Utf16"));
  if (!hex.isString() || !IsHex(hex.toString()) || hex.toString().size() % 4 != 0) return std::nullopt;
  return FromUtf16LeBytes(QByteArray::fromHex(hex.toString().toLatin1()));
}

// The text of string data stored the usual way: UTF-16 ended by one NUL.
std::optional<QString> PlainText(const RegistryValue& v) {
  if (v.type != REG_SZ && v.type != REG_EXPAND_SZ) return std::nullopt;
  if (v.data.size() < 2 || v.data.size() % 2 != 0) return std::nullopt;
  const QString s = FromUtf16LeBytes(v.data);
  if (s.back() != QChar(0)) return std::nullopt;
  const QString text = s.left(s.size() - 1);
  if (text.contains(QChar(0)) || !QStringView(text).isValidUtf16()) return std::nullopt;
  return text;
}

QJsonObject ValueToJson(const RegistryValue& v) {
  QJsonObject obj;
  PutName(obj, QStringLiteral("name"), v.name);
  obj.insert(QStringLiteral("type"), static_cast<double>(v.type));
  if (const auto text = PlainText(v)) {
    obj.insert(QStringLiteral("text"), *text);
  } else if (v.type == REG_DWORD && v.data.size() == 4) {
    obj.insert(QStringLiteral("dword"), static_cast<double>(qFromLittleEndian<quint32>(v.data.constData())));
  } else {
    obj.insert(QStringLiteral("hex"), QString::fromLatin1(v.data.toHex()));
  }
  return obj;
}

std::optional<quint32> WholeNumber(const QJsonValue& value) {
  if (!value.isDouble()) return std::nullopt;
  const double d = value.toDouble();
  if (d < 0 || d > 4294967295.0 || std::floor(d) != d) return std::nullopt;
  return static_cast<quint32>(d);
}

std::optional<RegistryValue> ValueFromJson(const QJsonValue& json) {
  if (!json.isObject()) return std::nullopt;
  const QJsonObject obj = json.toObject();
  const auto name = GetName(obj, QStringLiteral("name"));
  const auto type = WholeNumber(obj.value(QStringLiteral("type")));
  if (!name || !type) return std::nullopt;
  RegistryValue v{*name, *type, {}};
  if (obj.value(QStringLiteral("text")).isString()) {
    v.data = Utf16LeBytes(obj.value(QStringLiteral("text")).toString() + QChar(0));
  } else if (const auto dword = WholeNumber(obj.value(QStringLiteral("dword")))) {
    v.data.resize(4);
    qToLittleEndian<quint32>(*dword, v.data.data());
  } else if (obj.value(QStringLiteral("hex")).isString() && IsHex(obj.value(QStringLiteral("hex")).toString())) {
    v.data = QByteArray::fromHex(obj.value(QStringLiteral("hex")).toString().toLatin1());
  } else {
    return std::nullopt;
  }
  return v;
}

}  // namespace

const RegistryValue* RegistryKeyData::Find(const QString& name) const {
  for (const RegistryValue& v : values)
    if (QString::compare(v.name, name, Qt::CaseInsensitive) == 0) return &v;
  return nullptr;
}

RegistryValue* RegistryKeyData::Find(const QString& name) {
  return const_cast<RegistryValue*>(static_cast<const RegistryKeyData*>(this)->Find(name));
}

QString RegistryHive::Fold(const QString& name) { return name.toCaseFolded(); }

bool RegistryHive::HasKey(const QString& path) const { return keys_.count(Fold(path)) != 0; }

bool RegistryHive::HasSubKeys(const QString& path) const {
  const QString prefix = Fold(path) + u'\\';
  const auto it = keys_.lower_bound(prefix);
  return it != keys_.end() && it->first.startsWith(prefix);
}

const RegistryKeyData* RegistryHive::Key(const QString& path) const {
  const auto it = keys_.find(Fold(path));
  return it == keys_.end() ? nullptr : &it->second;
}

RegistryKeyData* RegistryHive::Key(const QString& path) {
  const auto it = keys_.find(Fold(path));
  return it == keys_.end() ? nullptr : &it->second;
}

bool RegistryHive::CreateKey(const QString& path) {
  bool created = false;
  QString sofar;
  for (const QString& part : path.split(u'\\')) {
    sofar = sofar.isEmpty() ? part : sofar + u'\\' + part;
    const QString folded = Fold(sofar);
    if (keys_.count(folded) == 0) {
      // A parent that exists keeps its own spelling for the children's paths.
      keys_.emplace(folded, RegistryKeyData{sofar, {}});
      created = true;
    } else {
      sofar = keys_.at(folded).path;
    }
  }
  return created;
}

void RegistryHive::RemoveKey(const QString& path) { keys_.erase(Fold(path)); }

QByteArray RegistryHive::ToJson(const QString& hiveName) const {
  QJsonArray keys;
  for (const auto& [folded, key] : keys_) {
    QJsonObject obj;
    PutName(obj, QStringLiteral("path"), key.path);
    QJsonArray values;
    for (const RegistryValue& v : key.values) values.append(ValueToJson(v));
    obj.insert(QStringLiteral("values"), values);
    keys.append(obj);
  }
  QJsonObject root;
  root.insert(QStringLiteral("format"), kFormat);
  root.insert(QStringLiteral("hive"), hiveName);
  root.insert(QStringLiteral("keys"), keys);
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<RegistryHive> RegistryHive::FromJson(const QByteArray& json, QString* error) {
  auto fail = [error](const QString& why) -> std::optional<RegistryHive> {
    if (error) *error = why;
    return std::nullopt;
  };
  QJsonParseError parseError{};
  const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
  if (doc.isNull()) return fail(QStringLiteral("not JSON: ") + parseError.errorString());
  const QJsonObject root = doc.object();
  if (root.value(QStringLiteral("format")).toString() != kFormat) return fail(QStringLiteral("unknown format"));
  if (!root.value(QStringLiteral("keys")).isArray()) return fail(QStringLiteral("no key list"));

  RegistryHive hive;
  for (const QJsonValue& k : root.value(QStringLiteral("keys")).toArray()) {
    const QJsonObject obj = k.toObject();
    const auto path = GetName(obj, QStringLiteral("path"));
    if (!k.isObject() || !path || path->isEmpty() || path->startsWith(u'\\') || path->endsWith(u'\\') ||
        path->contains(QStringLiteral("\\\\")) || !obj.value(QStringLiteral("values")).isArray())
      return fail(QStringLiteral("bad key entry"));
    hive.CreateKey(*path);
    RegistryKeyData* key = hive.Key(*path);
    for (const QJsonValue& v : obj.value(QStringLiteral("values")).toArray()) {
      auto value = ValueFromJson(v);
      if (!value) return fail(QStringLiteral("bad value in key ") + *path);
      if (!key->Find(value->name)) key->values.push_back(std::move(*value));
    }
  }
  return hive;
}

}  // namespace win
