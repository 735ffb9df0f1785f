#include "platform/objects/DispatchObject.h"

#include "platform/errors/RuntimeError.h"

#include <stdexcept>

namespace win {

int Params::Required() const {
  int n = 0;
  for (const ParamSpec& s : specs_) {
    if (!s.optional) ++n;
  }
  return n;
}

Params& Params::Add(Pass pass, bool optional, int count) {
  if (!optional && !specs_.empty() && specs_.back().optional) {
    throw std::invalid_argument("a required parameter cannot follow an optional one");
  }
  for (int i = 0; i < count; ++i) specs_.push_back({pass, optional});
  return *this;
}

DispatchArgs::DispatchArgs(const Params& params, std::vector<vb::Variant>& callerArgs) {
  const int count = params.Count();
  // Reserved up front: slots_ points into local_.
  local_.reserve(static_cast<std::size_t>(count));
  slots_.reserve(static_cast<std::size_t>(count));
  missing_.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const auto index = static_cast<std::size_t>(i);
    if (index >= callerArgs.size()) {
      local_.emplace_back();
      slots_.push_back(&local_.back());
      missing_.push_back(true);
    } else if (params[i].pass == Pass::ByVal) {
      local_.push_back(callerArgs[index]);
      slots_.push_back(&local_.back());
      missing_.push_back(false);
    } else {
      slots_.push_back(&callerArgs[index]);
      missing_.push_back(false);
    }
  }
}

vb::Variant& DispatchArgs::operator[](int i) {
  if (i < 0 || i >= Count()) vb::Raise(vb::errSubscriptOutOfRange);
  return *slots_[static_cast<std::size_t>(i)];
}

bool DispatchArgs::IsMissing(int i) const {
  return i < 0 || i >= Count() || missing_[static_cast<std::size_t>(i)];
}

vb::Variant DispatchArgs::Get(int i, const vb::Variant& fallback) const {
  return IsMissing(i) ? fallback : *slots_[static_cast<std::size_t>(i)];
}

MemberTable::MemberTable(QString className, std::vector<Member> members)
    : className_(std::move(className)), members_(std::move(members)) {
  for (std::size_t i = 0; i < members_.size(); ++i) byName_[members_[i].name.toLower()].push_back(i);
}

const Member* MemberTable::Find(const QString& name, MemberKind kind) const {
  const auto it = byName_.constFind(name.toLower());
  if (it == byName_.constEnd()) return nullptr;
  for (std::size_t i : *it) {
    if (members_[i].kind == kind) return &members_[i];
  }
  return nullptr;
}

bool MemberTable::Has(const QString& name) const { return byName_.contains(name.toLower()); }

namespace {

const Member& Resolve(const vb::ObjectRef& object, const QString& name, InvokeKind kind, DispatchObject*& target) {
  if (!object) vb::Raise(vb::errObjectVariableNotSet);
  target = dynamic_cast<DispatchObject*>(object.get());
  if (!target) vb::Raise(vb::errObjectDoesntSupport);
  const MemberTable& table = target->Members();
  const Member* member = nullptr;
  switch (kind) {
    case InvokeKind::Call:
      member = table.Find(name, MemberKind::Method);
      if (!member) member = table.Find(name, MemberKind::PropertyGet);
      break;
    case InvokeKind::Let:
      member = table.Find(name, MemberKind::PropertyLet);
      break;
    case InvokeKind::Set:
      member = table.Find(name, MemberKind::PropertySet);
      break;
  }
  if (!member) vb::Raise(vb::errObjectDoesntSupport);
  return *member;
}

}  // namespace

vb::Variant Invoke(const vb::ObjectRef& object, const QString& name, std::vector<vb::Variant>& args,
                   InvokeKind kind) {
  DispatchObject* target = nullptr;
  const Member& member = Resolve(object, name, kind, target);
  const auto passed = static_cast<qsizetype>(args.size());
  if (passed < member.params.Required()) vb::Raise(vb::errArgumentNotOptional);
  if (passed > member.params.Count()) vb::Raise(vb::errWrongNumberOfArguments);
  // The caller's reference keeps the object alive for the whole call, even
  // when the member drops the last other reference to it.
  const vb::ObjectRef keepAlive = object;
  DispatchArgs dispatchArgs(member.params, args);
  return member.call(*target, dispatchArgs);
}

vb::Variant Invoke(const vb::ObjectRef& object, const QString& name, std::vector<vb::Variant>&& args,
                   InvokeKind kind) {
  std::vector<vb::Variant> owned = std::move(args);
  return Invoke(object, name, owned, kind);
}

void LetProperty(const vb::ObjectRef& object, const QString& name, const vb::Variant& value) {
  Invoke(object, name, {value}, InvokeKind::Let);
}

void SetProperty(const vb::ObjectRef& object, const QString& name, const vb::Variant& value) {
  Invoke(object, name, {value}, InvokeKind::Set);
}

}  // namespace win
