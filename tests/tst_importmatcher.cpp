#include "import/ImportMatcher.h"
#include "import/ImportPreviewModel.h"
#include "import/LedgerText.h"
#include "ledger/BookingList.h"
#include "ledger/Regional.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// "-2026-03-05 3.50 REWE" (expense), "+2026-03-01 1800.00 Arbeitgeber" (income); a trailing
// " pending" marks a pending row, " USD" another currency, " ref:X" the bank's reference.
StatementRow RowOf(const QString &shorthand)
{
    const QStringList f = shorthand.split(u' ');
    StatementRow row;
    row.Credit = f.at(0).startsWith(u'+');
    row.BookingDate = QDate::fromString(f.at(0).mid(1), u"yyyy-MM-dd");
    row.AmountCents = qRound64(f.at(1).toDouble() * 100);
    row.Currency = u"EUR"_s;
    row.Counterparty = f.value(2);
    for (const QString &flag : f.mid(3)) {
        if (flag == u"pending")
            row.Pending = true;
        else if (flag == u"USD")
            row.Currency = flag;
        else if (flag.startsWith(u"ref:"))
            row.Reference = flag.mid(4);
        else
            row.Purpose += flag;
    }
    return row;
}

Statement StatementOf(const QStringList &shorthands, const QString &account = u"DE02120300000000202051"_s)
{
    Statement s;
    s.Account = account;
    for (const QString &shorthand : shorthands)
        s.Rows.append(RowOf(shorthand));
    return s;
}

// What an import of the rows would leave in the store: the identities of the new ones.
void Remember(MatchContext &context, const Statement &statement)
{
    const Regional regional;
    MatchContext empty;
    for (const ImportCandidate &c : ImportMatcher(empty, regional).Match(statement)) {
        if (c.Status == ImportStatus::New)
            context.Imported.Add(c.Identity);
    }
}

QStringList Statuses(const QList<ImportCandidate> &rows)
{
    QStringList statuses;
    for (const ImportCandidate &c : rows)
        statuses.append(StatusText(c.Status));
    return statuses;
}

} // namespace

class TestImportMatcher : public QObject
{
    Q_OBJECT

private slots:
    void statuses_data();
    void statuses();
    void sameTransactionInAnotherFormat_data();
    void sameTransactionInAnotherFormat();
    void categoryAndPurpose_data();
    void categoryAndPurpose();
    void purposeWithoutARule_data();
    void purposeWithoutARule();
    void rowTextsForTheBook();
    void previewTicksOnlyWhatMayBeBooked();
    void importedRowGoneFromItsBookMayBeTicked();
    void matchedBookingIsNamed();
    void untickedBeforeStaysUnticked();
    void proposedRulePattern_data();
    void proposedRulePattern();

private:
    const Regional Regional_;
};

