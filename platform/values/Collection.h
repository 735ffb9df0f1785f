#pragma once
// The legacy Collection: an ordered list of Variants, 1-based, with optional
// string keys compared without regard to case.
//
// A Collection is an object: it is shared by reference (CollectionPtr), so a
// procedure that receives one fills or empties the caller's own collection.
//
// Errors, as the legacy collection raised them:
//   Add with a key already present                   457
//   Add with both `before` and `after`               5
//   an index outside 1..Count (Item, Remove,
//     before/after)                                  9
//   a key that is not present (Item, Remove,
//     before/after)                                  5
// A numeric Variant is an index (rounded halves to even); a String Variant is
// a key, even when it holds digits.
//
// Removing the first or the last item takes constant time, so emptying a
// large collection with Remove(1) or from the end is linear.
// Range-for visits the items in order; the collection must not change while
// it is being iterated.

#include <QHash>
#include <QString>

#include <deque>
#include <iterator>
#include <memory>
#include <optional>

#include "platform/values/Object.h"
#include "platform/values/Variant.h"

namespace vb {

class Collection : public Object {
  struct Node {
    Variant value;
    std::optional<QString> foldedKey;
  };
  using Nodes = std::deque<std::unique_ptr<Node>>;

 public:
  Collection() = default;

  [[nodiscard]] QString TypeName() const override { return QStringLiteral("Collection"); }

  // Adds `item` at the end, or before/after the item named by index or key
  // (an Empty Variant means "not given").
  void Add(const Variant& item, const std::optional<QString>& key = std::nullopt, const Variant& before = {},
           const Variant& after = {});

  [[nodiscard]] Variant Item(qsizetype index) const;
  [[nodiscard]] Variant Item(const Variant& indexOrKey) const;

  void Remove(qsizetype index);
  void Remove(const Variant& indexOrKey);

  [[nodiscard]] qsizetype Count() const { return static_cast<qsizetype>(nodes_.size()); }

  // Removes every item.
  void Clear();

  // True when an item has the key. The legacy collection had no such test
  // (callers trapped the error of Item); it spares the exception.
  [[nodiscard]] bool HasKey(const QString& key) const;

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Variant;
    using difference_type = std::ptrdiff_t;
    using pointer = const Variant*;
    using reference = const Variant&;

    const_iterator() = default;
    reference operator*() const { return (*it_)->value; }
    pointer operator->() const { return &(*it_)->value; }
    const_iterator& operator++() {
      ++it_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++it_;
      return old;
    }
    bool operator==(const const_iterator&) const = default;

   private:
    friend class Collection;
    explicit const_iterator(Nodes::const_iterator it) : it_(it) {}
    Nodes::const_iterator it_;
  };

  [[nodiscard]] const_iterator begin() const { return const_iterator(nodes_.begin()); }
  [[nodiscard]] const_iterator end() const { return const_iterator(nodes_.end()); }

 private:
  // The 0-based position named by an index (9 when outside 1..Count) or a key
  // (5 when missing).
  [[nodiscard]] qsizetype PositionOf(const Variant& indexOrKey) const;
  [[nodiscard]] qsizetype PositionOfIndex(qsizetype index) const;
  [[nodiscard]] qsizetype PositionOfNode(const Node* node) const;
  void RemoveAt(qsizetype position);

  Nodes nodes_;
  QHash<QString, Node*> keys_;
};

using CollectionPtr = std::shared_ptr<Collection>;

}  // namespace vb
