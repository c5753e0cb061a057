#include "ImportTestStatements.h"
#include "TestZip.h"
#include "MainWindowFixture.h"
#include "MessageBoxAnswerer.h"

#include "app/QELListView.h"
#include "controls/Fonts.h"
#include "import/ImportPreviewModel.h"
#include "import/ImportStore.h"
#include "statements/CsvLayoutGuess.h"
#include "ledger/FuncUnit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QList<TestEntry> March{
    {{2026, 3, 2}, u"800.00"_s, false, u"Hausverwaltung Ost"_s, u"Miete März"_s, u"M1"_s},
    {{2026, 3, 2}, u"2100.00"_s, true, u"Arbeitgeber AG"_s, u"Gehalt März"_s, u"M2"_s},
    {{2026, 3, 5}, u"42.90"_s, false, u"REWE Markt"_s, u"Einkauf"_s, u"M3"_s},
    {{2026, 3, 12}, u"61.30"_s, false, u"Aral Tankstelle"_s, u"Tanken"_s, u"M4"_s},
};

} // namespace

// The statement import through the real main window: the button and Qt's file dialog, a
// file dropped onto the window, the preview worked with the keyboard, the column choice
// for an unknown CSV, the question for missing books, and the books afterwards.
class TestImportWindow : public QObject, protected MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterFontSubstitutions(); }
    void init();
    void cleanup() { TearDown(); }
    void previewWorkedWithTheKeyboard();
    void unknownCsvColumnsAreAskedOnce();
    void aLineThatCannotBeReadIsShownAndThePurposeKeptWhole();
    void missingBooksAreAskedForOnce();
    void rulesEditedFromThePreviewApplyAtOnce();
    void ruleForEveryBranchAndSummaryOfManyMonths();
    void zipShowsEachStatementInTurn();

private:
    void Start();
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(KeyTarget(), key, modifiers); }
    QString File(const QString &name, const QByteArray &bytes) const;
    void Drop(const QString &file);
    QTableView *Table(QWidget *form) const { return form->findChild<QTableView *>(u"TableView"_s); }
    const QList<ImportCandidate> &Rows(QWidget *form) const
    {
        return static_cast<ImportPreviewModel *>(Table(form)->model())->Rows();
    }
};

void TestImportWindow::init()
{
    SetUp();
    Paths.CreateFolders();
    // A regular rent and a March book with a purchase typed by hand.
    Books->LoadRegular();
    Books->AddBooking(Books->Regular(), ListRow::Make(u"01."_s, {u"800.00"_s, u"Wohnen"_s, u"Miete"_s, u"Ausgabe"_s}));
    Books->SaveRegular();
    Books->SetRegularChanged(false);
    Books->CreateBook(u"März 2026"_s, QDateTime::currentDateTime());
    Books->AddBooking(Books->Expend(), ListRow::Make(u"04.03.2026"_s, {u"42.90"_s, u"Haushalt"_s, u"Nahrungsmittel"_s}));
    Books->SaveCurrentBook();
    Books->SetCurrentBook(QString());
    Books->SetBookChanged(false);
    Books->SetRegularChanged(false);
}

void TestImportWindow::Start()
{
    QVERIFY(StartWindow());
}

QString TestImportWindow::File(const QString &name, const QByteArray &bytes) const
{
    const QString path = Home->filePath(name);
    if (!WriteTestFile(path, bytes))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestImportWindow::Drop(const QString &file)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file)});
    const QPoint at(400, 300);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Window.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Window.get(), &drop);
    QVERIFY(drop.isAccepted());
}

