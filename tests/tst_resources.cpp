#include "ledger/QelError.h"
#include "support/Banner.h"
#include "support/JpegDecoder.h"
#include "support/ResourceImages.h"
#include "support/WarningSound.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QByteArray ResourceBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint32 Le32(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

quint16 Le16(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

// Offset of the frame header (SOFn marker) of a JPEG stream, or -1.
qsizetype FrameHeader(const QByteArray &jpeg)
{
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && uchar(jpeg[at]) == 0xFF) {
        const auto marker = uchar(jpeg[at + 1]);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return at;
        at += 2 + qFromBigEndian<quint16>(jpeg.constData() + at + 2);
    }
    return -1;
}

QByteArray WithFrameSize(QByteArray jpeg, quint16 width, quint16 height)
{
    const qsizetype sof = FrameHeader(jpeg);
    if (sof < 0)
        return {};
    qToBigEndian(height, jpeg.data() + sof + 5);
    qToBigEndian(width, jpeg.data() + sof + 7);
    return jpeg;
}

QByteArray QtJpeg(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 100);
    return bytes;
}

int MaxChannelDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return worst;
}

const QStringList CornerPictures = {
    u"BITMAP_POINT"_s,     u"LISTBMP_INC"_s,      u"LISTBMP_OUT"_s,      u"CALCBTN_NORM"_s,
    u"CALCBTN_RED"_s,      u"CALCBTN_BLUE"_s,     u"CALCBTN_YELLOW"_s,   u"CALCBTN_MOVE"_s,
    u"CALCBTN_DOWN"_s,     u"CALC_DISPLAY"_s,     u"BTNPIC_HELP"_s,      u"BTNPIC_NAVIGATOR"_s,
    u"BTNPIC_DAYPICKER"_s, u"BTNPIC_FOLDER"_s,    u"BTNPIC_RADIO_INC"_s, u"BTNPIC_RADIO_OUT"_s};

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyResourceHasItsSize_data();
    void everyResourceHasItsSize();
    void noResourceIsMissingFromTheTable();
    void promptSoundIsShortPcm();
    void decoderRefusesBadInput_data();
    void decoderRefusesBadInput();
    void decoderMatchesReference_data();
    void decoderMatchesReference();
    void bandsAreExactGradients_data();
    void bandsAreExactGradients();
    void navigatorStripsFadeToWhite_data();
    void navigatorStripsFadeToWhite();
    void cornerColourBecomesTransparent_data();
    void cornerColourBecomesTransparent();
    void onlyTheExactCornerColourIsMasked();
    void greyImage_data();
    void greyImage();
    void missingPicturesThrow();
    void bannerFillsLabel_data();
    void bannerFillsLabel();
    void warningSoundWithoutDevice();

private:
    std::unique_ptr<QTemporaryDir> Home;
};

void TestResources::initTestCase()
{
    // The sound system may keep files under the home folder; give it a throwaway one.
    Home = std::make_unique<QTemporaryDir>();
    QVERIFY(Home->isValid());
    qputenv("HOME", QFile::encodeName(Home->path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(Home->filePath(u"config"_s)));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(Home->path()));
}

