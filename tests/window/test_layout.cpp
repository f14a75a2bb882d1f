#include "app/bitbtn.h"
#include "app/formlayout.h"
#include "app/frmdiduradozori.h"
#include "app/image.h"
#include "app/informationdialog.h"
#include "app/panel.h"
#include "app/progressbar.h"

#include <QAccessible>
#include <QMessageBox>
#include <QTest>

#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

using didu::TFormDiduRaDozori;

TEST(FormLayout, EveryControlStandsWhereTheDefinitionPutsIt)
{
    TFormDiduRaDozori form;
    EXPECT_EQ(form.objectName(), "FormDiduRaDozori");
    EXPECT_EQ(form.windowTitle(), QStringLiteral("客戶轉會員"));
    EXPECT_EQ(form.size(), QSize(514, 298));
    EXPECT_EQ(form.font().family(), "MS Sans Serif");
    EXPECT_EQ(form.font().pixelSize(), 11);

    struct Expected {
        QWidget* widget;
        const char* name;
        QWidget* parent;
        QRect geometry;
    };
    const Expected controls[] = {
        {form.Panel1(), "Panel1", &form, {10, 8, 489, 201}},
        {form.Image1(), "Image1", form.Panel1(), {2, 2, 485, 172}},
        {form.ProgressBar1(), "ProgressBar1", form.Panel1(), {2, 174, 485, 25}},
        {form.BitBtn1(), "BitBtn1", &form, {160, 224, 75, 25}},
        {form.BitBtn2(), "BitBtn2", &form, {272, 224, 75, 25}},
    };
    for (const Expected& c : controls) {
        ASSERT_NE(c.widget, nullptr) << c.name;
        EXPECT_EQ(c.widget->objectName(), c.name);
        EXPECT_EQ(c.widget->parentWidget(), c.parent) << c.name;
        EXPECT_EQ(c.widget->geometry(), c.geometry) << c.name;
        EXPECT_EQ(c.widget->font().pixelSize(), 11) << c.name;
    }
    EXPECT_EQ(form.Panel1()->clientArea(), QRect(2, 2, 485, 197));
    EXPECT_EQ(form.BitBtn1()->text(), QStringLiteral("確定"));
    EXPECT_EQ(form.BitBtn2()->text(), QStringLiteral("取消"));
    EXPECT_EQ(form.ProgressBar1()->progressMaximum(), 100);
    EXPECT_EQ(form.ProgressBar1()->progressPosition(), 0);
    // The tab stops are the two buttons; the panel and the bar are not.
    EXPECT_EQ(form.BitBtn1()->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    EXPECT_EQ(form.BitBtn2()->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    EXPECT_EQ(form.Panel1()->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(form.ProgressBar1()->focusPolicy(), Qt::NoFocus);
}

TEST(FormLayout, AScreenReaderFindsEveryControlNamedAndNoFiller)
{
    TFormDiduRaDozori form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    struct Expected {
        QWidget* widget;
        QAccessible::Role role;
        QString name;
    };
    const Expected controls[] = {
        {form.Panel1(), QAccessible::Grouping, QStringLiteral("客戶轉會員")},
        {form.Image1(), QAccessible::Graphic, QStringLiteral("裝飾圖案")},
        {form.ProgressBar1(), QAccessible::ProgressBar, QStringLiteral("轉移進度")},
        {form.BitBtn1(), QAccessible::Button, QStringLiteral("確定")},
        {form.BitBtn2(), QAccessible::Button, QStringLiteral("取消")},
    };
    for (const Expected& c : controls) {
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(c.widget);
        ASSERT_NE(control, nullptr) << c.widget->objectName().toStdString();
        EXPECT_EQ(control->role(), c.role) << c.widget->objectName().toStdString();
        EXPECT_EQ(control->text(QAccessible::Name), c.name) << c.widget->objectName().toStdString();
    }
    // What the reader walks: nothing below the window is an unnamed filler.
    std::vector<QAccessibleInterface*> pending {QAccessible::queryAccessibleInterface(&form)};
    while (!pending.empty()) {
        QAccessibleInterface* node = pending.back();
        pending.pop_back();
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            EXPECT_NE(child->role(), QAccessible::Client) << child->object()->objectName().toStdString();
            EXPECT_FALSE(child->text(QAccessible::Name).isEmpty()) << child->object()->objectName().toStdString();
            pending.push_back(child);
        }
    }
    didu::Progress progress;
    progress.setMaximum(10);
    progress.setPosition(4);
    form.ProgressBar1()->showProgress(progress);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form.ProgressBar1())->valueInterface()->currentValue(), 4);
}

