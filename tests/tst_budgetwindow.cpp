// Budgets in the main window, driven by keys: the window from the analysis panel (Alt+U) sets a
// budget with carry-over, refuses a too large amount with its message, and page 2 shows the
// month's budgets with the overspent rest in red; an expense saved over its budget leaves a note
// on the expense panel, not a box.

#include "MainWindowFixture.h"
#include "MessageBoxAnswerer.h"

#include "analysis/AnalysisPageImage.h"
#include "analysis/AnalysisPages.h"
#include "analysis/PrintAnalyseUnit.h"
#include "analysis/YearPage.h"
#include "analysis/YearSums.h"
#include "budget/BudgetFile.h"
#include "analysis/BudgetReport.h"
#include "controls/Fonts.h"
#include "dialogs/DatePicker.h"
#include "output/ExportEXCEL.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTableWidget>

using namespace Qt::StringLiterals;

class TestBudgetWindow : public QObject, protected MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterFontSubstitutions(); }
    void init();
    void cleanup() { TearDown(); }
    void budgetSetFromTheAnalysisPanel();
    void tooLargeAmountRefused();
    void overspendingNotedBesideTheList();
    void yearShowsBudgetAgainstSpent();

private:
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::AltModifier)
    {
        QTest::keyClick(KeyTarget(), key, modifiers);
    }
    void Type(const QString &text) { QTest::keyClicks(KeyTarget(), text); }
    // Replaces the text of the field with the focus.
    void Retype(const QString &text)
    {
        KeyTarget()->setProperty("text", QString());
        Type(text);
    }
    QString BudgetFile() const { return Paths.DataFolder + u"Budgets.dat"_s; }

    BookingList JanuaryIncome{ListKind::Income};
    BookingList JanuaryExpend{ListKind::Expend};
};

// January saved with 250 € of groceries, February open with 380 € not yet saved; 20 € of
// groceries as a regular expense in both.
void TestBudgetWindow::init()
{
    SetUp();
    QVERIFY(StartWindow());
    Books->AddBooking(Books->Regular(), ListRow::Make(u"07."_s, {u"20.00"_s, u"Haushalt"_s, u"Markt"_s, u"Ausgabe"_s}));
    Books->SaveRegular();
    Books->CreateBook(u"Januar 2026"_s, QDateTime(QDate(2026, 1, 1), QTime(12, 0)));
    Books->AddBooking(Books->Expend(), ListRow::Make(u"02.01.2026"_s, {u"250.00"_s, u"Haushalt"_s, u"Markt"_s}));
    Books->SaveCurrentBook();
    JanuaryIncome = Books->Income();
    JanuaryExpend = Books->Expend();
    Books->CreateBook(u"Februar 2026"_s, QDateTime(QDate(2026, 2, 1), QTime(12, 0)));
    Books->AddBooking(Books->Expend(), ListRow::Make(u"03.02.2026"_s, {u"380.00"_s, u"HAUSHALT"_s, u"Markt"_s}));
    Window->ShowPanel(0);
    Window->Timer1Timer();
}

