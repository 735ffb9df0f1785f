#pragma once
// Late-bound calls by member name: the stand-in for OLE automation's
// IDispatch.
//
// An automation class derives from DispatchObject and keeps its member table
// (its type library) beside it, a static table of {name, kind, parameters,
// call}:
//
//   class clsMonitor : public win::DispatchObject {
//    public:
//     const win::MemberTable& Members() const override {
//       static const auto table = win::MemberTable::Of<clsMonitor>("clsMonitor", {
//           {"UpdateMonitor", win::Method, win::Params::ByRef(12).OptionalByRef().OptionalByVal(),
//            [](clsMonitor& self, win::DispatchArgs& a) { return self.UpdateMonitor(a); }},
//           {"updateDelProgress", win::Method, win::Params::ByVal(1),
//            [](clsMonitor& self, win::DispatchArgs& a) { return vb::Variant(self.updateDelProgress(a[0].ToString())); }},
//           {"dTransferRate", win::PropertyGet, {}, [](clsMonitor& self, win::DispatchArgs&) { return vb::Variant(self.rate); }},
//           {"dTransferRate", win::PropertyLet, win::Params::ByVal(1),
//            [](clsMonitor& self, win::DispatchArgs& a) { self.rate = a[0].ToDouble(); return vb::Variant(); }},
//       });
//       return table;
//     }
//   };
//
// and a caller holding any object reference calls it by name:
//
//   std::vector<vb::Variant> args{name, size, ...};    // a variable: by reference
//   vb::Variant answer = win::Invoke(monitor, "UpdateMonitor", args);
//   win::Invoke(monitor, "updateDelProgress", {item}); // a temporary: changes are lost
//
// Rules, as the automation runtime applied them to a late-bound call:
//   - member names compare without regard to case;
//   - a null object raises 91; an object without a member table, or without
//     a member of that name and kind, raises 438;
//   - fewer arguments than the required parameters raise 449, more than all
//     parameters raise 450; an omitted optional argument reaches the member
//     as Empty and DispatchArgs::IsMissing tells it apart;
//   - a ByRef parameter is the caller's own Variant (the member's changes
//     are seen by the caller); a ByVal parameter is a copy;
//   - an error raised inside the member reaches the caller unchanged.

#include "platform/values/Object.h"
#include "platform/values/Variant.h"

#include <QHash>
#include <QString>

#include <functional>
#include <initializer_list>
#include <vector>

namespace win {

enum class MemberKind { Method, PropertyGet, PropertyLet, PropertySet };
inline constexpr MemberKind Method = MemberKind::Method;
inline constexpr MemberKind PropertyGet = MemberKind::PropertyGet;
inline constexpr MemberKind PropertyLet = MemberKind::PropertyLet;
inline constexpr MemberKind PropertySet = MemberKind::PropertySet;

enum class Pass { ByRef, ByVal };

struct ParamSpec {
  Pass pass = Pass::ByRef;
  bool optional = false;
};

// A member's parameter list, built in order; optional parameters come last.
//   Params::ByRef(12).OptionalByRef().OptionalByVal()
class Params {
 public:
  Params() = default;
  [[nodiscard]] static Params ByRef(int count = 1) { return Params().AndByRef(count); }
  [[nodiscard]] static Params ByVal(int count = 1) { return Params().AndByVal(count); }
  Params& AndByRef(int count = 1) { return Add(Pass::ByRef, false, count); }
  Params& AndByVal(int count = 1) { return Add(Pass::ByVal, false, count); }
  Params& OptionalByRef(int count = 1) { return Add(Pass::ByRef, true, count); }
  Params& OptionalByVal(int count = 1) { return Add(Pass::ByVal, true, count); }

  [[nodiscard]] int Count() const { return static_cast<int>(specs_.size()); }
  [[nodiscard]] int Required() const;
  [[nodiscard]] const ParamSpec& operator[](int i) const { return specs_[static_cast<std::size_t>(i)]; }

