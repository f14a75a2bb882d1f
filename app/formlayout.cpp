#include "app/formlayout.h"

#include <algorithm>
#include <cstdlib>
#include <cstdint>

namespace didu {

FormGeometry designGeometry()
{
    FormGeometry geometry;
    geometry.panel1 = QRect(10, 8, 489, 201);
    geometry.image1 = QRect(2, 2, 485, 172);
    geometry.progressBar1 = QRect(2, 174, 485, 25);
    geometry.bitBtn1 = QRect(160, 224, 75, 25);
    geometry.bitBtn2 = QRect(272, 224, 75, 25);
    geometry.panelBevel = 2;
    return geometry;
}

int mulDiv(int value, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    const std::int64_t half = std::abs(static_cast<std::int64_t>(denominator)) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t magnitude = (std::abs(product) + half) / std::abs(static_cast<std::int64_t>(denominator));
    return static_cast<int>(negative ? -magnitude : magnitude);
}

QRect scaleRect(const QRect& rect, int numerator, int denominator)
{
    const int left = mulDiv(rect.x(), numerator, denominator);
    const int top = mulDiv(rect.y(), numerator, denominator);
    const int right = mulDiv(rect.x() + rect.width(), numerator, denominator);
    const int bottom = mulDiv(rect.y() + rect.height(), numerator, denominator);
    return QRect(left, top, right - left, bottom - top);
}

FormScaling scaleForm(int screenPpi, const std::function<int(int fontPixels)>& textHeightOf)
{
    FormScaling scaling;
    scaling.geometry = designGeometry();
    if (screenPpi <= 0 || screenPpi == kDesignPixelsPerInch)
        return scaling;
    scaling.fontPixels = mulDiv(kDesignFontPixels, screenPpi, kDesignPixelsPerInch);
    scaling.textHeight = textHeightOf ? textHeightOf(scaling.fontPixels) : kDesignTextHeight;
    if (scaling.textHeight == kDesignTextHeight || scaling.textHeight <= 0) {
        scaling.textHeight = kDesignTextHeight;
        return scaling;
    }
    const int m = scaling.textHeight;
    const int d = kDesignTextHeight;
    FormGeometry& g = scaling.geometry;
    g.panel1 = scaleRect(g.panel1, m, d);
    g.image1 = scaleRect(g.image1, m, d);
    g.progressBar1 = scaleRect(g.progressBar1, m, d);
    g.bitBtn1 = scaleRect(g.bitBtn1, m, d);
    g.bitBtn2 = scaleRect(g.bitBtn2, m, d);
    scaling.controlsScaled = true;
    return scaling;
}

QPoint centredPosition(QSize desktop, QSize window)
{
    return QPoint(std::max(0, (desktop.width() - window.width()) / 2),
                  std::max(0, (desktop.height() - window.height()) / 2));
}

} // namespace didu
