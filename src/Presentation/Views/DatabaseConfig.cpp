#include "Presentation/Views/DatabaseConfig.h"

#include "App/Constants.h"
#include "Bootstrap/Composition.h"
#include "Bootstrap/ServiceLocator.h"
#include "Presentation/Views/ODBCEditor.h"

namespace Presentation::Views {

using namespace Presentation::ViewModels;

std::unique_ptr<TfrmDatabaseConfig> frmDatabaseConfig;

namespace {

constexpr int kClientWidth = 483;
constexpr int kClientHeight = 483;
constexpr int kMargin = 60;
constexpr int kTop = 40;
constexpr int kRowHeight = 22;
constexpr int kFieldGap = 6;  // after each field, so a label reads as the title of the field below it
constexpr int kCreateColumn = 150;
constexpr int kCreateGap = 10;
constexpr int kButtonHeight = 28;
constexpr int kButtonTop = kClientHeight - 30 - kButtonHeight;
constexpr int kButtonGap = 8;

struct TRowControls {
  TDatabaseConfigRow Row;
  int Control;
  int Second;  // 0: none
};

constexpr TRowControls kRows[] = {
    {TDatabaseConfigRow::ConnectionTypeLabel, TfrmDatabaseConfig::lblConnectionType, 0},
    {TDatabaseConfigRow::ConnectionType, TfrmDatabaseConfig::cmbConnectionType, 0},
    {TDatabaseConfigRow::ODBCLabel, TfrmDatabaseConfig::lblODBC, 0},
    {TDatabaseConfigRow::ODBC, TfrmDatabaseConfig::cmbODBC, TfrmDatabaseConfig::btnCreateODBC},
    {TDatabaseConfigRow::DriverLabel, TfrmDatabaseConfig::lblDriver, 0},
    {TDatabaseConfigRow::Driver, TfrmDatabaseConfig::cmbDriver, 0},
    {TDatabaseConfigRow::ServerLabel, TfrmDatabaseConfig::lblServer, 0},
    {TDatabaseConfigRow::Server, TfrmDatabaseConfig::edtServer, 0},
    {TDatabaseConfigRow::UserLabel, TfrmDatabaseConfig::lblUser, 0},
    {TDatabaseConfigRow::User, TfrmDatabaseConfig::edtUser, 0},
    {TDatabaseConfigRow::PasswordLabel, TfrmDatabaseConfig::lblPassword, 0},
    {TDatabaseConfigRow::Password, TfrmDatabaseConfig::edtPassword, 0},
    {TDatabaseConfigRow::DatabaseLabel, TfrmDatabaseConfig::lblDatabase, 0},
    {TDatabaseConfigRow::Database, TfrmDatabaseConfig::cmbDatabase, 0},
    {TDatabaseConfigRow::Status, TfrmDatabaseConfig::lblStatus, 0},
};

int ControlOfRow(TDatabaseConfigRow ARow) {
  for (const TRowControls& row : kRows)
    if (row.Row == ARow) return row.Control;
  return 0;
}

bool IsLabelRow(TDatabaseConfigRow ARow) {
  return static_cast<int>(ARow) % 2 == 0 && ARow != TDatabaseConfigRow::Status;
}

}  // namespace

TfrmDatabaseConfig::TfrmDatabaseConfig(HWND AOwner) {
  CreateForm(ClassName, "Database", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 0, AOwner, kClientWidth,
             kClientHeight);
  EnsureControls();
}

void TfrmDatabaseConfig::CreateControls() {
  // Creation order is the keyboard order: the fields top to bottom, then the
  // buttons left to right.
  AddLabel(lblConnectionType, "");
  AddCombo(cmbConnectionType);
  AddLabel(lblODBC, "");
  AddCombo(cmbODBC);
  AddButton(btnCreateODBC, "");
  AddLabel(lblDriver, "");
  AddCombo(cmbDriver);
  AddLabel(lblServer, "");
  AddEdit(edtServer);
  AddLabel(lblUser, "");
  AddEdit(edtUser);
  AddLabel(lblPassword, "");
  AddEdit(edtPassword, true);
  AddLabel(lblDatabase, "");
  // Free text: the server's databases are offered once a test succeeds.
  AddCombo(cmbDatabase, true);
  AddLabel(lblStatus, "", 13);
  AddButton(btnBack, "");
  AddButton(btnTest, "");
  AddButton(btnConfirm, "", true);
  FormCreate();
}

void TfrmDatabaseConfig::FormCreate() {
  FTranslator = Bootstrap::TServiceLocator::GetTranslator();
  FViewModel = std::make_shared<TDatabaseConfigViewModel>(
      Bootstrap::CreateConfigureDatabaseUseCase(Bootstrap::TServiceLocator::GetConfigService(), FTranslator),
      FTranslator);
  ApplyTranslations();
  LoadLists();
}

void TfrmDatabaseConfig::ApplyTranslations() {
  SetText(lblConnectionType, FTranslator->Translate("LabelConnectionType"));
  SetText(lblODBC, FTranslator->Translate("LabelODBC"));
  SetText(btnCreateODBC, FTranslator->Translate("CreateODBCButton"));
  SetText(lblDriver, FTranslator->Translate("LabelDriver"));
  SetText(lblServer, FTranslator->Translate("LabelServer"));
  SetText(lblUser, FTranslator->Translate("LabelUser"));
  SetText(lblPassword, FTranslator->Translate("LabelPassword"));
  SetText(lblDatabase, FTranslator->Translate("LabelDatabase"));
  SetText(btnBack, FTranslator->Translate("Cancel"));
  SetText(btnTest, FTranslator->Translate("ButtonTest"));
  SetText(btnConfirm, FTranslator->Translate("ButtonSave"));
  SetText(lblStatus, "");
}

void TfrmDatabaseConfig::LoadLists() {
  SetItems(cmbConnectionType, {FTranslator->Translate("ConnectionODBC"), FTranslator->Translate("ConnectionDirect")});
  Select(cmbConnectionType, 0);

  FODBCList = FViewModel->GetODBCList();
  SetItems(cmbODBC, FODBCList);
  if (!FODBCList.empty()) Select(cmbODBC, 0);

  const std::vector<std::string> installed = FViewModel->GetAvailableDrivers();
  const std::vector<std::string> drivers = DriverItems(installed);
  SetItems(cmbDriver, drivers);
  Select(cmbDriver, DriverSelection(drivers, installed));

  UpdateFieldVisibility();
}

bool TfrmDatabaseConfig::RowVisible(TDatabaseConfigRow ARow) const {
  return DatabaseConfigRowVisible(ARow, SelectedIndex(cmbConnectionType));
}

void TfrmDatabaseConfig::UpdateFieldVisibility() {
  // One repaint for the whole change, not one per control.
  SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
  for (const TRowControls& row : kRows) {
    const bool visible = RowVisible(row.Row);
    SetVisible(row.Control, visible);
    if (row.Second != 0) SetVisible(row.Second, visible);
  }
  Layout();
  // A hidden control keeps the focus unless it is moved.
  const HWND focus = GetFocus();
  if (focus != nullptr && IsChild(Handle(), focus) && !IsWindowVisible(focus)) SetFocus(Control(cmbConnectionType));
  SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
  RedrawWindow(Handle(), nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void TfrmDatabaseConfig::Layout() {
  constexpr int width = kClientWidth - 2 * kMargin;
  int y = kTop;
  for (const TRowControls& row : kRows) {
    if (row.Row == TDatabaseConfigRow::Status) {
      // The rest of the space above the buttons: a driver's message may take several lines.
      Place(lblStatus, kMargin, y + kFieldGap, width, kButtonTop - kFieldGap - (y + kFieldGap));
      break;
    }
    if (!RowVisible(row.Row)) continue;  // a hidden row takes no height
    if (row.Row == TDatabaseConfigRow::ODBC) {
      Place(cmbODBC, kMargin, y, width - kCreateColumn, kRowHeight);
      Place(btnCreateODBC, kMargin + width - kCreateColumn + kCreateGap, y, kCreateColumn - kCreateGap, kRowHeight);
    } else {
      Place(row.Control, kMargin, y, width, kRowHeight);
    }
    y += kRowHeight + (IsLabelRow(row.Row) ? 0 : kFieldGap);
  }

  // Three equal buttons: "Testar Conexão" needs more than a third less its margins.
  constexpr int buttonWidth = (width - 2 * kButtonGap) / 3;
  Place(btnBack, kMargin, kButtonTop, buttonWidth, kButtonHeight);
  Place(btnTest, kMargin + buttonWidth + kButtonGap, kButtonTop, buttonWidth, kButtonHeight);
  Place(btnConfirm, kMargin + width - buttonWidth, kButtonTop, buttonWidth, kButtonHeight);
}

Core::ValueObjects::TConnectionConfig TfrmDatabaseConfig::ReadConnectionConfig() const {
  TDatabaseConfigFields fields;
  fields.ConnectionTypeIndex = SelectedIndex(cmbConnectionType);
  fields.ODBCName = SelectedText(cmbODBC);
  fields.Driver = SelectedText(cmbDriver);
  fields.Server = GetText(edtServer);
  fields.User = GetText(edtUser);
  fields.Password = GetText(edtPassword);
  fields.Database = SelectedText(cmbDatabase);  // typed or chosen
  return ViewModels::ReadConnectionConfig(fields);
}

void TfrmDatabaseConfig::ShowStatus(const TDatabaseConfigStatus& AStatus) {
  SetText(lblStatus, AStatus.Text);
  SetTextColour(lblStatus, AStatus.Colour);
}

void TfrmDatabaseConfig::cmbConnectionTypeChange() {
  UpdateFieldVisibility();
}

void TfrmDatabaseConfig::btnTestClick() {
  const Core::ValueObjects::TConnectionConfig config = ReadConnectionConfig();
  // The attempt blocks this thread: the progress text is painted before it starts.
  ShowStatus({FTranslator->Translate("ConnectionTest"), App::Constants::ColorWarning});
  UpdateWindow(Control(lblStatus));
  const HCURSOR cursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));

  std::vector<std::string> databases;
  const Core::Interfaces::TDatabaseConnectionResult result = FViewModel->TestConnectionDetailed(config, &databases);
  if (result.IsConnected) {
    if (!databases.empty()) {
      // Offered, not imposed: what the box holds stays.
      const std::string typed = SelectedText(cmbDatabase);
      SetItems(cmbDatabase, databases);
      SetText(cmbDatabase, typed);
    }
  }
  SetCursor(cursor);
  ShowStatus(TestStatus(*FTranslator, result));
}

void TfrmDatabaseConfig::btnConfirmClick() {
  const Core::ValueObjects::TConnectionConfig config = ReadConnectionConfig();
  if (const std::optional<TDatabaseConfigRefusal> refusal = SaveRefusal(*FTranslator, config)) {
    ShowStatus(refusal->Status);
    if (refusal->Focus) SetFocus(Control(ControlOfRow(*refusal->Focus)));
    return;
  }
  // An error writing the file leaves here for the message box; the window stays open.
  FViewModel->SaveConfiguration(config);
  ShowStatus(SaveStatus(*FTranslator, config));
  // A later save starts the second again; Cancel and the close box end the
  // showing at once.
  CloseWithOkAfter(CloseDelayMs);
}

void TfrmDatabaseConfig::btnBackClick() {
  SetModalResult(mrCancel);
}

void TfrmDatabaseConfig::btnCreateODBCClick() {
  frmODBCEditor = std::make_unique<TfrmODBCEditor>(Handle());
  // The editor goes on every path, also when a step below throws.
  struct TEditorRelease {
    ~TEditorRelease() { frmODBCEditor.reset(); }
  } release;
  frmODBCEditor->SetEditMode(false, "");
  if (frmODBCEditor->ShowModal() != mrOk) return;

  const std::string name = frmODBCEditor->GetDSNName();
  LoadLists();
  SetText(edtUser, frmODBCEditor->GetUser());
  SetText(edtPassword, frmODBCEditor->GetPassword());
  const int index = DataSourceSelection(FODBCList, name);
  if (index >= 0) Select(cmbODBC, index);
  ShowStatus(ODBCCreatedStatus(*FTranslator));
}

void TfrmDatabaseConfig::OnCommand(int AId, int ANotification) {
  if (AId == cmbConnectionType) {
    if (ANotification == CBN_SELCHANGE) cmbConnectionTypeChange();
    return;
  }
  if (ANotification != BN_CLICKED) return;
  switch (AId) {
    case btnTest:
      btnTestClick();
      break;
    case btnConfirm:
      btnConfirmClick();
      break;
    case btnBack:
      btnBackClick();
      break;
    case btnCreateODBC:
      btnCreateODBCClick();
      break;
    default:
      break;
  }
}

}  // namespace Presentation::Views
