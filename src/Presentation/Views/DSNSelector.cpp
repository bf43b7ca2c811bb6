#include "Presentation/Views/DSNSelector.h"

#include "Bootstrap/Composition.h"
#include "Bootstrap/ServiceLocator.h"
#include "Presentation/Views/Artwork.h"

namespace Presentation::Views {

std::unique_ptr<TfrmDSNSelector> frmDSNSelector;

namespace {

constexpr int kClientWidth = 459;
constexpr int kClientHeight = 200;
constexpr int kMargin = 20;
constexpr RECT kPicture{16, 17, 16 + 137, 17 + 166};  // DIPs
constexpr int kFieldsLeft = 161;
constexpr int kFieldsWidth = 272;

std::string Tr(const std::string& AKey) {
  return Bootstrap::TServiceLocator::GetTranslator()->Translate(AKey);
}

}  // namespace

TfrmDSNSelector::TfrmDSNSelector(HWND AOwner) {
  CreateForm(ClassName, Tr("SelectDSNTitle"), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_DLGMODALFRAME,
             AOwner, kClientWidth, kClientHeight);
}

void TfrmDSNSelector::CreateControls() {
  AddLabel(lblPrompt, "");
  AddCombo(cmbDSN);
  AddButton(btnCancel, "");
  AddButton(btnConfirm, "", true);
  ApplyTranslations();
  LoadDSNList();
}

void TfrmDSNSelector::Layout() {
  // The prompt wraps within the fields' column instead of running past the
  // window's edge; both buttons share one top line.
  Place(lblPrompt, kFieldsLeft, 26, kClientWidth - kMargin - kFieldsLeft, 40);
  Place(cmbDSN, kFieldsLeft, 69, kFieldsWidth, 32);
  Place(btnCancel, kFieldsLeft, 130, 127, 44);
  Place(btnConfirm, 307, 130, 127, 44);
  FPicture.reset();
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TfrmDSNSelector::ApplyTranslations() {
  SetText(lblPrompt, Tr("SelectDSNPrompt"));
  SetText(btnConfirm, Tr("Confirm"));
  SetText(btnCancel, Tr("Cancel"));
}

void TfrmDSNSelector::LoadDSNList() {
  const auto useCase = Bootstrap::CreateConfigureDatabaseUseCase(Bootstrap::TServiceLocator::GetConfigService(),
                                                                 Bootstrap::TServiceLocator::GetTranslator());
  const std::vector<std::string> names = useCase->GetODBCList();
  SetItems(cmbDSN, names);
  if (!names.empty()) Select(cmbDSN, 0);
}

void TfrmDSNSelector::FormShow() {
  FSelectedDSN.clear();
  SetText(Handle(), Tr("SelectDSNTitle"));
}

void TfrmDSNSelector::btnConfirmClick() {
  if (SelectedIndex(cmbDSN) < 0) {
    ShowMessage(Tr("SelectDSNRequired"), MB_OK | MB_ICONWARNING);
    return;
  }
  FSelectedDSN = SelectedText(cmbDSN);
  SetModalResult(mrOk);
}

void TfrmDSNSelector::btnCancelClick() {
  SetModalResult(mrCancel);
}

void TfrmDSNSelector::OnCommand(int AId, int ANotification) {
  if (ANotification != BN_CLICKED) return;
  if (AId == btnConfirm) btnConfirmClick();
  if (AId == btnCancel) btnCancelClick();
}

void TfrmDSNSelector::PaintPicture(HDC ADc) {
  const int width = Scale(kPicture.right - kPicture.left);
  const int height = Scale(kPicture.bottom - kPicture.top);
  if (!FPicture || FPicture->Width() != width || FPicture->Height() != height) {
    FPicture = std::make_unique<TPixelSurface>(width, height);
    PaintDataSourcePicture(*FPicture, Dpi() / 96.0, FromColorRef(BackgroundColour()));
  }
  FPicture->BlitTo(ADc, Scale(kPicture.left), Scale(kPicture.top));
}

LRESULT TfrmDSNSelector::HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage == WM_PAINT) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(Handle(), &paint);
    PaintPicture(dc);
    EndPaint(Handle(), &paint);
    return 0;
  }
  return TForm::HandleMessage(AMessage, AWParam, ALParam);
}

}  // namespace Presentation::Views
