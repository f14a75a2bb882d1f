// BitBtn1 and BitBtn2: push buttons with a picture left of the caption. Each
// draws itself so that it shows the states the operator relies on: the frame
// of the button that Enter would click, the focus rectangle, the pressed shift.
#pragma once

#include <QPixmap>
#include <QPushButton>

namespace didu {

class BitBtn : public QPushButton {
    Q_OBJECT
public:
    /// A button named `objectName` with `caption` and the two-picture strip
    /// `glyphStrip` (enabled picture, then disabled picture, each square).
    BitBtn(const QString& objectName, const QString& caption, const QPixmap& glyphStrip,
           QWidget* parent = nullptr);

    /// The picture drawn in the current state (enabled or disabled), with the
    /// strip's bottom-left colour made transparent.
    QPixmap glyph() const;
    /// Number of pictures in the strip (2 for the program's buttons).
    int glyphCount() const { return m_glyphCount; }

    /// True while this is the button Enter would click: it holds the focus, or
    /// it is the window's default button and neither button does.
    bool isEnterTarget() const;
    /// Makes this the button Enter clicks when no button holds the focus.
    void setWindowDefault(bool isDefault);
    bool isWindowDefault() const { return m_windowDefault; }

    /// Space between the picture and the caption, in pixels.
    static constexpr int kSpacing = 4;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void updateSiblings();

    QPixmap m_enabled;
    QPixmap m_disabled;
    int m_glyphCount = 1;
    bool m_windowDefault = false;
};

/// Splits a strip of square pictures and makes its bottom-left colour transparent.
QList<QPixmap> splitGlyphStrip(const QImage& strip);

} // namespace didu