void TestImportMatcher::statuses_data()
{
    QTest::addColumn<QStringList>("book");     // "+05.03.2026 12.50": income, "-" expense
    QTest::addColumn<QStringList>("regular");  // "01. 800.00 Ausgabe"
    QTest::addColumn<QStringList>("earlier");  // rows imported before
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("expected");

    const QStringList none;
    QTest::newRow("new, pending, foreign, zero left out")
        << none << none << none
        << QStringList{u"-2026-03-05 3.50 Bäcker"_s, u"-2026-03-06 9.99 Shop pending"_s, u"-2026-03-07 20.00 Hotel USD"_s,
                       u"+2026-03-08 0.00 Bank"_s}
        << QStringList{u"neu"_s, u"vorgemerkt"_s, u"Fremdwährung"_s};
    QTest::newRow("two equal rows on a day are two bookings, one imported before")
        << none << none << QStringList{u"-2026-03-05 3.50 Bäcker"_s}
        << QStringList{u"-2026-03-05 3.50 Bäcker"_s, u"-2026-03-05 3.50 Bäcker"_s}
        << QStringList{u"doppelt"_s, u"neu"_s};
    QTest::newRow("a pending row does not shift the count")
        << none << none << QStringList{u"-2026-03-05 3.50 Bäcker"_s}
        << QStringList{u"-2026-03-05 3.50 Bäcker pending"_s, u"-2026-03-05 3.50 Bäcker"_s}
        << QStringList{u"vorgemerkt"_s, u"doppelt"_s};
    QTest::newRow("typed by hand within three days")
        << QStringList{u"-03.03.2026 42.90"_s, u"-20.03.2026 42.90"_s} << none << none
        << QStringList{u"-2026-03-06 42.90 Markt"_s, u"-2026-03-24 42.90 Markt"_s, u"+2026-03-06 42.90 Markt"_s}
        << QStringList{u"vorhanden"_s, u"neu"_s, u"neu"_s};
    QTest::newRow("across the month's end")
        << QStringList{u"-30.04.2026 10.00"_s} << none << none << QStringList{u"-2026-05-02 10.00 Kiosk"_s}
        << QStringList{u"vorhanden"_s};
    QTest::newRow("one booking by hand explains one row")
        << QStringList{u"-05.03.2026 3.50"_s} << none << none
        << QStringList{u"-2026-03-05 3.50 Bäcker"_s, u"-2026-03-05 3.50 Bäcker"_s}
        << QStringList{u"vorhanden"_s, u"neu"_s};
    QTest::newRow("an imported row keeps its own booking from looking present")
        << QStringList{u"-05.03.2026 3.50"_s} << none << QStringList{u"-2026-03-05 3.50 Bäcker"_s}
        << QStringList{u"-2026-03-06 3.50 Café"_s, u"-2026-03-05 3.50 Bäcker"_s}
        << QStringList{u"neu"_s, u"doppelt"_s};
    QTest::newRow("rent on its day, paid early, late by six days, twice in a month")
        << none << QStringList{u"01. 800.00 Ausgabe"_s} << none
        << QStringList{u"-2026-03-30 800.00 Vermieter"_s, u"-2026-04-02 800.00 Vermieter"_s,
                       u"-2026-05-07 800.00 Vermieter"_s}
        << QStringList{u"regelmäßig"_s, u"neu"_s, u"neu"_s};
    QTest::newRow("five days after the regular day counts, six do not")
        << none << QStringList{u"10. 100.00 Ausgabe"_s} << none
        << QStringList{u"-2026-03-15 100.00 Verein"_s, u"-2026-04-16 100.00 Verein"_s}
        << QStringList{u"regelmäßig"_s, u"neu"_s};
    QTest::newRow("five days before the next month's day counts, six do not")
        << none << QStringList{u"03. 200.00 Ausgabe"_s} << none
        << QStringList{u"-2026-02-26 200.00 Versicherung"_s, u"-2026-01-28 200.00 Versicherung"_s}
        << QStringList{u"regelmäßig"_s, u"neu"_s};
    QTest::newRow("five days after the last month's day counts, six do not")
        << none << QStringList{u"28. 300.00 Einnahme"_s} << none
        << QStringList{u"+2026-03-05 300.00 Rente"_s, u"+2026-05-04 300.00 Rente"_s}
        << QStringList{u"regelmäßig"_s, u"neu"_s};
    QTest::newRow("regular day 31 in a short month, other kind, other amount")
        << none << QStringList{u"31. 150.00 Einnahme"_s, u"15. 60.00 Ausgabe"_s} << none
        << QStringList{u"+2026-02-27 150.00 Kindergeld"_s, u"+2026-03-15 60.00 Erstattung"_s, u"-2026-03-15 60.01 X"_s}
        << QStringList{u"regelmäßig"_s, u"neu"_s, u"neu"_s};
    QTest::newRow("regular before present")
        << QStringList{u"-01.03.2026 800.00"_s} << QStringList{u"01. 800.00 Ausgabe"_s} << none
        << QStringList{u"-2026-03-01 800.00 Vermieter"_s, u"-2026-03-02 800.00 Vermieter"_s}
        << QStringList{u"regelmäßig"_s, u"vorhanden"_s};
}

void TestImportMatcher::statuses()
{
    QFETCH(QStringList, book);
    QFETCH(QStringList, regular);
    QFETCH(QStringList, earlier);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, expected);

    MatchContext context;
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    for (const QString &b : book) {
        const QStringList f = b.mid(1).split(u' ');
        (b.startsWith(u'+') ? income : expend).AddRow(ListRow::Make(f.at(0), {f.at(1), u"K"_s, u"V"_s}));
    }
    context.Ledger.AddBook(income, expend, Regional_);
    BookingList regularList(ListKind::Regular);
    for (const QString &r : regular) {
        const QStringList f = r.split(u' ');
        regularList.AddRow(ListRow::Make(f.at(0), {f.at(1), u"K"_s, u"V"_s, f.at(2)}));
    }
    context.Ledger.SetRegular(regularList);
    Remember(context, StatementOf(earlier));

    const QList<ImportCandidate> result = ImportMatcher(context, Regional_).Match(StatementOf(rows));
    QCOMPARE(Statuses(result), expected);
    for (const ImportCandidate &c : result)
        QCOMPARE(c.Ticked, c.Status == ImportStatus::New);
}