void TestBudgetWindow::budgetSetFromTheAnalysisPanel()
{
    Key(Qt::Key_F9);
    ModalDriver typing(u"FormBudgets"_s, [&](QWidget *form) {
        auto *list = form->findChild<QTableWidget *>(u"ListBudgets"_s);
        QCOMPARE(list->rowCount(), 0);
        QCOMPARE(form->findChild<QLineEdit *>(u"EditMonth"_s)->text(), u"02.2026"_s);
        // The category box has the focus; amount and month follow.
        Type(u"Haushalt"_s);
        Key(Qt::Key_Tab, Qt::NoModifier);
        Type(u"300"_s);
        Key(Qt::Key_Tab, Qt::NoModifier);
        Retype(u"01.2026"_s);
        QVERIFY(form->findChild<QCheckBox *>(u"CheckCarryOver"_s)->isChecked());
        Key(Qt::Key_F);
        QCOMPARE(list->rowCount(), 1);
        QCOMPARE(list->item(0, 1)->text(), u"300.00 €"_s);
        QCOMPARE(list->item(0, 2)->text(), u"01.2026"_s);
        QCOMPARE(list->item(0, 3)->text(), u"ja"_s);
        Key(Qt::Key_Return, Qt::NoModifier);
    });
    Key(Qt::Key_U);
    QVERIFY(typing.Done);
    QVERIFY(typing.Closed);
    QCOMPARE(BudgetStore(Paths).Load().Entries(),
             (QList<BudgetEntry>{{u"Haushalt"_s, BudgetMonth(2026, 1), 30000, true}}));

    // January left 30 €; February's 380 € in memory and the regular 20 € take it 70 € over.
    Key(Qt::Key_B);
    const QList<BudgetLine> lines{{u"Haushalt"_s, 30000, 3000, 33000, 40000, -7000}};
    const AnalysisSource source{Books->Income(), Books->Expend(), Books->Regular(), Books->CurrentBook(),
                                Books->RegionalSettings()};
    const PageLayout page = AnalysisPage2Layout(source, lines);
    const auto rest = std::find_if(page.Items.cbegin(), page.Items.cend(),
                                   [](const PageItem &item) { return item.Text == u"-70.00 €"_s; });
    QVERIFY(rest != page.Items.cend());
    QCOMPARE(rest->Colour, QColor(0xFF, 0x00, 0x00));
    QImage expected(AnalysisPage::ScreenSize, QImage::Format_RGB32);
    {
        QPainter painter(&expected);
        PaintPage(painter, page);
    }
    auto *image = Child<TAnalysisPageImage>("ImageAnalysePage2");
    QVERIFY(image->isVisible());
    QCOMPARE(image->Picture().convertToFormat(QImage::Format_RGB32), expected);

    // Exported as the year is, from page 2.
    ModalDriver save(u"XlsSaveDialog"_s, [&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        auto *field = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
        QCOMPARE(field->text(), u"Budgets Februar 2026"_s);
        dialog->setDirectory(Home->path());
        field->selectAll();
        QTest::keyClicks(field, u"Budgets"_s);
        if (QWidget *popup = QApplication::activePopupWidget())
            QTest::keyClick(popup, Qt::Key_Escape);
        QTest::keyClick(field, Qt::Key_Return);
    });
    MessageBoxAnswerer notNow(u"&Nein"_s);
    Key(Qt::Key_P);
    QVERIFY(save.Done && save.Closed);
    QFile written(Home->filePath(u"Budgets.xls"_s));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), XlsTableBytes(BudgetTable(lines)));
}

void TestBudgetWindow::tooLargeAmountRefused()
{
    Key(Qt::Key_F9);
    MessageBoxAnswerer answer(u"OK"_s);
    ModalDriver typing(u"FormBudgets"_s, [&](QWidget *form) {
        Type(u"Haushalt"_s);
        Key(Qt::Key_Tab, Qt::NoModifier);
        Type(u"-1000000000"_s); // the minus never reaches the field
        Key(Qt::Key_F);
        QCOMPARE(answer.Text, u"Ein Budget darf höchstens 999.999.999,99 € betragen, nicht „1000000000“."_s);
        QCOMPARE(form->findChild<QTableWidget *>(u"ListBudgets"_s)->rowCount(), 0);
        QCOMPARE(KeyTarget()->objectName(), u"EditAmount"_s);
        Key(Qt::Key_Escape, Qt::NoModifier);
    });
    Key(Qt::Key_U);
    QVERIFY(typing.Done);
    QVERIFY(typing.Closed);
    QVERIFY(!QFileInfo::exists(BudgetFile()));
}

