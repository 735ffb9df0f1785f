#include "platform/values/Variant.h"

#include "platform/clock/DateTime.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Conversion.h"
#include "platform/text/Format.h"

namespace vb {

struct Variant::ArrayData {
  int lowerBound = 0;
  QList<Variant> items;
};

namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

[[noreturn]] void Mismatch() { Raise(errTypeMismatch); }
[[noreturn]] void NullUse() { Raise(errInvalidUseOfNull); }

double CheckedSerial(double serial) {
  if (!(serial >= kMinDate && serial < kMaxDate)) Raise(errOverflow);
  return serial;
}

}  // namespace

Variant::Variant(bool value) : value_(value) {}
Variant::Variant(int value) : value_(std::in_place_type<std::int32_t>, value) {}
Variant::Variant(float value) : value_(value) {}
Variant::Variant(double value) : value_(value) {}
Variant::Variant(QString value) : value_(std::move(value)) {}
Variant::Variant(const char* utf8) : value_(QString::fromUtf8(utf8)) {}
Variant::Variant(ObjectRef object) : value_(std::move(object)) {}

Variant Variant::Null() { return Variant(Storage(NullTag{})); }
Variant Variant::Nothing() { return Variant(ObjectRef()); }
Variant Variant::FromInteger(std::int16_t value) { return Variant(Storage(std::in_place_type<std::int16_t>, value)); }
Variant Variant::FromLong(std::int32_t value) { return Variant(Storage(std::in_place_type<std::int32_t>, value)); }
Variant Variant::FromByte(std::uint8_t value) { return Variant(Storage(std::in_place_type<std::uint8_t>, value)); }
Variant Variant::FromDate(double serial) { return Variant(Storage(DateTag{CheckedSerial(serial)})); }
Variant Variant::FromDate(const QDateTime& value) { return FromDate(ToOADate(value)); }

Variant Variant::FromArray(QList<Variant> items, int lowerBound) {
  auto data = std::make_shared<ArrayData>();
  data->lowerBound = lowerBound;
  data->items = std::move(items);
  return Variant(Storage(std::shared_ptr<const ArrayData>(std::move(data))));
}

Variant Variant::FromStrings(const QStringList& items, int lowerBound) {
  QList<Variant> values;
  values.reserve(items.size());
  for (const QString& s : items) values.append(Variant(s));
  return FromArray(std::move(values), lowerBound);
}

Variant::Kind Variant::GetKind() const {
  static constexpr Kind kinds[] = {Kind::Empty,  Kind::Null,   Kind::Boolean, Kind::Integer,
                                   Kind::Long,   Kind::Single, Kind::Double,  Kind::String,
                                   Kind::Byte,   Kind::Date,   Kind::Object,  Kind::Array};
  return kinds[value_.index()];
}

int Variant::VarType() const {
  switch (GetKind()) {
    case Kind::Empty: return vbEmpty;
    case Kind::Null: return vbNull;
    case Kind::Boolean: return vbBoolean;
    case Kind::Integer: return vbInteger;
    case Kind::Long: return vbLong;
    case Kind::Single: return vbSingle;
    case Kind::Double: return vbDouble;
    case Kind::String: return vbString;
    case Kind::Byte: return vbByte;
    case Kind::Date: return vbDate;
    case Kind::Object: return vbObject;
    case Kind::Array: return vbArray + vbVariant;
  }
  return vbEmpty;
}

QString Variant::TypeName() const {
  switch (GetKind()) {
    case Kind::Empty: return QStringLiteral("Empty");
    case Kind::Null: return QStringLiteral("Null");
    case Kind::Boolean: return QStringLiteral("Boolean");
    case Kind::Integer: return QStringLiteral("Integer");
    case Kind::Long: return QStringLiteral("Long");
    case Kind::Single: return QStringLiteral("Single");
    case Kind::Double: return QStringLiteral("Double");
    case Kind::String: return QStringLiteral("String");
    case Kind::Byte: return QStringLiteral("Byte");
    case Kind::Date: return QStringLiteral("Date");
    case Kind::Object: {
      const ObjectRef& o = std::get<ObjectRef>(value_);
      return o ? o->TypeName() : QStringLiteral("Nothing");
    }
    case Kind::Array: return QStringLiteral("Variant()");
  }
  return {};
}

bool Variant::IsNothing() const { return IsObject() && !std::get<ObjectRef>(value_); }

bool Variant::IsNumeric() const {
  switch (GetKind()) {
    case Kind::Empty:
    case Kind::Boolean:
    case Kind::Integer:
    case Kind::Long:
    case Kind::Single:
    case Kind::Double:
    case Kind::Byte:
      return true;
    case Kind::String:
      return vb::IsNumeric(std::get<QString>(value_));
    default:
      return false;
  }
}

bool Variant::IsDate() const {
  if (GetKind() == Kind::Date) return true;
  return GetKind() == Kind::String && vb::IsDate(std::get<QString>(value_));
}

double Variant::ToDouble() const {
  return std::visit(Overloaded{
                        [](std::monostate) -> double { return 0; },
                        [](NullTag) -> double { NullUse(); },
                        [](bool b) -> double { return b ? -1 : 0; },
                        [](std::int16_t v) -> double { return v; },
                        [](std::int32_t v) -> double { return v; },
                        [](float v) -> double { return v; },
                        [](double v) { return v; },
                        [](const QString& s) { return CDbl(s); },
                        [](std::uint8_t v) -> double { return v; },
                        [](DateTag d) { return d.serial; },
                        [](const ObjectRef&) -> double { Mismatch(); },
                        [](const std::shared_ptr<const ArrayData>&) -> double { Mismatch(); },
                    },
                    value_);
}

