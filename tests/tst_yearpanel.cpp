// The year overview and the search through the real main window: the page shown with Alt+J
// from the open book as it stands and the other books as saved, dragged, exported, printed
// through the dialog's third box; the search walked by keyboard from Ctrl+F to the booking.

#include "MainWindowFixture.h"
#include "MessageBoxAnswerer.h"
#include "PageCheck.h"

#include "analysis/AnalysisPageImage.h"
#include "analysis/YearPage.h"
#include "analysis/YearSums.h"
#include "app/QELListView.h"
#include "controls/Fonts.h"
#include "controls/OrvoSkinCheckBox.h"
#include "ledger/ListFiles.h"
#include "output/ExportEXCEL.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPainter>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>

using namespace Qt::StringLiterals;

class TestYearPanel : public QObject, protected MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterFontSubstitutions(); }
    void init();
    void cleanup() { TearDown(); }
    void yearPageFromTheKeys();
    void exportWritesTheTable();
    void printedThroughTheThirdBox();
    void printsThroughCups();
    void exportReadByCalc();
    void searchWalkedByKeyboard();
    void searchSeesEverySave();

private:
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::AltModifier);
    // What the year should show: January as saved, March as it stands in memory.
    YearOverview Expected() const;
    // Exports the shown year through the save dialog into the home folder as name.xls.
    void ExportTo(const QString &name);
    TAnalysisPageImage *YearImage() const { return Child<TAnalysisPageImage>("ImageAnalyseYear"); }
    QLineEdit *Field() const { return Child<QLineEdit>("EditSearch"); }
    TQELListView *Hits() const { return Child<TQELListView>("ListViewSearch"); }

    BookingList JanuaryIncome{ListKind::Income};
    BookingList JanuaryExpend{ListKind::Expend};
};

void TestYearPanel::init()
{
    SetUp();
    qputenv("CUPS_SERVER", QFile::encodeName(Home->filePath(u"no-cups.sock"_s)));
    QVERIFY(StartWindow());

    Books->AddBooking(Books->Regular(), ListRow::Make(u"07."_s, {u"1000.00"_s, u"Gehalt"_s, u"Lohn"_s, u"Einnahme"_s}));
    Books->CreateBook(u"Januar 2008"_s, QDateTime(QDate(2008, 1, 1), QTime(12, 0)));
    Books->AddBooking(Books->Expend(), ListRow::Make(u"02.01.2008"_s, {u"3.20"_s, u"Haushalt"_s, u"Brötchen"_s}));
    Books->AddBooking(Books->Expend(), ListRow::Make(u"03.01.2008"_s, {u"45.10"_s, u"Auto "_s, u"Tanken"_s}));
    Books->AddBooking(Books->Expend(), ListRow::Make(u"04.01.2008"_s, {u"640.00"_s, u"Wohnen"_s, u"Miete"_s}));
    Books->SaveCurrentBook();
    JanuaryIncome = Books->Income();
    JanuaryExpend = Books->Expend();
    // March is open, with a change not saved yet.
    Books->CreateBook(u"März 2008"_s, QDateTime(QDate(2008, 3, 1), QTime(12, 0)));
    Books->AddBooking(Books->Expend(), ListRow::Make(u"05.03.2008"_s, {u"2500.00"_s, u"Urlaub"_s, u"Reise"_s}));
    Books->AddBooking(Books->Expend(), ListRow::Make(u"01.03.2008"_s, {u"3.20"_s, u"Haushalt"_s, u"Brötchen"_s}));
    Window->ShowPanel(0);
    Window->Timer1Timer();
}

void TestYearPanel::Key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QWidget *target = QApplication::activeModalWidget();
    QTest::keyClick(target ? target : Window.get(), key, modifiers);
}

YearOverview TestYearPanel::Expected() const
{
    return ComputeYearOverview(2008, {{1, &JanuaryIncome, &JanuaryExpend}, {3, &Books->Income(), &Books->Expend()}},
                               Books->Regular());
}

