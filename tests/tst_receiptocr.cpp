// Photos of receipts through the real text recogniser: a receipt drawn on grey paper, turned a
// little and shaded, must give its total, date and seller.

#include "documents/DocumentReader.h"
#include "documents/ocr/TesseractRecognizer.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray Photo(const QStringList &lines, qreal angle, const char *format)
{
    QImage paper(900, 60 * int(lines.size()) + 200, QImage::Format_RGB32);
    // Light from one side: the paper darkens towards the other.
    QPainter painter(&paper);
    QLinearGradient shade(0, 0, paper.width(), 0);
    shade.setColorAt(0, QColor(235, 232, 225));
    shade.setColorAt(1, QColor(215, 212, 205));
    painter.fillRect(paper.rect(), shade);
    painter.translate(paper.width() / 2.0, paper.height() / 2.0);
    painter.rotate(angle);
    painter.translate(-paper.width() / 2.0, -paper.height() / 2.0);
    QFont font(u"DejaVu Sans Mono"_s);
    font.setPixelSize(34);
    painter.setFont(font);
    painter.setPen(QColor(40, 40, 40));
    for (qsizetype i = 0; i < lines.size(); ++i)
        painter.drawText(60, 120 + 60 * int(i), lines.at(i));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    paper.save(&buffer, format, 90);
    return bytes;
}

} // namespace

class TestReceiptOcr : public QObject
{
    Q_OBJECT

private slots:
    void readsAPhotographedReceipt_data();
    void readsAPhotographedReceipt();
    void refusesWhatIsNoPicture();
};

void TestReceiptOcr::readsAPhotographedReceipt_data()
{
    QTest::addColumn<QByteArray>("photo");
    const QStringList receipt{u"BÄCKEREI SONNENSCHEIN"_s, u"Hauptstraße 5"_s, u"12345 Musterstadt"_s,
                              u"Roggenbrot        3,40"_s, u"Brezel            0,95"_s, u"Kaffee            2,80"_s,
                              u"SUMME EUR         7,15"_s, u"Bar              10,00"_s, u"Rückgeld          2,85"_s,
                              u"MwSt 7%  Netto 6,68  MwSt 0,47"_s, u"14.02.2025  08:15"_s};
    QTest::newRow("straight, PNG") << Photo(receipt, 0, "PNG");
    QTest::newRow("turned, JPEG") << Photo(receipt, 1.5, "JPEG");
}

void TestReceiptOcr::readsAPhotographedReceipt()
{
    QFETCH(QByteArray, photo);
    const TesseractRecognizer recognizer;
    DocumentReader reader(nullptr, &recognizer);
    reader.SetKnownSellers({u"Bäckerei Sonnenschein"_s});
    reader.SetToday(QDate(2025, 12, 31));
    const DocumentRead read = reader.Read(photo);
    QVERIFY2(read.Proposal, qPrintable(read.Error));
    QCOMPARE(read.Proposal->Source, DocumentSource::TextRecognition);
    QCOMPARE(read.Proposal->AmountCents, 715);
    QCOMPARE(read.Proposal->Date, QDate(2025, 2, 14));
    QCOMPARE(read.Proposal->Seller, u"Bäckerei Sonnenschein"_s);
    QVERIFY2(read.Proposal->Sure(), qPrintable(read.Proposal->Doubts.join(u' ')));
}

void TestReceiptOcr::refusesWhatIsNoPicture()
{
    const TesseractRecognizer recognizer;
    const DocumentReader reader(nullptr, &recognizer);
    const DocumentRead cut = reader.Read(QByteArray("\xFF\xD8\xFF\xE0 not much more"));
    QVERIFY(!cut.Proposal);
    QVERIFY2(cut.Error.contains(u"beschädigt"_s), qPrintable(cut.Error));
}

QTEST_MAIN(TestReceiptOcr)
#include "tst_receiptocr.moc"