void TestBudgetWindow::overspendingNotedBesideTheList()
{
    BudgetList budgets;
    budgets.Set(u"Haushalt"_s, BudgetMonth(2026, 1), 30000, true);
    BudgetStore(Paths).Save(budgets);
    Key(Qt::Key_F7);
    auto *note = Child<QLabel>("LabelBudgetNote");
    QVERIFY(!note->isVisible());
    ModalDriver typing(u"FormEntryExpend"_s, [&](QWidget *form) {
        form->findChild<TQELDatePicker *>(u"DateTimePicker1"_s)->SetDate(QDate(2026, 2, 10));
        Key(Qt::Key_Tab, Qt::NoModifier);
        Retype(u"5"_s);
        Key(Qt::Key_Tab, Qt::NoModifier);
        Type(u"haushalt"_s);
        Key(Qt::Key_Return, Qt::NoModifier);
    });
    Key(Qt::Key_N);
    QVERIFY(typing.Done);
    QVERIFY(typing.Closed);
    QVERIFY(note->isVisible());
    QCOMPARE(note->text(), u"Das Budget „Haushalt“ ist um 75.00 € überschritten."_s);
}

void TestBudgetWindow::yearShowsBudgetAgainstSpent()
{
    BudgetList budgets;
    budgets.Set(u"Haushalt"_s, BudgetMonth(2026, 1), 30000, true);
    BudgetStore(Paths).Save(budgets);
    Key(Qt::Key_F9);
    Key(Qt::Key_J);

    BudgetYearLine line{u"Haushalt"_s, {}, {}};
    line.Available[0] = 30000;
    line.Spent[0] = 27000;
    line.Available[1] = 33000;
    line.Spent[1] = 40000;
    // No books after February: nothing spent, the rest carried on.
    for (int m = 2; m < 12; ++m) {
        line.Available[m] = -7000 + (m - 1) * 30000;
        line.Spent[m] = 0;
    }
    const YearOverview year = ComputeYearOverview(
        2026, {{1, &JanuaryIncome, &JanuaryExpend}, {2, &Books->Income(), &Books->Expend()}}, Books->Regular());
    const YearPage page = ScreenYearPage(year, Books->RegionalSettings(), {line});
    QImage expected(page.Page.Size, QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        QPainter painter(&expected);
        PaintYearPage(painter, page, year);
    }
    auto *image = Child<TAnalysisPageImage>("ImageAnalyseYear");
    QVERIFY(image->isVisible());
    QCOMPARE(image->Picture().convertToFormat(QImage::Format_RGB32), expected);
    // February's 400.00 spent of 330.00 stands red (the last such cell: the categories come first).
    const auto spent = std::find_if(page.Page.Items.crbegin(), page.Page.Items.crend(),
                                    [](const PageItem &item) { return item.Text == u"400.00"_s; });
    QVERIFY(spent != page.Page.Items.crend());
    QCOMPARE(spent->Colour, QColor(0xFF, 0x00, 0x00));

    // The printed year carries them too.
    const YearPage paper = PrintedYearPage(year, Books->RegionalSettings(), {line});
    QImage printed(paper.Page.Size, QImage::Format_RGB32);
    QImage expectedPrint(paper.Page.Size, QImage::Format_RGB32);
    printed.fill(Qt::white);
    expectedPrint.fill(Qt::white);
    {
        QPainter painter(&expectedPrint);
        PaintYearPage(painter, paper, year);
    }
    {
        QPainter painter(&printed);
        Window->findChild<TFormPrintAnalyse *>(u"FormPrintAnalyse"_s)->DrawPrintYearPage(painter);
    }
    // Below the title: its 52-point glyphs are not rasterised alike from one drawing to the next.
    const QRect body(0, 300, paper.Page.Size.width(), paper.Page.Size.height() - 300);
    QCOMPARE(printed.copy(body), expectedPrint.copy(body));
}

QTEST_MAIN(TestBudgetWindow)
#include "tst_budgetwindow.moc"
