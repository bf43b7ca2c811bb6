// The ODBC editor window, driven through its controls under Wine, over the
// prefix's real registry and the PostgreSQL peer for its connection test.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "App/Constants.h"
#include "Bootstrap/ServiceLocator.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Presentation/ViewModels/ODBCEditorForm.h"
#include "Presentation/Views/ODBCEditor.h"
#include "support/DatabasePeers.h"
#include "windows/ODBCRegistryFixture.h"
#include "windows/WindowTestSupport.h"

using Presentation::Views::TfrmODBCEditor;
using namespace TestSupport;

namespace {

using E = TfrmODBCEditor;
const std::string kDriver = "QL Teste Driver";
const std::string kSqlServerDriver = "QL Teste ODBC Driver 17 for SQL Server";
const std::string kPostgres = "PostgreSQL Unicode";

COLORREF Colour(uint32_t AArgb) {
  return Presentation::Views::ToColorRef(AArgb);
}

int IndexOf(const std::vector<std::string>& AItems, const std::string& AItem) {
  for (size_t i = 0; i < AItems.size(); ++i)
    if (AItems[i] == AItem) return static_cast<int>(i);
  ADD_FAILURE() << AItem << " is not listed";
  return -1;
}

// Waits for the status text and answers the colour it is shown in.
COLORREF StatusAfter(const TfrmODBCEditor& AForm, const std::string& AText) {
  EXPECT_TRUE(WaitFor([&] { return ControlText(AForm.Handle(), E::lblStatus) == AText; }))
      << "status: " << ControlText(AForm.Handle(), E::lblStatus);
  return AForm.TextColourOf(E::lblStatus);
}

HWND ShownForm() {
  return WaitForWindow(TfrmODBCEditor::ClassName);
}

// The editor's machine: two drivers, one with "SQL Server" in its name.
struct TEditorMachine {
  Bootstrap::TServiceRegistration Registration;
  TODBCRegistryFixture Registry;
  TEditorMachine() {
    Registry.AddDriver(kDriver);
    Registry.AddDriver(kSqlServerDriver);
  }
};

}  // namespace

