#pragma once
// The legacy runtime's Variant: a value that carries its own type.
//
// A small value type (cheap to copy: strings and arrays are shared until
// written, objects are shared references). Conversions follow the legacy
// coercion rules (platform/text/Conversion.h): numbers round halves to even,
// text is read in the user's locale, Empty reads as 0, "" or False, Null
// raises 94 "Invalid use of Null", a value outside the target type raises 6
// "Overflow", and anything that cannot be converted raises 13 "Type mismatch".
// Objects have no default member here: converting one to a scalar raises 13.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <variant>

#include "platform/values/Object.h"

namespace vb {

// The legacy VarType numbers.
enum VbVarType : int {
  vbEmpty = 0,
  vbNull = 1,
  vbInteger = 2,
  vbLong = 3,
  vbSingle = 4,
  vbDouble = 5,
  vbCurrency = 6,
  vbDate = 7,
  vbString = 8,
  vbObject = 9,
  vbError = 10,
  vbBoolean = 11,
  vbVariant = 12,
  vbDataObject = 13,
  vbDecimal = 14,
  vbByte = 17,
  vbArray = 8192,
};

class Variant {
 public:
  enum class Kind { Empty, Null, Boolean, Integer, Long, Single, Double, String, Byte, Date, Object, Array };

  Variant() = default;  // Empty
  Variant(bool value);  // NOLINT: implicit, as the legacy assignments were
  Variant(int value);   // a Long (32-bit)
  Variant(float value);
  Variant(double value);
  Variant(QString value);
  Variant(const char* utf8);
  Variant(ObjectRef object);  // Nothing when null
  Variant(std::nullptr_t) : Variant(ObjectRef()) {}  // Nothing
  template <std::derived_from<Object> T>
  Variant(std::shared_ptr<T> object) : Variant(ObjectRef(std::move(object))) {}
  // Other pointers would silently become Booleans.
  template <typename T>
  Variant(T*) = delete;

  [[nodiscard]] static Variant Null();
  [[nodiscard]] static Variant Nothing();
  [[nodiscard]] static Variant FromInteger(std::int16_t value);
  [[nodiscard]] static Variant FromLong(std::int32_t value);
  [[nodiscard]] static Variant FromByte(std::uint8_t value);
  // A Date from its Double value (days since 30 Dec 1899) or from a
  // date-time's fields; outside 1 Jan 100 .. 31 Dec 9999 raises 6.
  [[nodiscard]] static Variant FromDate(double serial);
  [[nodiscard]] static Variant FromDate(const QDateTime& value);
  // An array of Variants with the given lower bound.
  [[nodiscard]] static Variant FromArray(QList<Variant> items, int lowerBound = 0);
  [[nodiscard]] static Variant FromStrings(const QStringList& items, int lowerBound = 0);

  [[nodiscard]] Kind GetKind() const;
  // VarType: vbEmpty .. vbByte; an array is vbArray + vbVariant.
  [[nodiscard]] int VarType() const;
  // TypeName: "Empty", "Null", "Boolean", "Integer", "Long", "Single",
  // "Double", "String", "Byte", "Date", "Nothing", the object's class name,
  // "Variant()".
  [[nodiscard]] QString TypeName() const;

  [[nodiscard]] bool IsEmpty() const { return GetKind() == Kind::Empty; }
  [[nodiscard]] bool IsNull() const { return GetKind() == Kind::Null; }
  [[nodiscard]] bool IsObject() const { return GetKind() == Kind::Object; }
  [[nodiscard]] bool IsNothing() const;
  [[nodiscard]] bool IsArray() const { return GetKind() == Kind::Array; }
  // IsNumeric: numbers, Booleans, Empty, and text CDbl can read.
  [[nodiscard]] bool IsNumeric() const;
  // IsDate: Dates, and text CDate can read.
  [[nodiscard]] bool IsDate() const;

  // The legacy conversions CBool, CInt, CLng, CByte, CSng, CDbl, CDate, CStr.
  [[nodiscard]] bool ToBoolean() const;
  [[nodiscard]] std::int16_t ToInteger() const;
  [[nodiscard]] std::int32_t ToLong() const;
  [[nodiscard]] std::uint8_t ToByte() const;
  [[nodiscard]] float ToSingle() const;
  [[nodiscard]] double ToDouble() const;
  [[nodiscard]] double ToDate() const;  // the Date's Double value
  [[nodiscard]] QDateTime ToDateTime() const;
  // Booleans give "True"/"False", Dates the general date form, numbers
  // their CStr.
  [[nodiscard]] QString ToString() const;
  // The object reference (null for Nothing); anything but an object raises
  // 424 "Object required".
  [[nodiscard]] ObjectRef ToObject() const;
  template <std::derived_from<Object> T>
  [[nodiscard]] std::shared_ptr<T> ToObjectAs() const {
    return std::dynamic_pointer_cast<T>(ToObject());
  }

  // Arrays; anything else raises 13. Indexes outside LBound..UBound raise 9.
  [[nodiscard]] int LBound() const;
  [[nodiscard]] int UBound() const;
  [[nodiscard]] const QList<Variant>& Items() const;
  [[nodiscard]] Variant Element(int index) const;
  void SetElement(int index, const Variant& value);  // copies a shared array first

  // Same kind and same value (arrays element by element, objects by
  // identity). This is not the legacy "=" operator, which converts.
  [[nodiscard]] bool operator==(const Variant& other) const;

 private:
  struct NullTag {};
  struct DateTag {
    double serial;
  };
  struct ArrayData;
  using Storage = std::variant<std::monostate, NullTag, bool, std::int16_t, std::int32_t, float, double, QString,
                               std::uint8_t, DateTag, ObjectRef, std::shared_ptr<const ArrayData>>;

  explicit Variant(Storage storage) : value_(std::move(storage)) {}
  const ArrayData& Array() const;

  Storage value_;
};

// Format of a Variant: Dates with a date pattern, numbers and Booleans with
// a number pattern (platform/text/Format.h); text that reads as a number is
// formatted as one, text that reads as a date as a date, other text comes
// back unchanged; Empty and Null give "". An empty pattern gives CStr.
[[nodiscard]] QString Format(const Variant& value, const QString& pattern = {});

}  // namespace vb
