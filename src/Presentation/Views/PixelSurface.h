#pragma once
// A 32-bit drawing surface with both pixel access (for smooth, anti-aliased
// shapes and gradients that plain GDI cannot draw) and a GDI device context
// (for text). The launcher's artwork is drawn on it in code.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace Presentation::Views {

// AFrom to ATo by AT in [0, 1], per channel.
// AWeight of ATo in 0..256: integer only, for loops over every pixel (a
// 32-bit build converts doubles to integers slowly).
inline uint32_t MixColourWeighted(uint32_t AFrom, uint32_t ATo, uint32_t AWeight) {
  uint32_t result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const uint32_t from = (AFrom >> shift) & 0xFF, to = (ATo >> shift) & 0xFF;
    result |= ((from * (256 - AWeight) + to * AWeight + 128) >> 8) << shift;
  }
  return result;
}

inline uint32_t MixWeight(double AT) {
  return static_cast<uint32_t>(std::clamp(AT, 0.0, 1.0) * 256.0 + 0.5);
}

inline uint32_t MixColour(uint32_t AFrom, uint32_t ATo, double AT) {
  const uint32_t weight = MixWeight(AT);  // 0..256
  uint32_t result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const uint32_t from = (AFrom >> shift) & 0xFF, to = (ATo >> shift) & 0xFF;
    result |= ((from * (256 - weight) + to * weight + 128) >> 8) << shift;
  }
  return result;
}

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

  // Sets every pixel from AColour(x, y). Templates, so that the per-pixel
  // call inlines: the splash's background is 325,000 pixels at 96 DPI.
  template <typename TColour>
  void Paint(TColour AColour) {
    GdiFlush();
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x) FPixels[y * FWidth + x] = AColour(x, y);
  }
  // Blends a shape: ADistance(x, y) is its signed distance in pixels at a
  // pixel's centre (negative inside); the edge is anti-aliased over one pixel.
  template <typename TDistance>
  void FillShape(const RECT& ABounds, TDistance ADistance, uint32_t AColour, double AOpacity = 1.0) {
    GdiFlush();
    const int left = std::max<int>(ABounds.left, 0), top = std::max<int>(ABounds.top, 0);
    const int right = std::min<int>(ABounds.right, FWidth), bottom = std::min<int>(ABounds.bottom, FHeight);
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) {
        const double coverage = std::clamp(0.5 - ADistance(x + 0.5, y + 0.5), 0.0, 1.0) * AOpacity;
        if (coverage <= 0.0) continue;
        uint32_t& pixel = FPixels[y * FWidth + x];
        pixel = MixColour(pixel, AColour, coverage);
      }
  }
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

// The length of (AX, AY) without std::hypot's care for overflow, which
// pixel distances never need and which costs in a per-pixel loop.
inline double Hypot(double AX, double AY) { return std::sqrt(AX * AX + AY * AY); }

// Signed distances of the shapes the artwork uses.
double RoundedBoxDistance(double AX, double AY, double ACentreX, double ACentreY, double AHalfWidth,
                          double AHalfHeight, double ARadius);
double CircleDistance(double AX, double AY, double ACentreX, double ACentreY, double ARadius);
double SegmentDistance(double AX, double AY, double AX0, double AY0, double AX1, double AY1, double ARadius);
double TriangleDistance(double AX, double AY, double AX0, double AY0, double AX1, double AY1, double AX2, double AY2);
// Axis-aligned ellipse, to first order: exact enough for a one-pixel edge.
double EllipseDistance(double AX, double AY, double ACentreX, double ACentreY, double ARadiusX, double ARadiusY);

}  // namespace Presentation::Views
