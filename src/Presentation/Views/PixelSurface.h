#pragma once
// A 32-bit drawing surface with both pixel access (for smooth, anti-aliased
// shapes and gradients that plain GDI cannot draw) and a GDI device context
// (for text). The launcher's artwork is drawn on it in code.
#include <windows.h>

#include <cstdint>
#include <functional>

namespace Presentation::Views {

class TPixelSurface {
 public:
  TPixelSurface(int AWidth, int AHeight);
  ~TPixelSurface();
  TPixelSurface(const TPixelSurface&) = delete;
  TPixelSurface& operator=(const TPixelSurface&) = delete;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  HDC Dc() const { return FDc; }
  // 0x00RRGGBB, top-down rows.
  uint32_t* Pixels() { return FPixels; }

  // Sets every pixel from AColour(x, y).
  void Paint(const std::function<uint32_t(int AX, int AY)>& AColour);
  // Blends a shape: ADistance is its signed distance in pixels at a pixel's
  // centre (negative inside); the edge is anti-aliased over one pixel.
  void FillShape(const RECT& ABounds, const std::function<double(double AX, double AY)>& ADistance, uint32_t AColour,
                 double AOpacity = 1.0);
  // This surface's pixels from ASource, starting at (ALeft, ATop) there.
  void CopyFrom(const TPixelSurface& ASource, int ALeft, int ATop);
  void BlitTo(HDC ATarget, int ALeft, int ATop) const;
  void DrawText(const wchar_t* AText, RECT ARect, HFONT AFont, uint32_t AColour, UINT AFormat) const;

 private:
  int FWidth;
  int FHeight;
  HDC FDc = nullptr;
  HBITMAP FBitmap = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
  uint32_t* FPixels = nullptr;
};

// Signed distances of the shapes the artwork uses.
double RoundedBoxDistance(double AX, double AY, double ACentreX, double ACentreY, double AHalfWidth,
                          double AHalfHeight, double ARadius);
double CircleDistance(double AX, double AY, double ACentreX, double ACentreY, double ARadius);
double SegmentDistance(double AX, double AY, double AX0, double AY0, double AX1, double AY1, double ARadius);
double TriangleDistance(double AX, double AY, double AX0, double AY0, double AX1, double AY1, double AX2, double AY2);

// AFrom to ATo by AT in [0, 1], per channel.
uint32_t MixColour(uint32_t AFrom, uint32_t ATo, double AT);

}  // namespace Presentation::Views
