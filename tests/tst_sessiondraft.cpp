// A booking typed but not confirmed when the session ends: kept as a draft, never booked on
// its own, offered in its dialog at the next start and booked only with OK.

#include "MainWindowFixture.h"
#include "MessageBoxAnswerer.h"

#include "dialogs/DatePicker.h"
#include "ledger/BookingDraft.h"
#include "ledger/ListFiles.h"

#include <QLineEdit>

using namespace Qt::StringLiterals;

class TestSessionDraft : public QObject, public MainWindowFixture
{
    Q_OBJECT

private slots:
    void cleanup() { TearDown(); }
    void draftReadsBack();
    void damagedDraftIsNotOffered_data();
    void damagedDraftIsNotOffered();
    void logoutKeepsTheTypedBooking();

private:
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(KeyTarget(), key, modifiers); }
};

void TestSessionDraft::draftReadsBack()
{
    BookingDraft draft;
    draft.Kind = BookingDraft::Side::Regular;
    draft.Edit = true;
    draft.Original = ListRow::Make(u"07."_s, {u"1200.00"_s, u"Lohn"_s, u"Gehalt"_s, u"Einnahme"_s});
    draft.Typed = ListRow::Make(u"07."_s, {u"1250"_s, u"Lohn\tneu"_s, u"Gehalt"_s, u"Einnahme"_s});
    const std::optional<BookingDraft> back = BookingDrafts::Parse(BookingDrafts::Bytes(draft));
    QVERIFY(back);
    QCOMPARE(back->Typed.SubItem(1), u"Lohn neu"_s); // a tab cannot split a field
    draft.Typed.SubItems[1] = u"Lohn neu"_s;
    QCOMPARE(back->Typed.SubItems, draft.Typed.SubItems);
    QCOMPARE(back->Original.SubItems, draft.Original.SubItems);
    QCOMPARE(BookingDrafts::Describe(*back), u"Regelmäßige Einnahme 1250,00 € „Gehalt“ am 07."_s);
}

void TestSessionDraft::damagedDraftIsNotOffered_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = "Art\tAusgabe\nBuch\tMärz 2008\nBearbeitet\tnein\nEingabe\t03.03.2008\t12.50\tBrot\t\n";
    QVERIFY(BookingDrafts::Parse(good));
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no typed row") << QByteArray("Art\tAusgabe\nBuch\tMärz 2008\nBearbeitet\tnein\n");
    QTest::newRow("unknown side") << QByteArray(good).replace("Ausgabe", "Spende");
    QTest::newRow("edit without its original") << QByteArray(good).replace("nein", "ja");
    QTest::newRow("unknown line") << good + "Fremd\tx\n";
    QTest::newRow("too many fields") << QByteArray(good).replace("Brot\t", "Brot\t1\t2\t3\t4\t5\t6\t");
    QTest::newRow("too long") << good + QByteArray(20000, ' ');
}

void TestSessionDraft::damagedDraftIsNotOffered()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!BookingDrafts::Parse(bytes));
}

void TestSessionDraft::logoutKeepsTheTypedBooking()
{
    SetUp();
    QVERIFY(StartWindow());
    Books->CreateBook(u"März 2008"_s, QDateTime(QDate(2008, 3, 1), QTime(12, 0)));
    Books->ScanBooks();
    Window->ShowPanel(2);
    const QByteArray before = ListFiles::ReadFile(Paths.BookFile(u"März 2008"_s));

    // Typed into "Neue Buchung", then the session ends (SIGTERM) before OK.
    ModalDriver typing(u"FormEntryExpend"_s, [&](QWidget *form) {
        form->findChild<TQELDatePicker *>(u"DateTimePicker1"_s)->SetDate(QDate(2008, 3, 3));
        Key(Qt::Key_Tab);
        KeyTarget()->setProperty("text", QString());
        QTest::keyClicks(KeyTarget(), u"12,50"_s);
        Key(Qt::Key_Tab);
        QTest::keyClicks(KeyTarget(), u"Lebensmittel"_s);
        Key(Qt::Key_Tab);
        QTest::keyClicks(KeyTarget(), u"Brot"_s);
        Window->EndWithoutQuestions(u"Signal SIGTERM erhalten"_s);
        // The program's loop ends there, and the dialog's with it.
        static_cast<QDialog *>(form)->reject();
    });
    Key(Qt::Key_N, Qt::AltModifier);
    QVERIFY(typing.Done);
    QCOMPARE(ListFiles::ReadFile(Paths.BookFile(u"März 2008"_s)), before);
    const std::optional<BookingDraft> draft = BookingDrafts::Read(Paths.ProgramDataFolder);
    QVERIFY(draft);
    QCOMPARE(BookingDrafts::Describe(*draft), u"Ausgabe 12,50 € „Brot“ vom 03.03.2008 in März 2008"_s);

    // The next start offers it; the dialog opens with it, OK books it, the draft is gone.
    TearDownWindowOnly();
    QVERIFY(StartWindow());
    MessageBoxAnswerer yes(u"&Ja"_s);
    ModalDriver confirm(u"FormEntryExpend"_s, [&](QWidget *form) {
        QCOMPARE(form->findChild<QLineEdit *>(u"Edit2"_s)->text(), u"12.50"_s);
        Key(Qt::Key_Return);
    });
    Window->OfferDraft();
    QVERIFY(yes.Text.contains(u"Ausgabe 12,50 € „Brot“ vom 03.03.2008 in März 2008"_s));
    QVERIFY(confirm.Done);
    QCOMPARE(Books->CurrentBook(), u"März 2008"_s);
    QCOMPARE(Books->Expend().RowCount(), 1);
    QCOMPARE(Books->Expend().Row(0).SubItems, (QStringList{u"12.50"_s, u"Lebensmittel"_s, u"Brot"_s}));
    QVERIFY(!QFile::exists(Paths.ProgramDataFolder + BookingDrafts::FileName()));
}

QTEST_MAIN(TestSessionDraft)
#include "tst_sessiondraft.moc"