void TestImportWindow::previewWorkedWithTheKeyboard()
{
    Start();
    const QString statement = File(u"maerz.xml"_s, CamtStatement(March));
    MessageBoxAnswerer done(u"OK"_s);
    ModalDriver pick(u"StatementDialog"_s, [&](QWidget *dialog) {
        QTest::keyClicks(dialog->focusWidget(), statement);
        Key(Qt::Key_Return);
    });
    ModalDriver preview(u"FormImport"_s, [&](QWidget *form) {
        QTableView *table = Table(form);
        QCOMPARE(KeyTarget(), table);
        const QStringList statuses{u"regelmäßig"_s, u"neu"_s, u"vorhanden"_s, u"neu"_s};
        for (int i = 0; i < statuses.size(); ++i)
            QCOMPARE(StatusText(Rows(form).at(i).Status), statuses.at(i));
        QCOMPARE(form->findChild<QLabel *>(u"LabelSummary"_s)->text(),
                 u"4 Zeilen, 2 neu · zu übernehmen: 2 Buchungen, Einnahmen 2100.00 €, Ausgaben 61.30 € · in März 2026"_s);

        // The salary: F2 anywhere in the row edits its category; Return takes the text and
        // does not import yet. Keep it as a rule, for the employer's distinctive word.
        ModalDriver rule(u"RuleQuestion"_s, [&](QWidget *box) {
            const QString question = box->findChild<QLabel *>(u"LabelQuestion"_s)->text();
            QVERIFY2(question.startsWith(u"Sollen Einnahmen von „Arbeitgeber AG“ künftig immer die Kategorie "
                                         u"„Gehalt“ bekommen?"_s),
                     qPrintable(question));
            QCOMPARE(KeyTarget()->objectName(), u"EditPattern"_s);
            QCOMPARE(static_cast<QLineEdit *>(KeyTarget())->selectedText(), u"Arbeitgeber"_s);
            Key(Qt::Key_Return);
        });
        Key(Qt::Key_Down);
        Key(Qt::Key_F2);
        // The editor's text is selected: typing replaces it.
        QTRY_COMPARE(KeyTarget()->objectName(), u"EditCategory"_s);
        QTest::keyClicks(KeyTarget(), u"gehalt"_s);
        Key(Qt::Key_Return);
        QTRY_VERIFY(rule.Done);
        QVERIFY(rule.Closed);
        QVERIFY(form->isVisible());
        QCOMPARE(Rows(form).at(1).Category, u"Gehalt"_s);

        // The fuel: the purpose column, Escape in the editor keeps the old text and the preview.
        Key(Qt::Key_Down);
        Key(Qt::Key_Down);
        table->setCurrentIndex(table->currentIndex().siblingAtColumn(ImportPreviewModel::ColPurpose));
        Key(Qt::Key_F2);
        QTRY_COMPARE(KeyTarget()->objectName(), u"EditPurpose"_s);
        // The group's sub-categories are offered, as in the booking dialog.
        QVERIFY2(qobject_cast<QComboBox *>(KeyTarget())->count() > 0, qPrintable(Rows(form).at(3).Category));
        QTest::keyClicks(KeyTarget(), u"Benzin"_s);
        Key(Qt::Key_Escape);
        QTRY_COMPARE(KeyTarget(), table);
        QVERIFY(form->isVisible());
        QCOMPARE(Rows(form).at(3).Purpose, u"Aral Tankstelle"_s);

        // The purchase typed by hand is there already: Space ticks it anyway, twice unticks.
        Key(Qt::Key_Up);
        Key(Qt::Key_Space);
        QVERIFY(Rows(form).at(2).Ticked);
        Key(Qt::Key_Space);
        QVERIFY(!Rows(form).at(2).Ticked);
        // The rent is a regular booking: left out.
        QVERIFY(!Rows(form).at(0).Ticked);
        Key(Qt::Key_Return);
    });
    Key(Qt::Key_I, Qt::AltModifier);
    QVERIFY(pick.Done);
    QVERIFY(preview.Done);
    QVERIFY(preview.Closed);
    QTRY_COMPARE(done.Count, 1);
    QCOMPARE(done.Text, u"Aus dem Kontoauszug „maerz.xml“ übernommen: 2 Buchungen in „März 2026“.\n\n2 nicht "
                        u"übernommen: 1 schon im Buch, 1 regelmäßig."_s);

    // The book list's totals are current: 2100 income; 42.90 by hand, 61.30 imported, the rent.
    const qsizetype march = Books->FindBook(u"März 2026"_s);
    QCOMPARE(Books->Books().Row(march).SubItem(2), u"2100.00 €"_s);
    QCOMPARE(Books->Books().Row(march).SubItem(3), u"904.20 €"_s);
    ImportStore store(Paths.ImportStoreFile());
    QCOMPARE(store.Rules().size(), 1);
    QCOMPARE(store.Rules().front().Category, u"Gehalt"_s);
    QCOMPARE(store.Rules().front().Direction, RuleDirection::Income);
    QCOMPARE(store.Rules().front().Pattern, u"Arbeitgeber"_s);

    // April: the rule applies, the rent is left out; the open book's lists follow.
    Books->Books().SetSelected(march);
    Child<TQELListView>("ListViewManager")->Refresh();
    QTest::keyClick(Child<TQELListView>("ListViewManager"), Qt::Key_Return);
    QCOMPARE(Books->CurrentBook(), u"März 2026"_s);
    const QString april = File(u"april.xml"_s,
                               CamtStatement({{{2026, 3, 30}, u"800.00"_s, false, u"Hausverwaltung Ost"_s, u"Miete April"_s, u"A1"_s},
                                              {{2026, 3, 31}, u"2100.00"_s, true, u"Arbeitgeber AG"_s, u"Gehalt April"_s, u"A2"_s}}));
    ModalDriver second(u"FormImport"_s, [&](QWidget *form) {
        QCOMPARE(StatusText(Rows(form).at(0).Status), u"regelmäßig"_s);
        QCOMPARE(Rows(form).at(1).Category, u"Gehalt"_s);
        Key(Qt::Key_Return);
    });
    MessageBoxAnswerer again(u"OK"_s);
    Drop(april);
    QTRY_VERIFY(second.Done);
    QTRY_COMPARE(again.Count, 1);
    QCOMPARE(Books->Income().RowCount(), 2);
    QCOMPARE(Child<QLabel>("LabelResultIncome")->text(), u"Gesamteinnahmen: 4200.00 €"_s);
    QCOMPARE(Child<TQELListView>("ListViewIncome")->model()->rowCount(), 2);
}

