// Writes the seed corpus of the fuzz targets: fuzz_make_seeds <corpus folder>.
// Most seeds come from the real writer; the branches it never writes (the older 8-bit row
// block, flag prefixes, child objects and their value types) are built byte by byte.

#include "transfer/TransferJournal.h"
#include "budget/BudgetFile.h"
#include "changes/EntryCodec.h"
#include "history/HistorySteps.h"
#include "ledger/BookingDraft.h"
#include "ledger/BookingList.h"
#include "ledger/CategoryTable.h"
#include "ledger/ComponentStream.h"
#include "ledger/DataLock.h"
#include "ledger/ListFiles.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QString>
#include <QtEndian>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

QString CorpusRoot;

void Put(const char *target, const char *name, const QByteArray &bytes)
{
    const QString folder = CorpusRoot + u'/' + QLatin1StringView(target);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", qUtf8Printable(folder));
        std::exit(1);
    }
    QFile file(folder + u'/' + QLatin1StringView(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qUtf8Printable(file.fileName()));
        std::exit(1);
    }
}

// Little-endian bytes of the list record stream, for the hand-made seeds.
class Bytes
{
public:
    Bytes &Byte(int b)
    {
        Out_.append(static_cast<char>(b));
        return *this;
    }
    Bytes &Int16(qint16 v) { return Value(qToLittleEndian(v)); }
    Bytes &Int32(qint32 v) { return Value(qToLittleEndian(v)); }
    Bytes &Raw(QByteArrayView bytes)
    {
        Out_.append(bytes);
        return *this;
    }
    // A length byte and 8-bit characters.
    Bytes &Short(QByteArrayView text)
    {
        Byte(static_cast<int>(text.size()));
        return Raw(text);
    }
    // A property name and an 8-bit integer value.
    Bytes &Int8Property(QByteArrayView name, qint8 v) { return Short(name).Byte(2).Byte(static_cast<quint8>(v)); }
    Bytes &Binary(const QByteArray &block) { return Byte(10).Int32(static_cast<qint32>(block.size())).Raw(block); }
    const QByteArray &Data() const { return Out_; }

private:
    template <typename T>
    Bytes &Value(T v)
    {
        Out_.append(reinterpret_cast<const char *>(&v), sizeof v);
        return *this;
    }

    QByteArray Out_;
};

QByteArray Record(const BookingList &list, const QString &objectName, int tabOrder)
{
    QByteArray out;
    ComponentStream::WriteListRecord(out, list, objectName, tabOrder);
    return out;
}

void AddRows(BookingList &income, BookingList &expend)
{
    income.AddRow(ListRow::Make(QStringLiteral("01.03.2008"),
                                {QStringLiteral("1999.99"), QStringLiteral("Gehalt"), QStringLiteral("März")}));
    income.AddRow(ListRow::Make(QStringLiteral("15.03.2008"),
                                {QStringLiteral("12.50"), QStringLiteral("Zinsen"), QStringLiteral("Sparbuch 5 €")}));
    QString longPurpose;
    while (longPurpose.size() < 300)
        longPurpose += QStringLiteral("Wocheneinkauf ä ");
    longPurpose.truncate(300);
    expend.AddRow(ListRow::Make(QStringLiteral("02.03.2008"),
                                {QStringLiteral("84.17"), QStringLiteral("Haushalt - Nahrungsmittel"), longPurpose}));
    ListRow images = ListRow::Make(QStringLiteral("03.03.2008"),
                                   {QStringLiteral("650.00"), QStringLiteral("Wohnen - Miete"), QString()});
    images.ImageIndex = 2;
    images.Data = 0xDEADBEEF;
    images.SubItemImages = {1, -1, 7};
    expend.AddRow(images);
}

