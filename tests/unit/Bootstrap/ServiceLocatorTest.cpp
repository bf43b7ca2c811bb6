#include <gtest/gtest.h>

#include "Bootstrap/ServiceLocator.h"

using Bootstrap::TServiceLocator;

TEST(ServiceLocator, GettersShareOneObjectUntilCancellation) {
  {
    Bootstrap::TServiceRegistration registration;
    ASSERT_NE(TServiceLocator::GetLoggerService(), nullptr);
    EXPECT_EQ(TServiceLocator::GetTranslator(), TServiceLocator::GetTranslator());
    EXPECT_EQ(TServiceLocator::GetConfigService(), TServiceLocator::GetConfigService());
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
