// The window's picture: a JPEG file kept in its stored form and decoded through
// libjpeg, from memory, when it is first drawn.
#pragma once

#include <QByteArray>
#include <QImage>

namespace didu {

/// How a picture is decoded for the display that shows it.
enum class PictureDepth {
    /// 24-bit colour.
    TrueColour,
    /// 8 bits a pixel, quantised by libjpeg to a palette of 236 colours, for
    /// displays of 256 colours or fewer.
    Palette236,
};

/// The decoding depth for a display of `bitsPerPixel`.
PictureDepth pictureDepthFor(int bitsPerPixel);

class JpegPicture {
public:
    /// Name of the picture handler in the stored form.
    static constexpr const char* kHandlerName = "TJPEGImage";

    /// A picture from the JPEG file's own bytes.
    explicit JpegPicture(QByteArray jpeg = {}) : m_jpeg(std::move(jpeg)) {}

    /// Reads the stored form: a length byte, the handler's name, a 32-bit
    /// little-endian byte count, then the JPEG file. A malformed value raises
    /// "Invalid stored picture".
    static JpegPicture fromStoredValue(const QByteArray& stored);
    /// The stored form of this picture (the inverse of fromStoredValue).
    QByteArray storedValue() const;

    const QByteArray& jpeg() const { return m_jpeg; }

    /// Decodes at full size: RGB888 or Indexed8 with at most 236 colours. A
    /// libjpeg failure raises "JPEG error #%d" with libjpeg's message number.
    QImage decode(PictureDepth depth) const;

private:
    QByteArray m_jpeg;
};

} // namespace didu
