#include "app/jpegpicture.h"
#include "platform/errors.h"

#include <QFile>
#include <QSet>

#include <cstdio>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <jerror.h>

namespace {

QByteArray storedPicture()
{
    QFile file(QStringLiteral(":/didu/image1.bin"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

std::string decodeError(const QByteArray& jpeg)
{
    try {
        didu::JpegPicture(jpeg).decode(didu::PictureDepth::TrueColour);
    } catch (const didu::Error& error) {
        return error.what();
    }
    return "decoded";
}

TEST(JpegPicture, StoredValueHasHandlerNameCountAndABaselinePictureWithSubsampledChroma)
{
    const QByteArray stored = storedPicture();
    ASSERT_GT(stored.size(), 15);
    EXPECT_EQ(stored[0], char(10));
    EXPECT_EQ(stored.mid(1, 10), QByteArray("TJPEGImage"));
    const didu::JpegPicture picture = didu::JpegPicture::fromStoredValue(stored);
    EXPECT_EQ(picture.jpeg().size() + 15, stored.size());
    EXPECT_TRUE(picture.jpeg().startsWith("\xff\xd8"));
    EXPECT_TRUE(picture.jpeg().endsWith("\xff\xd9"));
    EXPECT_EQ(picture.jpeg().mid(6, 5), QByteArray("JFIF\0", 5));

    // Start of frame, baseline: precision 8, 112 lines, 150 columns, three
    // components, the first sampled 2 x 2 and the chroma ones 1 x 1.
    const qsizetype sof = picture.jpeg().indexOf("\xff\xc0");
    ASSERT_GT(sof, 0);
    const QByteArray frame = picture.jpeg().mid(sof + 4, 15);
    EXPECT_EQ(frame[0], char(8));
    EXPECT_EQ((uchar(frame[1]) << 8) | uchar(frame[2]), 112);
    EXPECT_EQ((uchar(frame[3]) << 8) | uchar(frame[4]), 150);
    EXPECT_EQ(frame[5], char(3));
    EXPECT_EQ(uchar(frame[7]), 0x22);
    EXPECT_EQ(uchar(frame[10]), 0x11);
    EXPECT_EQ(uchar(frame[13]), 0x11);

    EXPECT_EQ(picture.storedValue(), stored);
}

TEST(JpegPicture, MalformedStoredValuesAreRefused)
{
    const QByteArray stored = storedPicture();
    QByteArray wrongName = stored;
    wrongName[1] = 'X';
    QByteArray shortCount = stored.left(stored.size() - 1);
    for (const QByteArray& bad : {QByteArray(), QByteArray("\x0aTJPEG"), wrongName, shortCount}) {
        try {
            didu::JpegPicture::fromStoredValue(bad);
            ADD_FAILURE() << "accepted " << bad.size() << " bytes";
        } catch (const didu::Error& error) {
            EXPECT_STREQ(error.what(), "Invalid stored picture");
        }
    }
}

TEST(JpegPicture, DecodesAtFullSizeIn24BitColour)
{
    const QImage image = didu::JpegPicture::fromStoredValue(storedPicture()).decode(didu::PictureDepth::TrueColour);
    EXPECT_EQ(image.size(), QSize(150, 112));
    EXPECT_EQ(image.format(), QImage::Format_RGB888);
    // The keys are light on a dark ground: both kinds of pixel are present.
    int light = 0, dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            (qGray(image.pixel(x, y)) > 150 ? light : dark)++;
    EXPECT_GT(light, 2000);
    EXPECT_GT(dark, 2000);
}

TEST(JpegPicture, OnAPaletteDisplayDecodesTo236ColoursAtMost)
{
    const didu::JpegPicture picture = didu::JpegPicture::fromStoredValue(storedPicture());
    const QImage image = picture.decode(didu::PictureDepth::Palette236);
    EXPECT_EQ(image.size(), QSize(150, 112));
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_LE(image.colorCount(), 236);
    EXPECT_GT(image.colorCount(), 16);
    QSet<int> used;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            used.insert(image.pixelIndex(x, y));
    EXPECT_LE(used.size(), image.colorCount());
    // Close to the true-colour picture on average.
    const QImage full = picture.decode(didu::PictureDepth::TrueColour);
    double difference = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            difference += std::abs(qGray(image.pixel(x, y)) - qGray(full.pixel(x, y)));
    EXPECT_LT(difference / (150 * 112), 12.0);

    EXPECT_EQ(didu::pictureDepthFor(8), didu::PictureDepth::Palette236);
    EXPECT_EQ(didu::pictureDepthFor(4), didu::PictureDepth::Palette236);
    EXPECT_EQ(didu::pictureDepthFor(16), didu::PictureDepth::TrueColour);
    EXPECT_EQ(didu::pictureDepthFor(24), didu::PictureDepth::TrueColour);
}

TEST(JpegPicture, UndecodablePicturesGiveLibjpegsMessageNumber)
{
    const QByteArray jpeg = didu::JpegPicture::fromStoredValue(storedPicture()).jpeg();
    EXPECT_EQ(decodeError(QByteArray()), "JPEG error #" + std::to_string(JERR_INPUT_EMPTY));
    EXPECT_EQ(decodeError("GIF89a, not a JPEG file"), "JPEG error #" + std::to_string(JERR_NO_SOI));
    // A frame header claiming 0 columns.
    QByteArray zeroWidth = jpeg;
    const qsizetype sof = zeroWidth.indexOf("\xff\xc0");
    zeroWidth[sof + 7] = 0;
    zeroWidth[sof + 8] = 0;
    EXPECT_EQ(decodeError(zeroWidth), "JPEG error #" + std::to_string(JERR_EMPTY_IMAGE));
    // A truncated file is only a warning: what is there is drawn.
    EXPECT_EQ(decodeError(jpeg.left(jpeg.size() / 2)), "decoded");
}

} // namespace
