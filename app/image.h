// Image1: the window's stored picture, decoded when it is first drawn and
// stretched to exactly the control's area (the aspect ratio is not kept).
#pragma once

#include "app/jpegpicture.h"

#include <QImage>
#include <QWidget>

#include <optional>
#include <string>

namespace didu {

class Image : public QWidget {
    Q_OBJECT
public:
    explicit Image(QWidget* parent = nullptr);

    /// Sets the picture; it is decoded at the next drawing, for `depth`.
    void setPicture(JpegPicture picture, PictureDepth depth);
    PictureDepth depth() const { return m_depth; }
    /// The decoded picture (null until drawn, or when decoding failed).
    const QImage& decoded() const { return m_decoded; }
    /// The decoding failure, once one happened.
    const std::optional<std::string>& decodeError() const { return m_error; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    JpegPicture m_picture;
    PictureDepth m_depth = PictureDepth::TrueColour;
    QImage m_decoded;
    std::optional<std::string> m_error;
};

} // namespace didu