void TestResources::everyResourceHasItsSize_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    const auto row = [](const QString &path, int w, int h) { QTest::newRow(qPrintable(path)) << path << QSize(w, h); };
    for (const auto *name : {"BANINC_NEW", "BANINC_EDIT", "BANEXP_NEW", "BANEXP_EDIT", "BANREG_NEW", "BANREG_EDIT"})
        row(u":/jpg/"_s + QLatin1StringView(name) + u".jpg"_s, 274, 40);
    row(u":/jpg/BANBOOK_NEW.jpg"_s, 274, 60);
    row(u":/jpg/BAN_BACKUP.jpg"_s, 394, 40);
    row(u":/jpg/BAN_INFO.jpg"_s, 399, 80);
    for (const auto *name : {"BITMAP_POINT", "LISTBMP_INC", "LISTBMP_OUT"})
        row(u":/bitmap/"_s + QLatin1StringView(name) + u".bmp"_s, 10, 10);
    for (const auto *name : {"CALCULATE_BLUE", "CALCULATE_YELLOW", "CALCULATE_GREEN", "CALCULATE_RED"})
        row(u":/bitmap/"_s + QLatin1StringView(name) + u".bmp"_s, 250, 18);
    row(u":/bitmap/NAVIGATOR_INC.bmp"_s, 280, 18);
    row(u":/bitmap/NAVIGATOR_OUT.bmp"_s, 280, 18);
    for (const auto *name : {"CALCBTN_NORM", "CALCBTN_RED", "CALCBTN_BLUE", "CALCBTN_YELLOW", "CALCBTN_MOVE", "CALCBTN_DOWN"})
        row(u":/bitmap/"_s + QLatin1StringView(name) + u".bmp"_s, 32, 32);
    row(u":/bitmap/CALC_DISPLAY.bmp"_s, 184, 29);
    row(u":/bitmap/CALC_DESK.bmp"_s, 200, 200);
    for (const auto *name : {"CALCPIC_DIV", "CALCPIC_MUL", "CALCPIC_SUB", "CALCPIC_ADD", "CALCPIC_COMMA", "CALCPIC_EQUALS",
                             "CALCPIC_CLEAR", "CALCPIC_MEMCOPY", "CALCPIC_MEMINSERT", "CALCPIC_CLOSE"})
        row(u":/bitmap/"_s + QLatin1StringView(name) + u".bmp"_s, 24, 24);
    for (const auto *name : {"BTNPIC_HELP", "BTNPIC_NAVIGATOR", "BTNPIC_DAYPICKER", "BTNPIC_FOLDER", "BTNPIC_RADIO_INC",
                             "BTNPIC_RADIO_OUT", "BTNPIC_PAGE"})
        row(u":/bitmap/"_s + QLatin1StringView(name) + u".bmp"_s, 16, 16);
}

void TestResources::everyResourceHasItsSize()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QByteArray bytes = ResourceBytes(path);
    QVERIFY2(!bytes.isEmpty(), qPrintable(path));
    const QString name = QFileInfo(path).completeBaseName();
    if (path.endsWith(u".jpg"_s)) {
        // A colour JPEG: three components in the frame header.
        const qsizetype sof = FrameHeader(bytes);
        QVERIFY(sof > 0);
        QCOMPARE(int(uchar(bytes[sof + 9])), 3);
        QString error;
        const QImage image = DecodeJpeg(bytes, &error);
        QVERIFY2(!image.isNull(), qPrintable(error));
        QCOMPARE(image.format(), QImage::Format_RGB888);
        QCOMPARE(image.size(), size);
    } else {
        // Stored with 24 bits per pixel, as the painting code expects.
        QVERIFY(bytes.startsWith("BM"));
        QCOMPARE(Le16(bytes, 28), quint16(24));
        QCOMPARE(int(Le32(bytes, 18)), size.width());
        QCOMPARE(std::abs(int(Le32(bytes, 22))), size.height());
        const QImage image = ResourceBitmap(name);
        QCOMPARE(image.format(), QImage::Format_RGB888);
        QCOMPARE(image.size(), size);
    }
}

void TestResources::noResourceIsMissingFromTheTable()
{
    // The banners of one dialog must differ: a NEW and an EDIT picture drawn alike would pass
    // the size check above.
    for (const auto *kind : {"BANINC", "BANEXP", "BANREG"}) {
        const QString stem = u":/jpg/"_s + QLatin1StringView(kind);
        QVERIFY(ResourceBytes(stem + u"_NEW.jpg"_s) != ResourceBytes(stem + u"_EDIT.jpg"_s));
    }
    QCOMPARE(QDir(u":/jpg"_s).entryList().size(), 9);
    QCOMPARE(QDir(u":/bitmap"_s).entryList().size(), 34);
    QCOMPARE(QDir(u":/wave"_s).entryList(), QStringList{u"WAVE_01.wav"_s});
}

