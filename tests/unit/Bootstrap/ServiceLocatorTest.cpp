#include <gtest/gtest.h>

#include "Bootstrap/ServiceLocator.h"
#include "Infrastructure/BDE/WindowsBDEService.h"

using Bootstrap::TServiceLocator;

TEST(ServiceLocator, GettersShareOneObjectUntilCancellation) {
  {
    Bootstrap::TServiceRegistration registration;
    ASSERT_NE(TServiceLocator::GetLoggerService(), nullptr);
    EXPECT_EQ(TServiceLocator::GetTranslator(), TServiceLocator::GetTranslator());
    EXPECT_EQ(TServiceLocator::GetConfigService(), TServiceLocator::GetConfigService());
    ASSERT_NE(TServiceLocator::GetFileService(), nullptr);
    EXPECT_EQ(TServiceLocator::GetFileService(), TServiceLocator::GetFileService());
    // The BDE service downloads through the registry's own file service.
    auto bde = std::dynamic_pointer_cast<Infrastructure::BDE::TWindowsBDEService>(TServiceLocator::GetBDEService());
    ASSERT_NE(bde, nullptr);
    EXPECT_EQ(bde, TServiceLocator::GetBDEService());
    EXPECT_EQ(bde->FileService(), TServiceLocator::GetFileService());
    auto translator = TServiceLocator::GetTranslator();
    TServiceLocator::CancelRegistrationServices();

    EXPECT_EQ(TServiceLocator::GetConfigService(), nullptr);
    EXPECT_EQ(TServiceLocator::GetFileService(), nullptr);
    EXPECT_EQ(TServiceLocator::GetTranslator(), nullptr);
    EXPECT_EQ(TServiceLocator::GetLoggerService(), nullptr);
    EXPECT_EQ(TServiceLocator::GetBDEService(), nullptr);
    // A holder's reference keeps its service working after cancellation.
    EXPECT_EQ(translator->Translate("Loading"), "Carregando...");
  }
  EXPECT_EQ(TServiceLocator::GetTranslator(), nullptr);
}
