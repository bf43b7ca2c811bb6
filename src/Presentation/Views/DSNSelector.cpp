#include "Presentation/Views/DSNSelector.h"

#include <algorithm>
#include <cmath>

#include "Bootstrap/Composition.h"
#include "Bootstrap/ServiceLocator.h"

namespace Presentation::Views {

std::unique_ptr<TfrmDSNSelector> frmDSNSelector;

namespace {

constexpr int kClientWidth = 459;
constexpr int kClientHeight = 200;
constexpr int kMargin = 20;
constexpr RECT kPicture{16, 17, 16 + 137, 17 + 166};  // DIPs
constexpr int kFieldsLeft = 161;
constexpr int kFieldsWidth = 272;

// The launcher's palette (0x00RRGGBB), as on the splash.
constexpr uint32_t kNightTop = 0x0A1A2B;
constexpr uint32_t kNightBottom = 0x123A5C;
constexpr uint32_t kTeal = 0x1FA58A;
constexpr uint32_t kTealDark = 0x0C4F42;
constexpr uint32_t kTealLight = 0x63D6B8;
constexpr uint32_t kGreen = 0x76CC35;
constexpr uint32_t kAliceBlue = 0xF0F8FF;

std::string Tr(const std::string& AKey) {
  return Bootstrap::TServiceLocator::GetTranslator()->Translate(AKey);
}

// Signed distance to an axis-aligned ellipse, first-order: exact enough for
// the one-pixel anti-aliased edge.
double EllipseDistance(double AX, double AY, double ACentreX, double ACentreY, double ARadiusX, double ARadiusY) {
  const double dx = AX - ACentreX;
  const double dy = AY - ACentreY;
  const double f = dx * dx / (ARadiusX * ARadiusX) + dy * dy / (ARadiusY * ARadiusY) - 1.0;
  const double gx = 2.0 * dx / (ARadiusX * ARadiusX);
  const double gy = 2.0 * dy / (ARadiusY * ARadiusY);
  const double gradient = std::sqrt(gx * gx + gy * gy);
  return gradient < 1e-9 ? -std::min(ARadiusX, ARadiusY) : f / gradient;
}

// A database drum of three discs on the night-blue panel of the splash,
// with a cable and plug below it: "connect to a data source".
void PaintDataSourcePicture(TPixelSurface& ASurface, double AScale, uint32_t AWindowColour) {
  const double s = AScale;
  const double width = ASurface.Width();
  const double height = ASurface.Height();
  const RECT all{0, 0, ASurface.Width(), ASurface.Height()};
  ASurface.Paint([&](int, int AY) { return MixColour(kNightTop, kNightBottom, AY / height); });
  // The corners outside the rounded panel take the window's colour.
  ASurface.FillShape(
      all,
      [&](double AX, double AY) {
        return -RoundedBoxDistance(AX, AY, width / 2, height / 2, width / 2 - 0.5, height / 2 - 0.5, 14 * s);
      },
      AWindowColour);

  const double cx = width / 2;
  const double rx = 40 * s;
  const double ry = 11 * s;
  const double top = 32 * s;
  const double bottom = 98 * s;
  const double seams[] = {bottom, 76 * s, 54 * s, top};
  ASurface.FillShape(
      all, [&](double AX, double AY) { return CircleDistance(AX, AY, cx, 64 * s, 62 * s); }, kTeal, 0.10);
  // Bottom disc first; each disc above covers the top of the one below but
  // its darker rim, which leaves the seam.
  for (int i = 0; i + 1 < 4; ++i) {
    const double lower = seams[i];
    const double upper = seams[i + 1];
    if (i > 0)
      ASurface.FillShape(
          all, [&](double AX, double AY) { return EllipseDistance(AX, AY, cx, lower, rx, ry) - 2 * s; }, kTealDark);
    ASurface.FillShape(
        all,
        [&](double AX, double AY) {
          const double body = RoundedBoxDistance(AX, AY, cx, (upper + lower) / 2, rx, (lower - upper) / 2, 0);
          return std::min(body, EllipseDistance(AX, AY, cx, lower, rx, ry));
        },
        kTeal);
  }
  ASurface.FillShape(
      all, [&](double AX, double AY) { return EllipseDistance(AX, AY, cx, top, rx, ry); }, kTealLight);
  ASurface.FillShape(
      all, [&](double AX, double AY) { return EllipseDistance(AX, AY, cx, top, rx * 0.62, ry * 0.55); }, kTeal, 0.35);
  // A sheen down the left of the drum.
  ASurface.FillShape(
      all,
      [&](double AX, double AY) {
        return SegmentDistance(AX, AY, cx - rx + 9 * s, 46 * s, cx - rx + 9 * s, 100 * s, 3 * s);
      },
      kAliceBlue, 0.22);

  // Cable and plug.
  ASurface.FillShape(
      all, [&](double AX, double AY) { return SegmentDistance(AX, AY, cx, bottom + ry, cx, 124 * s, 3 * s); }, kGreen);
  ASurface.FillShape(
      all, [&](double AX, double AY) { return RoundedBoxDistance(AX, AY, cx, 133 * s, 17 * s, 10 * s, 4 * s); },
      kGreen);
  for (const double prong : {-7.0, 7.0})
    ASurface.FillShape(
        all,
        [&](double AX, double AY) {
          return SegmentDistance(AX, AY, cx + prong * s, 144 * s, cx + prong * s, 153 * s, 2.5 * s);
        },
        kAliceBlue);
}

}  // namespace

TfrmDSNSelector::TfrmDSNSelector(HWND AOwner) {
  CreateForm(ClassName, Tr("SelectDSNTitle"), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_DLGMODALFRAME,
             AOwner, kClientWidth, kClientHeight);
  AddLabel(lblPrompt, "");
  AddCombo(cmbDSN);
  AddButton(btnCancel, "");
  AddButton(btnConfirm, "", true);
  Layout();

  // FormCreate
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
    const COLORREF window = BackgroundColour();
    PaintDataSourcePicture(*FPicture, Dpi() / 96.0,
                           (static_cast<uint32_t>(GetRValue(window)) << 16) |
                               (static_cast<uint32_t>(GetGValue(window)) << 8) | GetBValue(window));
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