void TestResources::promptSoundIsShortPcm()
{
    const QByteArray wav = ResourceBytes(u":/wave/WAVE_01.wav"_s);
    QVERIFY(wav.size() > 44);
    QCOMPARE(wav.left(4), QByteArray("RIFF"));
    QCOMPARE(qsizetype(Le32(wav, 4)), wav.size() - 8);
    QCOMPARE(wav.mid(8, 8), QByteArray("WAVEfmt "));
    QCOMPARE(Le32(wav, 16), 16u);
    QCOMPARE(Le16(wav, 20), quint16(1));     // PCM
    QCOMPARE(Le16(wav, 22), quint16(1));     // mono
    QCOMPARE(Le32(wav, 24), 22050u);
    QCOMPARE(Le32(wav, 28), 44100u);
    QCOMPARE(Le16(wav, 32), quint16(2));
    QCOMPARE(Le16(wav, 34), quint16(16));
    QCOMPARE(wav.mid(36, 4), QByteArray("data"));
    const qsizetype dataBytes = Le32(wav, 40);
    QCOMPARE(dataBytes, wav.size() - 44);

    const qsizetype samples = dataBytes / 2;
    QVERIFY(samples > 22050 / 5 && samples < 22050 * 3 / 10);
    int peak = 0;
    for (qsizetype i = 0; i < samples; ++i)
        peak = std::max(peak, std::abs(int(qint16(Le16(wav, 44 + 2 * i)))));
    // Audible but soft, and it starts and ends near silence so that it does not click.
    QVERIFY2(peak > 6000 && peak < 30000, qPrintable(QString::number(peak)));
    QVERIFY(std::abs(int(qint16(Le16(wav, 44)))) < 500);
    QVERIFY(std::abs(int(qint16(Le16(wav, wav.size() - 2)))) < 500);
}

void TestResources::decoderRefusesBadInput_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("reason");
    const QByteArray banner = ResourceBytes(u":/jpg/BANINC_NEW.jpg"_s);
    QVERIFY(FrameHeader(banner) > 0);
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("garbage") << QByteArray(500, 'x') << QString();
    QTest::newRow("start marker only") << QByteArray("\xFF\xD8", 2) << QString();
    QTest::newRow("start and end only") << QByteArray("\xFF\xD8\xFF\xD9", 4) << QString();
    QTest::newRow("header only") << banner.left(FrameHeader(banner) + 19) << QString();
    QTest::newRow("cut in half") << banner.left(banner.size() / 2) << QString();
    QTest::newRow("end marker missing") << banner.left(banner.size() - 2) << QString();
    QTest::newRow("bytes after the header scrambled")
        << banner.left(banner.size() / 2) + QByteArray(banner.size() / 2, '\x5A') << QString();
    QTest::newRow("zero width") << WithFrameSize(banner, 0, 40) << QString();
    QTest::newRow("side over the limit") << WithFrameSize(banner, 20000, 40) << u"zu groß"_s;
    QTest::newRow("too many pixels") << WithFrameSize(banner, 16000, 16000) << u"zu groß"_s;
}

void TestResources::decoderRefusesBadInput()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, reason);
    QString error;
    const QImage image = DecodeJpeg(data, &error);
    QVERIFY(image.isNull());
    QVERIFY(!error.isEmpty());
    QVERIFY2(error.contains(reason), qPrintable(error));
    QVERIFY(DecodeJpeg(data).isNull());
}

void TestResources::decoderMatchesReference_data()
{
    QTest::addColumn<QImage>("source");
    // Odd widths make the rows of a 24-bit image padded, which a decoder writing whole rows
    // into the wrong stride would garble.
    QImage colour(37, 23, QImage::Format_RGB32);
    for (int y = 0; y < colour.height(); ++y)
        for (int x = 0; x < colour.width(); ++x)
            colour.setPixel(x, y, qRgb(x * 7, y * 11, (x + y) % 2 ? 200 : 40));
    QTest::newRow("colour 37x23") << colour;
    QTest::newRow("grey 37x23") << colour.convertToFormat(QImage::Format_Grayscale8);
    QTest::newRow("one pixel") << colour.copy(3, 3, 1, 1);
}

