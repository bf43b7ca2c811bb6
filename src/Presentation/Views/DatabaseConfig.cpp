#include "Presentation/Views/DatabaseConfig.h"

#include "App/Constants.h"
#include "Bootstrap/Composition.h"
#include "Bootstrap/ServiceLocator.h"
#include "Presentation/Views/ODBCEditor.h"

namespace Presentation::Views {

using namespace Presentation::ViewModels;

std::unique_ptr<TfrmDatabaseConfig> frmDatabaseConfig;

namespace {

constexpr UINT_PTR kCloseTimer = 1;

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
    {TDatabaseConfigRow::ConnectionTypeLabel, TfrmDatabaseConfig::idConnectionTypeLabel, 0},
    {TDatabaseConfigRow::ConnectionType, TfrmDatabaseConfig::idConnectionType, 0},
    {TDatabaseConfigRow::ODBCLabel, TfrmDatabaseConfig::idODBCLabel, 0},
    {TDatabaseConfigRow::ODBC, TfrmDatabaseConfig::idODBC, TfrmDatabaseConfig::idCreateODBC},
    {TDatabaseConfigRow::DriverLabel, TfrmDatabaseConfig::idDriverLabel, 0},
    {TDatabaseConfigRow::Driver, TfrmDatabaseConfig::idDriver, 0},
    {TDatabaseConfigRow::ServerLabel, TfrmDatabaseConfig::idServerLabel, 0},
    {TDatabaseConfigRow::Server, TfrmDatabaseConfig::idServer, 0},
    {TDatabaseConfigRow::UserLabel, TfrmDatabaseConfig::idUserLabel, 0},
    {TDatabaseConfigRow::User, TfrmDatabaseConfig::idUser, 0},
    {TDatabaseConfigRow::PasswordLabel, TfrmDatabaseConfig::idPasswordLabel, 0},
    {TDatabaseConfigRow::Password, TfrmDatabaseConfig::idPassword, 0},
    {TDatabaseConfigRow::DatabaseLabel, TfrmDatabaseConfig::idDatabaseLabel, 0},
    {TDatabaseConfigRow::Database, TfrmDatabaseConfig::idDatabase, 0},
    {TDatabaseConfigRow::Status, TfrmDatabaseConfig::idStatus, 0},
};

bool IsLabelRow(TDatabaseConfigRow ARow) {
  return static_cast<int>(ARow) % 2 == 0 && ARow != TDatabaseConfigRow::Status;
}

}  // namespace

TfrmDatabaseConfig::TfrmDatabaseConfig(HWND AOwner) {
  CreateForm(ClassName, "Database", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 0, AOwner, kClientWidth,
             kClientHeight);
  // Creation order is the keyboard order: the fields top to bottom, then the
  // buttons left to right.
  AddLabel(idConnectionTypeLabel, "");
  AddCombo(idConnectionType);
  AddLabel(idODBCLabel, "");
  AddCombo(idODBC);
  AddButton(idCreateODBC, "");
  AddLabel(idDriverLabel, "");
  AddCombo(idDriver);
  AddLabel(idServerLabel, "");
  AddEdit(idServer);
  AddLabel(idUserLabel, "");
  AddEdit(idUser);
  AddLabel(idPasswordLabel, "");
  AddEdit(idPassword, true);
  AddLabel(idDatabaseLabel, "");
  // Free text: the server's databases are offered once a test succeeds.
  AddCombo(idDatabase, true);
  AddLabel(idStatus, "", 13);
  AddButton(idBack, "");
  AddButton(idTest, "");
  AddButton(idConfirm, "", true);
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
  SetText(idConnectionTypeLabel, FTranslator->Translate("LabelConnectionType"));
  SetText(idODBCLabel, FTranslator->Translate("LabelODBC"));
  SetText(idCreateODBC, FTranslator->Translate("CreateODBCButton"));
  SetText(idDriverLabel, FTranslator->Translate("LabelDriver"));
  SetText(idServerLabel, FTranslator->Translate("LabelServer"));
  SetText(idUserLabel, FTranslator->Translate("LabelUser"));
  SetText(idPasswordLabel, FTranslator->Translate("LabelPassword"));
  SetText(idDatabaseLabel, FTranslator->Translate("LabelDatabase"));
  SetText(idBack, FTranslator->Translate("Cancel"));
  SetText(idTest, FTranslator->Translate("ButtonTest"));
  SetText(idConfirm, FTranslator->Translate("ButtonSave"));
  SetText(idStatus, "");
}

void TfrmDatabaseConfig::LoadLists() {
  SetItems(idConnectionType, {FTranslator->Translate("ConnectionODBC"), FTranslator->Translate("ConnectionDirect")});
  Select(idConnectionType, 0);

  FODBCList = FViewModel->GetODBCList();
  SetItems(idODBC, FODBCList);
  if (!FODBCList.empty()) Select(idODBC, 0);

  const std::vector<std::string> installed = FViewModel->GetAvailableDrivers();
  const std::vector<std::string> drivers = DriverItems(installed);
  SetItems(idDriver, drivers);
  Select(idDriver, DriverSelection(drivers, installed));

  UpdateFieldVisibility();
}