TEST(ODBCEditorWindow, ANewEditorShowsItsDefaultsAndCreatesTheTrimmedDataSource) {
  TEditorMachine machine;
  machine.Registry.WillWrite(HKEY_CURRENT_USER, "QLTeste_Editor");
  TfrmODBCEditor form;
  form.SetEditMode(false, "");

  const int result = RunWithDriver(
      [&] { return form.ShowModal(); },
      [&] {
        const HWND h = ShownForm();
        ASSERT_EQ(h, form.Handle());
        EXPECT_EQ(WindowCaption(h), "Criar Novo ODBC");
        const struct {
          int Label, Field;
          const char *LabelText, *Value, *Cue;
        } rows[] = {
            {E::lblDSNName, E::edtDSNName, "Nome do DSN:", "", "Nome do DSN"},
            {E::lblDescription, E::edtDescription, "Descrição:", "Criado pelo QuorvaneSoft Launcher", "Descrição"},
            {E::lblServer, E::edtServer, "Servidor:", "(local)", "Servidor (ex: localhost\\SQLEXPRESS)"},
            {E::lblUser, E::edtUser, "Usuário:", "", "Usuário"},
            {E::lblPassword, E::edtPassword, "Senha:", "", "Senha"},
            {E::lblDatabase, E::edtDatabase, "Banco de Dados:", "", "Nome do banco de dados"},
        };
        for (const auto& row : rows) {
          SCOPED_TRACE(row.LabelText);
          EXPECT_EQ(ControlText(h, row.Label), row.LabelText);
          EXPECT_EQ(ControlText(h, row.Field), row.Value);
          EXPECT_EQ(CueBanner(h, row.Field), row.Cue);
        }
        EXPECT_EQ(ControlText(h, E::lblDriver), "Driver:");
        EXPECT_EQ(ControlText(h, E::btnCancel), "Cancelar");
        EXPECT_EQ(ControlText(h, E::btnTest), "Testar Conexão");
        EXPECT_EQ(ControlText(h, E::btnConfirm), "Salvar");
        EXPECT_EQ(ControlText(h, E::lblStatus), "");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(h, E::edtDSNName)));
        // Whatever else the prefix has installed, the last driver naming SQL Server is offered.
        const std::vector<std::string> drivers = ComboItems(h, E::cmbDriver);
        IndexOf(drivers, kDriver);
        IndexOf(drivers, kSqlServerDriver);
        const int preselected = ComboSelection(h, E::cmbDriver);
        EXPECT_EQ(preselected, Presentation::ViewModels::PreselectedDriverIndex(drivers));
        ASSERT_GE(preselected, 0);
        EXPECT_NE(drivers[preselected].find("SQL Server"), std::string::npos);
        // The keyboard starts at the driver list.
        EXPECT_TRUE(WaitFor([&] { return FocusedId(h) == E::cmbDriver; }));
        SaveScreenshot(h, "odbc_editor_new");

        // The checks come one at a time, in order, each with the focus where the fault is.
        Click(h, E::btnConfirm);
        EXPECT_EQ(StatusAfter(form, "Nome do DSN é obrigatório"), Colour(App::Constants::ColorError));
        EXPECT_TRUE(WaitFor([&] { return FocusedId(h) == E::edtDSNName; }));
        SaveScreenshot(h, "odbc_editor_name_required");

        TypeText(h, E::edtDSNName, "  QLTeste_Editor \t");
        TypeText(h, E::edtServer, "   ");
        PressKey(h, E::edtDSNName, VK_RETURN);  // Enter confirms
        EXPECT_EQ(StatusAfter(form, "Servidor é obrigatório"), Colour(App::Constants::ColorError));
        EXPECT_TRUE(WaitFor([&] { return FocusedId(h) == E::edtServer; }));

        TypeText(h, E::edtServer, "127.0.0.1");
        Click(h, E::btnConfirm);
        StatusAfter(form, "Banco de dados é obrigatório");
        EXPECT_TRUE(WaitFor([&] { return FocusedId(h) == E::edtDatabase; }));

        TypeText(h, E::edtDatabase, "Vendas");
        ChooseItem(h, E::cmbDriver, -1);
        Click(h, E::btnConfirm);
        StatusAfter(form, "Selecione um driver");
        EXPECT_TRUE(WaitFor([&] { return FocusedId(h) == E::cmbDriver; }));

        ChooseItem(h, E::cmbDriver, IndexOf(drivers, kDriver));
        TypeText(h, E::edtDescription, " Filial Centro ");
        TypeText(h, E::edtUser, " sa ");
        TypeText(h, E::edtPassword, "segredo");
        Click(h, E::btnConfirm);
        EXPECT_EQ(StatusAfter(form, "ODBC \"QLTeste_Editor\" criado com sucesso!"),
                  Colour(App::Constants::ColorSuccess));
        // The success stays on screen for a moment, and what the user does
        // meanwhile cannot turn the created data source into a Cancel.
        EXPECT_TRUE(IsWindowVisible(h));
        SaveScreenshot(h, "odbc_editor_created");
        Click(h, E::btnCancel);
        CloseBox(h);
      });

  EXPECT_EQ(result, Presentation::Views::mrOk);
  EXPECT_EQ(form.GetDSNName(), "QLTeste_Editor");
  EXPECT_EQ(form.GetUser(), "sa");
  EXPECT_EQ(form.GetPassword(), "segredo");
  const std::string key = kOdbcIni + "QLTeste_Editor";
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, kDataSources, "QLTeste_Editor"), kDriver);
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, key, "Driver"), TODBCRegistryFixture::LibraryOf(kDriver));
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, key, "Server"), "127.0.0.1");
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, key, "Database"), "Vendas");
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, key, "Description"), "Filial Centro");
  // The login is the caller's to keep; the data source stores none, and never the password.
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, key, "LastUser"), std::nullopt);
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, key, "Password"), std::nullopt);
}

