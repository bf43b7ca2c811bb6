#include "Presentation/Views/PixelSurface.h"

#include <algorithm>
#include <cmath>
#include "Core/Errors.h"

namespace Presentation::Views {

namespace {

double Clamp01(double AValue) { return std::clamp(AValue, 0.0, 1.0); }

}  // namespace

TPixelSurface::TPixelSurface(int AWidth, int AHeight) : FWidth(std::max(AWidth, 1)), FHeight(std::max(AHeight, 1)) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = FWidth;
  info.bmiHeader.biHeight = -FHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  FDc = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  FBitmap = CreateDIBSection(FDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (FDc == nullptr || FBitmap == nullptr) {
    if (FBitmap != nullptr) DeleteObject(FBitmap);
    if (FDc != nullptr) DeleteDC(FDc);
    throw Core::EQuorvaneError("Não foi possível criar a imagem da janela");
  }
  FPixels = static_cast<uint32_t*>(bits);
  FOldBitmap = SelectObject(FDc, FBitmap);
}

TPixelSurface::~TPixelSurface() {
  SelectObject(FDc, FOldBitmap);
  DeleteObject(FBitmap);
  DeleteDC(FDc);
}

void TPixelSurface::CopyFrom(const TPixelSurface& ASource, int ALeft, int ATop) {
  GdiFlush();
  for (int y = 0; y < FHeight; ++y) {
    const int sourceY = ATop + y;
    for (int x = 0; x < FWidth; ++x) {
      const int sourceX = ALeft + x;
      const bool inside = sourceX >= 0 && sourceY >= 0 && sourceX < ASource.FWidth && sourceY < ASource.FHeight;
      FPixels[y * FWidth + x] = inside ? ASource.FPixels[sourceY * ASource.FWidth + sourceX] : 0;
    }
  }
}

void TPixelSurface::BlitTo(HDC ATarget, int ALeft, int ATop) const {
  GdiFlush();
  BitBlt(ATarget, ALeft, ATop, FWidth, FHeight, FDc, 0, 0, SRCCOPY);
}

void TPixelSurface::DrawText(const wchar_t* AText, RECT ARect, HFONT AFont, uint32_t AColour, UINT AFormat) const {
  const HGDIOBJ oldFont = SelectObject(FDc, AFont);
  SetBkMode(FDc, TRANSPARENT);
  SetTextColor(FDc, RGB((AColour >> 16) & 0xFF, (AColour >> 8) & 0xFF, AColour & 0xFF));
  ::DrawTextW(FDc, AText, -1, &ARect, AFormat | DT_NOPREFIX);
  SelectObject(FDc, oldFont);
}

double RoundedBoxDistance(double AX, double AY, double ACentreX, double ACentreY, double AHalfWidth,
                          double AHalfHeight, double ARadius) {
  const double qx = std::fabs(AX - ACentreX) - AHalfWidth + ARadius;
  const double qy = std::fabs(AY - ACentreY) - AHalfHeight + ARadius;
  return Hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - ARadius;
}

double CircleDistance(double AX, double AY, double ACentreX, double ACentreY, double ARadius) {
  return Hypot(AX - ACentreX, AY - ACentreY) - ARadius;
}

double SegmentDistance(double AX, double AY, double AX0, double AY0, double AX1, double AY1, double ARadius) {
  const double px = AX - AX0, py = AY - AY0, ex = AX1 - AX0, ey = AY1 - AY0;
  const double t = Clamp01((px * ex + py * ey) / (ex * ex + ey * ey));
  return Hypot(px - ex * t, py - ey * t) - ARadius;
}

double TriangleDistance(double AX, double AY, double AX0, double AY0, double AX1, double AY1, double AX2, double AY2) {
  const double e0x = AX1 - AX0, e0y = AY1 - AY0, e1x = AX2 - AX1, e1y = AY2 - AY1, e2x = AX0 - AX2, e2y = AY0 - AY2;
  const double v0x = AX - AX0, v0y = AY - AY0, v1x = AX - AX1, v1y = AY - AY1, v2x = AX - AX2, v2y = AY - AY2;
  const auto project = [](double vx, double vy, double ex, double ey, double& qx, double& qy) {
    const double t = Clamp01((vx * ex + vy * ey) / (ex * ex + ey * ey));
    qx = vx - ex * t;
    qy = vy - ey * t;
  };
  double q0x, q0y, q1x, q1y, q2x, q2y;
  project(v0x, v0y, e0x, e0y, q0x, q0y);
  project(v1x, v1y, e1x, e1y, q1x, q1y);
  project(v2x, v2y, e2x, e2y, q2x, q2y);
  const double s = (e0x * e2y - e0y * e2x) < 0 ? -1.0 : 1.0;
  double distance = q0x * q0x + q0y * q0y;
  double side = s * (v0x * e0y - v0y * e0x);
  const auto take = [&](double ADistance, double ASide) {
    distance = std::min(distance, ADistance);
    side = std::min(side, ASide);
  };
  take(q1x * q1x + q1y * q1y, s * (v1x * e1y - v1y * e1x));
  take(q2x * q2x + q2y * q2y, s * (v2x * e2y - v2y * e2x));
  return -std::sqrt(distance) * (side < 0 ? -1.0 : 1.0);
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

}  // namespace Presentation::Views
