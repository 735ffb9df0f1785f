#include "platform/values/Collection.h"

#include "platform/errors/RuntimeError.h"
#include "platform/text/Conversion.h"

namespace vb {
namespace {

// Keys compare without regard to case ("TEST" and "Test" are one key).
QString Fold(const QString& key) { return key.toCaseFolded(); }

}  // namespace

void Collection::Add(const Variant& item, const std::optional<QString>& key, const Variant& before,
                     const Variant& after) {
  if (!before.IsEmpty() && !after.IsEmpty()) Raise(errInvalidProcedureCall);
  std::optional<QString> folded;
  if (key) {
    folded = Fold(*key);
    if (keys_.contains(*folded)) Raise(errDuplicateKey);
  }
  qsizetype position = Count();
  if (!before.IsEmpty()) position = PositionOf(before);
  if (!after.IsEmpty()) position = PositionOf(after) + 1;

  auto node = std::make_unique<Node>(Node{item, folded});
  Node* raw = node.get();
  nodes_.insert(nodes_.begin() + position, std::move(node));
  if (folded) keys_.insert(*folded, raw);
}

Variant Collection::Item(qsizetype index) const { return nodes_[static_cast<size_t>(PositionOfIndex(index))]->value; }

Variant Collection::Item(const Variant& indexOrKey) const {
  if (indexOrKey.GetKind() == Variant::Kind::String) {
    const auto it = keys_.constFind(Fold(indexOrKey.ToString()));
    if (it == keys_.constEnd()) Raise(errInvalidProcedureCall);
    return it.value()->value;
  }
  return nodes_[static_cast<size_t>(PositionOf(indexOrKey))]->value;
}

void Collection::Remove(qsizetype index) { RemoveAt(PositionOfIndex(index)); }

void Collection::Remove(const Variant& indexOrKey) { RemoveAt(PositionOf(indexOrKey)); }

void Collection::Clear() {
  keys_.clear();
  nodes_.clear();
}

bool Collection::HasKey(const QString& key) const { return keys_.contains(Fold(key)); }

qsizetype Collection::PositionOf(const Variant& indexOrKey) const {
  switch (indexOrKey.GetKind()) {
    case Variant::Kind::String: {
      const auto it = keys_.constFind(Fold(indexOrKey.ToString()));
      if (it == keys_.constEnd()) Raise(errInvalidProcedureCall);
      return PositionOfNode(it.value());
    }
    case Variant::Kind::Boolean:
    case Variant::Kind::Integer:
    case Variant::Kind::Long:
    case Variant::Kind::Single:
    case Variant::Kind::Double:
    case Variant::Kind::Byte:
    case Variant::Kind::Date:
      return PositionOfIndex(CLng(indexOrKey.ToDouble()));
    case Variant::Kind::Null:
      Raise(errInvalidUseOfNull);
    default:
      Raise(errTypeMismatch);
  }
}

qsizetype Collection::PositionOfIndex(qsizetype index) const {
  if (index < 1 || index > Count()) Raise(errSubscriptOutOfRange);
  return index - 1;
}

qsizetype Collection::PositionOfNode(const Node* node) const {
  // Keys are rare in long collections and positions shift on every removal,
  // so the position is looked up rather than kept.
  for (size_t i = 0; i < nodes_.size(); ++i) {
    if (nodes_[i].get() == node) return static_cast<qsizetype>(i);
  }
  Raise(errInvalidProcedureCall);
}

void Collection::RemoveAt(qsizetype position) {
  const auto it = nodes_.begin() + position;
  if ((*it)->foldedKey) keys_.remove(*(*it)->foldedKey);
  nodes_.erase(it);
}

}  // namespace vb