void TestYearPanel::yearPageFromTheKeys()
{
    Key(Qt::Key_F9);
    Key(Qt::Key_J);
    QVERIFY(YearImage()->isVisible());
    QVERIFY(!Child<TAnalysisPageImage>("ImageAnalysePage1")->isVisible());
    QVERIFY(Button("btnAnalyseYear")->Downed());
    QVERIFY(!Button("btnAnalysePage1")->Downed());
    QVERIFY(Button("btnExportYear")->Enabled());

    const YearOverview year = Expected();
    QCOMPARE(year.Months[2]->Result, qint64(-150320)); // the unsaved holiday counts
    QImage expected(ScreenYearPage(year, Books->RegionalSettings()).Page.Size, QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        QPainter painter(&expected);
        DrawYearPage(painter, year, Books->RegionalSettings());
    }
    QCOMPARE(YearImage()->Picture(), expected);

    // Taller than the box: dragging the page up by 100 pixels scrolls down by 100.
    QScrollBar *bar = Child<QScrollArea>("ScrollBoxAnalyse")->verticalScrollBar();
    QVERIFY(bar->maximum() >= 100);
    QTest::mousePress(YearImage(), Qt::LeftButton, {}, QPoint(200, 300));
    QMouseEvent move(QEvent::MouseMove, QPointF(200, 200), YearImage()->mapToGlobal(QPointF(200, 200)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(YearImage(), &move);
    QTest::mouseRelease(YearImage(), Qt::LeftButton, {}, QPoint(200, 200));
    QCOMPARE(bar->value(), 100);

    // The page has the keys: End goes to its foot, Home back. F1 opens the year's own topic.
    QTRY_VERIFY(Child<QScrollArea>("ScrollBoxAnalyse")->hasFocus());
    QTest::keyClick(Child<QScrollArea>("ScrollBoxAnalyse"), Qt::Key_End);
    QCOMPARE(bar->value(), bar->maximum());
    QTest::keyClick(Child<QScrollArea>("ScrollBoxAnalyse"), Qt::Key_Home);
    QCOMPARE(bar->value(), 0);
    QCOMPARE(Window->property("HelpTopic").toString(), u"/jahresuebersicht.html"_s);

    // Printing from the year page ticks the year alone; from a month page, page 1 again.
    const auto ticks = [this] {
        QString shown;
        ModalDriver look(u"FormPrintAnalyse"_s, [&](QWidget *form) {
            for (const char *name : {"CheckPage1", "CheckPage2", "CheckPageYear"})
                shown += form->findChild<TOrvoSkinCheckBox *>(QString::fromLatin1(name))->Checked() ? u'x' : u'-';
            QTest::keyClick(form, Qt::Key_Escape);
        });
        Key(Qt::Key_D);
        return shown;
    };
    QCOMPARE(ticks(), u"--x"_s);

    Key(Qt::Key_A);
    QCOMPARE(ticks(), u"x--"_s);
    QCOMPARE(Window->property("HelpTopic").toString(), u"/auswertung.html"_s);
    QVERIFY(!YearImage()->isVisible());
    QCOMPARE(Child<QScrollArea>("ScrollBoxAnalyse")->widget()->size(), AnalysisPage::ScreenSize);
    QCOMPARE(bar->value(), 0);
    QVERIFY(!Button("btnExportYear")->Enabled());
}

void TestYearPanel::ExportTo(const QString &name)
{
    ModalDriver save(u"XlsSaveDialog"_s, [&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        auto *field = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
        QCOMPARE(field->text(), u"Jahresübersicht 2008"_s);
        dialog->setDirectory(Home->path());
        field->selectAll();
        QTest::keyClicks(field, name);
        if (QWidget *popup = QApplication::activePopupWidget())
            QTest::keyClick(popup, Qt::Key_Escape);
        QTest::keyClick(field, Qt::Key_Return);
    });
    MessageBoxAnswerer notNow(u"&Nein"_s);
    Key(Qt::Key_P);
    QVERIFY(save.Done && save.Closed);
    QCOMPARE(notNow.Text, u"Soll die Exel-Tabelle jetzt angezeigt werden?"_s);
}

void TestYearPanel::exportWritesTheTable()
{
    Key(Qt::Key_F9);
    Key(Qt::Key_P); // nothing to export from the month pages
    QVERIFY(!QApplication::activeModalWidget());
    Key(Qt::Key_J);
    ExportTo(u"Jahr"_s);
    if (QTest::currentTestFailed())
        return;
    QFile written(Home->filePath(u"Jahr.xls"_s));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), XlsTableBytes(YearTable(Expected()), XlsCells::AmountsAsNumbers));
}

void TestYearPanel::printedThroughTheThirdBox()
{
    Key(Qt::Key_F9);
    ModalDriver print(u"FormPrintAnalyse"_s, [&](QWidget *dialog) {
        auto *year = dialog->findChild<TOrvoSkinCheckBox *>(u"CheckPageYear"_s);
        QVERIFY(!year->Checked());
        QTest::mouseClick(year, Qt::LeftButton);
        QTest::mouseClick(dialog->findChild<TOrvoSkinCheckBox *>(u"CheckPage1"_s), Qt::LeftButton);
        // Only the year checked: there is something to print.
        QTRY_VERIFY(dialog->findChild<TOrvoSkinButton *>(u"btnPrint"_s)->Enabled());
        MessageBoxAnswerer saved(u"OK"_s);
        QTest::mouseClick(dialog->findChild<TOrvoSkinButton *>(u"btnPrint"_s), Qt::LeftButton);
        QTRY_COMPARE(saved.Count, 1);
        QTest::mouseClick(dialog->findChild<TOrvoSkinButton *>(u"btnClose"_s), Qt::LeftButton);
    });
    Key(Qt::Key_D);
    QVERIFY(print.Done && print.Closed);
    const QStringList pdfs = QDir(Paths.PrintoutFolder()).entryList({u"*.pdf"_s}, QDir::Files);
    QCOMPARE(pdfs.size(), 1);
    QVERIFY2(pdfs.front().startsWith(u"Haushaltsbuch - Jahresübersicht 2008 "_s), qPrintable(pdfs.front()));
}