TEST(ODBCEditorWindow, CancelEscapeAndTheCloseBoxWriteNothing) {
  TEditorMachine machine;
  machine.Registry.WillWrite(HKEY_CURRENT_USER, "QLTeste_Cancelado");
  TfrmODBCEditor form;
  const struct {
    const char* Name;
    void (*Leave)(HWND);
  } ways[] = {
      {"cancel button", [](HWND h) { Click(h, E::btnCancel); }},
      {"Escape", [](HWND h) { PressKey(h, E::edtDatabase, VK_ESCAPE); }},
      {"close box", [](HWND h) { CloseBox(h); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.Name);
    form.SetEditMode(false, "");
    const int result = RunWithDriver([&] { return form.ShowModal(); },
                                     [&] {
                                       const HWND h = ShownForm();
                                       ASSERT_NE(h, nullptr);
                                       // Each showing starts from the defaults again.
                                       EXPECT_EQ(ControlText(h, E::edtDSNName), "");
                                       EXPECT_EQ(ControlText(h, E::lblStatus), "");
                                       TypeText(h, E::edtDSNName, "QLTeste_Cancelado");
                                       Click(h, E::btnConfirm);  // an incomplete confirmation leaves the window open
                                       StatusAfter(form, "Banco de dados é obrigatório");
                                       way.Leave(h);
                                     });
    EXPECT_EQ(result, Presentation::Views::mrCancel);
    EXPECT_FALSE(RegKeyPresent(HKEY_CURRENT_USER, kOdbcIni + "QLTeste_Cancelado"));
  }
}

TEST(ODBCEditorWindow, AnExistingNameIsConfirmedWithoutBeingChanged) {
  TEditorMachine machine;
  machine.Registry.AddDataSource(HKEY_LOCAL_MACHINE, "QLTeste_Sistema", kDriver, "srv-sistema", "Estoque");
  machine.Registry.WillWrite(HKEY_CURRENT_USER, "QLTeste_Sistema");
  TfrmODBCEditor form;
  const int result = RunWithDriver([&] { return form.ShowModal(); },
                                   [&] {
                                     const HWND h = ShownForm();
                                     ASSERT_NE(h, nullptr);
                                     TypeText(h, E::edtDSNName, "QLTeste_Sistema");
                                     TypeText(h, E::edtServer, "outro");
                                     TypeText(h, E::edtDatabase, "Outro");
                                     Click(h, E::btnConfirm);
                                     StatusAfter(form, "ODBC \"QLTeste_Sistema\" criado com sucesso!");
                                   });
  EXPECT_EQ(result, Presentation::Views::mrOk);
  EXPECT_EQ(RegGetText(HKEY_LOCAL_MACHINE, kOdbcIni + "QLTeste_Sistema", "Server"), "srv-sistema");
  EXPECT_EQ(RegGetText(HKEY_LOCAL_MACHINE, kOdbcIni + "QLTeste_Sistema", "Database"), "Estoque");
  EXPECT_FALSE(RegKeyPresent(HKEY_CURRENT_USER, kOdbcIni + "QLTeste_Sistema"));
}

TEST(ODBCEditorWindow, EditModeLoadsTheStoredValuesAndWritesTheChangesBack) {
  TEditorMachine machine;
  machine.Registry.AddDataSource(HKEY_CURRENT_USER, "QLTeste_Editar", kDriver, "srv-antigo", "Antigo", "Loja antiga");
  TfrmODBCEditor form;
  form.SetEditMode(true, "QLTeste_Editar");
  const int result = RunWithDriver([&] { return form.ShowModal(); },
                                   [&] {
                                     const HWND h = ShownForm();
                                     ASSERT_NE(h, nullptr);
                                     EXPECT_EQ(WindowCaption(h), "Editar ODBC");
                                     EXPECT_EQ(ControlText(h, E::edtDSNName), "QLTeste_Editar");
                                     EXPECT_FALSE(IsWindowEnabled(GetDlgItem(h, E::edtDSNName)));
                                     const std::vector<std::string> drivers = ComboItems(h, E::cmbDriver);
                                     EXPECT_EQ(ComboSelection(h, E::cmbDriver),
                                               IndexOf(drivers, kDriver));  // the stored one, not the preselection
                                     EXPECT_EQ(ControlText(h, E::edtServer), "srv-antigo");
                                     EXPECT_EQ(ControlText(h, E::edtDatabase), "Antigo");
                                     EXPECT_EQ(ControlText(h, E::edtDescription), "Loja antiga");
                                     SaveScreenshot(h, "odbc_editor_edit");

                                     ChooseItem(h, E::cmbDriver, IndexOf(drivers, kSqlServerDriver));
                                     TypeText(h, E::edtServer, " srv-novo ");
                                     Click(h, E::btnConfirm);
                                     EXPECT_EQ(StatusAfter(form, "ODBC \"QLTeste_Editar\" atualizado com sucesso!"),
                                               Colour(App::Constants::ColorSuccess));
                                     SaveScreenshot(h, "odbc_editor_updated");
                                   });
  EXPECT_EQ(result, Presentation::Views::mrOk);
  const std::string key = kOdbcIni + "QLTeste_Editar";
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, kDataSources, "QLTeste_Editar"), kSqlServerDriver);
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, key, "Driver"), TODBCRegistryFixture::LibraryOf(kSqlServerDriver));
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, key, "Server"), "srv-novo");
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, key, "Database"), "Antigo");
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, key, "Description"), "Loja antiga");

  // Back in create mode the same window offers a fresh, unlocked form.
  form.SetEditMode(false, "");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(form.Handle(), E::edtDSNName)));
  EXPECT_EQ(ControlText(form.Handle(), E::edtDSNName), "");
  EXPECT_EQ(ControlText(form.Handle(), E::edtServer), "(local)");
  EXPECT_EQ(ControlText(form.Handle(), E::edtDescription), "Criado pelo QuorvaneSoft Launcher");

  // A data source removed meanwhile is reported, not created again.
  form.SetEditMode(true, "QLTeste_Removido");
  const int missing = RunWithDriver(
      [&] { return form.ShowModal(); },
      [&] {
        const HWND h = ShownForm();
        ASSERT_NE(h, nullptr);
        ChooseItem(h, E::cmbDriver, IndexOf(ComboItems(h, E::cmbDriver), kDriver));
        TypeText(h, E::edtDatabase, "Vendas");
        Click(h, E::btnConfirm);
        EXPECT_EQ(StatusAfter(form, "Erro ao atualizar ODBC. Verifique se ainda existe ou execute como admin."),
                  Colour(App::Constants::ColorError));
        SaveScreenshot(h, "odbc_editor_update_error");
        PressKey(h, E::edtDatabase, VK_ESCAPE);
      });
  EXPECT_EQ(missing, Presentation::Views::mrCancel);
  EXPECT_FALSE(RegKeyPresent(HKEY_CURRENT_USER, kOdbcIni + "QLTeste_Removido"));
}

