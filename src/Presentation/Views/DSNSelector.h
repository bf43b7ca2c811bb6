#pragma once
// The small modal window in which the user picks the ODBC data source for
// this run; the choice is not saved.
#include <memory>
#include <string>

#include "Presentation/Views/Form.h"
#include "Presentation/Views/PixelSurface.h"

namespace Presentation::Views {

class TfrmDSNSelector : public TForm {
 public:
  enum TControlId : int {
    btnConfirm = IDOK,     // Enter
    btnCancel = IDCANCEL,  // Escape
    lblPrompt = 1101,
    cmbDSN,
  };

  static constexpr const wchar_t* ClassName = L"TfrmDSNSelector";

  explicit TfrmDSNSelector(HWND AOwner = nullptr);

  // The confirmed data source; empty until one is confirmed.
  const std::string& SelectedDSN() const { return FSelectedDSN; }

 protected:
  LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) override;
  void OnCommand(int AId, int ANotification) override;
  void CreateControls() override;
  void Layout() override;
  void FormShow() override;

 private:
  void ApplyTranslations();
  void LoadDSNList();
  void btnConfirmClick();
  void btnCancelClick();
  void PaintPicture(HDC ADc);

  std::string FSelectedDSN;
  std::unique_ptr<TPixelSurface> FPicture;  // drawn for the current DPI
};

extern std::unique_ptr<TfrmDSNSelector> frmDSNSelector;

}  // namespace Presentation::Views
