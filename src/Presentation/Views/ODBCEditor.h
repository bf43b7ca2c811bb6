#pragma once
// The modal window in which the user creates (or, in edit mode, rewrites) an
// ODBC data source: driver, name, description, server, login, password and
// database, with a direct connection test.
#include <memory>
#include <string>
#include <vector>

#include "Application/UseCases/ConfigureDatabase.h"
#include "Presentation/ViewModels/ODBCEditorForm.h"
#include "Presentation/Views/Form.h"

namespace Presentation::Views {

class TfrmODBCEditor : public TForm {
 public:
  enum TControlId : int {
    btnConfirm = IDOK,     // Enter
    btnCancel = IDCANCEL,  // Escape
    lblDriver = 1001,
    cmbDriver,
    lblDSNName,
    edtDSNName,
    lblDescription,
    edtDescription,
    lblServer,
    edtServer,
    lblUser,
    edtUser,
    lblPassword,
    edtPassword,
    lblDatabase,
    edtDatabase,
    lblStatus,
    btnTest,
  };

  static constexpr const wchar_t* ClassName = L"TfrmODBCEditor";

  explicit TfrmODBCEditor(HWND AOwner = nullptr);

  // Before the window is shown. Edit mode locks the name and loads the data
  // source's stored values; confirming then rewrites them.
  void SetEditMode(bool AIsEdit, const std::string& ADSNName);
  // Trimmed texts of the edits, for the caller after the window closed.
  std::string GetDSNName() const;
  std::string GetUser() const;
  std::string GetPassword() const;

 protected:
  LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) override;
  void OnCommand(int AId, int ANotification) override;
  void CreateControls() override;
  void Layout() override;
  void FormShow() override;

 private:
  void ApplyTranslations();
  void LoadDrivers();
  void ResetFields();
  void LoadStoredValues();
  ViewModels::TODBCEditorFields ReadFields() const;
  bool ValidateInput();
  void ShowStatus(const std::string& AText, uint32_t AArgb);
  void btnTestClick();
  void btnConfirmClick();
  void btnCancelClick();

  // The configuration logic every action of the window goes through.
  std::shared_ptr<Application::UseCases::IConfigureDatabaseUseCase> FUseCase;
  bool FEditMode = false;
  std::string FOriginalDSNName;
  std::vector<std::string> FDrivers;  // as listed, in list order
};

extern std::unique_ptr<TfrmODBCEditor> frmODBCEditor;

}  // namespace Presentation::Views
