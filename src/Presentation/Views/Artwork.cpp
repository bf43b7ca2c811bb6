#include "Presentation/Views/Artwork.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace Presentation::Views {

namespace {

constexpr uint32_t kGlowBlue = 0x2A7AB0;
constexpr uint32_t kGlowTeal = 0x1B8A6B;
constexpr uint32_t kTealDark = 0x0C4F42;
constexpr uint32_t kTealLight = 0x63D6B8;
constexpr uint32_t kSubtitle = 0x9FC6E6;
constexpr uint32_t kWhite = 0xFFFFFF;

// A soft light of AColour around a centre, fading to nothing at its radius.
// The weight is looked up by squared distance, so the loop over every pixel
// of the sky takes no square root and no conversion from double.
class TGlow {
 public:
  TGlow(double ACentreX, double ACentreY, double ARadius, uint32_t AColour, double AStrength)
      : FCentreX(static_cast<int>(std::lround(ACentreX))),
        FCentreY(static_cast<int>(std::lround(ACentreY))),
        FRadiusSquared(std::max<int64_t>(1, std::llround(ARadius * ARadius))),
        FStepScale((static_cast<uint64_t>(kSteps) << 32) / static_cast<uint64_t>(FRadiusSquared)),
        FColour(AColour) {
    for (int step = 0; step <= kSteps; ++step) {
      const double distance = std::sqrt(static_cast<double>(step) / kSteps);
      FWeights[step] = MixWeight((1.0 - distance) * (1.0 - distance) * AStrength);
    }
  }
  uint32_t Add(uint32_t ABase, int AX, int AY) const {
    const int64_t dx = AX - FCentreX, dy = AY - FCentreY;
    const int64_t squared = dx * dx + dy * dy;
    if (squared >= FRadiusSquared) return ABase;
    // squared / radius² in steps, by multiplication: no 64-bit division per pixel.
    const uint64_t step = (static_cast<uint64_t>(squared) * FStepScale) >> 32;
    return MixColourWeighted(ABase, FColour, FWeights[std::min<uint64_t>(step, kSteps)]);
  }

 private:
  static constexpr int kSteps = 4096;
  int FCentreX, FCentreY;
  int64_t FRadiusSquared;
  uint64_t FStepScale;
  uint32_t FColour;
  std::array<uint32_t, kSteps + 1> FWeights{};
};

double MarkDistance(double AX, double AY, double ACentreX, double ACentreY, double ASize) {
  return RoundedBoxDistance(AX, AY, ACentreX, ACentreY, ASize / 2, ASize / 2, ASize * 0.24);
}

RECT Box(double ALeft, double ATop, double ARight, double ABottom) {
  return RECT{static_cast<LONG>(std::floor(ALeft)), static_cast<LONG>(std::floor(ATop)),
              static_cast<LONG>(std::ceil(ARight)) + 1, static_cast<LONG>(std::ceil(ABottom)) + 1};
}

}  // namespace

