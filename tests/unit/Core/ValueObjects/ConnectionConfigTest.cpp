#include <gtest/gtest.h>

#include "Core/ValueObjects/ConnectionConfig.h"

using Core::ValueObjects::TConnectionConfig;
using Core::ValueObjects::TConnectionType;
using Core::ValueObjects::TLoginField;

namespace {

TConnectionConfig Make(TConnectionType AType, std::string AODBC, std::string AServer, std::string ADatabase,
                       std::string ADriver, std::string AUser, std::string APassword) {
  TConnectionConfig config;
  config.SetConnectionType(AType);
  config.SetODBCName(std::move(AODBC));
  config.SetServer(std::move(AServer));
  config.SetDatabase(std::move(ADatabase));
  config.SetDriver(std::move(ADriver));
  config.SetUser(std::move(AUser));
  config.SetPassword(std::move(APassword));
  return config;
}

constexpr auto ODBC = TConnectionType::ODBC;
constexpr auto Direct = TConnectionType::Direct;

}  // namespace

TEST(ConnectionConfig, NewObjectIsAnUnconfiguredOdbcConnection) {
  const TConnectionConfig config;
  EXPECT_EQ(config.ConnectionType(), ODBC);
  EXPECT_FALSE(config.IsConfigured());
  EXPECT_FALSE(config.Validate());
  EXPECT_EQ(config.BuildConnectionString(), "DSN=;Uid=;Pwd=;");
}

TEST(ConnectionConfig, ValidateNeedsTheFieldsOfItsType) {
  const struct {
    const char* name;
    TConnectionConfig config;
    bool valid;
  } cases[] = {
      {"odbc without password", Make(ODBC, "Loja", "", "", "", "sa", ""), true},
      {"odbc without user", Make(ODBC, "Loja", "srv", "db", "drv", "", "pw"), false},
      {"odbc ignores the direct fields", Make(ODBC, "Loja", "", "", "", "sa", ""), true},
      {"direct without driver", Make(Direct, "", "srv", "db", "", "sa", "pw"), false},
      {"direct with all four", Make(Direct, "qualquer", "srv", "db", "SQL Server", "sa", ""), true},
      {"direct without database", Make(Direct, "", "srv", "", "SQL Server", "sa", "pw"), false},
      {"a blank user counts", Make(ODBC, "Loja", "", "", "", " ", ""), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.config.Validate(), c.valid);
  }
}

TEST(ConnectionConfig, FindsTheLoginFieldWithBlanksAtEitherEnd) {
  const struct {
    const char* name;
    std::string user, password;
    TLoginField field;
  } cases[] = {
      {"plain", "sa", "p w", TLoginField::None},
      {"no password", "sa", "", TLoginField::None},
      {"no-break space is content", "sa", "\xC2\xA0pw\xC2\xA0", TLoginField::None},
      {"password ends with a blank", "sa", "pw ", TLoginField::Password},
      {"password starts with a tab", "sa", "\tpw", TLoginField::Password},
      {"password of blanks only", "sa", "  ", TLoginField::Password},
      {"user starts with a blank", " sa", "pw", TLoginField::User},
      {"both: the user comes first", "sa ", " pw", TLoginField::User},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Make(ODBC, "Loja", "", "", "", c.user, c.password).LoginFieldWithEdgeBlanks(), c.field);
  }
}

TEST(ConnectionConfig, BuildsTheTemplatesAndBracesOnlyValuesThatNeedIt) {
  const struct {
    const char* name;
    TConnectionConfig config;
    const char* expected;
  } cases[] = {
      {"odbc plain", Make(ODBC, "Loja", "", "", "", "sa", "segredo"), "DSN=Loja;Uid=sa;Pwd=segredo;"},
      {"odbc empty password", Make(ODBC, "Loja", "", "", "", "sa", ""), "DSN=Loja;Uid=sa;Pwd=;"},
      {"direct plain", Make(Direct, "", "srv\\SQLEXPRESS", "Base", "SQL Server", "sa", "pw"),
       "Driver={SQL Server};Server=srv\\SQLEXPRESS;Database=Base;Uid=sa;Pwd=pw;"},
      {"password with semicolon", Make(ODBC, "Loja", "", "", "", "sa", "a;b"), "DSN=Loja;Uid=sa;Pwd={a;b};"},
      {"injected attribute stays inside the value", Make(ODBC, "x;Driver=evil", "", "", "", "sa", ""),
       "DSN={x;Driver=evil};Uid=sa;Pwd=;"},
      {"closing brace doubled", Make(ODBC, "Loja", "", "", "", "sa", "a}b"), "DSN=Loja;Uid=sa;Pwd={a}}b};"},
      {"opening brace", Make(ODBC, "Loja", "", "", "", "sa", "{x"), "DSN=Loja;Uid=sa;Pwd={{x};"},
      {"blanks at the ends", Make(ODBC, "Loja", "", "", "", "sa", " pw "), "DSN=Loja;Uid=sa;Pwd={ pw };"},
      {"blank inside needs nothing", Make(ODBC, "Minha Loja", "", "", "", "sa", "p w"),
       "DSN=Minha Loja;Uid=sa;Pwd=p w;"},
      {"driver with closing brace", Make(Direct, "", "s", "d", "Odd}Driver", "u", ""),
       "Driver={Odd}}Driver};Server=s;Database=d;Uid=u;Pwd=;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.config.BuildConnectionString(), c.expected);
  }
}