void TestImportMatcher::sameTransactionInAnotherFormat_data()
{
    QTest::addColumn<QString>("firstAccount");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("secondAccount");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("duplicate");

    const QString iban = u"DE02 1203 0000 0000 2020 51"_s;
    QTest::newRow("same reference")
        << iban << u"-2026-03-05 12.00 A ref:R1"_s << iban << u"-2026-03-05 12.00 B ref:R1"_s << true;
    QTest::newRow("CAMT with reference, CSV without")
        << iban << u"-2026-03-05 12.00 Stadtwerke Strom ref:R1"_s << QString() << u"-2026-03-05 12.00 STADTWERKE strom"_s
        << true;
    QTest::newRow("IBAN and bank code with account number")
        << iban << u"-2026-03-05 12.00 Stadtwerke Strom"_s << u"12030000/202051"_s << u"-2026-03-05 12.00 Stadtwerke Strom"_s
        << true;
    QTest::newRow("MT940 spells umlauts out and cuts the name")
        << iban << u"-2026-03-05 12.00 Müllerstraßenbäckerei_Großhandel_und_Söhne Brötchen"_s << iban
        << u"-2026-03-05 12.00 MUELLERSTRASSENBAECKEREI_GROSSH BROETCHEN"_s << true;
    QTest::newRow("capital umlauts spelled out in one export")
        << iban << u"-2026-03-05 12.00 BÄCKEREI_MÜLLER"_s << iban << u"-2026-03-05 12.00 Baeckerei_Mueller"_s << true;
    QTest::newRow("capital Ö in the purpose") << iban << u"-2026-03-05 12.00 Stadtwerke ÖKOSTROM"_s << iban
                                               << u"-2026-03-05 12.00 Stadtwerke Oekostrom"_s << true;
    QTest::newRow("another account")
        << iban << u"-2026-03-05 12.00 A"_s << u"DE89370400440532013000"_s << u"-2026-03-05 12.00 A"_s << false;
    QTest::newRow("different references, same content")
        << iban << u"-2026-03-05 12.00 A ref:R1"_s << iban << u"-2026-03-05 12.00 A ref:R2"_s << false;
    QTest::newRow("another day") << iban << u"-2026-03-05 12.00 A"_s << iban << u"-2026-03-06 12.00 A"_s << false;
    QTest::newRow("other direction") << iban << u"-2026-03-05 12.00 A"_s << iban << u"+2026-03-05 12.00 A"_s << false;
    QTest::newRow("other purpose")
        << iban << u"-2026-03-05 12.00 A Rechnung1"_s << iban << u"-2026-03-05 12.00 A Rechnung2"_s << false;
}

void TestImportMatcher::sameTransactionInAnotherFormat()
{
    QFETCH(QString, firstAccount);
    QFETCH(QString, first);
    QFETCH(QString, secondAccount);
    QFETCH(QString, second);
    QFETCH(bool, duplicate);

    const auto spaced = [](QString text) { return text.replace(u'_', u' '); };
    MatchContext context;
    Statement before = StatementOf({first}, firstAccount);
    before.Rows[0].Counterparty = spaced(before.Rows[0].Counterparty);
    Remember(context, before);
    Statement again = StatementOf({second}, secondAccount);
    again.Rows[0].Counterparty = spaced(again.Rows[0].Counterparty);
    const QList<ImportCandidate> rows = ImportMatcher(context, Regional_).Match(again);
    QCOMPARE(rows.front().Status, duplicate ? ImportStatus::Duplicate : ImportStatus::New);
}