namespace {

// What the status label was given and painted with while a handler ran. The
// connection attempt blocks the window's thread, so only a hook on that
// thread can see the progress text; a paint *sent* (not queued) there is the
// repaint forced before the attempt.
struct TStatusTrace {
  HWND Status = nullptr;
  const TfrmODBCEditor* Form = nullptr;
  std::vector<COLORREF> ProgressPaints;  // the colour of each forced paint of the progress text
  std::atomic<int> Progress{0};          // how many there were, for the driver thread
};
TStatusTrace* gTrace = nullptr;

LRESULT CALLBACK TraceStatus(int ACode, WPARAM AWParam, LPARAM ALParam) {
  const auto* message = reinterpret_cast<const CWPSTRUCT*>(ALParam);
  if (ACode == HC_ACTION && gTrace != nullptr && message->hwnd == gTrace->Status && message->message == WM_PAINT) {
    wchar_t text[256] = {};
    InternalGetWindowText(message->hwnd, text, 256);
    if (Infrastructure::Platform::Win32::FromWide(text) == "Testando conexão...") {
      gTrace->ProgressPaints.push_back(gTrace->Form->TextColourOf(E::lblStatus));
      ++gTrace->Progress;
    }
  }
  return CallNextHookEx(nullptr, ACode, AWParam, ALParam);
}

}  // namespace