void TestResources::decoderMatchesReference()
{
    QFETCH(QImage, source);
    const QByteArray jpeg = QtJpeg(source);
    QImage reference;
    QVERIFY(reference.loadFromData(jpeg, "JPG"));
    const QImage decoded = DecodeJpeg(jpeg);
    QCOMPARE(decoded.format(), QImage::Format_RGB888);
    QCOMPARE(decoded.size(), source.size());
    QVERIFY(MaxChannelDifference(decoded, reference) <= 3);
    if (source.format() == QImage::Format_Grayscale8) {
        for (int y = 0; y < decoded.height(); ++y)
            for (int x = 0; x < decoded.width(); ++x) {
                const QRgb p = decoded.pixel(x, y);
                QVERIFY(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
            }
    }
}

void TestResources::bandsAreExactGradients_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("left");
    QTest::addColumn<QColor>("right");
    QTest::newRow("blue") << u"CALCULATE_BLUE"_s << QColor(0x30, 0x48, 0x87) << QColor(0xB5, 0xBD, 0xD4);
    QTest::newRow("yellow") << u"CALCULATE_YELLOW"_s << QColor(0x7A, 0x67, 0x25) << QColor(0xCE, 0xC7, 0xAF);
    QTest::newRow("green") << u"CALCULATE_GREEN"_s << QColor(0x30, 0x6D, 0x44) << QColor(0xB3, 0xCA, 0xBB);
    QTest::newRow("red") << u"CALCULATE_RED"_s << QColor(0x8C, 0x37, 0x37) << QColor(0xD8, 0xBB, 0xBB);
}

void TestResources::bandsAreExactGradients()
{
    QFETCH(QString, name);
    QFETCH(QColor, left);
    QFETCH(QColor, right);
    const QImage band = ResourceBitmap(name);
    QCOMPARE(band.pixelColor(0, 0), left);
    QCOMPARE(band.pixelColor(249, 0), right);
    const auto channel = [](int from, int to, int x) { return int(std::lround(from + (to - from) * x / 249.0)); };
    for (int x = 0; x < band.width(); ++x) {
        const QColor expected(channel(left.red(), right.red(), x), channel(left.green(), right.green(), x),
                              channel(left.blue(), right.blue(), x));
        for (int y = 0; y < band.height(); ++y) {
            if (band.pixelColor(x, y) != expected)
                QFAIL(qPrintable(u"column %1, row %2"_s.arg(x).arg(y)));
        }
    }
}

void TestResources::navigatorStripsFadeToWhite_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("green");
    QTest::newRow("income") << u"NAVIGATOR_INC"_s << true;
    QTest::newRow("expense") << u"NAVIGATOR_OUT"_s << false;
}

void TestResources::navigatorStripsFadeToWhite()
{
    QFETCH(QString, name);
    QFETCH(bool, green);
    const QImage strip = ResourceBitmap(name);
    for (int y = 0; y < strip.height(); ++y)
        QCOMPARE(strip.pixelColor(279, y), QColor(Qt::white));
    // Right of the arrow, where the heading is written in white, the strip is dark and of its hue.
    const QColor dark = strip.pixelColor(30, 9);
    QVERIFY(dark.lightness() < 100);
    QVERIFY(green ? dark.green() > dark.red() : dark.red() > dark.green());
}

void TestResources::cornerColourBecomesTransparent_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : CornerPictures)
        QTest::newRow(qPrintable(name)) << name;
}

void TestResources::cornerColourBecomesTransparent()
{
    QFETCH(QString, name);
    const QImage image = ResourceBitmap(name);
    const int w = image.width();
    const int h = image.height();
    // All four corners lie outside the drawn shape; the middle is part of it.
    const QRgb corner = image.pixel(0, 0);
    QCOMPARE(image.pixel(w - 1, 0), corner);
    QCOMPARE(image.pixel(0, h - 1), corner);
    QCOMPARE(image.pixel(w - 1, h - 1), corner);
    QVERIFY(image.pixel(w / 2, h / 2) != corner);

    const QImage shown = TransparentCornerPixmap(image).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(shown.size(), image.size());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool key = image.pixel(x, y) == corner;
            const QRgb p = shown.pixel(x, y);
            if (qAlpha(p) != (key ? 0 : 255))
                QFAIL(qPrintable(u"pixel %1,%2"_s.arg(x).arg(y)));
            if (!key && (p & 0xFFFFFF) != (image.pixel(x, y) & 0xFFFFFF))
                QFAIL(qPrintable(u"colour of pixel %1,%2"_s.arg(x).arg(y)));
        }
    }
}

