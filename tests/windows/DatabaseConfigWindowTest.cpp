// The database configuration window, driven through its controls with the
// registry's real services: the prefix's registry for data sources and
// drivers, the real PostgreSQL peer through its ODBC driver, and the
// configuration file beside this program, where the configuration service
// looks first.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "App/Constants.h"
#include "Bootstrap/ServiceLocator.h"
#include "Infrastructure/Config/IniFile.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Presentation/Views/DatabaseConfig.h"
#include "Presentation/Views/ODBCEditor.h"
#include "support/DatabasePeers.h"
#include "windows/ODBCRegistryFixture.h"
#include "windows/WindowTestSupport.h"

using Infrastructure::Platform::Win32::ToWide;
using Presentation::Views::mrCancel;
using Presentation::Views::mrOk;
using Presentation::Views::TfrmDatabaseConfig;
using Presentation::Views::TfrmODBCEditor;
using namespace TestSupport;

namespace {

using Id = TfrmDatabaseConfig::TControlId;

const std::wstring kDataSources = L"Software\\ODBC\\ODBC.INI\\ODBC Data Sources";
const std::wstring kDataSourceKey = L"Software\\ODBC\\ODBC.INI\\";
const std::wstring kDrivers = L"Software\\ODBC\\ODBCINST.INI\\ODBC Drivers";

// Every control, with the connection types it is shown for.
struct TControlRow {
  int Id;
  bool Odbc;
  bool Direct;
};
const TControlRow kControls[] = {
    {Id::lblConnectionType, true, true},
    {Id::cmbConnectionType, true, true},
    {Id::lblODBC, true, false},
    {Id::cmbODBC, true, false},
    {Id::btnCreateODBC, true, false},
    {Id::lblDriver, false, true},
    {Id::cmbDriver, false, true},
    {Id::lblServer, false, true},
    {Id::edtServer, false, true},
    {Id::lblUser, true, true},
    {Id::edtUser, true, true},
    {Id::lblPassword, true, true},
    {Id::edtPassword, true, true},
    {Id::lblDatabase, false, true},
    {Id::cmbDatabase, false, true},
    {Id::lblStatus, true, true},
    {Id::btnTest, true, true},
    {Id::btnConfirm, true, true},
    {Id::btnBack, true, true},
};

void ExpectRowsOf(HWND AForm, bool AOdbc) {
  for (const TControlRow& control : kControls) {
    SCOPED_TRACE(control.Id);
    EXPECT_EQ(ControlVisible(AForm, control.Id), AOdbc ? control.Odbc : control.Direct);
  }
}

int IndexOf(const std::vector<std::string>& AItems, const std::string& AItem) {
  const auto found = std::find(AItems.begin(), AItems.end(), AItem);
  return found == AItems.end() ? -1 : static_cast<int>(found - AItems.begin());
}

void RemoveDataSource(const std::wstring& AName) {
  HKEY list;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kDataSources.c_str(), 0, KEY_SET_VALUE, &list) == ERROR_SUCCESS) {
    RegDeleteValueW(list, AName.c_str());
    RegCloseKey(list);
  }
  RegDeleteKeyW(HKEY_CURRENT_USER, (kDataSourceKey + AName).c_str());
}

