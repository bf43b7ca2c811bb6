#include "Presentation/Views/ODBCEditor.h"

#include "App/Constants.h"
#include "Bootstrap/Composition.h"
#include "Bootstrap/ServiceLocator.h"
#include "Presentation/ViewModels/ODBCEditorForm.h"

namespace Presentation::Views {

using namespace Presentation::ViewModels;

std::unique_ptr<TfrmODBCEditor> frmODBCEditor;

namespace {

constexpr UINT kClosePauseMs = 1000;  // the success text stays readable before the window goes
constexpr uint32_t kStatusIdle = 0xFFFFFFFF;

constexpr int kClientWidth = 536;
constexpr int kClientHeight = 478;
constexpr int kMargin = 60;

std::string Tr(const std::string& AKey) {
  return Bootstrap::TServiceLocator::GetTranslator()->Translate(AKey);
}

}  // namespace

TfrmODBCEditor::TfrmODBCEditor(HWND AOwner) {
  CreateForm(ClassName, Tr("CreateNewODBC"), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_DLGMODALFRAME,
             AOwner, kClientWidth, kClientHeight);
}

void TfrmODBCEditor::CreateControls() {
  // Creation order is the keyboard order: driver, name, description, server,
  // login, password, database, then the buttons left to right.
  const std::pair<int, int> rows[] = {
      {lblDriver, cmbDriver},    {lblDSNName, edtDSNName}, {lblDescription, edtDescription},
      {lblServer, edtServer},    {lblUser, edtUser},       {lblPassword, edtPassword},
      {lblDatabase, edtDatabase}};
  for (const auto& [label, field] : rows) {
    AddLabel(label, "");
    if (field == cmbDriver)
      AddCombo(field);
    else
      AddEdit(field, field == edtPassword);
  }
  AddLabel(lblStatus, "", 13);
  AddButton(btnCancel, "");
  AddButton(btnTest, "");
  AddButton(btnConfirm, "", true);

  FUseCase = Bootstrap::CreateConfigureDatabaseUseCase(Bootstrap::TServiceLocator::GetConfigService(),
                                                      Bootstrap::TServiceLocator::GetTranslator());
  FEditMode = false;
  FOriginalDSNName.clear();
  ApplyTranslations();
  LoadDrivers();
  ResetFields();
}

void TfrmODBCEditor::Layout() {
  constexpr int width = kClientWidth - 2 * kMargin;
  constexpr int top = 32;
  constexpr int pitch = 50;  // label 19, gap 1, field 24, gap 6
  const int rows[][2] = {{lblDriver, cmbDriver},    {lblDSNName, edtDSNName}, {lblDescription, edtDescription},
                         {lblServer, edtServer},    {lblUser, edtUser},       {lblPassword, edtPassword},
                         {lblDatabase, edtDatabase}};
  int y = top;
  for (const auto& row : rows) {
    Place(row[0], kMargin, y, width, 19);
    Place(row[1], kMargin, y + 20, width, row[1] == cmbDriver ? 26 : 24);
    y += pitch;
  }
  // Two lines, so the longest failure text is never cut.
  Place(lblStatus, kMargin, y, width, 34);

  // Three equal buttons above the bottom margin of 30: the outer ones flush
  // with the fields, the test button centred; wide enough for "Testar Conexão".
  constexpr int buttonTop = kClientHeight - 30 - 28;
  constexpr int buttonWidth = 120;
  Place(btnCancel, kMargin, buttonTop, buttonWidth, 28);
  Place(btnTest, (kClientWidth - buttonWidth) / 2, buttonTop, buttonWidth, 28);
  Place(btnConfirm, kClientWidth - kMargin - buttonWidth, buttonTop, buttonWidth, 28);
}

void TfrmODBCEditor::ApplyTranslations() {
  SetText(lblDriver, Tr("DriverLabel"));
  SetText(lblDSNName, Tr("DSNName"));
  SetText(lblDescription, Tr("Description"));
  SetText(lblServer, Tr("LabelServer"));
  SetText(lblUser, Tr("LabelUser"));
  SetText(lblPassword, Tr("LabelPassword"));
  SetText(lblDatabase, Tr("LabelDatabase"));
  SetCue(edtDSNName, Tr("DSNPrompt"));
  SetCue(edtDescription, Tr("DescriptionPrompt"));
  SetCue(edtServer, Tr("ServerPrompt"));
  SetCue(edtUser, Tr("UserPrompt"));
  SetCue(edtPassword, Tr("PasswordPrompt"));
  SetCue(edtDatabase, Tr("DatabasePrompt"));
  SetText(btnCancel, Tr("Cancel"));
  SetText(btnTest, Tr("ButtonTest"));
  SetText(btnConfirm, Tr("ButtonSave"));
  SetText(lblStatus, "");
}

void TfrmODBCEditor::LoadDrivers() {
  FDrivers = FUseCase->GetAvailableDrivers();
  SetItems(cmbDriver, FDrivers);
  Select(cmbDriver, PreselectedDriverIndex(FDrivers));
}

void TfrmODBCEditor::ResetFields() {
  SetText(edtDSNName, "");
  SetText(edtServer, Tr("LocalServer"));
  SetText(edtDatabase, "");
  SetText(edtDescription, Tr("DefaultDescription"));
  SetText(edtUser, "");
  SetText(edtPassword, "");
  SetText(lblStatus, "");
  SetTextColour(lblStatus, kStatusIdle);
}

void TfrmODBCEditor::SetEditMode(bool AIsEdit, const std::string& ADSNName) {
  EnsureControls();
  FEditMode = AIsEdit;
  FOriginalDSNName = ADSNName;
  if (AIsEdit) {
    ResetFields();
    SetText(edtDSNName, ADSNName);
    EnableWindow(Control(edtDSNName), FALSE);
    LoadStoredValues();
  } else {
    EnableWindow(Control(edtDSNName), TRUE);
    ResetFields();
    // An earlier edit may have chosen another driver.
    Select(cmbDriver, PreselectedDriverIndex(FDrivers));
  }
}

void TfrmODBCEditor::LoadStoredValues() {
  const Core::ValueObjects::TDSNConfig stored = FUseCase->GetDSNConfig(FOriginalDSNName);
  Select(cmbDriver, StoredDriverIndex(FDrivers, stored.Driver()));
  SetText(edtServer, stored.Server());
  SetText(edtDatabase, stored.Database());
  SetText(edtDescription, stored.Description());
}

void TfrmODBCEditor::FormShow() {
  SetText(Handle(), Tr(FEditMode ? "EditODBC" : "CreateNewODBC"));
}

std::string TfrmODBCEditor::GetDSNName() const {
  return Trimmed(GetText(edtDSNName));
}
std::string TfrmODBCEditor::GetUser() const {
  return Trimmed(GetText(edtUser));
}
std::string TfrmODBCEditor::GetPassword() const {
  return Trimmed(GetText(edtPassword));
}

void TfrmODBCEditor::ShowStatus(const std::string& AText, uint32_t AArgb) {
  SetText(lblStatus, AText);
  SetTextColour(lblStatus, AArgb);
}

bool TfrmODBCEditor::ValidateInput() {
  const TODBCEditorCheck check = ValidateODBCEditorInput(ReadFields());
  if (check.Passed()) return true;
  ShowStatus(Tr(check.MessageKey), App::Constants::ColorError);
  int focus = edtDSNName;
  switch (check.Focus) {
    case TODBCEditorControl::Server:
      focus = edtServer;
      break;
    case TODBCEditorControl::Database:
      focus = edtDatabase;
      break;
    case TODBCEditorControl::Driver:
      focus = cmbDriver;
      break;
    default:
      break;
  }
  SetFocus(Control(focus));
  return false;
}

TODBCEditorFields TfrmODBCEditor::ReadFields() const {
  TODBCEditorFields fields;
  if (SelectedIndex(cmbDriver) >= 0) fields.Driver = SelectedText(cmbDriver);
  fields.DSNName = GetText(edtDSNName);
  fields.Description = GetText(edtDescription);
  fields.Server = GetText(edtServer);
  fields.User = GetText(edtUser);
  fields.Password = GetText(edtPassword);
  fields.Database = GetText(edtDatabase);
  return fields;
}

void TfrmODBCEditor::btnTestClick() {
  if (!ValidateInput()) return;
  ShowStatus(Tr("TestingConnection"), App::Constants::ColorWarning);
  // The attempt blocks this thread: the progress text is painted before it starts.
  UpdateWindow(Control(lblStatus));

  if (FUseCase->TestConnection(BuildTestConnectionConfig(ReadFields())))
    ShowStatus(Tr("ConnectionTestSuccess"), App::Constants::ColorSuccess);
  else
    ShowStatus(Tr("ConnectionTestFailed"), App::Constants::ColorError);
}

void TfrmODBCEditor::btnConfirmClick() {
  if (!ValidateInput()) return;
  const Core::ValueObjects::TDSNConfig record = BuildDSNConfig(ReadFields());

  const bool saved = FEditMode ? FUseCase->UpdateDSN(record) : FUseCase->CreateDSNFromConfig(record);
  if (!saved) {
    ShowStatus(Tr(SaveErrorKey(FEditMode)), App::Constants::ColorError);
    return;
  }
  ShowStatus(
      Bootstrap::TServiceLocator::GetTranslator()->TranslateFormat(SaveSuccessKey(FEditMode), {record.DSNName()}),
      App::Constants::ColorSuccess);
  // Input is ignored during the pause, so the data source just written is
  // never answered with Cancel.
  CloseWithOkAfter(kClosePauseMs);
}

void TfrmODBCEditor::btnCancelClick() {
  SetModalResult(mrCancel);
}

void TfrmODBCEditor::OnCommand(int AId, int ANotification) {
  if (ClosePending()) return;
  if (ANotification != BN_CLICKED) return;
  switch (AId) {
    case btnTest:
      btnTestClick();
      break;
    case btnConfirm:
      btnConfirmClick();
      break;
    case btnCancel:
      btnCancelClick();
      break;
    default:
      break;
  }
}

LRESULT TfrmODBCEditor::HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  // The close box is ignored during the pause after a save, as the buttons are.
  if (AMessage == WM_CLOSE && ClosePending()) return 0;
  return TForm::HandleMessage(AMessage, AWParam, ALParam);
}

}  // namespace Presentation::Views