void TestImportWindow::unknownCsvColumnsAreAskedOnce()
{
    Start();
    const QString csv = File(u"konto.csv"_s, "Buchungstag;Empfänger;Verwendungszweck;Betrag\n"
                                             "03.03.2026;Kiosk;Zeitung;-2,80\n");
    ModalDriver columns(u"FormCsvColumns"_s, [&](QWidget *form) {
        // Guessed from the names: date, amount, counterparty, purpose.
        const QStringList expected{u"Spalte 1: Buchungstag"_s, u"Spalte 4: Betrag"_s, u"(keine)"_s, u"(keine)"_s,
                                   u"Spalte 2: Empfänger"_s, u"Spalte 3: Verwendungszweck"_s};
        for (int role = 0; role < expected.size(); ++role)
            QCOMPARE(form->findChild<QComboBox *>(u"ComboRole%1"_s.arg(role))->currentText(), expected.at(role));
        Key(Qt::Key_Return);
    });
    ModalDriver cancel(u"FormImport"_s, [&](QWidget *form) {
        QCOMPARE(Rows(form).size(), 1);
        QCOMPARE(Rows(form).front().Row.Counterparty, u"Kiosk"_s);
        QCOMPARE(Rows(form).front().Amount, u"2.80"_s);
        Key(Qt::Key_Escape);
    });
    Drop(csv);
    QTRY_VERIFY(cancel.Done);
    QVERIFY(columns.Done);

    // The same columns again: straight to the preview.
    ModalDriver never(u"FormCsvColumns"_s, [](QWidget *) { QFAIL("asked again"); });
    ModalDriver preview(u"FormImport"_s, [&](QWidget *) { Key(Qt::Key_Escape); });
    Drop(csv);
    QTRY_VERIFY(preview.Done);
    QVERIFY(!never.Done);
    QCOMPARE(Books->Books().RowCount(), 1);
}

