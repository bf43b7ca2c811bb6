#pragma once
// The modal window in which the user sets up the database connection: a data
// source or a driver with server and database, login and password; a test of
// the connection, the save to the configuration file, and the creation of a
// data source through the ODBC editor. OK only after a successful save.
#include <memory>
#include <string>
#include <vector>

#include "Core/Interfaces/ITranslator.h"
#include "Core/ValueObjects/ConnectionConfig.h"
#include "Presentation/ViewModels/DatabaseConfig.h"
#include "Presentation/ViewModels/DatabaseConfigForm.h"
#include "Presentation/Views/Form.h"

namespace Presentation::Views {

class TfrmDatabaseConfig : public TForm {
 public:
  enum TControlId : int {
    btnConfirm = IDOK,   // Enter saves
    btnBack = IDCANCEL,  // Escape cancels
    lblConnectionType = 1001,
    cmbConnectionType,
    lblODBC,
    cmbODBC,
    btnCreateODBC,
    lblDriver,
    cmbDriver,
    lblServer,
    edtServer,
    lblUser,
    edtUser,
    lblPassword,
    edtPassword,
    lblDatabase,
    cmbDatabase,
    lblStatus,
    btnTest,
  };

  static constexpr const wchar_t* ClassName = L"TfrmDatabaseConfig";
  // The success text stays readable this long before the window closes with OK.
  static constexpr UINT CloseDelayMs = 1000;

  explicit TfrmDatabaseConfig(HWND AOwner);

 protected:
  void OnCommand(int AId, int ANotification) override;
  void CreateControls() override;
  void Layout() override;

 private:
  void FormCreate();
  void ApplyTranslations();
  void LoadLists();
  void UpdateFieldVisibility();
  Core::ValueObjects::TConnectionConfig ReadConnectionConfig() const;
  void ShowStatus(const ViewModels::TDatabaseConfigStatus& AStatus);
  bool RowVisible(ViewModels::TDatabaseConfigRow ARow) const;

  void cmbConnectionTypeChange();
  void btnTestClick();
  void btnConfirmClick();
  void btnBackClick();
  void btnCreateODBCClick();

  std::shared_ptr<ViewModels::IDatabaseConfigViewModel> FViewModel;
  std::shared_ptr<Core::Interfaces::ITranslator> FTranslator;
  std::vector<std::string> FODBCList;
};

// Created by the splash window on first need and kept for the rest of the run.
extern std::unique_ptr<TfrmDatabaseConfig> frmDatabaseConfig;

}  // namespace Presentation::Views