// The older "Items.Data" block: a total size, then rows with 8-bit texts, then (when
// withImages) one image index per sub-item.
QByteArray OldItemBlock(bool withImages)
{
    Bytes rows;
    rows.Int32(2);
    rows.Int32(0).Int32(-1).Int32(-1).Int32(3).Int32(0);
    rows.Short("01.03.2008").Short("12.50").Short("Lebensmittel").Short("K\xE4se \x80");
    rows.Int32(1).Int32(-1).Int32(-1).Int32(2).Int32(42);
    rows.Short("07.03.2008").Short("3.99").Short("");
    if (withImages) {
        rows.Int16(-1).Int16(-1).Int16(4);
        rows.Int16(-1).Int16(0);
    }
    Bytes block;
    block.Int32(static_cast<qint32>(4 + rows.Data().size())).Raw(rows.Data());
    return block.Data();
}

QByteArray OldItemRecord(bool withImages)
{
    Bytes r;
    r.Raw("TPF0").Short("TListView").Short("ListViewIncome");
    r.Int8Property("Left", 6).Int8Property("Top", 54);
    r.Short("Columns").Byte(14);
    r.Byte(1).Short("Caption").Byte(6).Short("Datum").Int8Property("Width", 80).Byte(0);
    r.Byte(2).Byte(1).Byte(1).Short("Alignment").Byte(7).Short("taRightJustify").Short("AutoSize").Byte(9)
        .Short("MinWidth").Byte(3).Int16(20).Byte(0);
    r.Byte(0);
    r.Short("Items.Data").Binary(OldItemBlock(withImages));
    r.Int8Property("TabOrder", 0);
    r.Byte(0).Byte(0);
    return r.Data();
}

// A record with a flag byte and index before its class name, followed by a child object
// that carries every value type the reader has to skip.
QByteArray FlaggedRecord()
{
    Bytes r;
    r.Raw("TPF0").Byte(0xF2).Byte(2).Byte(3).Short("TListView").Short("ListViewExpend");
    r.Int8Property("Left", 6);
    r.Short("Color").Byte(4).Int32(0x00FFEEDD);
    r.Short("Font.Name").Byte(12).Int32(5).Raw("Arial");
    r.Short("Font.Style").Byte(11).Short("fsBold").Short("fsItalic").Byte(0);
    r.Short("ViewStyle").Byte(7).Short("vsReport");
    r.Byte(0);

    r.Byte(0xF1).Short("TLabel").Short("Label1");
    r.Short("A").Byte(1).Byte(2).Byte(5).Byte(6).Short("hi").Byte(0);
    r.Short("B").Byte(3).Int16(-300);
    r.Short("C").Byte(4).Int32(70000);
    r.Short("D").Byte(5).Raw(QByteArray(10, '\x01'));
    r.Short("E").Byte(15).Int32(0x3F800000);
    r.Short("F").Byte(16).Raw(QByteArray(8, '\x02'));
    r.Short("G").Byte(17).Raw(QByteArray(8, '\x03'));
    r.Short("H").Byte(19).Raw(QByteArray(8, '\x04'));
    r.Short("I").Byte(21).Raw(QByteArray(8, '\x05'));
    r.Short("J").Byte(7).Short("clRed");
    r.Short("K").Binary("abc");
    r.Short("L").Byte(12).Int32(3).Raw("xyz");
    r.Short("M").Byte(20).Int32(2).Raw("\xC3\xA4");
    r.Short("N").Byte(18).Int32(1).Int16(0x20AC);
    r.Short("O").Byte(11).Short("fsBold").Byte(0);
    r.Short("P").Byte(14).Byte(2).Byte(0).Byte(1).Short("Name").Byte(6).Short("x").Byte(0).Byte(0);
    r.Short("Q").Byte(13).Short("R").Byte(8).Short("S").Byte(9);
    r.Byte(0);
    r.Byte(0xF0).Short("TPanel").Short("Panel1").Byte(0).Byte(0); // grandchild
    r.Byte(0);
    r.Byte(0); // end of the children
    return r.Data();
}