// The purpose over three columns, guessed and kept past the column dialog and into the store;
// a line with a day that does not exist shown as such, never booked.
void TestImportWindow::aLineThatCannotBeReadIsShownAndThePurposeKeptWhole()
{
    Start();
    const QString csv = File(u"gls.csv"_s, "Buchungstag;Empfänger;VWZ1;VWZ2;VWZ3;Betrag\n"
                                           "03.03.2026;Kiosk;Zeitung;und;Brötchen;-2,80\n"
                                           "31.02.2026;Kiosk;Zeitung;;;-1,80\n");
    ModalDriver columns(u"FormCsvColumns"_s, [&](QWidget *form) {
        QCOMPARE(form->findChild<QComboBox *>(u"ComboRole5"_s)->currentText(), u"Spalte 3: VWZ1"_s);
        Key(Qt::Key_Return);
    });
    MessageBoxAnswerer done(u"OK"_s);
    ModalDriver preview(u"FormImport"_s, [&](QWidget *form) {
        const QList<ImportCandidate> rows = Rows(form);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).Row.Purpose, u"Zeitung und Brötchen"_s);
        QCOMPARE(StatusLine(rows.at(1)), u"unlesbar: Zeile 3: Das Datum \"31.02.2026\" gibt es nicht."_s);
        QVERIFY(!IsBookable(rows.at(1)));
        const QString summary = form->findChild<QLabel *>(u"LabelSummary"_s)->toolTip();
        QVERIFY2(summary.contains(u"· unlesbar: Zeile 3 · Ohne Buchung: 1 Kopfzeile"_s), qPrintable(summary));
        Key(Qt::Key_Return);
    });
    Drop(csv);
    QTRY_VERIFY(preview.Done);
    QVERIFY(columns.Done);
    QTRY_COMPARE(Books->Books().RowCount(), 1);

    // The column choice remembered with its purpose over three columns.
    const std::optional<CsvColumnChoice> kept =
        ImportStore(Books->Paths().ImportStoreFile()).CsvChoice(u"Buchungstag;Empfänger;VWZ1;VWZ2;VWZ3;Betrag"_s);
    QVERIFY(kept);
    QCOMPARE(CsvColumnChoiceText(*kept), u"datum=1,betrag=6,text=3-5,gegenseite=2"_s);
}

void TestImportWindow::missingBooksAreAskedForOnce()
{
    Start();
    const QString statement =
        File(u"mai.xml"_s, CamtStatement({{{2026, 4, 20}, u"10.00"_s, false, u"Kiosk"_s, u"Zeitung"_s, u"X1"_s},
                                          {{2026, 5, 2}, u"20.00"_s, false, u"Kiosk"_s, u"Zeitung"_s, u"X2"_s}}));
    ModalDriver preview(u"FormImport"_s, [&](QWidget *form) {
        {
            MessageBoxAnswerer no(u"&Nein"_s);
            Key(Qt::Key_Return);
            QTRY_COMPARE(no.Count, 1);
            QCOMPARE(no.Text, u"Die Haushaltsbücher „April 2026“, „Mai 2026“ gibt es noch nicht. Sollen sie angelegt "
                              u"werden?"_s);
        }
        QTRY_VERIFY(form->isVisible());
        MessageBoxAnswerer yes(u"&Ja"_s);
        Key(Qt::Key_Return);
        QTRY_COMPARE(yes.Count, 1);
    });
    MessageBoxAnswerer done(u"OK"_s);
    Drop(statement);
    QTRY_VERIFY(preview.Done);
    QTRY_COMPARE(done.Texts.size(), 1);
    QCOMPARE(done.Texts.front(), u"Aus dem Kontoauszug „mai.xml“ übernommen: 1 Buchung in „April 2026“ (neu "
                        u"angelegt), 1 Buchung in „Mai 2026“ (neu angelegt)."_s);
    QCOMPARE(Books->Books().RowCount(), 3);
    QCOMPARE(Books->Books().Row(2).SubItem(0), u"Mai 2026"_s);
    QCOMPARE(Books->Books().Row(2).SubItem(3), u"820.00 €"_s);
    QCOMPARE(Child<TQELListView>("ListViewManager")->model()->rowCount(), 3);
}