 private:
  // A required parameter after an optional one is a mistake in the table:
  // it throws std::invalid_argument when the table is built.
  Params& Add(Pass pass, bool optional, int count);
  std::vector<ParamSpec> specs_;
};

// The arguments as the member sees them, one per declared parameter.
class DispatchArgs {
 public:
  // The caller's arguments, already checked against `params`.
  DispatchArgs(const Params& params, std::vector<vb::Variant>& callerArgs);
  DispatchArgs(const DispatchArgs&) = delete;
  DispatchArgs& operator=(const DispatchArgs&) = delete;

  // Parameter i (0-based, below Count()): the caller's Variant for a ByRef
  // parameter, a copy for a ByVal one, an Empty for an omitted one.
  [[nodiscard]] vb::Variant& operator[](int i);
  [[nodiscard]] bool IsMissing(int i) const;
  // The argument, or `fallback` when it was omitted.
  [[nodiscard]] vb::Variant Get(int i, const vb::Variant& fallback) const;
  [[nodiscard]] int Count() const { return static_cast<int>(slots_.size()); }

 private:
  std::vector<vb::Variant*> slots_;
  std::vector<vb::Variant> local_;  // copies and omitted arguments
  std::vector<bool> missing_;
};

class DispatchObject;

struct Member {
  QString name;
  MemberKind kind = MemberKind::Method;
  Params params;
  std::function<vb::Variant(DispatchObject&, DispatchArgs&)> call;
};

// One member of class T, as written in T's table.
template <class T>
struct MemberOf {
  QString name;
  MemberKind kind = MemberKind::Method;
  Params params;
  std::function<vb::Variant(T&, DispatchArgs&)> call;
};

// A class's members by name and kind: its type library.
class MemberTable {
 public:
  MemberTable(QString className, std::vector<Member> members);

  template <class T>
  [[nodiscard]] static MemberTable Of(const QString& className, std::initializer_list<MemberOf<T>> members) {
    std::vector<Member> erased;
    erased.reserve(members.size());
    for (const MemberOf<T>& m : members) {
      auto call = m.call;
      erased.push_back({m.name, m.kind, m.params,
                        [call](DispatchObject& self, DispatchArgs& args) { return call(static_cast<T&>(self), args); }});
    }
    return MemberTable(className, std::move(erased));
  }

  [[nodiscard]] const QString& ClassName() const { return className_; }
  // The member of that name (without regard to case) and kind, or null.
  [[nodiscard]] const Member* Find(const QString& name, MemberKind kind) const;
  // Whether any member has that name.
  [[nodiscard]] bool Has(const QString& name) const;
  [[nodiscard]] const std::vector<Member>& Members() const { return members_; }

 private:
  QString className_;
  std::vector<Member> members_;
  QHash<QString, std::vector<std::size_t>> byName_;  // lower-case name -> members
};

// An object that can be called by member name.
class DispatchObject : public vb::Object {
 public:
  [[nodiscard]] virtual const MemberTable& Members() const = 0;
  [[nodiscard]] QString TypeName() const override { return Members().ClassName(); }
};

// What a late-bound call asks for: a method or property value
// (x = obj.Name(args) or obj.Name args), a property assignment
// (obj.Name(args) = value, the value last), or an object assignment (Set).
enum class InvokeKind { Call, Let, Set };

// obj.Name(args): a method, or else a property get, of that name. The
// arguments are passed by reference (a member's change to a ByRef parameter
// is seen in `args`).
vb::Variant Invoke(const vb::ObjectRef& object, const QString& name, std::vector<vb::Variant>& args,
                   InvokeKind kind = InvokeKind::Call);
// The same with arguments the caller does not keep (literals, expressions).
vb::Variant Invoke(const vb::ObjectRef& object, const QString& name, std::vector<vb::Variant>&& args = {},
                   InvokeKind kind = InvokeKind::Call);

// obj.Name = value (Let), or Set obj.Name = value (Set).
void LetProperty(const vb::ObjectRef& object, const QString& name, const vb::Variant& value);
void SetProperty(const vb::ObjectRef& object, const QString& name, const vb::Variant& value);

}  // namespace win