TEST(FormLayout, ButtonPicturesComeFromTwoPictureStripsWithTheOliveCornerTransparent)
{
    TFormDiduRaDozori form;
    for (didu::BitBtn* button : {form.BitBtn1(), form.BitBtn2()}) {
        EXPECT_EQ(button->glyphCount(), 2);
        const QImage enabled = button->glyph().toImage();
        EXPECT_EQ(enabled.size(), QSize(18, 18));
        EXPECT_EQ(qAlpha(enabled.pixel(0, 17)), 0);
        EXPECT_EQ(qAlpha(enabled.pixel(0, 0)), 0);
        button->setEnabled(false);
        const QImage disabled = button->glyph().toImage();
        EXPECT_NE(disabled, enabled);
        // The disabled picture is grey: no pixel with colour in it.
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 18; ++x) {
                const QRgb p = disabled.pixel(x, y);
                if (qAlpha(p)) {
                    EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << x << "," << y;
                }
            }
        button->setEnabled(true);
    }
    // Enabled: a green check mark and a red cross.
    auto dominant = [](const QImage& image) {
        long r = 0, g = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y))) {
                    r += qRed(image.pixel(x, y));
                    g += qGreen(image.pixel(x, y));
                }
        return g > r ? 'g' : 'r';
    };
    EXPECT_EQ(dominant(form.BitBtn1()->glyph().toImage()), 'g');
    EXPECT_EQ(dominant(form.BitBtn2()->glyph().toImage()), 'r');
}

TEST(FormLayout, ThePictureIsDrawnStretchedOverTheWholeControl)
{
    TFormDiduRaDozori form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QImage shown = form.Image1()->grab().toImage();
    const QImage& decoded = form.Image1()->decoded();
    ASSERT_EQ(decoded.size(), QSize(150, 112));
    EXPECT_FALSE(form.Image1()->decodeError().has_value());
    ASSERT_EQ(shown.size(), QSize(485, 172));
    // Corners of the control show the picture's corners: stretched, not centred.
    const QImage scaled = decoded.scaled(485, 172);
    for (QPoint p : {QPoint(1, 1), QPoint(483, 1), QPoint(1, 170), QPoint(483, 170), QPoint(242, 86)})
        EXPECT_NEAR(qGray(shown.pixel(p)), qGray(scaled.pixel(p)), 40) << p.x() << "," << p.y();
}

TEST(FormLayout, OnAPaletteDisplayThePictureIsQuantised)
{
    didu::FormOptions options;
    options.pictureDepth = didu::PictureDepth::Palette236;
    TFormDiduRaDozori form(options);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.Image1()->repaint();
    EXPECT_EQ(form.Image1()->decoded().format(), QImage::Format_Indexed8);
    EXPECT_LE(form.Image1()->decoded().colorCount(), 236);
}

TEST(FormLayout, ResizingOrMaximisingMovesAndStretchesNothing)
{
    TFormDiduRaDozori form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QList<QWidget*> controls = {form.Panel1(), form.Image1(), form.ProgressBar1(), form.BitBtn1(), form.BitBtn2()};
    QList<QRect> before;
    for (QWidget* w : controls)
        before << w->geometry();
    for (QSize size : {QSize(1000, 700), QSize(200, 100), QSize(514, 298)}) {
        form.resize(size);
        QCoreApplication::processEvents();
        for (int i = 0; i < controls.size(); ++i)
            EXPECT_EQ(controls[i]->geometry(), before[i]) << controls[i]->objectName().toStdString();
    }
    form.showMaximized();
    QCoreApplication::processEvents();
    for (int i = 0; i < controls.size(); ++i)
        EXPECT_EQ(controls[i]->geometry(), before[i]) << controls[i]->objectName().toStdString();
}

TEST(FormLayout, CentringOnTheVirtualDesktopIsNeverNegative)
{
    struct Case {
        QSize desktop;
        QPoint expected;
    };
    const Case cases[] = {
        {{1024, 768}, {255, 235}},
        {{1280, 1024}, {383, 363}},
        {{515, 299}, {0, 0}},
        {{300, 200}, {0, 0}},    // smaller than the window: left 0, top 0
        {{2048, 200}, {767, 0}}, // wide but low
        {{400, 1000}, {0, 351}},
        {{3840, 1080}, {1663, 391}}, // two monitors side by side
    };
    for (const Case& c : cases)
        EXPECT_EQ(didu::centredPosition(c.desktop, didu::kFormOuterSize), c.expected)
            << c.desktop.width() << "x" << c.desktop.height();

    TFormDiduRaDozori form;
    form.showCentred();
    const QSize desktop = form.screen()->virtualSize();
    EXPECT_EQ(form.frameGeometry().topLeft(), didu::centredPosition(desktop, {514, 298}));
    EXPECT_EQ(form.frameGeometry().size(), QSize(514, 298));
}