void TestImportWindow::rulesEditedFromThePreviewApplyAtOnce()
{
    Start();
    const QString statement = File(u"maerz.xml"_s, CamtStatement(March));
    // Through the rule dialog by keyboard; true when it closed with OK.
    const auto typeRule = [this](const QString &pattern, bool regex, const QString &category) -> bool {
        ModalDriver rule(u"FormImportRule"_s, [&](QWidget *) {
            QTest::keyClicks(KeyTarget(), pattern);
            Key(Qt::Key_Tab);
            if (regex)
                Key(Qt::Key_Space);
            Key(Qt::Key_Tab);
            Key(Qt::Key_Down); // nur Einnahmen
            Key(Qt::Key_Down); // nur Ausgaben
            Key(Qt::Key_Tab);
            QTest::keyClicks(KeyTarget(), category);
            Key(Qt::Key_Return);
        });
        Key(Qt::Key_N, Qt::AltModifier);
        return rule.Done && rule.Closed;
    };
    ModalDriver preview(u"FormImport"_s, [&](QWidget *form) {
        ModalDriver rules(u"FormImportRules"_s, [&](QWidget *) {
            // A broken expression is refused, and the rule dialog stays for correcting it.
            MessageBoxAnswerer refused(u"OK"_s);
            QVERIFY(!typeRule(u"([a"_s, true, u"Auto"_s));
            QCOMPARE(refused.Texts.size(), 1);
            QVERIFY2(refused.Texts.front().contains(u"kein gültiger regulärer Ausdruck"_s), qPrintable(refused.Text));
            QVERIFY(typeRule(u"markt"_s, false, u"Haushalt"_s));
            QVERIFY(typeRule(u"^aral\\b"_s, true, u"Auto"_s));
            Key(Qt::Key_Return);
        });
        Key(Qt::Key_R, Qt::AltModifier);
        QVERIFY(rules.Done);
        QVERIFY(rules.Closed);
        QCOMPARE(Rows(form).at(2).Category, u"Haushalt"_s);
        // Completed from the category list: the group's name with its blank.
        QCOMPARE(Rows(form).at(3).Category, u"Auto "_s);
        QCOMPARE(Rows(form).at(1).Category, u"Sonstige"_s);
        Key(Qt::Key_Escape);
    });
    Drop(statement);
    QTRY_VERIFY(preview.Done);
    QVERIFY(preview.Closed);
    ImportStore store(Paths.ImportStoreFile());
    const QList<ImportRule> rules = store.Rules();
    QCOMPARE(rules.size(), 2);
    QCOMPARE(rules.at(1), (ImportRule{u"^aral\\b"_s, true, RuleDirection::Expense, u"Auto "_s, QString()}));
    QCOMPARE(Books->Books().RowCount(), 1);
}