bool Variant::ToBoolean() const {
  if (const auto* s = std::get_if<QString>(&value_)) return CBool(*s);
  if (const auto* b = std::get_if<bool>(&value_)) return *b;
  return ToDouble() != 0;
}

std::int16_t Variant::ToInteger() const {
  if (const auto* v = std::get_if<std::int16_t>(&value_)) return *v;
  return CInt(ToDouble());
}

std::int32_t Variant::ToLong() const {
  if (const auto* v = std::get_if<std::int32_t>(&value_)) return *v;
  return CLng(ToDouble());
}

std::uint8_t Variant::ToByte() const {
  if (const auto* v = std::get_if<std::uint8_t>(&value_)) return *v;
  return CByte(ToDouble());
}

float Variant::ToSingle() const {
  if (const auto* v = std::get_if<float>(&value_)) return *v;
  return CSng(ToDouble());
}

double Variant::ToDate() const {
  if (const auto* d = std::get_if<DateTag>(&value_)) return d->serial;
  if (const auto* s = std::get_if<QString>(&value_)) return ToOADate(CDate(*s));
  return CheckedSerial(ToDouble());
}

QDateTime Variant::ToDateTime() const { return FromOADate(ToDate()); }

QString Variant::ToString() const {
  return std::visit(Overloaded{
                        [](std::monostate) { return QString(); },
                        [](NullTag) -> QString { NullUse(); },
                        [](bool b) { return CStr(b); },
                        [](std::int16_t v) { return CStr(int{v}); },
                        [](std::int32_t v) { return CStr(v); },
                        [](float v) { return CStr(v); },
                        [](double v) { return CStr(v); },
                        [](const QString& s) { return s; },
                        [](std::uint8_t v) { return CStr(int{v}); },
                        [](DateTag d) { return FormatGeneralDate(FromOADate(d.serial)); },
                        [](const ObjectRef&) -> QString { Mismatch(); },
                        [](const std::shared_ptr<const ArrayData>&) -> QString { Mismatch(); },
                    },
                    value_);
}

ObjectRef Variant::ToObject() const {
  if (const auto* o = std::get_if<ObjectRef>(&value_)) return *o;
  Raise(errObjectRequired);
}

const Variant::ArrayData& Variant::Array() const {
  const auto* a = std::get_if<std::shared_ptr<const ArrayData>>(&value_);
  if (!a) Mismatch();
  return **a;
}

int Variant::LBound() const { return Array().lowerBound; }

int Variant::UBound() const { return Array().lowerBound + static_cast<int>(Array().items.size()) - 1; }

const QList<Variant>& Variant::Items() const { return Array().items; }

Variant Variant::Element(int index) const {
  const ArrayData& a = Array();
  const qsizetype i = static_cast<qsizetype>(index) - a.lowerBound;
  if (i < 0 || i >= a.items.size()) Raise(errSubscriptOutOfRange);
  return a.items.at(i);
}

void Variant::SetElement(int index, const Variant& value) {
  const ArrayData& a = Array();
  const qsizetype i = static_cast<qsizetype>(index) - a.lowerBound;
  if (i < 0 || i >= a.items.size()) Raise(errSubscriptOutOfRange);
  // Arrays are values: other copies keep their elements.
  auto copy = std::make_shared<ArrayData>(a);
  copy->items[i] = value;
  value_ = std::shared_ptr<const ArrayData>(std::move(copy));
}

bool Variant::operator==(const Variant& other) const {
  if (value_.index() != other.value_.index()) return false;
  return std::visit(Overloaded{
                        [](std::monostate) { return true; },
                        [](NullTag) { return true; },
                        [&](DateTag d) { return d.serial == std::get<DateTag>(other.value_).serial; },
                        [&](const std::shared_ptr<const ArrayData>& a) {
                          const auto& b = std::get<std::shared_ptr<const ArrayData>>(other.value_);
                          return a == b || (a->lowerBound == b->lowerBound && a->items == b->items);
                        },
                        [&](const auto& v) { return v == std::get<std::decay_t<decltype(v)>>(other.value_); },
                    },
                    value_);
}

QString Format(const Variant& value, const QString& pattern) {
  switch (value.GetKind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Null:
      return QString();
    case Variant::Kind::Date:
      return Format(value.ToDateTime(), pattern);
    case Variant::Kind::String: {
      const QString s = value.ToString();
      if (pattern.isEmpty()) return s;
      if (const auto n = ParseNumber(s)) return Format(*n, pattern);
      if (const auto d = ParseDate(s)) return Format(*d, pattern);
      return s;
    }
    case Variant::Kind::Boolean:
      if (pattern.isEmpty()) return value.ToString();
      return Format(value.ToDouble(), pattern);
    case Variant::Kind::Object:
    case Variant::Kind::Array:
      Raise(errTypeMismatch);
    default:
      if (pattern.isEmpty()) return value.ToString();
      return Format(value.ToDouble(), pattern);
  }
}

}  // namespace vb
