// The window's geometry as stored with its definition, the scaling rule for
// screens that are not 96 pixels per inch, and desktop centring. Plain
// functions, so the rules are checked without a screen.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>

namespace didu {

/// Outer size of the window, frame and title bar included; never scaled.
inline constexpr QSize kFormOuterSize{514, 298};
/// Where the definition places the window before desktop centring replaces it.
inline constexpr QPoint kFormStoredPosition{270, 175};
/// The resolution and the font's text height the window was laid out for.
inline constexpr int kDesignPixelsPerInch = 96;
inline constexpr int kDesignTextHeight = 13;
/// Character height of the window's font at the design resolution.
inline constexpr int kDesignFontPixels = 11;

/// Positions and sizes of the controls, in their parents' client coordinates.
struct FormGeometry {
    QRect panel1;
    QRect image1;
    QRect progressBar1;
    QRect bitBtn1;
    QRect bitBtn2;
    /// Width of Panel1's bevel: one raised and one lowered line.
    int panelBevel = 2;

    bool operator==(const FormGeometry&) const = default;
};

/// The geometry as the definition stores it.
FormGeometry designGeometry();

/// The result of the scaling rule for one screen.
struct FormScaling {
    int fontPixels = kDesignFontPixels;
    int textHeight = kDesignTextHeight;
    bool controlsScaled = false;
    FormGeometry geometry;
};

/// `value` * `numerator` / `denominator`, rounded half away from zero.
int mulDiv(int value, int numerator, int denominator);

/// Applies the scaling rule: off the design resolution the font grows by
/// screenPpi / 96, and when text then stands `textHeightOf(fontPixels)` high
/// instead of 13, every control's position and size grows by that ratio.
FormScaling scaleForm(int screenPpi, const std::function<int(int fontPixels)>& textHeightOf);

/// Scales one rectangle by numerator / denominator, edges first, so that
/// controls that touch before scaling still touch after it.
QRect scaleRect(const QRect& rect, int numerator, int denominator);

/// The window's top-left corner when centred on a virtual desktop of `desktop`
/// (all monitors together, their own offsets not added); never negative.
QPoint centredPosition(QSize desktop, QSize window);

} // namespace didu