void TestImportMatcher::categoryAndPurpose_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("purpose");

    QTest::newRow("first matching rule, letter case ignored")
        << u"-2026-03-05 42.90 REWE_Markt_GmbH"_s << u"Haushalt"_s << u"Nahrungsmittel"_s;
    QTest::newRow("rule found in the purpose") << u"-2026-03-05 9.99 PayPal Netflix"_s << u"Freizeit"_s << u"Streaming"_s;
    QTest::newRow("rule only for income skipped") << u"-2026-03-05 5.00 Zinsgutschrift"_s << u"Sonstige"_s
                                                  << u"Zinsgutschrift"_s;
    QTest::newRow("rule for income") << u"+2026-03-05 5.00 Zinsgutschrift"_s << u"Zinsen"_s << u"Zinsgutschrift"_s;
    QTest::newRow("regular expression") << u"-2026-03-05 60.00 Tankstelle_Nr_4711"_s << u"Auto "_s << u"Tanken"_s;
    QTest::newRow("what the counterparty got last time")
        << u"-2026-03-05 30.00 Stadtwerke"_s << u"Wohnen"_s << u"Strom"_s;
    QTest::newRow("nothing known: the name, cut at a blank and fit for the ledger")
        << u"-2026-03-05 30.00 Łódź_Handelsgesellschaft_für_Bürobedarf_mbH"_s << u"Sonstige"_s
        << u"Lódz Handelsgesellschaft für"_s;
}

void TestImportMatcher::categoryAndPurpose()
{
    QFETCH(QString, row);
    QFETCH(QString, category);
    QFETCH(QString, purpose);

    MatchContext context;
    context.Rules = RuleSet({
        {u"rewe"_s, false, RuleDirection::Both, u"Haushalt"_s, u"Nahrungsmittel"_s},
        {u"netflix"_s, false, RuleDirection::Expense, u"Freizeit"_s, u"Streaming"_s},
        {u"REWE"_s, false, RuleDirection::Both, u"Falsch"_s, u"Falsch"_s},
        {u"zins"_s, false, RuleDirection::Income, u"Zinsen"_s, QString()},
        {u"^tankstelle\\b.*\\d+$"_s, true, RuleDirection::Expense, u"Auto "_s, u"Tanken"_s},
        {u"([broken"_s, true, RuleDirection::Both, u"Nie"_s, u"Nie"_s},
    });
    context.Remembered.insert(ImportStore::RememberedKey(false, u"STADTWERKE"_s), {u"Wohnen"_s, u"Strom"_s});
    Statement s = StatementOf({row});
    s.Rows[0].Counterparty.replace(u'_', u' ');
    const ImportCandidate c = ImportMatcher(context, Regional_).Match(s).front();
    QCOMPARE(c.Category, category);
    QCOMPARE(c.Purpose, purpose);
}

void TestImportMatcher::purposeWithoutARule_data()
{
    QTest::addColumn<QString>("counterparty");
    QTest::addColumn<QString>("purpose");
    QTest::addColumn<QString>("bookingText");
    QTest::addColumn<QString>("expected");
    QTest::newRow("the other party's name first") << u"Café Mokka"_s << u"Kartenzahlung"_s << u"Presentment"_s
                                                  << u"Café Mokka"_s;
    QTest::newRow("else the purpose's words, not its references")
        << QString() << u"EREF+4711-0815 SVWZ+Amazon Marketplace 028-1234567 DE02120300000000202051"_s
        << u"Basislastschrift"_s << u"Amazon Marketplace"_s;
    QTest::newRow("a date and a card number are no words")
        << QString() << u"Tankstelle Nord 12.03.2026 10:15 Karte 4871"_s << u"Presentment"_s << u"Tankstelle Nord Karte"_s;
    QTest::newRow("nothing but codes: the kind of booking")
        << QString() << u"NOTPROVIDED 20260305123456"_s << u"DAUERAUFTRAG"_s << u"DAUERAUFTRAG"_s;
}

void TestImportMatcher::purposeWithoutARule()
{
    QFETCH(QString, counterparty);
    QFETCH(QString, purpose);
    QFETCH(QString, bookingText);
    QFETCH(QString, expected);
    Statement s = StatementOf({u"-2026-03-05 30.00 X"_s});
    s.Rows[0].Counterparty = counterparty;
    s.Rows[0].Purpose = purpose;
    s.Rows[0].BookingText = bookingText;
    const ImportCandidate c = ImportMatcher(MatchContext(), Regional_).Match(s).front();
    QCOMPARE(c.Category, u"Sonstige"_s);
    QCOMPARE(c.Purpose, expected);
}