bool TfrmDatabaseConfig::RowVisible(TDatabaseConfigRow ARow) const {
  return DatabaseConfigRowVisible(ARow, SelectedIndex(idConnectionType));
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
  if (focus != nullptr && IsChild(Handle(), focus) && !IsWindowVisible(focus)) SetFocus(Control(idConnectionType));
  SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
  RedrawWindow(Handle(), nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void TfrmDatabaseConfig::Layout() {
  constexpr int width = kClientWidth - 2 * kMargin;
  int y = kTop;
  for (const TRowControls& row : kRows) {
    if (row.Row == TDatabaseConfigRow::Status) {
      // The rest of the space above the buttons: a driver's message may take several lines.
      Place(idStatus, kMargin, y + kFieldGap, width, kButtonTop - kFieldGap - (y + kFieldGap));
      break;
    }
    if (!RowVisible(row.Row)) continue;  // a hidden row takes no height
    if (row.Row == TDatabaseConfigRow::ODBC) {
      Place(idODBC, kMargin, y, width - kCreateColumn, kRowHeight);
      Place(idCreateODBC, kMargin + width - kCreateColumn + kCreateGap, y, kCreateColumn - kCreateGap, kRowHeight);
    } else {
      Place(row.Control, kMargin, y, width, kRowHeight);
    }
    y += kRowHeight + (IsLabelRow(row.Row) ? 0 : kFieldGap);
  }

  // Three equal buttons: "Testar Conexão" needs more than a third less its margins.
  constexpr int buttonWidth = (width - 2 * kButtonGap) / 3;
  Place(idBack, kMargin, kButtonTop, buttonWidth, kButtonHeight);
  Place(idTest, kMargin + buttonWidth + kButtonGap, kButtonTop, buttonWidth, kButtonHeight);
  Place(idConfirm, kMargin + width - buttonWidth, kButtonTop, buttonWidth, kButtonHeight);
}

void TfrmDatabaseConfig::FormShow() {
  // A close still pending from the last showing must not end this one.
  KillTimer(Handle(), kCloseTimer);
}

Core::ValueObjects::TConnectionConfig TfrmDatabaseConfig::ReadConnectionConfig() const {
  TDatabaseConfigFields fields;
  fields.ConnectionTypeIndex = SelectedIndex(idConnectionType);
  fields.ODBCName = SelectedText(idODBC);
  fields.Driver = SelectedText(idDriver);
  fields.Server = GetText(idServer);
  fields.User = GetText(idUser);
  fields.Password = GetText(idPassword);
  fields.Database = SelectedText(idDatabase);  // typed or chosen
  return ViewModels::ReadConnectionConfig(fields);
}

void TfrmDatabaseConfig::ShowStatus(const TDatabaseConfigStatus& AStatus) {
  SetText(idStatus, AStatus.Text);
  SetTextColour(idStatus, AStatus.Colour);
}

void TfrmDatabaseConfig::cmbConnectionTypeChange() {
  UpdateFieldVisibility();
}

void TfrmDatabaseConfig::btnTestClick() {
  const Core::ValueObjects::TConnectionConfig config = ReadConnectionConfig();
  // The attempt blocks this thread: the progress text is painted before it starts.
  ShowStatus({FTranslator->Translate("ConnectionTest"), App::Constants::ColorWarning});
  UpdateWindow(Control(idStatus));
  const HCURSOR cursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));

  const Core::Interfaces::TDatabaseConnectionResult result = FViewModel->TestConnectionDetailed(config);
  if (result.IsConnected) {
    const std::vector<std::string> databases = FViewModel->GetDatabaseNames(config);
    if (!databases.empty()) {
      // Offered, not imposed: what the box holds stays.
      const std::string typed = SelectedText(idDatabase);
      SetItems(idDatabase, databases);
      SetText(idDatabase, typed);
    }
  }
  SetCursor(cursor);
  ShowStatus(TestStatus(*FTranslator, result));
}

void TfrmDatabaseConfig::btnConfirmClick() {
  const Core::ValueObjects::TConnectionConfig config = ReadConnectionConfig();
  if (!config.Validate()) {
    ShowStatus(SaveStatus(*FTranslator, config));
    return;
  }
  // An error writing the file leaves here for the message box; the window stays open.
  FViewModel->SaveConfiguration(config);
  ShowStatus(SaveStatus(*FTranslator, config));
  // A timer on this thread, not a sleeping thread: nothing can reach the
  // window after it closed, and a later save starts the second again.
  SetTimer(Handle(), kCloseTimer, CloseDelayMs, nullptr);
}

void TfrmDatabaseConfig::btnBackClick() {
  KillTimer(Handle(), kCloseTimer);
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
  SetText(idUser, frmODBCEditor->GetUser());
  SetText(idPassword, frmODBCEditor->GetPassword());
  const int index = DataSourceSelection(FODBCList, name);
  if (index >= 0) Select(idODBC, index);
  ShowStatus(ODBCCreatedStatus(*FTranslator));
}

void TfrmDatabaseConfig::OnCommand(int AId, int ANotification) {
  if (AId == idConnectionType) {
    if (ANotification == CBN_SELCHANGE) cmbConnectionTypeChange();
    return;
  }
  if (ANotification != BN_CLICKED) return;
  switch (AId) {
    case idTest:
      btnTestClick();
      break;
    case idConfirm:
      btnConfirmClick();
      break;
    case idBack:
      btnBackClick();
      break;
    case idCreateODBC:
      btnCreateODBCClick();
      break;
    default:
      break;
  }
}

LRESULT TfrmDatabaseConfig::HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  switch (AMessage) {
    case WM_TIMER:
      if (AWParam != kCloseTimer) break;
      KillTimer(Handle(), kCloseTimer);
      if (IsModal()) SetModalResult(mrOk);
      return 0;
    case WM_CLOSE:
      // The close box is Cancel, also while a close after a save is pending.
      KillTimer(Handle(), kCloseTimer);
      break;
    default:
      break;
  }
  return TForm::HandleMessage(AMessage, AWParam, ALParam);
}

}  // namespace Presentation::Views
