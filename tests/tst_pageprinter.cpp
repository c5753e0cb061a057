// The printing scheme: page fonts, the stretch onto the printable area, and the PDF that
// stands in for paper when no printer is installed.

#include "output/PagePrinter.h"
#include "output/PrintQueues.h"
#include "support/ModuleLoader.h"

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

class TestPagePrinter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // No printer: the CUPS server is a socket that does not exist.
        QVERIFY(Home_.isValid());
        qputenv("HOME", QFile::encodeName(Home_.path()));
        qputenv("CUPS_SERVER", QFile::encodeName(Home_.filePath(QStringLiteral("no-cups.sock"))));
    }

    void pageFontSizes_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("pixels");
        QTest::newRow("10") << 10 << 13;
        QTest::newRow("12") << 12 << 16;
        QTest::newRow("28") << 28 << 37;
        QTest::newRow("32") << 32 << 43;
        QTest::newRow("52") << 52 << 69;
    }
    void pageFontSizes()
    {
        QFETCH(int, points);
        QFETCH(int, pixels);
        QCOMPARE(PageFont(QStringLiteral("Arial"), points).pixelSize(), pixels);
    }

    void pageImageIsWhiteAt96Dpi()
    {
        const QImage image = RenderPageImage([](QPainter &p) { p.fillRect(0, 3300, 2400, 100, Qt::black); });
        QCOMPARE(image.size(), QSize(2400, 3350));
        QCOMPARE(qRound(image.dotsPerMeterX() * 0.0254), 96);
        QCOMPARE(image.pixel(10, 10), qRgb(255, 255, 255));
        QCOMPARE(image.pixel(10, 3349), qRgb(0, 0, 0));
    }

    // The page fills the target in both directions, proportions not kept, and nothing drawn
    // outside the page reaches the device.
    void stretchFillsTheTarget()
    {
        QImage device(300, 200, QImage::Format_RGB32);
        device.fill(Qt::white);
        QPainter painter(&device);
        StretchPageToRect(painter, QRect(100, 0, 100, 200));
        painter.fillRect(1200, 0, 1200, 3350, Qt::black); // right half of the page
        painter.fillRect(2400, 0, 1000, 3350, Qt::red);   // beside the page
        painter.end();
        QCOMPARE(device.pixel(125, 100), qRgb(255, 255, 255));
        QCOMPARE(device.pixel(175, 5), qRgb(0, 0, 0));
        QCOMPARE(device.pixel(175, 195), qRgb(0, 0, 0));
        QCOMPARE(device.pixel(250, 100), qRgb(255, 255, 255));
    }

    void withoutPrinterThePageBecomesAPdf()
    {
        const QString folder = Home_.filePath(QStringLiteral("Orvo Haushaltsbuch/Ausdrucke/"));
        const TPagePrinter printer(folder);
        const auto page = [](QPainter &p) {
            p.setFont(PageFont(QStringLiteral("Arial"), 32));
            p.drawText(300, 400, QStringLiteral("Gehalt"));
        };
        // Two months' lists in the same second: told apart by the book in the name.
        const QString job = QStringLiteral("Haushaltsbuch - Einnahmen");
        const PrintResult first = printer.PrintPageImage(page, job, job + QStringLiteral(" März 2008"));
        const PrintResult second = printer.PrintPageImage(page, job, job + QStringLiteral(" April 2008"));
        const PrintResult third = printer.PrintPageImage(page, job);
        const PrintResult fourth = printer.PrintPageImage(page, job);
        QVERIFY(fourth.File != third.File);
        QCOMPARE(first.Kind, PrintResult::Outcome::SavedAsPdf);
        QCOMPARE(second.Kind, PrintResult::Outcome::SavedAsPdf);
        QCOMPARE(third.Kind, PrintResult::Outcome::SavedAsPdf);
        QVERIFY(QFileInfo(first.File).fileName().startsWith(job + QStringLiteral(" März 2008 20")));
        QVERIFY(QFileInfo(second.File).fileName().startsWith(job + QStringLiteral(" April 2008 20")));
        QVERIFY(QFileInfo(third.File).fileName().startsWith(job + QStringLiteral(" 20")));
        for (const PrintResult &result : {first, second, third}) {
            QVERIFY(result.Message.contains(result.File));
            QFile pdf(result.File);
            QVERIFY(pdf.open(QIODevice::ReadOnly));
            QVERIFY(pdf.read(5) == "%PDF-");
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 4);
    }

    void unwritableFallbackFolderIsReported()
    {
        const QString blocked = Home_.filePath(QStringLiteral("blocked"));
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const PrintResult result =
            TPagePrinter(blocked + QStringLiteral("/Ausdrucke/")).PrintPageImage([](QPainter &) {}, QStringLiteral("Test/Job"));
        QCOMPARE(result.Kind, PrintResult::Outcome::Failed);
        QVERIFY(result.Message.contains(QStringLiteral("konnte nicht gespeichert werden")));
        QVERIFY(result.Message.contains(QStringLiteral("Test-Job")));
    }

    // The printing system comes from a module loaded on the first print: found beside the
    // programs, and a module that is missing or broken is a reason, not a crash.
    void printModuleLoadsOrGivesAReason()
    {
        QString error;
        const auto queues = ModuleLoader::Create<PrintQueues>(QString::fromLatin1(PrintModule), PrintQueuesEntry, error);
        QVERIFY2(queues, qPrintable(error));
        QCOMPARE(queues->DefaultPrinter(), QString()); // no CUPS server here

        const QString empty = Home_.filePath(QStringLiteral("no-modules"));
        QVERIFY(QDir().mkpath(empty));
        QVERIFY(!ModuleLoader::Resolve({empty}, QString::fromLatin1(PrintModule), PrintQueuesEntry, error));
        QVERIFY2(error.contains(QStringLiteral("libqel_print.so\" wurde nicht gefunden")), qPrintable(error));

        const QString broken = Home_.filePath(QStringLiteral("broken-modules"));
        QVERIFY(QDir().mkpath(broken));
        QFile file(broken + QStringLiteral("/libqel_print.so"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("kein Programmteil");
        file.close();
        QVERIFY(!ModuleLoader::Resolve({empty, broken}, QString::fromLatin1(PrintModule), PrintQueuesEntry, error));
        QVERIFY2(error.contains(QStringLiteral("konnte nicht geladen werden")), qPrintable(error));
    }

private:
    QTemporaryDir Home_;
};

QTEST_MAIN(TestPagePrinter)
#include "tst_pageprinter.moc"