// Run by tools/check-output.sh with a private CUPS server and a cups-pdf queue.
void TestYearPanel::printsThroughCups()
{
    const QString pdfFolder = qEnvironmentVariable("QEL_CUPS_PDF_DIR");
    if (pdfFolder.isEmpty() || !qEnvironmentVariableIsSet("QEL_CUPS_SERVER"))
        QSKIP("needs a private CUPS server with a cups-pdf queue, as tools/test.sh starts it");
    qputenv("CUPS_SERVER", qgetenv("QEL_CUPS_SERVER"));
    const QStringList before = QDir(pdfFolder).entryList(QDir::Files);
    Key(Qt::Key_F9);
    ModalDriver print(u"FormPrintAnalyse"_s, [&](QWidget *dialog) {
        QTest::mouseClick(dialog->findChild<TOrvoSkinCheckBox *>(u"CheckPageYear"_s), Qt::LeftButton);
        QTest::mouseClick(dialog->findChild<TOrvoSkinCheckBox *>(u"CheckPage1"_s), Qt::LeftButton);
        QTRY_VERIFY(dialog->findChild<TOrvoSkinButton *>(u"btnPrint"_s)->Enabled());
        QTest::mouseClick(dialog->findChild<TOrvoSkinButton *>(u"btnPrint"_s), Qt::LeftButton);
        QTest::mouseClick(dialog->findChild<TOrvoSkinButton *>(u"btnClose"_s), Qt::LeftButton);
    });
    Key(Qt::Key_D);
    QVERIFY(print.Done);
    QVERIFY(QDir(Paths.PrintoutFolder()).isEmpty(QDir::Files));

    QString pdf;
    const auto arrived = [&] {
        for (const QString &name : QDir(pdfFolder).entryList(QDir::Files)) {
            pdf = QDir(pdfFolder).filePath(name);
            // cups-pdf passes the job title on as Latin-1 bytes: "ü" comes out as two characters.
            if (!before.contains(name) && Tool(u"pdfinfo"_s, {pdf}).contains(u"Haushaltsbuch - Jahres"_s))
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(arrived(), 60000);
    const auto cleanup = qScopeGuard([&] { QFile::remove(pdf); });
    const QString raster = Home->filePath(u"printed"_s);
    Tool(u"pdftoppm"_s, {u"-r"_s, u"30"_s, u"-gray"_s, u"-png"_s, u"-singlefile"_s, pdf, raster});
    const QImage printed(raster + u".png"_s);
    QVERIFY(!printed.isNull());
    const YearOverview year = Expected();
    const QImage drawn = RenderPageImage([&](QPainter &p) { DrawPrintYearPage(p, year, Books->RegionalSettings()); });
    // Like the page drawn, and more like it than like the page of a year without books.
    YearOverview empty;
    empty.Year = year.Year;
    const QImage emptyDrawn = RenderPageImage([&](QPainter &p) { DrawPrintYearPage(p, empty, Books->RegionalSettings()); });
    const double similarity = Correlation(InkGrid(drawn), InkGrid(printed));
    const double toEmpty = Correlation(InkGrid(emptyDrawn), InkGrid(printed));
    qInfo("printed year page against the drawn one: correlation %.3f (%.3f with an empty year)", similarity, toEmpty);
    QVERIFY(similarity > 0.95);
    QVERIFY(similarity > toEmpty);
}

// Run by tools/check-output.sh: LibreOffice Calc reads the exported year as it was written.
void TestYearPanel::exportReadByCalc()
{
    const QString soffice = QStandardPaths::findExecutable(u"soffice"_s);
    if (soffice.isEmpty() || !qEnvironmentVariableIsSet("QEL_CHECK_CALC"))
        QSKIP("needs LibreOffice and QEL_CHECK_CALC, as tools/check-output.sh sets it");
    Key(Qt::Key_F9);
    Key(Qt::Key_J);
    ExportTo(u"Jahr"_s); // typed: ASCII only
    if (QTest::currentTestFailed())
        return;
    const QString file = Home->filePath(u"Jahr.xls"_s);
    QProcess calc;
    calc.start(soffice, {u"-env:UserInstallation=file://"_s + Home->filePath(u"lo-profile"_s), u"--headless"_s,
                         u"--convert-to"_s, u"csv:Text - txt - csv (StarCalc):44,34,76"_s, u"--outdir"_s, Home->path(),
                         file});
    QVERIFY(calc.waitForFinished(600000));
    QFile csv(Home->filePath(u"Jahr.csv"_s));
    QVERIFY2(csv.open(QIODevice::ReadOnly), qPrintable(QString::fromUtf8(calc.readAllStandardError())));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(u'\n', Qt::SkipEmptyParts);
    const BookingList table = YearTable(Expected());
    QCOMPARE(lines.size(), table.RowCount() + 1);
    QVERIFY(lines.at(0).startsWith(u"Monat,Einnahmen (€),Ausgaben (€),Ergebnis (€)"_s));
    QVERIFY(lines.at(2).startsWith(u"Februar,–,–,–"_s));
    // Number cells: Calc shows them in its general format, so a spreadsheet can add them up.
    QVERIFY2(lines.at(3).startsWith(u"März,1000,2503.2,-1503.2"_s), qPrintable(lines.at(3)));
    QVERIFY2(lines.at(17).startsWith(u"Gehalt,1000,–,1000,"_s), qPrintable(lines.at(17)));
}

void TestYearPanel::searchWalkedByKeyboard()
{
    Books->SaveCurrentBook();
    Key(Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), Field());
    QTest::keyClicks(Field(), u"TANK"_s);
    QTRY_VERIFY(Hits()->isVisible());
    QTRY_COMPARE(Hits()->model()->rowCount(), 1);
    QTest::keyClicks(Field(), u"en"_s); // one more key, one more search
    QTest::keyClick(Field(), Qt::Key_Return);
    QCOMPARE(Window->PanelIndex(), 2);
    QCOMPARE(Books->CurrentBook(), u"Januar 2008"_s);
    QCOMPARE(Books->Expend().Row(Books->Expend().Selected()).SubItem(0), u"45.10"_s);
    QCOMPARE(QApplication::focusWidget(), Child<TQELListView>("ListViewExpend"));

    // Back with Ctrl+F: the text is still there and selected; arrows move through the hits.
    Key(Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(Window->PanelIndex(), 0);
    QCOMPARE(Field()->selectedText(), u"TANKen"_s);
    QTest::keyClicks(Field(), u"1000"_s); // the regular salary by its amount
    QTRY_COMPARE(Hits()->model()->rowCount(), 1);
    QTest::keyClicks(Field(), u"-3000"_s); // and March's holiday, in a range
    QTRY_COMPARE(Hits()->model()->rowCount(), 2);
    QTest::keyClick(Field(), Qt::Key_Down);
    QTest::keyClick(Field(), Qt::Key_Return);
    QCOMPARE(Books->CurrentBook(), u"März 2008"_s);
    QCOMPARE(Books->Expend().Row(Books->Expend().Selected()).SubItem(1), u"Urlaub"_s);

    Key(Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(Field(), Qt::Key_Up);
    QTest::keyClick(Field(), Qt::Key_Return);
    QCOMPARE(Window->PanelIndex(), 3);
    QCOMPARE(Books->Regular().Row(Books->Regular().Selected()).SubItem(1), u"Gehalt"_s);

    // Escape ends the search: the book list is back.
    Key(Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(Field(), Qt::Key_Escape);
    QTRY_VERIFY(!Hits()->isVisible());
    QCOMPARE(Field()->text(), QString());
}

void TestYearPanel::searchSeesEverySave()
{
    Books->SaveCurrentBook();
    Key(Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(Field(), u"Kino"_s);
    QTRY_VERIFY(Hits()->isVisible());
    QCOMPARE(Hits()->model()->rowCount(), 0);
    // Saved beside the program (an older one, by hand): taken in and said so.
    BookingList income(ListKind::Income);
    BookingList expend = JanuaryExpend;
    expend.AddRow(ListRow::Make(u"09.01.2008"_s, {u"9.50"_s, u"Freizeit"_s, u"Kino"_s}));
    ListFiles::WriteFile(Paths.BookFile(u"Januar 2008"_s), ListFiles::MonthBookBytes(income, expend));
    // Returning to the panel searches again.
    MessageBoxAnswerer told(u"OK"_s);
    Key(Qt::Key_F6);
    Key(Qt::Key_F5);
    QTRY_COMPARE(told.Count, 1);
    QVERIFY2(told.Text.contains(u"„Januar 2008“ wurde außerhalb des Programms geändert"_s), qPrintable(told.Text));
    QTRY_COMPARE(Hits()->model()->rowCount(), 1);
}

QTEST_MAIN(TestYearPanel)
#include "tst_yearpanel.moc"