void TestResources::onlyTheExactCornerColourIsMasked()
{
    QImage image(3, 1, QImage::Format_RGB888);
    image.setPixel(0, 0, qRgb(10, 20, 30));
    image.setPixel(1, 0, qRgb(10, 20, 31));
    image.setPixel(2, 0, qRgb(10, 20, 30));
    const QImage shown = TransparentCornerPixmap(image).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(qAlpha(shown.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(shown.pixel(1, 0)), 255);
    QCOMPARE(qAlpha(shown.pixel(2, 0)), 0);
    QVERIFY(TransparentCornerPixmap(QImage()).isNull());
}

void TestResources::greyImage_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<int>("grey");
    QTest::newRow("white") << QColor(255, 255, 255) << 255;
    QTest::newRow("black") << QColor(0, 0, 0) << 0;
    QTest::newRow("red") << QColor(255, 0, 0) << 76;
    QTest::newRow("green") << QColor(0, 255, 0) << 150;
    QTest::newRow("blue") << QColor(0, 0, 255) << 27;
    QTest::newRow("magenta key") << QColor(255, 0, 255) << 104;
    QTest::newRow("mixed") << QColor(10, 20, 30) << 18;
}

void TestResources::greyImage()
{
    QFETCH(QColor, colour);
    QFETCH(int, grey);
    // A 32-bit source with an odd width: conversion and row padding both matter.
    QImage image(5, 2, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    image.setPixelColor(3, 1, colour);
    const QImage result = GreyImage(image);
    QCOMPARE(result.format(), QImage::Format_RGB888);
    QCOMPARE(result.size(), image.size());
    QCOMPARE(result.pixelColor(3, 1), QColor(grey, grey, grey));
    const int cyan = (77 * 0 + 151 * 128 + 28 * 128) >> 8;
    QCOMPARE(result.pixelColor(4, 1), QColor(cyan, cyan, cyan));
}

void TestResources::missingPicturesThrow()
{
    QVERIFY_THROWS_EXCEPTION(QelError, ResourceBitmap(u"NO_SUCH_BITMAP"_s));
    QLabel label;
    try {
        LoadBanner(&label, u"BAN_NOWHERE"_s);
        QFAIL("no error for a missing banner");
    } catch (const QelError &error) {
        QVERIFY(error.Message().contains(u"BAN_NOWHERE"_s));
    }
    QVERIFY(label.pixmap().isNull());
}

void TestResources::bannerFillsLabel_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("labelSize");
    QTest::newRow("own size") << u"BANINC_NEW"_s << QSize(274, 40);
    QTest::newRow("backup, own size") << u"BAN_BACKUP"_s << QSize(394, 40);
    QTest::newRow("stretched") << u"BANBOOK_NEW"_s << QSize(400, 90);
}

void TestResources::bannerFillsLabel()
{
    QFETCH(QString, name);
    QFETCH(QSize, labelSize);
    QLabel label;
    label.resize(labelSize);
    LoadBanner(&label, name);
    const QImage picture = DecodeJpeg(ResourceBytes(u":/jpg/"_s + name + u".jpg"_s));
    QCOMPARE(label.pixmap().size(), picture.size());
    if (labelSize == picture.size())
        QCOMPARE(label.pixmap().size(), label.size());

    // What the label shows is the whole picture stretched over the whole label.
    const QImage shown = label.grab().toImage();
    QCOMPARE(shown.size(), labelSize);
    const QImage expected = picture.scaled(labelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QVERIFY(MaxChannelDifference(shown, expected) <= 2);

    DropBanner(&label);
    QVERIFY(label.pixmap().isNull());
    LoadBanner(&label, name);
    QVERIFY(!label.pixmap().isNull());
}

void TestResources::warningSoundWithoutDevice()
{
    // Tests run without a sound device: Play must return and leave nothing to go wrong later.
    auto *owner = new QObject;
    auto *sound = new WarningSound(owner);
    sound->Play();
    sound->Play();
    QCoreApplication::processEvents();
    delete owner;
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
