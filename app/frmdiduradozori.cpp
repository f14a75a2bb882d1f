#include "app/frmdiduradozori.h"

#include "app/accessibleroles.h"
#include "app/bitbtn.h"
#include "app/errorbox.h"
#include "app/formkeyboard.h"
#include "app/formlayout.h"
#include "app/image.h"
#include "app/informationdialog.h"
#include "app/jpegpicture.h"
#include "app/panel.h"
#include "app/progressbar.h"
#include "platform/errors.h"
#include "transfer/transfersession.h"

#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace didu {

namespace {

QByteArray resource(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error("Resource " + path.toStdString() + " not found");
    return file.readAll();
}

QPixmap glyphStrip(const QString& path)
{
    QPixmap strip;
    if (!strip.loadFromData(resource(path)))
        throw Error("Resource " + path.toStdString() + " not found");
    return strip;
}

} // namespace

TFormDiduRaDozori::TFormDiduRaDozori(const FormOptions& options, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormDiduRaDozori"));
    setWindowTitle(QStringLiteral("客戶轉會員"));
    createControls(options);
    m_session = std::make_unique<TransferSession>();
}

TFormDiduRaDozori::~TFormDiduRaDozori()
{
    m_session.reset();
    delete m_keyboard;
    delete m_bitBtn2;
    delete m_bitBtn1;
    delete m_progressBar1;
    delete m_image1;
    delete m_panel1;
}

void TFormDiduRaDozori::createControls(const FormOptions& options)
{
    QScreen* display = screen() ? screen() : QGuiApplication::primaryScreen();
    const int ppi = options.screenPixelsPerInch.value_or(
        display ? static_cast<int>(std::lround(display->logicalDotsPerInch())) : kDesignPixelsPerInch);

    QFont font(QStringLiteral("MS Sans Serif"));
    auto textHeightOf = [&font](int pixels) {
        QFont sized = font;
        sized.setPixelSize(pixels);
        return QFontMetrics(sized).height();
    };
    const FormScaling scaling = scaleForm(ppi, textHeightOf);
    font.setPixelSize(scaling.fontPixels);
    setFont(font);
    m_fontPixels = scaling.fontPixels;
    m_controlsScaled = scaling.controlsScaled;
    const FormGeometry& g = scaling.geometry;

    // Stored position first; showCentred() replaces it on the first show.
    setGeometry(QRect(kFormStoredPosition, kFormOuterSize));

    // Named for a screen reader as the buttons are by their captions: the
    // panel that holds the transfer's picture and bar, the picture (only a
    // pattern: the reader should say so and move on), and the bar.
    installAccessibleRoles();
    m_panel1 = new Panel(this);
    m_panel1->setGeometry(g.panel1);
    m_panel1->setAccessibleName(QStringLiteral("客戶轉會員"));

    m_image1 = new Image(m_panel1);
    m_image1->setAccessibleName(QStringLiteral("裝飾圖案"));
    const PictureDepth depth = options.pictureDepth.value_or(pictureDepthFor(display ? display->depth() : 24));
    m_image1->setPicture(JpegPicture::fromStoredValue(resource(QStringLiteral(":/didu/image1.bin"))), depth);

    m_progressBar1 = new ProgressBar(m_panel1);
    m_progressBar1->setAccessibleName(QStringLiteral("轉移進度"));
    m_panel1->alignChildren(m_image1, m_progressBar1, g.progressBar1.height());

    m_bitBtn1 = new BitBtn(QStringLiteral("BitBtn1"), QStringLiteral("確定"),
                           glyphStrip(QStringLiteral(":/didu/bbok.bmp")), this);
    m_bitBtn1->setGeometry(g.bitBtn1);
    m_bitBtn1->setWindowDefault(true);
    m_bitBtn2 = new BitBtn(QStringLiteral("BitBtn2"), QStringLiteral("取消"),
                           glyphStrip(QStringLiteral(":/didu/bbcancel.bmp")), this);
    m_bitBtn2->setGeometry(g.bitBtn2);
    setTabOrder(m_bitBtn1, m_bitBtn2);

    connect(m_bitBtn1, &QPushButton::clicked, this, [this] { dispatch([this] { BitBtn1Click(); }); });
    connect(m_bitBtn2, &QPushButton::clicked, this, [this] { dispatch([this] { BitBtn2Click(); }); });

    m_keyboard = new FormKeyboard(this, {m_panel1, m_bitBtn1, m_bitBtn2}, {m_bitBtn1, m_bitBtn2},
                                  m_bitBtn1, m_bitBtn2);
    // The first tab stop holds the focus when the window first becomes active.
    m_bitBtn1->setFocus(Qt::ActiveWindowFocusReason);
}

void TFormDiduRaDozori::showCentred()
{
    resize(kFormOuterSize);
    move(centredPosition(virtualDesktopSize(), kFormOuterSize));
    m_fitFramePending = true;
    m_shownAt.start();
    show();
    fitFrame();
}

QSize TFormDiduRaDozori::virtualDesktopSize() const
{
    QScreen* display = screen() ? screen() : QGuiApplication::primaryScreen();
    return display ? display->virtualSize() : kFormOuterSize;
}

void TFormDiduRaDozori::fitFrame()
{
    // The outer size counts the frame and title bar, which a window manager
    // adds only once the window is on the screen (and tells a moment later);
    // the client area then gives way to them, once. A window that gets no
    // frame within a few seconds keeps the whole size as its client area.
    if (!m_fitFramePending)
        return;
    if (m_shownAt.isValid() && m_shownAt.elapsed() > 3000) {
        m_fitFramePending = false;
        return;
    }
    const QSize frame = frameGeometry().size() - size();
    if (frame.width() <= 0 && frame.height() <= 0)
        return;
    m_fitFramePending = false;
    resize(kFormOuterSize - frame);
    move(centredPosition(virtualDesktopSize(), kFormOuterSize));
}

bool TFormDiduRaDozori::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    if (m_fitFramePending && (event->type() == QEvent::Move || event->type() == QEvent::Resize
                              || event->type() == QEvent::Show || event->type() == QEvent::Expose))
        fitFrame();
    return handled;
}

void TFormDiduRaDozori::dispatch(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        showError(error);
    }
}

void TFormDiduRaDozori::BitBtn1Click()
{
    if (m_runner) {
        m_runner();
        return;
    }
    m_session->run(*this);
}

void TFormDiduRaDozori::BitBtn2Click()
{
    close();
}

void TFormDiduRaDozori::showProgress(const Progress& progress)
{
    m_progressBar1->showProgress(progress);
}

void TFormDiduRaDozori::showInformation(const std::string& message)
{
    showInformationMessage(QString::fromStdString(message), this);
}

} // namespace didu
