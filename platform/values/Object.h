#pragma once
// The base of everything the legacy code held by object reference: a
// Collection, an object created by class or program identifier, a file or
// stream of the file-system stand-in. Objects are shared, never copied;
// the last reference going away destroys the object, as Set x = Nothing did.

#include <QString>

#include <memory>

namespace vb {

class Object : public std::enable_shared_from_this<Object> {
 public:
  virtual ~Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  // The class name the legacy TypeName function answered ("Collection").
  [[nodiscard]] virtual QString TypeName() const { return QStringLiteral("Object"); }

 protected:
  Object() = default;
};

using ObjectRef = std::shared_ptr<Object>;

}  // namespace vb