void PaintProductMark(TPixelSurface& ASurface, double ALeft, double ATop, double ASize, HFONT AFont) {
  const double centreX = ALeft + ASize / 2, centreY = ATop + ASize / 2;
  const RECT box = Box(ALeft, ATop, ALeft + ASize, ATop + ASize);
  for (int band = 0; band < 8; ++band) {
    // Diagonal bands, each clipped to the square, make the gradient from green to teal.
    const double from = band * ASize / 4, to = from + ASize / 4;
    ASurface.FillShape(
        box,
        [&](double AX, double AY) {
          const double along = (AX - ALeft) + (AY - ATop);
          return std::max(MarkDistance(AX, AY, centreX, centreY, ASize), std::max(from - along, along - to));
        },
        MixColour(kSplashGreen, kMarkTeal, band / 7.0));
  }
  ASurface.DrawText(L"Q", box, AFont, kWhite, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

HICON CreateProductIcon(int ASize) {
  TPixelSurface surface(ASize, ASize);
  surface.Paint([](int, int) { return 0u; });
  const HFONT font = CreateFontW(-ASize * 5 / 8, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                 DEFAULT_PITCH | FF_SWISS, L"Segoe UI");
  PaintProductMark(surface, 0, 0, ASize, font);
  DeleteObject(font);
  GdiFlush();
  // The square's coverage is the icon's opacity (straight alpha).
  uint32_t* pixels = surface.Pixels();
  for (int y = 0; y < ASize; ++y)
    for (int x = 0; x < ASize; ++x) {
      const double coverage =
          std::clamp(0.5 - MarkDistance(x + 0.5, y + 0.5, ASize / 2.0, ASize / 2.0, ASize), 0.0, 1.0);
      pixels[y * ASize + x] = (pixels[y * ASize + x] & 0xFFFFFF) | (static_cast<uint32_t>(coverage * 255) << 24);
    }
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = static_cast<HBITMAP>(GetCurrentObject(surface.Dc(), OBJ_BITMAP));
  info.hbmMask = CreateBitmap(ASize, ASize, 1, 1, nullptr);
  const HICON icon = CreateIconIndirect(&info);
  DeleteObject(info.hbmMask);
  return icon;
}

void PaintSplashBackground(TPixelSurface& ASurface, double AScale, HFONT AMarkFont, HFONT ATitleFont,
                           HFONT ASubtitleFont, const std::wstring& ASubtitle) {
  const double width = ASurface.Width();
  const double height = ASurface.Height();
  const TGlow blue(width * 0.80, height * 0.28, width * 0.55, kGlowBlue, 0.55);
  const TGlow teal(width * 0.05, height * 1.05, width * 0.45, kGlowTeal, 0.40);
  const int linePitch = static_cast<int>(std::max(18.0, 18 * AScale));
  const uint32_t lineWeight = MixWeight(0.025);
  std::vector<uint32_t> rows(static_cast<size_t>(ASurface.Height()));
  for (size_t y = 0; y < rows.size(); ++y)
    rows[y] = MixColour(kNightTop, kNightBottom, static_cast<double>(y) / height);
  ASurface.Paint([&](int AX, int AY) {
    uint32_t colour = teal.Add(blue.Add(rows[static_cast<size_t>(AY)], AX, AY), AX, AY);
    // Faint diagonal lines give the night sky some texture.
    if ((AX + AY) % linePitch == 0) colour = MixColourWeighted(colour, kWhite, lineWeight);
    return colour;
  });

  // The product's mark, then its name beside it.
  const double markLeft = 40 * AScale, markTop = 34 * AScale, markSize = 58 * AScale;
  PaintProductMark(ASurface, markLeft, markTop, markSize, AMarkFont);

  const LONG textLeft = static_cast<LONG>(markLeft + markSize + 16 * AScale);
  ASurface.DrawText(L"QuorvaneSoft",
                    RECT{textLeft, static_cast<LONG>(markTop - 6 * AScale), static_cast<LONG>(width),
                         static_cast<LONG>(markTop + 40 * AScale)},
                    ATitleFont, kWhite, DT_LEFT | DT_SINGLELINE);
  ASurface.DrawText(ASubtitle.c_str(),
                    RECT{textLeft + static_cast<LONG>(2 * AScale), static_cast<LONG>(markTop + 38 * AScale),
                         static_cast<LONG>(width), static_cast<LONG>(markTop + 64 * AScale)},
                    ASubtitleFont, kSubtitle, DT_LEFT | DT_SINGLELINE);
}

void PaintWarningSign(TPixelSurface& ASurface, const RECT& ABox) {
  const double left = ABox.left, top = ABox.top;
  const double width = ABox.right - ABox.left, height = ABox.bottom - ABox.top;
  const double size = std::min(width, height * 1.1);
  const double centreX = left + width / 2;
  const double rounding = size * 0.07;
  // An equilateral-looking triangle inset by its rounding, so the corners come out round.
  const double apexY = top + height * 0.12 + rounding, baseY = top + height * 0.88 - rounding;
  const double halfBase = size * 0.5 - rounding * 1.7;
  const auto triangle = [&](double AX, double AY) {
    return TriangleDistance(AX, AY, centreX, apexY, centreX + halfBase, baseY, centreX - halfBase, baseY) - rounding;
  };
  ASurface.FillShape(ABox, [&](double AX, double AY) { return triangle(AX, AY + size * 0.02) - 1.5; }, 0x000000,
                     0.25);  // a soft shadow
  ASurface.FillShape(ABox, triangle, 0xE53935);
  const double stroke = size * 0.055;
  const double markTop = apexY + (baseY - apexY) * 0.30, markBottom = apexY + (baseY - apexY) * 0.68;
  ASurface.FillShape(
      ABox, [&](double AX, double AY) { return SegmentDistance(AX, AY, centreX, markTop, centreX, markBottom, stroke); },
      kWhite);
  const double dotY = apexY + (baseY - apexY) * 0.84;
  ASurface.FillShape(ABox, [&](double AX, double AY) { return CircleDistance(AX, AY, centreX, dotY, stroke * 1.15); },
                     kWhite);
}

void PaintSpinner(TPixelSurface& ASurface, double ACentreX, double ACentreY, double ARadius, double ADotRadius,
                  int APhase) {
  constexpr int kDots = 12;
  constexpr double kPi = 3.14159265358979323846;
  for (int dot = 0; dot < kDots; ++dot) {
    const double angle = 2 * kPi * dot / kDots - kPi / 2;
    const double x = ACentreX + ARadius * std::cos(angle), y = ACentreY + ARadius * std::sin(angle);
    // Brightest at the head, fading along the tail behind it.
    const int behind = ((APhase - dot) % kDots + kDots) % kDots;
    const double opacity = 0.15 + 0.85 * (1.0 - behind / static_cast<double>(kDots));
    ASurface.FillShape(Box(x - ADotRadius - 1, y - ADotRadius - 1, x + ADotRadius + 1, y + ADotRadius + 1),
                       [&](double AX, double AY) { return CircleDistance(AX, AY, x, y, ADotRadius); }, kWhite,
                       opacity);
  }
}

void PaintRoundedButton(TPixelSurface& ASurface, uint32_t AFill, uint32_t AStroke, double ARadius, bool APressed) {
  const double width = ASurface.Width(), height = ASurface.Height();
  const RECT all{0, 0, ASurface.Width(), ASurface.Height()};
  const auto outline = [&](double AX, double AY) {
    return RoundedBoxDistance(AX, AY, width / 2, height / 2, width / 2 - 0.5, height / 2 - 0.5, ARadius);
  };
  ASurface.FillShape(all, outline, AStroke);
  ASurface.FillShape(all, [&](double AX, double AY) { return outline(AX, AY) + 1.0; },
                     APressed ? MixColour(AFill, 0x000000, 0.2) : AFill);
}

// Three discs of a drum, then a cable and plug below it: "connect to a data source".
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
      all, [&](double AX, double AY) { return CircleDistance(AX, AY, cx, 64 * s, 62 * s); }, kMarkTeal, 0.10);
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
        kMarkTeal);
  }
  ASurface.FillShape(
      all, [&](double AX, double AY) { return EllipseDistance(AX, AY, cx, top, rx, ry); }, kTealLight);
  ASurface.FillShape(
      all, [&](double AX, double AY) { return EllipseDistance(AX, AY, cx, top, rx * 0.62, ry * 0.55); }, kMarkTeal, 0.35);
  // A sheen down the left of the drum.
  ASurface.FillShape(
      all,
      [&](double AX, double AY) {
        return SegmentDistance(AX, AY, cx - rx + 9 * s, 46 * s, cx - rx + 9 * s, 100 * s, 3 * s);
      },
      kSplashAliceBlue, 0.22);

  // Cable and plug.
  ASurface.FillShape(
      all, [&](double AX, double AY) { return SegmentDistance(AX, AY, cx, bottom + ry, cx, 124 * s, 3 * s); }, kSplashGreen);
  ASurface.FillShape(
      all, [&](double AX, double AY) { return RoundedBoxDistance(AX, AY, cx, 133 * s, 17 * s, 10 * s, 4 * s); },
      kSplashGreen);
  for (const double prong : {-7.0, 7.0})
    ASurface.FillShape(
        all,
        [&](double AX, double AY) {
          return SegmentDistance(AX, AY, cx + prong * s, 144 * s, cx + prong * s, 153 * s, 2.5 * s);
        },
        kSplashAliceBlue);
}

}  // namespace Presentation::Views