TEST(FormLayout, ScalingFollowsTheTextHeightOffTheDesignResolution)
{
    // With a font as tall as at design time nothing moves; otherwise everything
    // grows by new text height / 13, edges first.
    auto textHeight = [](int height) { return [height](int) { return height; }; };
    const didu::FormGeometry design = didu::designGeometry();

    const didu::FormScaling at96 = didu::scaleForm(96, textHeight(20));
    EXPECT_FALSE(at96.controlsScaled);
    EXPECT_EQ(at96.fontPixels, 11);
    EXPECT_EQ(at96.geometry, design);

    int askedFor = 0;
    const didu::FormScaling at120 = didu::scaleForm(120, [&](int pixels) { askedFor = pixels; return 16; });
    EXPECT_EQ(askedFor, 14); // 11 * 120 / 96 = 13.75
    EXPECT_EQ(at120.fontPixels, 14);
    EXPECT_TRUE(at120.controlsScaled);
    EXPECT_EQ(at120.geometry.panel1, QRect(12, 10, 602, 247));
    EXPECT_EQ(at120.geometry.bitBtn1, QRect(197, 276, 92, 30));
    EXPECT_EQ(at120.geometry.bitBtn2, QRect(335, 276, 92, 30));
    // Touching controls still touch.
    EXPECT_EQ(at120.geometry.image1.bottom() + 1, at120.geometry.progressBar1.top());

    const didu::FormScaling at144 = didu::scaleForm(144, textHeight(19));
    EXPECT_EQ(at144.fontPixels, 17); // 16.5 rounds up
    EXPECT_EQ(at144.geometry.panel1, QRect(15, 12, 714, 293));
    EXPECT_EQ(at144.geometry.bitBtn2, QRect(398, 327, 109, 37));

    const didu::FormScaling sameHeight = didu::scaleForm(144, textHeight(13));
    EXPECT_FALSE(sameHeight.controlsScaled);
    EXPECT_EQ(sameHeight.fontPixels, 17);
    EXPECT_EQ(sameHeight.geometry, design);
}

TEST(FormLayout, TheWindowAppliesTheScalingButKeepsItsOuterSize)
{
    for (int ppi : {120, 144}) {
        didu::FormOptions options;
        options.screenPixelsPerInch = ppi;
        TFormDiduRaDozori form(options);
        EXPECT_EQ(form.fontPixels(), didu::mulDiv(11, ppi, 96)) << ppi;
        EXPECT_EQ(form.font().pixelSize(), form.fontPixels());
        const int textHeight = QFontMetrics(form.font()).height();
        EXPECT_EQ(form.controlsScaled(), textHeight != 13);
        if (form.controlsScaled()) {
            EXPECT_EQ(form.BitBtn1()->geometry(), didu::scaleRect({160, 224, 75, 25}, textHeight, 13)) << ppi;
            EXPECT_EQ(form.Panel1()->geometry(), didu::scaleRect({10, 8, 489, 201}, textHeight, 13)) << ppi;
            // Inside the panel the bar keeps the bottom and the picture the rest.
            const QRect client = form.Panel1()->clientArea();
            EXPECT_EQ(form.ProgressBar1()->geometry().bottom(), client.bottom());
            EXPECT_EQ(form.ProgressBar1()->height(), didu::scaleRect({2, 174, 485, 25}, textHeight, 13).height());
            EXPECT_EQ(form.Image1()->geometry().top(), client.top());
            EXPECT_EQ(form.Image1()->geometry().bottom() + 1, form.ProgressBar1()->geometry().top());
        }
        form.showCentred();
        EXPECT_EQ(form.frameGeometry().size(), QSize(514, 298)) << ppi;
    }
}

} // namespace

namespace {

TEST(FormLayout, APictureThatCannotBeDecodedIsReportedOnceAfterDrawing)
{
    QStringList shown;
    didu::setModalDialogHook([&](QDialog& dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog))
            shown << box->text();
        dialog.accept();
    });
    didu::Image image;
    image.resize(485, 172);
    image.setPicture(didu::JpegPicture(QByteArray("not a JPEG file")), didu::PictureDepth::TrueColour);
    image.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&image));
    for (int i = 0; i < 3; ++i) {
        image.repaint();
        QTest::qWait(20);
    }
    didu::setModalDialogHook({});
    EXPECT_EQ(shown, QStringList{QStringLiteral("JPEG error #%1.").arg(JERR_NO_SOI)});
    EXPECT_EQ(image.decodeError(), "JPEG error #" + std::to_string(JERR_NO_SOI));
    EXPECT_TRUE(image.decoded().isNull());
}

} // namespace