// Writer seeds that reach the other text forms and integer widths.
BookingList PresentationVariant()
{
    BookingList list(ListKind::Regular);
    QList<ListColumn> columns = BookingList::StandardColumns(ListKind::Regular);
    columns[0].Caption = QStringLiteral("Tag ä");         // UTF-8 is shortest
    columns[2].Caption = QStringLiteral("€€");            // UTF-16 is shortest
    columns[3].Caption = QString(260, u'V');              // longer than a short string
    columns[4].Alignment = ColumnAlignment::Center;
    columns[4].Width = 100000;
    list.SetColumns(columns);
    ListPresentation &p = list.Presentation();
    p.Left = 300;
    p.Color = NamedValue{QString(), 0x00C0FFEE};
    p.FontStyle = {QStringLiteral("fsBold"), QStringLiteral("fsUnderline")};
    p.FontName = QStringLiteral("Tahoma");
    p.ViewStyle = QStringLiteral("vsList");
    list.AddRow(ListRow::Make(QStringLiteral("28."), {QStringLiteral("9.99"), QStringLiteral("Freizeit"),
                                                      QStringLiteral("Zeitung"), QStringLiteral("Ausgabe")}));
    return list;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    CorpusRoot = QString::fromLocal8Bit(argv[1]);

    // ---- list records and the files made of them
    const QByteArray emptyBook =
        ListFiles::MonthBookBytes(BookingList(ListKind::Income), BookingList(ListKind::Expend));
    if (emptyBook.size() != 1112) {
        std::fprintf(stderr, "an empty month book has %lld bytes, expected 1112\n",
                     static_cast<long long>(emptyBook.size()));
        return 1;
    }
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    AddRows(income, expend);
    const QByteArray book = ListFiles::MonthBookBytes(income, expend);

    BookingList regular(ListKind::Regular);
    regular.AddRow(ListRow::Make(QStringLiteral("01."), {QStringLiteral("650.00"), QStringLiteral("Wohnen"),
                                                         QStringLiteral("Miete"), QStringLiteral("Ausgabe")}));
    regular.AddRow(ListRow::Make(QStringLiteral("15."), {QStringLiteral("2100.00"), QStringLiteral("Gehalt"),
                                                         QStringLiteral("Gehalt"), QStringLiteral("Einnahme")}));
    const QByteArray regularFile = ListFiles::RegularBytes(regular);

    const QByteArray emptyExpend = Record(BookingList(ListKind::Expend), ListFiles::ExpendObjectName(), 0);
    const QByteArray oldRecord = OldItemRecord(true);
    const QByteArray oldRecordNoImages = OldItemRecord(false);
    const QByteArray flagged = FlaggedRecord();
    const QByteArray variant = Record(PresentationVariant(), ListFiles::RegularObjectName(), 1);

    Put("fuzz_list_record", "empty", Record(BookingList(ListKind::Income), ListFiles::IncomeObjectName(), 0));
    Put("fuzz_list_record", "income_rows", Record(income, ListFiles::IncomeObjectName(), 0));
    Put("fuzz_list_record", "expend_rows", Record(expend, ListFiles::ExpendObjectName(), 0));
    Put("fuzz_list_record", "regular", regularFile);
    Put("fuzz_list_record", "presentation", variant);
    Put("fuzz_list_record", "old_items_data", oldRecord);
    Put("fuzz_list_record", "old_items_data_no_images", oldRecordNoImages);
    Put("fuzz_list_record", "flag_prefix_children", flagged);

    Put("fuzz_month_book", "empty_book", emptyBook);
    Put("fuzz_month_book", "book_rows", book);
    Put("fuzz_month_book", "regular_dat", regularFile);
    Put("fuzz_month_book", "book_old_items_data", oldRecord + emptyExpend);
    Put("fuzz_month_book", "book_flag_prefix", flagged + emptyExpend);

    // ---- category table
    CategoryTable defaults;
    defaults.FillDefaultCategories();
    Put("fuzz_category_table", "defaults", defaults.Record());
    Put("fuzz_category_table", "empty", CategoryTable().Record());
    // Every length byte past the 30 characters a slot holds.
    Put("fuzz_category_table", "overlong_lengths", QByteArray(CategoryTable::RecordSize, '\xFF'));
    Put("fuzz_category_table", "defaults_trailing", defaults.Record() + QByteArray("extra bytes"));

    // ---- budgets
    BudgetList budgets;
    budgets.Set(QStringLiteral("Lebensmittel"), BudgetMonth(2026, 1), 30000, true);
    budgets.Set(QStringLiteral("Stra\u00DFe"), BudgetMonth(2025, 12), MaxBudgetCents, false);
    budgets.Set(QStringLiteral("Lebensmittel"), BudgetMonth(2026, 3), 20000, true);
    budgets.Remove(QStringLiteral("STRASSE"), BudgetMonth(2026, 2));
    Put("fuzz_budget_file", "empty", BudgetList().Bytes());
    Put("fuzz_budget_file", "budgets", budgets.Bytes());

    // ---- amount and day texts
    const char *texts[][2] = {
        {"plain", "1999.99"},
        {"exponent", " -12.5e3"},
        {"leading_point", ".5"},
        {"comma", "12,50"},
        {"two_points", "1.999.99"},
        {"empty", ""},
        {"signed_exponent", "+7E-2"},
        {"half_cent", "0.005"},
        {"huge", "1e308"},
        {"largest", "1.7976931348623157e308"},
        {"negative_zero", "-0"},
        {"euro", "\xE2\x82\xAC 5,00"},
        {"day", "31."},
        {"day_short", "5"},
        {"trailing_point", "12."},
        // The search field: amounts as banks write them, ranges of them, several words.
        {"search_grouped", "2.044,85 EUR"},
        {"search_range", "1.000,00 - 2.000,00 \xE2\x82\xAC"},
        {"search_en_dash", "10\xE2\x80\x93" "20"},
        {"search_words", "Miete Sch\xC3\xA4" "fer 12,50 \xE2\x82\xAC"},
    };
    for (const auto &t : texts)
        Put("fuzz_amount_text", t[0], QByteArray(t[1]));

    // ---- the lock file of a data folder
    const LockHolder holder{QStringLiteral("rechner-b"), QStringLiteral("peter"), 4711,
                            QStringLiteral("haushaltsbuch"), QDateTime(QDate(2026, 12, 8), QTime(14, 3), Qt::UTC)};
    Put("fuzz_lock_holder", "holder", holder.Encode());
    Put("fuzz_lock_holder", "header_only", QByteArray("Haushaltsbuch-Sperre 1\n"));
    Put("fuzz_lock_holder", "empty", QByteArray());

    BookingDraft draft;
    draft.Book = QStringLiteral("März 2008");
    draft.Typed = ListRow::Make(QStringLiteral("03.03.2008"), {QStringLiteral("12.50"), QStringLiteral("Brot"), QString()});
    Put("fuzz_booking_draft", "new_expense", BookingDrafts::Bytes(draft));
    draft.Kind = BookingDraft::Side::Regular;
    draft.Book.clear();
    draft.Edit = true;
    draft.Original = ListRow::Make(QStringLiteral("07."), {QStringLiteral("1200.00"), QStringLiteral("Lohn"),
                                                           QStringLiteral("Gehalt"), QStringLiteral("Einnahme")});
    draft.Typed = ListRow::Make(QStringLiteral("07."), {QStringLiteral("1250"), QStringLiteral("Lohn"),
                                                        QStringLiteral("Gehalt"), QStringLiteral("Einnahme")});
    Put("fuzz_booking_draft", "edited_regular", BookingDrafts::Bytes(draft));
    // ---- a change log with every kind of line, and one cut inside its last entry
    ChangeEntry step;
    step.Computer = "a1b2c3d4e5f60718";
    step.Seq = 1;
    step.Clock = 1;
    step.When = 1796803200;
    step.Text = u"Ausgabe 12,50 € „Edeka“ in März 2026"_s;
    step.Books.append({u"März 2026"_s, true});
    step.Bookings.append({NewBookingId(step.Name(), 0), {}, {}, BookingContent{u"März 2026"_s, ListKind::Expend,
                          ListRow::Make(u"03.03.2026"_s, {u"12.50"_s, u"Edeka"_s, u"Wochen\teinkauf"_s})}, std::nullopt});
    step.Files.append({u"März 2026.qel"_s, "0123456789abcdef", 1796803200123456789});
    ChangeEntry import;
    import.Computer = step.Computer;
    import.Seq = 2;
    import.Clock = 5;
    import.When = 1796803300;
    import.Kind = EntryKind::Import;
    import.Text = HistorySteps::ImportText(1, u"konto.csv"_s);
    import.Bookings.append({NewBookingId(import.Name(), 0), {}, {}, BookingContent{u"April 2026"_s, ListKind::Income,
                            ListRow::Make(u"01.04.2026"_s, {u"2100.00"_s, u"Lohn"_s, u"Gehalt"_s})}, std::nullopt});
    import.Rows.append({{u"DE12500105170648489890"_s, u"20260401|C|210000|arbeitgeber|gehalt"_s, 1, u"R1"_s},
                        NewBookingId(import.Name(), 0)});
    import.Budgets.append({u"lebensmittel"_s, 24315, BudgetEntry{u"Lebensmittel"_s, 24315, 30000, true}, std::nullopt});
    import.Looks.append({QString(), ListKind::Regular, QByteArray("TPF0")});
    ChangeEntry taken;
    taken.Computer = step.Computer;
    taken.Seq = 3;
    taken.Clock = 6;
    taken.Kind = EntryKind::Undo;
    taken.Target = 1;
    taken.Bookings.append({NewBookingId(step.Name(), 0), {}, step.Name(), std::nullopt, step.Bookings.front().After});
    ChangeEntry adopted;
    adopted.Computer = step.Computer;
    adopted.Seq = 4;
    adopted.Clock = 7;
    adopted.Kind = EntryKind::Adopt;
    adopted.Adopted = AdoptedFile{u"Regular.dat"_s, "fedcba9876543210", {{"ffff0000", 3}}, 1796803400000000000};
    adopted.Bookings.append({"h0123456789abcdef", "h1111222233334444", {}, BookingContent{QString(), ListKind::Regular,
                             ListRow::Make(u"07."_s, {u"800.00"_s, u"Wohnen"_s, u"Miete"_s, u"Ausgabe"_s})}, std::nullopt});
    const QByteArray log = EntryCodec::HeaderLine(step.Computer, u"rechner-a"_s) + EntryCodec::Encode(step)
                           + EntryCodec::Encode(import) + EntryCodec::Encode(taken) + EntryCodec::Encode(adopted);
    Put("fuzz_change_log", "four_entries", log);
    Put("fuzz_change_log", "torn_tail", log.chopped(9));
    Put("fuzz_change_log", "header_only", EntryCodec::HeaderLine("0a", u"leer"_s));

    // ---- the journal of a transfer or of an undo under way
    TransferPlan restore;
    restore.Kind = TransferKind::Restore;
    restore.Target = "/home/p/Haushalt";
    restore.Staging = "/home/p/Haushalt/.Haushaltsbuch-Sicherung-a1B2c3";
    restore.Committed = true;
    restore.Out.append(TransferMove{"/home/p/Haushalt/M\xe4rz 2008.qel", restore.Staging + "/alt/0"});
    restore.In.append(TransferMove{restore.Staging + "/neu/0", "/home/p/Haushalt/M\xe4rz 2008.qel"});
    Put("fuzz_transfer_journal", "restore", TransferJournal::Encode(restore));
    TransferPlan undo;
    undo.Kind = TransferKind::Undo;
    undo.Target = "/home/p/Haushalt";
    undo.Out.append(TransferMove{"/home/p/Haushalt/Mai 2026.qel", "/home/p/Haushalt/.Mai 2026.qel.x1Y2z3.alt"});
    undo.In.append(TransferMove{"/home/p/.config/Verlauf.dat.q9W8e7.neu", "/home/p/.config/Verlauf.dat"});
    undo.Extra = {"/home/p/Haushalt/.Mai 2026.qel.x1Y2z3.alt", "/home/p/.config/Verlauf.dat.q9W8e7.neu"};
    undo.Store = "/home/p/.config/Kontoimport.sqlite";
    undo.Forget = {3, 4, 17};
    Put("fuzz_transfer_journal", "undo_with_forget", TransferJournal::Encode(undo));
    return 0;
}