TEST(ODBCEditorWindow, TheConnectionTestReachesTheServerThroughTheChosenDriver) {
  TEditorMachine machine;
  // Wine may already list the host's drivers; only a missing one is added (and removed).
  TODBCRegistryFixture postgres;
  if (!RegGetText(HKEY_LOCAL_MACHINE, kDrivers, kPostgres)) postgres.AddDriver(kPostgres);

  TfrmODBCEditor form;
  form.SetEditMode(false, "");  // builds the controls, as the configuration window does before showing it
  TStatusTrace trace;
  trace.Status = GetDlgItem(form.Handle(), E::lblStatus);
  trace.Form = &form;
  gTrace = &trace;
  const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &TraceStatus, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);

  const int result = RunWithDriver(
      [&] { return form.ShowModal(); },
      [&] {
        const HWND h = ShownForm();
        ASSERT_NE(h, nullptr);
        ChooseItem(h, E::cmbDriver, IndexOf(ComboItems(h, E::cmbDriver), kPostgres));
        TypeText(h, E::edtDSNName, "QLTeste_Conexao");
        TypeText(h, E::edtServer, "127.0.0.1");
        TypeText(h, E::edtDatabase, DatabasePeerValue("pg.database"));
        TypeText(h, E::edtUser, DatabasePeerValue("pg.user"));
        TypeText(h, E::edtPassword, DatabasePeerValue("pg.password"));
        Click(h, E::btnTest);
        EXPECT_EQ(StatusAfter(form, "Conexão testada com sucesso!"), Colour(App::Constants::ColorSuccess));
        SaveScreenshot(h, "odbc_editor_test_ok");

        const struct {
          const char* Name;
          int Field;
          std::string Value;
        } failures[] = {
            {"wrong password", E::edtPassword, "errada"},
            {"no such database", E::edtDatabase, "ql_nao_existe"},
            // Without a login a direct test fails before any connection attempt.
            {"no login", E::edtUser, ""},
        };
        for (const auto& failure : failures) {
          SCOPED_TRACE(failure.Name);
          TypeText(h, failure.Field, failure.Value);
          // The same failure text each time: the progress paint tells this test's run apart.
          const int before = trace.Progress;
          Click(h, E::btnTest);
          EXPECT_TRUE(WaitFor([&] { return trace.Progress > before; }));
          EXPECT_EQ(StatusAfter(form, "Falha na conexão. Verifique os dados."), Colour(App::Constants::ColorError));
        }
        SaveScreenshot(h, "odbc_editor_test_failed");
        Click(h, E::btnCancel);
      });
  UnhookWindowsHookEx(hook);
  gTrace = nullptr;

  EXPECT_EQ(result, Presentation::Views::mrCancel);
  // Every test painted its progress text in amber before the attempt blocked the window.
  ASSERT_EQ(trace.ProgressPaints.size(), 4u);
  for (const COLORREF colour : trace.ProgressPaints) EXPECT_EQ(colour, Colour(App::Constants::ColorWarning));
  EXPECT_FALSE(RegKeyPresent(HKEY_CURRENT_USER, kOdbcIni + "QLTeste_Conexao"));  // a test writes nothing
}