// A savings bank's download: a ZIP of two months, each shown and booked in turn.
// A statement over fourteen months: the line below the table ends in "…" and is whole in its
// tooltip. A category given to one branch of a chain becomes a rule for the chain's word,
// edited in the question by keyboard, and the other branch follows at once.
void TestImportWindow::ruleForEveryBranchAndSummaryOfManyMonths()
{
    Start();
    QList<TestEntry> entries{{{2025, 1, 3}, u"42.90"_s, false, u"REWE Markt GmbH/Münster"_s, u"Einkauf"_s, u"R1"_s},
                             {{2025, 1, 9}, u"12.10"_s, false, u"REWE City/Kassel"_s, u"Einkauf"_s, u"R2"_s}};
    for (int month = 2; month <= 14; ++month)
        entries.append({QDate(2025, 1, 15).addMonths(month - 1), u"9.99"_s, false, u"Kiosk"_s, u"Zeitung"_s,
                        u"K%1"_s.arg(month)});
    const QString statement = File(u"lang.xml"_s, CamtStatement(entries));
    ModalDriver preview(u"FormImport"_s, [&](QWidget *form) {
        auto *summary = form->findChild<QLabel *>(u"LabelSummary"_s);
        const QString whole = static_cast<ImportPreviewModel *>(Table(form)->model())->Summary();
        QVERIFY(whole.endsWith(u"Januar 2026, Februar 2026"_s));
        QCOMPARE(summary->toolTip(), whole);
        QVERIFY(summary->text().endsWith(u'…'));
        QVERIFY(summary->fontMetrics().horizontalAdvance(summary->text()) <= summary->width());

        ModalDriver rule(u"RuleQuestion"_s, [&](QWidget *) {
            // The proposal is selected: typing replaces it; Return keeps the rule.
            QCOMPARE(static_cast<QLineEdit *>(KeyTarget())->selectedText(), u"REWE"_s);
            QTest::keyClicks(KeyTarget(), u"rewe"_s);
            Key(Qt::Key_Return);
        });
        Key(Qt::Key_F2);
        QTRY_COMPARE(KeyTarget()->objectName(), u"EditCategory"_s);
        QTest::keyClicks(KeyTarget(), u"lebensmittel"_s);
        Key(Qt::Key_Return);
        QTRY_VERIFY(rule.Done);
        QVERIFY(rule.Closed);
        QCOMPARE(Rows(form).at(1).Category, u"Lebensmittel"_s);
        QCOMPARE(Rows(form).at(2).Category, u"Sonstige"_s);
        // Unticking a row changes the line and its tooltip alike.
        Key(Qt::Key_Space);
        QCOMPARE(summary->toolTip(), static_cast<ImportPreviewModel *>(Table(form)->model())->Summary());
        QVERIFY(summary->toolTip().startsWith(u"15 Zeilen, 15 neu · zu übernehmen: 14 Buchungen"_s));
        Key(Qt::Key_Escape);
    });
    Drop(statement);
    QTRY_VERIFY(preview.Done);
    QVERIFY(preview.Closed);
    const QList<ImportRule> rules = ImportStore(Paths.ImportStoreFile()).Rules();
    QCOMPARE(rules.size(), 1);
    QCOMPARE(rules.front().Pattern, u"rewe"_s);
    QCOMPARE(rules.front().Category, u"Lebensmittel"_s);
    QCOMPARE(rules.front().Direction, RuleDirection::Expense);
}

void TestImportWindow::zipShowsEachStatementInTurn()
{
    Start();
    const QString zip =
        File(u"umsaetze.zip"_s,
             MakeZip({{u"2026-03.xml"_s, CamtStatement({{{2026, 3, 9}, u"7.00"_s, false, u"Kiosk"_s, u"Zeitung"_s, u"Z1"_s}})},
                      {u"2026-04.xml"_s, CamtStatement({{{2026, 4, 9}, u"8.00"_s, false, u"Kiosk"_s, u"Zeitung"_s, u"Z2"_s}})}}));
    std::unique_ptr<ModalDriver> second;
    ModalDriver first(u"FormImport"_s, [&](QWidget *) {
        second = std::make_unique<ModalDriver>(u"FormImport"_s, [&](QWidget *) { Key(Qt::Key_Return); });
        Key(Qt::Key_Return);
    });
    MessageBoxAnswerer yes(u"&Ja"_s, true); // April's book is made
    MessageBoxAnswerer done(u"OK"_s, true);
    Drop(zip);
    QTRY_VERIFY(first.Done);
    QTRY_VERIFY(second && second->Done);
    QTRY_COMPARE(done.Texts.size(), 2);
    QCOMPARE(done.Texts.at(0), u"Aus dem Kontoauszug „umsaetze.zip/2026-03.xml“ übernommen: 1 Buchung in „März 2026“."_s);
    QCOMPARE(done.Texts.at(1), u"Aus dem Kontoauszug „umsaetze.zip/2026-04.xml“ übernommen: 1 Buchung in „April 2026“ "
                               u"(neu angelegt)."_s);
}

QTEST_MAIN(TestImportWindow)
#include "tst_importwindow.moc"
