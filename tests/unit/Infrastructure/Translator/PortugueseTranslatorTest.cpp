#include <gtest/gtest.h>

#include <set>

#include "Core/Errors.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"

using Infrastructure::Translator::TPortugueseTranslator;

TEST(PortugueseTranslator, CatalogueHoldsItsEntriesInOrderWithUniqueKeys) {
  const auto entries = TPortugueseTranslator::Entries();
  ASSERT_GE(entries.size(), 100u);
  EXPECT_EQ(entries[0].Key, "AppName");
  EXPECT_EQ(entries[1].Key, "Loading");
  EXPECT_EQ(entries[99].Key, "DefaultDescription");
  std::set<std::string_view> keys;
  for (const auto& entry : entries) EXPECT_TRUE(keys.insert(entry.Key).second) << "duplicate key " << entry.Key;
}

TEST(PortugueseTranslator, TranslateLooksKeysUpExactly) {
  const TPortugueseTranslator translator;
  const struct {
    const char* key;
    const char* text;
  } cases[] = {
      {"CheckingBDE", "Verificando BDE (Borland Database Engine)..."},
      {"checkingbde", "checkingbde"},  // case-sensitive: no entry, the key comes back
      {"", ""},
      {"No", "N\xC3\xA3o"},
      {"ServerPrompt", "Servidor (ex: localhost\\SQLEXPRESS)"},
      {"ConfigIncomplete", "Configura\xC3\xA7\xC3\xA3o incompleta. Preencha todos os campos obrigat\xC3\xB3rios."},
      {"DefaultDescription", "Criado pelo QuorvaneSoft Launcher"},
      {"Configure", "Configurar"},
      {"ButtonConfigure", "Configurar"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(translator.Translate(c.key), c.text);
  }
}

TEST(PortugueseTranslator, TranslateFormatFillsPlaceholders) {
  const TPortugueseTranslator translator;
  EXPECT_EQ(translator.TranslateFormat("InstallingBDE", {"42"}), "Instalando BDE... 42%");
  EXPECT_EQ(translator.TranslateFormat("VersionInfo", {"1.0.0.0", "1.0.0.0", "-"}),
            "BD: 1.0.0.0 | EXE: 1.0.0.0 | WS: -");
  EXPECT_EQ(translator.TranslateFormat("ODBCCreateSuccess", {"Loja"}), "ODBC \"Loja\" criado com sucesso!");
  EXPECT_EQ(translator.TranslateFormat("Success", {"ignorado"}), "Sucesso");
  EXPECT_EQ(translator.TranslateFormat("SemEntrada", {"x"}), "SemEntrada");
  // An argument is inserted as it is, never formatted again.
  EXPECT_EQ(translator.TranslateFormat("GenericError", {"100%s %%"}), "Erro: 100%s %%");
}

TEST(PortugueseTranslator, MissingArgumentRaisesAnErrorForTheCaller) {
  const TPortugueseTranslator translator;
  EXPECT_THROW(translator.TranslateFormat("VersionInfo", {"1", "2"}), Core::EFormatError);
  EXPECT_THROW(translator.TranslateFormat("GenericError", {}), Core::EFormatError);
  EXPECT_THROW(translator.TranslateFormat("50%", {}), Core::EFormatError);  // a lone "%" is no placeholder
}

TEST(PortugueseTranslator, CatalogueOutlivesEveryTranslator) {
  { const TPortugueseTranslator first; }
  const TPortugueseTranslator second;
  EXPECT_EQ(second.Translate("Loading"), "Carregando...");
}
