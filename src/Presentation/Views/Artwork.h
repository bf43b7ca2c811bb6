#pragma once
// The launcher's pictures, drawn in code: the splash's background with the
// product's mark, the warning sign shown with the retry button, the busy
// spinner, the rounded buttons and the data-source selector's picture. Sizes
// come in physical pixels.
#include <string>

#include "Presentation/Views/PixelSurface.h"

namespace Presentation::Views {

// The palette (0x00RRGGBB): the night-blue artwork and the splash's own controls.
inline constexpr uint32_t kNightTop = 0x0A1A2B;
inline constexpr uint32_t kNightBottom = 0x123A5C;
inline constexpr uint32_t kMarkTeal = 0x1FA58A;
inline constexpr uint32_t kSplashGreen = 0x76CC35;
inline constexpr uint32_t kSplashRed = 0xFF0000;
inline constexpr uint32_t kSplashFirebrick = 0xB22222;
inline constexpr uint32_t kSplashAliceBlue = 0xF0F8FF;

// AScale: physical pixels per device-independent pixel.
void PaintSplashBackground(TPixelSurface& ASurface, double AScale, HFONT AMarkFont, HFONT ATitleFont,
                           HFONT ASubtitleFont, const std::wstring& ASubtitle);
// The product's mark: a rounded square from green to teal with a white "Q".
void PaintProductMark(TPixelSurface& ASurface, double ALeft, double ATop, double ASize, HFONT AFont);
// The mark as a window icon of ASize pixels; the caller destroys it.
HICON CreateProductIcon(int ASize);
// A red warning triangle with a white exclamation mark, fitted in ABox.
void PaintWarningSign(TPixelSurface& ASurface, const RECT& ABox);
// Twelve dots on a circle; the brightest is at APhase (0-11).
void PaintSpinner(TPixelSurface& ASurface, double ACentreX, double ACentreY, double ARadius, double ADotRadius,
                  int APhase);
// A rounded rectangle with a one-pixel-wide outline, over the whole surface.
void PaintRoundedButton(TPixelSurface& ASurface, uint32_t AFill, uint32_t AStroke, double ARadius, bool APressed);
// A database drum with a cable and plug on a night-blue rounded panel, over
// the whole surface; the corners outside the panel take AWindowColour.
void PaintDataSourcePicture(TPixelSurface& ASurface, double AScale, uint32_t AWindowColour);

}  // namespace Presentation::Views
