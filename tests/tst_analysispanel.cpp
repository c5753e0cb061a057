// "Haushalt berechnen" and "Grafische Auswertung" through the real main window: the pages
// drawn and switched with the keys, dragged, printed through the dialog; the pie of either
// side, kept while the program runs, and printed after the question.

#include "MainWindowFixture.h"
#include "MessageBoxAnswerer.h"

#include "analysis/AnalysisPageImage.h"
#include "analysis/AnalysisPages.h"
#include "analysis/PieChart.h"
#include "analysis/PrintAnalyseUnit.h"
#include "controls/Fonts.h"
#include "controls/OrvoSkinCheckBox.h"
#include "ledger/FuncUnit.h"

#include <QMessageBox>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAnalysisPanel : public QObject, protected MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup() { TearDown(); }
    void pagesAreDrawnAndSwitched();
    void pagesKeepTheirFiguresUntilComputedAgain();
    void draggingScrollsThePage();
    void printDialogPrintsTheCheckedPages();
    void pieFollowsTheSideAndKeepsIt();
    void piePrintsAfterTheQuestion();

private:
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::AltModifier);
    QImage Expected(void (*draw)(QPainter &, const AnalysisSource &)) const;
    TAnalysisPageImage *Page(int n) const
    {
        return Child<TAnalysisPageImage>(n == 1 ? "ImageAnalysePage1" : "ImageAnalysePage2");
    }
    QScrollBar *VerticalBar() const { return Child<QScrollArea>("ScrollBoxAnalyse")->verticalScrollBar(); }
    TQELPieChart *Chart() const { return Child<TQELPieChart>("ChartDia"); }
    QStringList Printouts() const
    {
        return QDir(Paths.PrintoutFolder()).entryList({u"*.pdf"_s}, QDir::Files, QDir::Time | QDir::Reversed);
    }
};

void TestAnalysisPanel::initTestCase()
{
    RegisterFontSubstitutions();
}

void TestAnalysisPanel::init()
{
    SetUp();
    // No printer: every print becomes a PDF beside the data folder.
    qputenv("CUPS_SERVER", QFile::encodeName(Home->filePath(u"no-cups.sock"_s)));
    QVERIFY(StartWindow());

    // Income A and B, a regular income C, and more spent than earned.
    Books->CreateBook(u"März 2008"_s, QDateTime(QDate(2008, 3, 1), QTime(12, 0)));
    Books->AddBooking(Books->Income(), ListRow::Make(u"01.03.2008"_s, {u"100.00"_s, u"A"_s, u"Lohn"_s}));
    Books->AddBooking(Books->Income(), ListRow::Make(u"02.03.2008"_s, {u"20.00"_s, u"B"_s, u"Zinsen"_s}));
    Books->AddBooking(Books->Regular(), ListRow::Make(u"07."_s, {u"30.00"_s, u"C"_s, u"Kindergeld"_s, u"Einnahme"_s}));
    Books->AddBooking(Books->Expend(), ListRow::Make(u"03.03.2008"_s, {u"500.00"_s, u"Wohnen"_s, u"Miete"_s}));
    Window->Timer1Timer();
}

void TestAnalysisPanel::Key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    // To the window itself: right after a dialog closed, the focus widget may still be one of
    // the hidden dialog's, which would swallow the key.
    QWidget *target = QApplication::activeModalWidget();
    QTest::keyClick(target ? target : Window.get(), key, modifiers);
}

