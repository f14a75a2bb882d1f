#include "app/image.h"

#include "app/errorbox.h"
#include "platform/errors.h"

#include <QPainter>
#include <QTimer>

namespace didu {

Image::Image(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Image1"));
    setFocusPolicy(Qt::NoFocus);
}

void Image::setPicture(JpegPicture picture, PictureDepth depth)
{
    m_picture = std::move(picture);
    m_depth = depth;
    m_decoded = QImage();
    m_error.reset();
    update();
}

void Image::paintEvent(QPaintEvent*)
{
    if (m_decoded.isNull() && !m_error && !m_picture.jpeg().isEmpty()) {
        try {
            m_decoded = m_picture.decode(m_depth);
        } catch (const Error& error) {
            // Shown once, after this drawing is over: a message box must not run
            // inside a paint event, and a picture that cannot be read would
            // otherwise raise again at every repaint.
            m_error = error.what();
            QTimer::singleShot(0, this, [message = *m_error] { showError(Error(message)); });
        }
    }
    if (m_decoded.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(rect(), m_decoded);
}

} // namespace didu