// The PostgreSQL driver listed among the prefix's installed drivers, as its
// installer lists it on Windows (the connection itself goes through Wine to
// the host's driver). Removed again if it was not there before.
class TInstalledDriver {
 public:
  explicit TInstalledDriver(std::wstring AName) : FName(std::move(AName)) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDrivers.c_str(), 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE | TestSupport::kLauncherView, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return;
    if (RegQueryValueExW(key, FName.c_str(), nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      const std::wstring installed = L"Installed";
      FAdded = RegSetValueExW(key, FName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(installed.c_str()),
                              static_cast<DWORD>((installed.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
  }
  ~TInstalledDriver() {
    HKEY key;
    if (FAdded && RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDrivers.c_str(), 0, KEY_SET_VALUE | TestSupport::kLauncherView,
                                &key) == ERROR_SUCCESS) {
      RegDeleteValueW(key, FName.c_str());
      RegCloseKey(key);
    }
  }
  TInstalledDriver(const TInstalledDriver&) = delete;
  TInstalledDriver& operator=(const TInstalledDriver&) = delete;

 private:
  std::wstring FName;
  bool FAdded = false;
};

class DatabaseConfigWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Infrastructure::Platform::WriteFileAtomically(FConfigPath, "");
    ASSERT_EQ(Bootstrap::TServiceLocator::GetConfigService()->GetConfigPath(), FConfigPath)
        << "another *.ini beside the test program would be found first";
    FForm = std::make_unique<TfrmDatabaseConfig>(nullptr);
  }
  void TearDown() override {
    FForm.reset();
    Infrastructure::Platform::RemoveFile(FConfigPath);
  }

  HWND Window() const { return FForm->Handle(); }
  std::string Status() const { return ControlText(Window(), Id::lblStatus); }
  // Read after the text: the window sets the colour in the same step, before it
  // takes the next message.
  COLORREF StatusColour() const { return FForm->TextColourOf(Id::lblStatus); }
  bool WaitForStatus(const std::string& AText) const {
    return WaitFor([&] { return Status() == AText; });
  }
  std::string Ini(const std::string& AKey) const {
    return Infrastructure::Config::TIniFile::Load(FConfigPath).ReadString("BancoDados", AKey, "<ausente>");
  }
  // The direct connection to the PostgreSQL peer, typed as a user would.
  void TypeDirectSettings(const std::string& APassword, const std::string& ADatabase) const {
    ChooseItem(Window(), Id::cmbConnectionType, 1);
    const int driver = IndexOf(ComboItems(Window(), Id::cmbDriver), "PostgreSQL Unicode");
    ASSERT_GE(driver, 0) << "the installed driver is offered";
    ChooseItem(Window(), Id::cmbDriver, driver);
    TypeText(Window(), Id::edtServer, "127.0.0.1");
    TypeText(Window(), Id::edtUser, DatabasePeerValue("pg.user"));
    TypeText(Window(), Id::edtPassword, APassword);
    TypeText(Window(), Id::cmbDatabase, ADatabase);
  }

  Bootstrap::TServiceRegistration FRegistration;
  TInstalledDriver FDriver{L"PostgreSQL Unicode"};
  const std::string FConfigPath = Infrastructure::Platform::ModuleDirectory() + "\\Config.ini";
  std::unique_ptr<TfrmDatabaseConfig> FForm;
};

TEST_F(DatabaseConfigWindow, ShowsTheRowsOfTheChosenTypeAndEscapeCancels) {
  RECT client;
  GetClientRect(Window(), &client);
  EXPECT_EQ(client.right, FForm->Scale(483));
  EXPECT_EQ(client.bottom, FForm->Scale(483));
  EXPECT_EQ(WindowCaption(Window()), "Database");
  const LONG style = GetWindowLongW(Window(), GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(style & WS_SYSMENU, 0);

  const int result =
      RunWithDriver([&] { return FForm->ShowModal(); },
                    [&] {
                      const HWND form = Window();
                      ASSERT_EQ(WaitForWindow(TfrmDatabaseConfig::ClassName), form);
                      EXPECT_EQ(ControlText(form, Id::lblConnectionType), "Tipo de Conexão:");
                      EXPECT_EQ(ComboItems(form, Id::cmbConnectionType), (std::vector<std::string>{"ODBC", "Direta"}));
                      EXPECT_EQ(ComboSelection(form, Id::cmbConnectionType), 0);
                      EXPECT_EQ(ControlText(form, Id::btnCreateODBC), "+ Criar ODBC");
                      EXPECT_EQ(ControlText(form, Id::btnBack), "Cancelar");
                      EXPECT_EQ(ControlText(form, Id::btnTest), "Testar Conexão");
                      EXPECT_EQ(ControlText(form, Id::btnConfirm), "Salvar");
                      EXPECT_EQ(ControlText(form, Id::lblStatus), "");
                      const std::vector<std::string> drivers = ComboItems(form, Id::cmbDriver);
                      ASSERT_GE(drivers.size(), 2u);
                      EXPECT_EQ(drivers[0], "SQL Server Native Client 11.0");
                      EXPECT_EQ(drivers[1], "ODBC Driver 17 for SQL Server");
                      ExpectRowsOf(form, true);
                      SaveScreenshot(form, "database_config_odbc");

                      ChooseItem(form, Id::cmbConnectionType, 1);
                      EXPECT_TRUE(WaitFor([&] { return ControlVisible(form, Id::edtServer); }));
                      ExpectRowsOf(form, false);
                      EXPECT_TRUE(ComboItems(form, Id::cmbDatabase).empty());
                      SaveScreenshot(form, "database_config_direct");

                      ChooseItem(form, Id::cmbConnectionType, 0);
                      EXPECT_TRUE(WaitFor([&] { return ControlVisible(form, Id::cmbODBC); }));
                      ExpectRowsOf(form, true);
                      PressKey(form, Id::edtUser, VK_ESCAPE);
                    });
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(Infrastructure::Platform::ReadFileBytes(FConfigPath), "");
}

TEST_F(DatabaseConfigWindow, FailedTestShowsWhyAndIncompleteSettingsAreNotSaved) {
  const int result = RunWithDriver(
      [&] { return FForm->ShowModal(); },
      [&] {
        ASSERT_NE(WaitForWindow(TfrmDatabaseConfig::ClassName), nullptr);
        TypeDirectSettings("errada", "ql_teste");
        Click(Window(), Id::btnTest);
        ASSERT_TRUE(WaitFor([&] { return Status().rfind("Erro de conexão: ", 0) == 0; })) << Status();
        EXPECT_NE(Status().find("password authentication failed"), std::string::npos) << Status();
        EXPECT_EQ(StatusColour(), Presentation::Views::ToColorRef(App::Constants::ColorError));
        EXPECT_TRUE(ComboItems(Window(), Id::cmbDatabase).empty()) << "nothing is offered after a failure";
        SaveScreenshot(Window(), "database_config_test_failed");

        // Without a database the settings are incomplete: refused without a connection attempt.
        TypeText(Window(), Id::cmbDatabase, "");
        Click(Window(), Id::btnTest);
        ASSERT_TRUE(WaitForStatus("Erro de conexão: Configuração incompleta. Preencha todos os campos obrigatórios."));
        Click(Window(), Id::btnConfirm);
        ASSERT_TRUE(WaitForStatus("Configuração incompleta. Preencha todos os campos obrigatórios."));
        EXPECT_EQ(StatusColour(), Presentation::Views::ToColorRef(App::Constants::ColorError));
        SaveScreenshot(Window(), "database_config_incomplete");
        CloseBox(Window());
      });
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(Infrastructure::Platform::ReadFileBytes(FConfigPath), "");
}

// The file keeps values trimmed: such a login would start the next session as
// another one than the one typed and tested.
TEST_F(DatabaseConfigWindow, LoginWithBlanksAtEitherEndIsNotSavedAndItsFieldTakesTheFocus) {
  const std::string refused =
      "O usuário ou a senha começa ou termina com espaço, que o arquivo de configuração não guarda. "
      "Remova os espaços e teste a conexão novamente.";
  const int result =
      RunWithDriver([&] { return FForm->ShowModal(); },
                    [&] {
                      ASSERT_NE(WaitForWindow(TfrmDatabaseConfig::ClassName), nullptr);
                      TypeDirectSettings("segredo ", "ql_teste");
                      Click(Window(), Id::btnConfirm);
                      ASSERT_TRUE(WaitForStatus(refused)) << Status();
                      EXPECT_EQ(StatusColour(), Presentation::Views::ToColorRef(App::Constants::ColorError));
                      EXPECT_TRUE(WaitFor([&] { return FocusedId(Window()) == Id::edtPassword; }));
                      SaveScreenshot(Window(), "database_config_login_blanks");

                      TypeText(Window(), Id::edtPassword, "segredo");
                      TypeText(Window(), Id::edtUser, " " + DatabasePeerValue("pg.user"));
                      Click(Window(), Id::btnConfirm);
                      EXPECT_TRUE(WaitFor([&] { return FocusedId(Window()) == Id::edtUser; }));
                      EXPECT_EQ(Status(), refused);
                      CloseBox(Window());
                    });
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(Infrastructure::Platform::ReadFileBytes(FConfigPath), "");
}

TEST_F(DatabaseConfigWindow, SuccessfulTestOffersTheDatabasesAndSaveClosesWithOk) {
  const std::string password = DatabasePeerValue("pg.password");  // holds ";" and "}"
  const int first =
      RunWithDriver([&] { return FForm->ShowModal(); },
                    [&] {
                      ASSERT_NE(WaitForWindow(TfrmDatabaseConfig::ClassName), nullptr);
                      TypeDirectSettings(password, "ql_teste");
                      Click(Window(), Id::btnTest);
                      ASSERT_TRUE(WaitForStatus("Conexão estabelecida com sucesso")) << Status();
                      EXPECT_EQ(StatusColour(), Presentation::Views::ToColorRef(App::Constants::ColorSuccess));
                      // psqlODBC names the database it is connected to; the typed text stays.
                      EXPECT_EQ(ComboItems(Window(), Id::cmbDatabase), (std::vector<std::string>{"ql_teste"}));
                      EXPECT_EQ(ControlText(Window(), Id::cmbDatabase), "ql_teste");
                      SaveScreenshot(Window(), "database_config_test_ok");

                      PressKey(Window(), Id::edtPassword, VK_RETURN);  // Enter saves
                      ASSERT_TRUE(WaitForStatus("Configuração salva com sucesso!"));
                      EXPECT_TRUE(IsWindowVisible(Window())) << "the success text is shown before the window goes";
                      SaveScreenshot(Window(), "database_config_saved");
                    });
  EXPECT_EQ(first, mrOk);
  EXPECT_EQ(Ini("Usuario"), DatabasePeerValue("pg.user"));
  EXPECT_EQ(Ini("Senha"), password);
  EXPECT_EQ(Ini("ODBC"), "");
  EXPECT_EQ(Ini("Servidor"), "127.0.0.1");
  EXPECT_EQ(Ini("BANCO"), "ql_teste");
  EXPECT_EQ(Ini("DRIVE"), "PostgreSQL Unicode");

  // The next showing starts from what the last one left; back during the
  // second after a save closes at once with Cancel.
  const int second = RunWithDriver([&] { return FForm->ShowModal(); },
                                   [&] {
                                     ASSERT_NE(WaitForWindow(TfrmDatabaseConfig::ClassName), nullptr);
                                     EXPECT_EQ(ComboSelection(Window(), Id::cmbConnectionType), 1);
                                     EXPECT_TRUE(ControlVisible(Window(), Id::edtServer));
                                     EXPECT_EQ(ControlText(Window(), Id::edtServer), "127.0.0.1");
                                     EXPECT_EQ(ControlText(Window(), Id::edtUser), DatabasePeerValue("pg.user"));
                                     EXPECT_EQ(ControlText(Window(), Id::cmbDatabase), "ql_teste");
                                     EXPECT_EQ(Status(), "Configuração salva com sucesso!");
                                     SaveScreenshot(Window(), "database_config_second_showing");
                                     TypeText(Window(), Id::edtServer, "localhost");
                                     Click(Window(), Id::btnConfirm);
                                     Click(Window(), Id::btnBack);
                                   });
  EXPECT_EQ(second, mrCancel);
  EXPECT_EQ(Ini("Servidor"), "localhost");

  // The close the cancelled save had scheduled must not end a later showing.
  const int third = RunWithDriver([&] { return FForm->ShowModal(); },
                                  [&] {
                                    ASSERT_NE(WaitForWindow(TfrmDatabaseConfig::ClassName), nullptr);
                                    Sleep(TfrmDatabaseConfig::CloseDelayMs + 500);
                                    EXPECT_TRUE(IsWindowVisible(Window()));
                                    CloseBox(Window());
                                  });
  EXPECT_EQ(third, mrCancel);
}

TEST_F(DatabaseConfigWindow, FileThatCannotBeWrittenIsReportedAndTheWindowStaysOpen) {
  // A reader that does not share deletion blocks the file's replacement.
  const HANDLE reader = CreateFileW(ToWide(FConfigPath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  const int result = RunWithDriver([&] { return FForm->ShowModal(); },
                                   [&] {
                                     ASSERT_NE(WaitForWindow(TfrmDatabaseConfig::ClassName), nullptr);
                                     ChooseItem(Window(), Id::cmbConnectionType, 1);
                                     TypeText(Window(), Id::edtServer, "srv");
                                     TypeText(Window(), Id::edtUser, "sa");
                                     TypeText(Window(), Id::cmbDatabase, "Vendas");
                                     Click(Window(), Id::btnConfirm);
                                     const HWND box = WaitForWindow(L"#32770");
                                     ASSERT_NE(box, nullptr) << "the error reaches the user";
                                     EXPECT_EQ(GetWindow(box, GW_OWNER), Window());
                                     SaveScreenshot(box, "database_config_write_error");
                                     PostMessageW(box, WM_COMMAND, IDOK, 0);
                                     ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
                                     EXPECT_TRUE(IsWindowVisible(Window()));
                                     EXPECT_EQ(Status(), "");
                                     Sleep(TfrmDatabaseConfig::CloseDelayMs + 200);
                                     EXPECT_TRUE(IsWindowVisible(Window())) << "no close after a failed save";
                                     PressKey(Window(), Id::edtServer, VK_ESCAPE);
                                   });
  CloseHandle(reader);
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(Infrastructure::Platform::ReadFileBytes(FConfigPath), "");
}

TEST_F(DatabaseConfigWindow, CreatedDataSourceIsSelectedWithTheEditorsLogin) {
  const std::wstring created = L"QLTeste_Config_Novo";
  RemoveDataSource(created);
  const int result =
      RunWithDriver([&] { return FForm->ShowModal(); },
                    [&] {
                      ASSERT_NE(WaitForWindow(TfrmDatabaseConfig::ClassName), nullptr);
                      ChooseItem(Window(), Id::cmbConnectionType, 1);  // the creation brings ODBC back
                      TypeText(Window(), Id::edtUser, "outro");

                      // Cancelled: nothing changes.
                      Click(Window(), Id::btnCreateODBC);
                      HWND editor = WaitForWindow(TfrmODBCEditor::ClassName);
                      ASSERT_NE(editor, nullptr);
                      EXPECT_FALSE(IsWindowEnabled(Window())) << "the editor is modal over this window";
                      PressKey(editor, TfrmODBCEditor::edtDSNName, VK_ESCAPE);
                      ASSERT_TRUE(WaitFor([&] { return Presentation::Views::frmODBCEditor == nullptr; }));
                      EXPECT_EQ(ControlText(Window(), Id::edtUser), "outro");
                      EXPECT_EQ(Status(), "");

                      Click(Window(), Id::btnCreateODBC);
                      editor = WaitForWindow(TfrmODBCEditor::ClassName);
                      ASSERT_NE(editor, nullptr);
                      TypeText(editor, TfrmODBCEditor::edtDSNName, "QLTeste_Config_Novo");
                      TypeText(editor, TfrmODBCEditor::edtServer, "127.0.0.1");
                      TypeText(editor, TfrmODBCEditor::edtDatabase, "ql_teste");
                      TypeText(editor, TfrmODBCEditor::edtUser, "ana");
                      TypeText(editor, TfrmODBCEditor::edtPassword, "segredo");
                      Click(editor, TfrmODBCEditor::btnConfirm);

                      ASSERT_TRUE(WaitForStatus("ODBC criado com sucesso!")) << Status();
                      EXPECT_EQ(StatusColour(), Presentation::Views::ToColorRef(App::Constants::ColorSuccess));
                      EXPECT_EQ(Presentation::Views::frmODBCEditor, nullptr);
                      EXPECT_EQ(ComboSelection(Window(), Id::cmbConnectionType), 0);
                      ExpectRowsOf(Window(), true);
                      const std::vector<std::string> sources = ComboItems(Window(), Id::cmbODBC);
                      const int index = IndexOf(sources, "QLTeste_Config_Novo");
                      EXPECT_GE(index, 0);
                      EXPECT_EQ(ComboSelection(Window(), Id::cmbODBC), index);
                      EXPECT_EQ(ControlText(Window(), Id::edtUser), "ana");
                      EXPECT_EQ(ControlText(Window(), Id::edtPassword), "segredo");
                      SaveScreenshot(Window(), "database_config_odbc_created");
                      Click(Window(), Id::btnConfirm);
                    });
  RemoveDataSource(created);
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(Ini("ODBC"), "QLTeste_Config_Novo");
  EXPECT_EQ(Ini("Usuario"), "ana");
  EXPECT_EQ(Ini("Senha"), "segredo");
}

}  // namespace