QImage TestAnalysisPanel::Expected(void (*draw)(QPainter &, const AnalysisSource &)) const
{
    QImage image(AnalysisPage::ScreenSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    draw(painter, {Books->Income(), Books->Expend(), Books->Regular(), Books->CurrentBook(), Books->RegionalSettings()});
    return image;
}

void TestAnalysisPanel::pagesAreDrawnAndSwitched()
{
    Key(Qt::Key_F9);
    QCOMPARE(Window->PanelIndex(), 4);
    QVERIFY(Page(1)->isVisible());
    QVERIFY(!Page(2)->isVisible());
    QVERIFY(Button("btnAnalysePage1")->Downed());
    QVERIFY(!Button("btnAnalysePage2")->Downed());
    QCOMPARE(Page(1)->Picture(), Expected(DrawAnalysisPage1));
    QCOMPARE(Page(2)->Picture(), Expected(DrawAnalysisPage2));
    QCOMPARE(Page(1)->cursor().shape(), Qt::PointingHandCursor);

    Key(Qt::Key_B);
    QVERIFY(Page(2)->isVisible());
    QVERIFY(!Page(1)->isVisible());
    QVERIFY(Button("btnAnalysePage2")->Downed());
    QVERIFY(!Button("btnAnalysePage1")->Downed());
    QTest::mouseClick(Button("btnAnalysePage1"), Qt::LeftButton);
    QVERIFY(Page(1)->isVisible());
    QVERIFY(Button("btnAnalysePage1")->Downed());
}

void TestAnalysisPanel::pagesKeepTheirFiguresUntilComputedAgain()
{
    Key(Qt::Key_F9);
    const QImage before = Page(1)->Picture();
    Books->AddBooking(Books->Income(), ListRow::Make(u"04.03.2008"_s, {u"1000.00"_s, u"D"_s, u"Bonus"_s}));
    Key(Qt::Key_B);
    Key(Qt::Key_A);
    QCOMPARE(Page(1)->Picture(), before);
    Key(Qt::Key_F9);
    QVERIFY(Page(1)->Picture() != before);
    QCOMPARE(Page(1)->Picture(), Expected(DrawAnalysisPage1));
}

void TestAnalysisPanel::draggingScrollsThePage()
{
    Key(Qt::Key_F9);
    TAnalysisPageImage *page = Page(1);
    QScrollBar *bar = VerticalBar();
    QCOMPARE(bar->value(), 0);
    const auto moveTo = [page](QPoint global) { QTest::mouseMove(page, page->mapFromGlobal(global)); };

    const QPoint start = page->mapToGlobal(QPoint(300, 400));
    QTest::mousePress(page, Qt::LeftButton, {}, QPoint(300, 400));
    moveTo(start - QPoint(0, 100));
    QCOMPARE(bar->value(), 100);
    moveTo(start - QPoint(0, 60));
    QCOMPARE(bar->value(), 60);
    moveTo(start - QPoint(0, 5000));
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(bar->maximum() >= 1200 - 515);
    QTest::mouseRelease(page, Qt::LeftButton, {}, page->mapFromGlobal(start - QPoint(0, 5000)));

    // Seite 1 goes back to the top; after the release a move does not scroll.
    Key(Qt::Key_A);
    QCOMPARE(bar->value(), 0);
    Window->ImageAnalysePage1MouseMove(start - QPoint(0, 100), Qt::LeftButton);
    QCOMPARE(bar->value(), 0);
}

void TestAnalysisPanel::printDialogPrintsTheCheckedPages()
{
    Key(Qt::Key_F9);
    MessageBoxAnswerer answers(u"OK"_s, true);
    ModalDriver printBoth(u"FormPrintAnalyse"_s, [&](QWidget *widget) {
        auto *form = qobject_cast<TFormPrintAnalyse *>(widget);
        auto *page1 = form->findChild<TOrvoSkinCheckBox *>(u"CheckPage1"_s);
        auto *page2 = form->findChild<TOrvoSkinCheckBox *>(u"CheckPage2"_s);
        auto *print = form->findChild<TOrvoSkinButton *>(u"btnPrint"_s);
        QVERIFY(page1->Checked() && !page2->Checked() && print->Enabled());
        QVERIFY(form->findChild<QTimer *>(u"Timer1"_s)->isActive());
        QTest::mouseClick(page1, Qt::LeftButton);
        form->Timer1Timer();
        QVERIFY(!print->Enabled());
        Key(Qt::Key_D);
        QVERIFY(answers.Texts.isEmpty());

        QTest::mouseClick(page1, Qt::LeftButton);
        QTest::mouseClick(page2, Qt::LeftButton);
        form->Timer1Timer();
        QVERIFY(print->Enabled());
        Key(Qt::Key_Return, Qt::NoModifier);
        QCOMPARE(answers.Texts.size(), 2);
        QVERIFY(form->isVisible()); // printing leaves the dialog open
        Key(Qt::Key_Escape, Qt::NoModifier);
    });
    Key(Qt::Key_D);
    QVERIFY(printBoth.Done && printBoth.Closed);
    QVERIFY(!Window->findChild<TFormPrintAnalyse *>()->findChild<QTimer *>(u"Timer1"_s)->isActive());
    // One job per page, page 1 first; without a printer each became a PDF.
    QVERIFY(answers.Texts.at(0).contains(u"\"Haushaltsbuch - Auswertung 1 März 2008\""_s));
    QVERIFY(answers.Texts.at(1).contains(u"\"Haushaltsbuch - Auswertung 2 März 2008\""_s));
    const QStringList files = Printouts();
    QCOMPARE(files.size(), 2);
    QCOMPARE(files.filter(u"Haushaltsbuch - Auswertung 1 März 2008 20"_s).size(), 1);
    QCOMPARE(files.filter(u"Haushaltsbuch - Auswertung 2 März 2008 20"_s).size(), 1);

    // The choice is kept for the next showing.
    ModalDriver reopen(u"FormPrintAnalyse"_s, [&](QWidget *form) {
        QVERIFY(form->findChild<TOrvoSkinCheckBox *>(u"CheckPage1"_s)->Checked());
        QVERIFY(form->findChild<TOrvoSkinCheckBox *>(u"CheckPage2"_s)->Checked());
        Key(Qt::Key_Escape, Qt::NoModifier);
    });
    Key(Qt::Key_D);
    QVERIFY(reopen.Done && reopen.Closed);
}

void TestAnalysisPanel::pieFollowsTheSideAndKeepsIt()
{
    const auto labels = [this] {
        QStringList l;
        for (const PieSlice &slice : Chart()->Slices())
            l.append(slice.Label);
        return l;
    };
    Key(Qt::Key_F10);
    QCOMPARE(Window->PanelIndex(), 5);
    QCOMPARE(Window->DiagramMode(), 1);
    QCOMPARE(Chart()->Title(), u"Haushaltsbuch - Einnahmen März 2008"_s);
    QCOMPARE(labels(), (QStringList{u"A"_s, u"B"_s, u"C"_s}));
    QVERIFY(Button("btnShowDiaInc")->Downed() && !Button("btnShowDiaOut")->Downed());

    Key(Qt::Key_A);
    QCOMPARE(Window->DiagramMode(), 2);
    QCOMPARE(Chart()->Title(), u"Haushaltsbuch - Ausgaben März 2008"_s);
    QCOMPARE(labels(), QStringList{u"Wohnen"_s});
    QVERIFY(Button("btnShowDiaOut")->Downed() && !Button("btnShowDiaInc")->Downed());

    // Another panel, a new booking, and back: the expense side again, filled afresh.
    Key(Qt::Key_F7);
    Books->AddBooking(Books->Expend(), ListRow::Make(u"05.03.2008"_s, {u"40.00"_s, u"Auto"_s, u"Tanken"_s}));
    Key(Qt::Key_F10);
    QCOMPARE(Window->DiagramMode(), 2);
    QCOMPARE(Chart()->Title(), u"Haushaltsbuch - Ausgaben März 2008"_s);
    QCOMPARE(labels(), (QStringList{u"Wohnen"_s, u"Auto"_s}));
}

void TestAnalysisPanel::piePrintsAfterTheQuestion()
{
    Key(Qt::Key_F10);
    {
        MessageBoxAnswerer no(u"&Nein"_s);
        Key(Qt::Key_D);
        QCOMPARE(no.Title, u"Bestätigen"_s);
        QCOMPARE(no.Text, u"Soll das Diagramm ausgedruckt werden?"_s);
    }
    QVERIFY(Printouts().isEmpty());

    MessageBoxAnswerer yes(u"&Ja"_s);
    MessageBoxAnswerer ok(u"OK"_s);
    Key(Qt::Key_D);
    QCOMPARE(yes.Texts, QStringList{u"Soll das Diagramm ausgedruckt werden?"_s});
    QCOMPARE(ok.Texts.size(), 1);
    // Without a printer the PDF is named after the chart's title, with side and book.
    const QString title = Chart()->Title();
    QVERIFY(title.endsWith(u" März 2008"_s));
    QVERIFY(ok.Texts.at(0).contains(u'"' + title + u'"'));
    const QStringList files = Printouts();
    QCOMPARE(files.size(), 1);
    QVERIFY2(files.first().startsWith(title + u" 20"_s), qPrintable(files.first()));
    QFile pdf(Paths.PrintoutFolder() + files.first());
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QCOMPARE(pdf.read(5), QByteArray("%PDF-"));
}

QTEST_MAIN(TestAnalysisPanel)
#include "tst_analysispanel.moc"
