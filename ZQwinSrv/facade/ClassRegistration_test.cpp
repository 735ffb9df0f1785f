#include "ZQwinSrv/facade/ClassRegistration.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "ZQwinSrv/facade/clsController.h"
#include "platform/errors/RuntimeError.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryStore.h"

namespace OrvaneSrv {
namespace {

TEST(ClassRegistration, EngineClassesAreCreatableByProgramIdentifier) {
  QTemporaryDir tmp;
  win::ScopedRegistry registry(win::RegistryConfig::InFolder(tmp.path()));
  EXPECT_THROW((void)win::CreateObject("OrvaneSrv.clsController"), vb::RuntimeError);
  RegisterEngineClasses();
  RegisterEngineClasses();
  const vb::ObjectRef object = win::CreateObject("orvanesrv.CLSCONTROLLER");
  ASSERT_TRUE(object);
  EXPECT_EQ(object->TypeName(), "clsController");
  EXPECT_TRUE(std::dynamic_pointer_cast<clsController>(object));
  for (const char* name : {"clsController", "WebDavControl", "clsWebdavController", "Options", "clsProgressDisplay",
                           "HttpFunctions", "Transfer", "cBase64", "Util"}) {
    EXPECT_EQ(win::CreateObject(QStringLiteral("OrvaneSrv.") + name)->TypeName(), name);
  }
}

TEST(ClassRegistration, SelfRegistrationWritesTheClassesHive) {
  QTemporaryDir tmp;
  win::ScopedRegistry registry(win::RegistryConfig::InFolder(tmp.path()));
  ASSERT_EQ(DllRegisterServer(), 0);
  EXPECT_EQ(win::RegistryReadString(win::HKEY_CLASSES_ROOT, "OrvaneSrv.Transfer\\CLSID", ""),
            "{6E1F3A52-94C4-4B8E-9D61-3C2B7A5E0F16}");
  ASSERT_EQ(DllUnregisterServer(), 0);
  EXPECT_FALSE(win::RegistryReadString(win::HKEY_CLASSES_ROOT, "OrvaneSrv.Transfer\\CLSID", ""));
}

}  // namespace
}  // namespace OrvaneSrv