void TestImportMatcher::rowTextsForTheBook()
{
    MatchContext context;
    Statement s = StatementOf({u"+2026-12-31 1234.50 Arbeitgeber"_s, u"-2027-01-01 0.07 Bank"_s});
    const QList<ImportCandidate> rows = ImportMatcher(context, Regional_).Match(s);
    QCOMPARE(rows.at(0).BookName, u"Dezember 2026"_s);
    QCOMPARE(rows.at(0).DateText, u"31.12.2026"_s);
    QCOMPARE(rows.at(0).Amount, u"1234.50"_s);
    QCOMPARE(rows.at(1).BookName, u"Januar 2027"_s);
    QCOMPARE(rows.at(1).Amount, u"0.07"_s);
    QCOMPARE(BooksToCompare(s), (QStringList{u"Dezember 2026"_s, u"Januar 2027"_s}));
    QCOMPARE(LedgerText::Shorten(u"  A\tB\u00a0\u2603 C  "_s), u"A B C"_s);
}

// After a restore of older books (or a booking removed), the store still knows the row: it is
// shown as imported, not ticked, but may be ticked to bring the booking back.
void TestImportMatcher::importedRowGoneFromItsBookMayBeTicked()
{
    MatchContext context;
    Remember(context, StatementOf({u"-2026-03-05 3.50 Bäcker"_s, u"-2026-03-06 9.90 Kiosk"_s}));
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    expend.AddRow(ListRow::Make(u"06.03.2026"_s, {u"9.90"_s, u"K"_s, u"V"_s}));
    context.Ledger.AddBook(income, expend, Regional_);
    ImportPreviewModel model;
    model.SetRows(ImportMatcher(context, Regional_)
                      .Match(StatementOf({u"-2026-03-05 3.50 Bäcker"_s, u"-2026-03-06 9.90 Kiosk"_s})));
    QCOMPARE(model.data(model.index(0, ImportPreviewModel::ColStatus)).toString(), u"doppelt (fehlt im Buch)"_s);
    QCOMPARE(model.data(model.index(1, ImportPreviewModel::ColStatus)).toString(), u"doppelt"_s);
    QCOMPARE(model.ChosenCount(), 0);
    QVERIFY(model.setData(model.index(0, ImportPreviewModel::ColTick), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(!model.setData(model.index(1, ImportPreviewModel::ColTick), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(model.ChosenCount(), 1);
}

void TestImportMatcher::previewTicksOnlyWhatMayBeBooked()
{
    MatchContext context;
    BookingList regular(ListKind::Regular);
    regular.AddRow(ListRow::Make(u"01."_s, {u"800.00"_s, u"Wohnen"_s, u"Miete"_s, u"Ausgabe"_s}));
    context.Ledger.SetRegular(regular);
    ImportPreviewModel model;
    model.SetRows(ImportMatcher(context, Regional_)
                      .Match(StatementOf({u"+2026-03-01 1800.00 Arbeitgeber"_s, u"-2026-03-01 800.00 Vermieter"_s,
                                          u"-2026-03-02 9.00 Shop pending"_s})));
    QSignalSpy summary(&model, &ImportPreviewModel::SummaryChanged);
    QSignalSpy edited(&model, &ImportPreviewModel::CategoryEdited);

    QCOMPARE(model.Summary(), u"3 Zeilen, 1 neu · zu übernehmen: 1 Buchung, Einnahmen 1800.00 €, Ausgaben 0.00 € "
                              u"· in März 2026"_s);
    QVERIFY(model.setData(model.index(1, ImportPreviewModel::ColTick), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(!model.setData(model.index(2, ImportPreviewModel::ColTick), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(model.ChosenCount(), 2);
    QCOMPARE(summary.count(), 1);
    QVERIFY(!(model.flags(model.index(2, ImportPreviewModel::ColCategory)) & Qt::ItemIsEditable));

    // As the entry dialogs take a text: 30 characters at most, the first letter capitalised.
    QVERIFY(!model.setData(model.index(0, ImportPreviewModel::ColPurpose), QString(31, u'x')));
    QVERIFY(model.setData(model.index(0, ImportPreviewModel::ColCategory), u"gehalt"_s));
    QCOMPARE(model.Rows().at(0).Category, u"Gehalt"_s);
    QVERIFY(model.Rows().at(0).ByHand);
    QCOMPARE(edited.count(), 1);
    model.Reassign([](ImportCandidate &c) { c.Category = u"Neu"_s; });
    QCOMPARE(model.Rows().at(0).Category, u"Gehalt"_s);
    QCOMPARE(model.Rows().at(1).Category, u"Neu"_s);
}

// A row left out because the ledger has it says which booking that is, and the row taken for
// the booking is the nearest one.
void TestImportMatcher::matchedBookingIsNamed()
{
    MatchContext context;
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    expend.AddRow(ListRow::Make(u"04.03.2026"_s, {u"42.90"_s, u"Haushalt"_s, u"Einkauf"_s}));
    expend.AddRow(ListRow::Make(u"07.03.2026"_s, {u"42.90"_s, u"Haushalt"_s, u"Wochenmarkt"_s}));
    context.Ledger.AddBook(income, expend, Regional_);
    BookingList regular(ListKind::Regular);
    regular.AddRow(ListRow::Make(u"01."_s, {u"800.00"_s, u"Wohnen"_s, u"Miete"_s, u"Ausgabe"_s}));
    context.Ledger.SetRegular(regular);
    ImportPreviewModel model;
    model.SetRows(ImportMatcher(context, Regional_)
                      .Match(StatementOf({u"-2026-03-08 42.90 REWE"_s, u"-2026-03-05 42.90 REWE"_s,
                                          u"-2026-03-30 800.00 Vermieter"_s, u"-2026-03-02 800.00 Vermieter"_s})));
    QStringList shown;
    for (int row = 0; row < model.rowCount(); ++row)
        shown.append(model.data(model.index(row, ImportPreviewModel::ColStatus)).toString());
    QCOMPARE(shown, (QStringList{u"vorhanden: 07.03.2026 · 42.90 € · Wochenmarkt"_s,
                                 u"vorhanden: 04.03.2026 · 42.90 € · Einkauf"_s,
                                 u"regelmäßig: 01.04.2026 · 800.00 € · Miete"_s,
                                 u"regelmäßig: 01.03.2026 · 800.00 € · Miete"_s}));
    QVERIFY(model.data(model.index(1, ImportPreviewModel::ColDate), Qt::ToolTipRole)
                .toString()
                .endsWith(u"\nStatus: vorhanden: 04.03.2026 · 42.90 € · Einkauf"_s));
}

void TestImportMatcher::untickedBeforeStaysUnticked()
{
    MatchContext context;
    const Statement first = StatementOf({u"-2026-03-05 3.50 Bäcker"_s, u"-2026-03-06 9.90 Kiosk"_s});
    context.Unticked.Add(ImportMatcher(context, Regional_).Match(first).at(1).Identity);
    // A later statement overlaps the first: the kiosk comes again, from a file without account.
    const Statement second = StatementOf({u"-2026-03-06 9.90 Kiosk"_s, u"-2026-03-07 2.00 Kiosk"_s}, QString());
    const QList<ImportCandidate> rows = ImportMatcher(context, Regional_).Match(second);
    QCOMPARE(Statuses(rows), (QStringList{u"neu"_s, u"neu"_s}));
    QVERIFY(!rows.at(0).Ticked);
    QCOMPARE(StatusLine(rows.at(0)), u"neu (zuvor abgewählt)"_s);
    QVERIFY(rows.at(1).Ticked);
}

void TestImportMatcher::proposedRulePattern_data()
{
    QTest::addColumn<QString>("counterparty");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("legal form, generic word, place") << u"REWE Markt GmbH/Münster"_s << u"REWE"_s;
    QTest::newRow("station number") << u"ARAL Station 2811"_s << u"ARAL"_s;
    QTest::newRow("thanks") << u"EDEKA SAGT DANKE"_s << u"EDEKA"_s;
    QTest::newRow("generic word first") << u"Tankstelle Schmidt e.K."_s << u"Schmidt"_s;
    QTest::newRow("number first, brackets") << u"0815 (Bäckerei Korn) GmbH & Co. KG"_s << u"Bäckerei"_s;
    QTest::newRow("short name takes the next word") << u"DM Drogerie Markt"_s << u"DM Drogerie"_s;
    QTest::newRow("short words with a sign between") << u"H & M Hennes"_s << u"H & M"_s;
    QTest::newRow("short name alone") << u"OBI"_s << u"OBI"_s;
    QTest::newRow("nothing distinctive: the whole name") << u" Markt GmbH 12 "_s << u"Markt GmbH 12"_s;
    QTest::newRow("a person") << u"Schäfer, Thomas"_s << u"Schäfer"_s;
}

void TestImportMatcher::proposedRulePattern()
{
    QFETCH(QString, counterparty);
    QFETCH(QString, pattern);
    QCOMPARE(ProposedRulePattern(counterparty), pattern);
}

QTEST_GUILESS_MAIN(TestImportMatcher)
#include "tst_importmatcher.moc"
