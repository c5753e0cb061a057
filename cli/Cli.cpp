#include "cli/Cli.h"

#include "analysis/AnalysisSums.h"
#include "budget/BudgetFile.h"
#include "books/BookManager.h"
#include "ledger/ConflictCopies.h"
#include "ledger/CategoryTable.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"
#include "ledger/Win1252.h"
#include "output/ExportEXCEL.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace {

constexpr int MaxTextLength = 30;

QString OneLine(QString message)
{
    return message.replace(u'\n', u' ').simplified();
}

// One line per record: a control character from a file of other origin prints as a blank.
QString Record(QStringList fields)
{
    for (QString &field : fields) {
        for (QChar &ch : field) {
            if (ch.category() == QChar::Other_Control)
                ch = u' ';
        }
    }
    return fields.join(u'\t');
}

} // namespace

Cli::Cli(QTextStream &out, QTextStream &err)
    : Out_(out)
    , Err_(err)
    , Paths_(LedgerPaths::Standard(QCoreApplication::applicationDirPath()))
{
}

QString Cli::Usage()
{
    return QStringLiteral(
        "Aufruf: haushaltsbuch-cli [--data-dir ORDNER] [--program-data-dir ORDNER] BEFEHL [ARGUMENTE]\n"
        "        haushaltsbuch-cli --help | --version\n"
        "\n"
        "Befehle:\n"
        "  books                     alle Haushaltsbücher mit letzter Änderung, Einnahmen und Ausgaben\n"
        "  show NAME                 die Buchungen eines Haushaltsbuchs, z. B. show \"März 2008\"\n"
        "  regular                   die regelmäßigen Buchungen\n"
        "  categories                die Kategorien der Eingabedialoge\n"
        "  new NAME                  ein Haushaltsbuch anlegen, z. B. new \"März 2008\"\n"
        "  add NAME income|expense DATUM BETRAG KATEGORIE [VERWENDUNG]\n"
        "                            eine Einnahme oder Ausgabe buchen, DATUM als TT.MM.JJJJ\n"
        "  add-regular TAG BETRAG KATEGORIE VERWENDUNG Einnahme|Ausgabe\n"
        "                            eine regelmäßige Buchung anlegen, TAG z. B. 07.\n"
        "  analysis NAME             die Berechnung eines Haushaltsbuchs: Summen und Aufteilung nach\n"
        "                            Kategorien und Verwendung (Abschnitt, Name, Betrag)\n"
        "  verify                    alle Dateien lesen und unlesbare melden\n"
        "  backup [--books-only|--regular-only] ORDNER\n"
        "                            Haushaltsbücher und regelmäßige Buchungen in ORDNER sichern\n"
        "  restore [--books-only|--regular-only] ORDNER\n"
        "                            die gesicherten Daten aus ORDNER wieder herstellen; vorher wird\n"
        "                            eine automatische Sicherung der jetzigen Daten angelegt\n"
        "  restore [--books-only|--regular-only] --auto DATUM\n"
        "                            aus der automatischen Sicherung vom DATUM (wie \"backups\" sie\n"
        "                            nennt, z. B. \"2026-12-08 14-20-05\", oder nur der Tag, wenn\n"
        "                            es an ihm nur eine gibt); nennt die verwendete Sicherung\n"
        "  backups                   die automatischen Sicherungen, die neueste zuerst\n"
        "  export NAME income|expense DATEI\n"
        "                            die Einnahmen oder Ausgaben eines Haushaltsbuchs als Excel-Tabelle\n"
        "                            (.xls) speichern, wie \"Exportieren\" im Programm; fehlt \".xls\",\n"
        "                            wird es angehängt; eine vorhandene Datei wird ersetzt\n"
        "  export-regular DATEI      die regelmäßigen Buchungen als Excel-Tabelle speichern\n"
        "  import [--dry-run] [--zeilen] [--weiter] [--spalten \"datum=N,betrag=N,text=N\"] DATEI...\n"
        "                            Kontoauszüge (CAMT, MT940, CSV der Banken) lesen: je Zeile Status,\n"
        "                            Haushaltsbuch, Einnahme/Ausgabe, Datum, Betrag, Kategorie,\n"
        "                            Verwendung, Gegenseite, Buchungstext der Bank; ohne --dry-run\n"
        "                            werden die neuen Zeilen gebucht und fehlende Haushaltsbücher\n"
        "                            angelegt; auch ZIP-Archive mit Auszügen. Eine CSV-Datei\n"
        "                            unbekannten Aufbaus wird nach ihren Spaltennamen gelesen, wenn\n"
        "                            das sicher geht, sonst mit --spalten (von 1 an gezählt, statt\n"
        "                            betrag auch soll=N,haben=N). --zeilen zeigt jede Zeile der Datei\n"
        "                            mit ihrem Ergebnis; eine Datei mit unlesbaren Zeilen wird nur mit\n"
        "                            --weiter gebucht. \"import --help\" erklärt die Status\n"
        "  rules                     die Regeln des Kontoimports mit ihren Nummern\n"
        "  rule-add [--regex] [--einnahme|--ausgabe] MUSTER KATEGORIE VERWENDUNG\n"
        "                            eine Regel anhängen: MUSTER in Gegenseite oder Verwendungszweck\n"
        "                            (Groß-/Kleinschreibung egal) ergibt KATEGORIE und VERWENDUNG\n"
        "  rule-remove N             die Regel mit der Nummer N entfernen\n"
        "  year JJJJ                 die Jahresübersicht: je Monat Einnahmen, Ausgaben und Ergebnis,\n"
        "                            Summe, Durchschnitt, dann die Kategorien je Monat\n"
        "  export-year JJJJ DATEI    die Jahresübersicht als Excel-Tabelle speichern, wie \"Exportieren\"\n"
        "                            auf der Jahresseite; die Beträge als Zahlen\n"
        "  search TEXT…              Buchungen aller Haushaltsbücher nach Kategorie, Verwendung oder\n"
        "                            Betrag suchen (12,50, 2.044,85 €, 10-20 oder 1.000-2.000);\n"
        "                            mehrere Wörter: jedes muss in einem der Felder vorkommen\n"
        "  merge                     Konfliktkopien eines synchronisierten Datenordners (Syncthing,\n"
        "                            Nextcloud, Dropbox) Buchung für Buchung in ihre Bücher übernehmen:\n"
        "                            je Kopie Buch, Kopie, übernommen, entfernt, geändert\n"
        "  remove NAME               ein Haushaltsbuch in den Papierkorb legen (30 Tage lang)\n"
        "  trash                     der Papierkorb: Name, entfernt am, Einnahmen, Ausgaben\n"
        "  untrash NAME              ein Haushaltsbuch aus dem Papierkorb zurückholen, unverändert;\n"
        "                            nicht, solange es ein Haushaltsbuch dieses Namens gibt\n"
        "  undo                      die letzte Änderung rückgängig machen (Buchung, regelmäßige\n"
        "                            Buchung, Haushaltsbuch erstellt oder entfernt, ein Import als\n"
        "                            Ganzes); seither Geändertes bleibt und wird genannt\n"
        "  redo                      die zuletzt rückgängig gemachte Änderung wiederherstellen\n"
        "  budget                    die Budgets: Kategorie, Betrag, ab MM.JJJJ, Übertrag ja|nein\n"
        "  budget-set KATEGORIE BETRAG [--ab MM.JJJJ] [--uebertrag|--ohne-uebertrag]\n"
        "                            ein Budget für eine Ausgabenkategorie festlegen, ab dem Monat\n"
        "                            (ohne --ab ab dem laufenden); mit Übertrag zählt der Rest oder\n"
        "                            die Überschreitung des Vormonats mit; ohne Angabe behält ein\n"
        "                            Budget seinen Übertrag, ein neues bekommt ihn (wie im Programm)\n"
        "  budget-remove KATEGORIE [--ab MM.JJJJ]\n"
        "                            ein Budget entfernen, mit --ab nur von dem Monat an\n"
        "  budget-report NAME        die Budgets eines Haushaltsbuchs: Kategorie, Budget, Übertrag,\n"
        "                            Verfügbar, Ausgaben, Rest\n"
        "  read-document DATEI       eine Buchung aus einem Beleg lesen (E-Rechnung als PDF oder XML,\n"
        "                            PDF mit Text): Datum, Betrag, Art, Verkäufer, Quelle\n"
        "  book-document DATEI [--buch NAME]\n"
        "                            einen Beleg buchen und anhängen (Kategorie aus den Importregeln und\n"
        "                            früheren Buchungen des Verkäufers); trifft er eine importierte\n"
        "                            Kontobuchung (Betrag, Datum ± 5 Tage), hängt er an dieser\n"
        "  attach NAME income|expense DATUM BETRAG DATEI [--verwendung TEXT]\n"
        "                            einen Beleg (PDF, JPEG, PNG, XML) an eine Buchung hängen; NAME\n"
        "                            \"regular\" für eine regelmäßige Buchung (DATUM ist dann der Tag)\n"
        "  documents [NAME]          die Belege an Buchungen: Buch, Datum, Betrag, Verwendung, Datei\n"
        "\n"
        "Ausgabe: ein Datensatz je Zeile, Felder durch Tabulatoren getrennt (UTF-8).\n"
        "Rückgabewert: 0 bei Erfolg, 1 bei einem Fehler, 2 bei falschem Aufruf.\n");
}

int Cli::Run(const QStringList &arguments)
{
    QStringList args = arguments;
    while (!args.isEmpty() && args.front().startsWith(u"--")) {
        const QString option = args.takeFirst();
        if (option == u"--help") {
            Out_ << Usage();
            return 0;
        }
        if (option == u"--version") {
            Out_ << QStringLiteral("haushaltsbuch-cli %1\n").arg(QCoreApplication::applicationVersion());
            return 0;
        }
        if (option != u"--data-dir" && option != u"--program-data-dir")
            return UsageError(QStringLiteral("Unbekannte Option \"%1\".").arg(option));
        if (args.isEmpty())
            return UsageError(QStringLiteral("Zur Option %1 fehlt der Ordner.").arg(option));
        const QString folder = LedgerPaths::WithSlash(QDir(args.takeFirst()).absolutePath());
        (option == u"--data-dir" ? Paths_.DataFolder : Paths_.ProgramDataFolder) = folder;
    }
    if (args.isEmpty())
        return UsageError(QStringLiteral("Es wurde kein Befehl angegeben."));

    const QString command = args.takeFirst();
    RecoverInterrupted(command != u"merge");
    if (command != u"merge")
        NameUnmergedCopies();
    const int status = RunCommand(command, args);
    // What a command changed is kept in an automatic backup, as at the end of a program run.
    if (Changed_)
        KeepAutomaticCopy();
    return status;
}

int Cli::RunCommand(const QString &command, QStringList args)
{
    auto expect = [&](qsizetype min, qsizetype max) { return args.size() >= min && args.size() <= max; };
    try {
        if (command == u"books" && expect(0, 0))
            return Books();
        if (command == u"show" && expect(1, 1))
            return Show(args.front());
        if (command == u"regular" && expect(0, 0))
            return Regular();
        if (command == u"categories" && expect(0, 0))
            return Categories();
        if (command == u"new" && expect(1, 1))
            return New(args.front());
        if (command == u"add" && expect(5, 6))
            return Add(args);
        if (command == u"add-regular" && expect(5, 5))
            return AddRegular(args);
        if (command == u"verify" && expect(0, 0))
            return Verify();
        if ((command == u"backup" || command == u"restore") && expect(1, 3))
            return BackupOrRestore(command == u"backup", args);
        if (command == u"backups" && expect(0, 0))
            return Backups();
        if (command == u"analysis" && expect(1, 1))
            return Analysis(args.front());
        if (command == u"export" && expect(3, 3))
            return Export(args);
        if (command == u"export-regular" && expect(1, 1))
            return ExportRegular(args.front());
        if (command == u"import" && !args.isEmpty())
            return Import(args);
        if (command == u"rules" && expect(0, 0))
            return ImportRules();
        if (command == u"rule-add" && expect(3, 5))
            return AddImportRule(args);
        if (command == u"rule-remove" && expect(1, 1))
            return RemoveImportRule(args.front());
        if (command == u"year" && expect(1, 1))
            return Year(args.front());
        if (command == u"export-year" && expect(2, 2))
            return ExportYear(args.at(0), args.at(1));
        // Several words unquoted are one search: all of them must match.
        if (command == u"search" && expect(1, std::numeric_limits<qsizetype>::max()))
            return Search(args.join(u' '));
        if (command == u"merge" && expect(0, 0))
            return Merge();
        if (command == u"remove" && expect(1, 1))
            return Remove(args.front());
        if (command == u"trash" && expect(0, 0))
            return Trash();
        if (command == u"untrash" && expect(1, 1))
            return Untrash(args.front());
        if ((command == u"undo" || command == u"redo") && expect(0, 0))
            return UndoOrRedo(command == u"undo");
        if (command == u"budget" && expect(0, 0))
            return Budgets();
        if (command == u"budget-set" && expect(2, 5))
            return SetBudget(args);
        if (command == u"budget-remove" && expect(1, 3))
            return RemoveBudget(args);
        if (command == u"budget-report" && expect(1, 1))
            return ReportBudgets(args.front());
        if (command == u"read-document" && expect(1, 1))
            return ReadDocument(args.front());
        if (command == u"book-document" && expect(1, 3))
            return BookDocument(args);
        if (command == u"attach" && expect(5, 7))
            return Attach(args);
        if (command == u"documents" && expect(0, 1))
            return ListDocuments(args.isEmpty() ? std::nullopt : std::optional<QString>(args.front()));
    } catch (const QelError &error) {
        return Fail(error.Message());
    }
    const QStringList known = QStringLiteral(
        "books show regular categories new add add-regular verify analysis export export-regular backup restore "
        "backups import rules rule-add rule-remove year export-year search merge remove trash untrash undo redo "
        "budget budget-set budget-remove budget-report read-document book-document attach documents")
                                  .split(u' ');
    if (known.contains(command))
        return UsageError(QStringLiteral("Falsche Anzahl von Argumenten für \"%1\".").arg(command));
    return UsageError(QStringLiteral("Unbekannter Befehl \"%1\".").arg(command));
}

BookManager Cli::MakeManager() const
{
    // Without the data folder's lock a command only looks: it never writes, nor mends a log.
    return BookManager(Paths_, Regional(), Lock_.IsLocked() ? BookManager::Access::Write : BookManager::Access::ReadOnly);
}

int Cli::Books()
{
    BookManager books = MakeManager();
    const QStringList errors = books.ScanBooks();
    for (const ListRow &row : books.Books().Rows())
        Out_ << Record({row.SubItem(0), row.SubItem(1), row.SubItem(2), row.SubItem(3)}) << '\n';
    for (const QString &error : errors)
        Err_ << error << '\n';
    return errors.isEmpty() ? 0 : 1;
}

int Cli::Show(const QString &name)
{
    if (!IsListedBook(name))
        return Fail(QStringLiteral("Das Haushaltsbuch \"%1\" existiert nicht.").arg(name));
    BookManager books = MakeManager();
    books.SetCurrentBook(name);
    books.OpenCurrentBook();
    const auto print = [this](const QString &kind, const BookingList &list) {
        for (const ListRow &row : list.Rows())
            Out_ << Record({kind, row.Caption, row.SubItem(0), row.SubItem(1), row.SubItem(2)}) << '\n';
    };
    print(IncomeKind(), books.Income());
    print(ExpenseKind(), books.Expend());
    return 0;
}

int Cli::Regular()
{
    BookManager books = MakeManager();
    books.LoadRegular();
    for (const ListRow &row : books.Regular().Rows())
        Out_ << Record({row.Caption, row.SubItem(0), row.SubItem(1), row.SubItem(2), row.SubItem(3)}) << '\n';
    return 0;
}

int Cli::Categories()
{
    CategoryTable table;
    table.LoadCategoryTable(Paths_.CategoryFile());
    for (int i = 0; i < CategoryTable::IncomeCount; ++i) {
        if (!table.IncomeName(i).isEmpty())
            Out_ << Record({IncomeKind(), table.IncomeName(i)}) << '\n';
    }
    for (int g = 0; g < CategoryTable::GroupCount; ++g) {
        const QString group = table.GroupName(g);
        if (group.isEmpty())
            continue;
        Out_ << Record({QStringLiteral("Gruppe"), group}) << '\n';
        for (int k = 0; k < CategoryTable::SubCategoryCount; ++k) {
            if (!table.SubCategory(g, k).isEmpty())
                Out_ << Record({QStringLiteral("Unterkategorie"), group, table.SubCategory(g, k)}) << '\n';
        }
    }
    return 0;
}

int Cli::New(const QString &name)
{
    if (!IsValidBookName(name)) {
        return Fail(QStringLiteral("\"%1\" ist kein gültiger Name für ein Haushaltsbuch. Erwartet werden ein "
                                   "Monatsname und eine vierstellige Jahreszahl, z. B. \"März 2008\".")
                        .arg(name));
    }
    if (!LockForWriting())
        return 1;
    BookManager books = MakeManager();
    books.LoadRegular();
    for (const QString &error : books.ScanBooks())
        Err_ << QStringLiteral("Warnung: ") << error << '\n';
    if (books.FindBook(name) >= 0)
        return Fail(DuplicateBookMessage(name));
    books.CreateBook(name, QDateTime::currentDateTime());
    Changed_ = true;
    Out_ << QStringLiteral("Das Haushaltsbuch \"%1\" wurde erstellt.").arg(name) << '\n';
    return 0;
}

int Cli::Add(const QStringList &args)
{
    const QString &name = args.at(0);
    const QString &kind = args.at(1);
    if (kind != u"income" && kind != u"expense")
        return UsageError(QStringLiteral("Die Buchungsart muss \"income\" oder \"expense\" sein, nicht \"%1\".").arg(kind));
    const Regional regional;
    const QDate date = regional.ParseDate(args.at(2));
    if (!date.isValid()) {
        return Fail(QStringLiteral("\"%1\" ist kein gültiges Datum. Erwartet wird TT.MM.JJJJ, z. B. \"07.12.2026\".")
                        .arg(args.at(2)));
    }
    const QString amount = AcceptAmount(args.at(3));
    const QString purpose = args.value(5);
    if (amount.isEmpty() || !AcceptText(args.at(4), QStringLiteral("Kategorie"), true)
        || !AcceptText(purpose, QStringLiteral("Verwendung"), false))
        return 1;
    if (!IsListedBook(name))
        return Fail(QStringLiteral("Das Haushaltsbuch \"%1\" existiert nicht.").arg(name));
    if (!LockForWriting())
        return 1;

    BookManager books = MakeManager();
    books.SetCurrentBook(name);
    books.OpenCurrentBook();
    BookingList &list = kind == u"income" ? books.Income() : books.Expend();
    books.AddBooking(list, ListRow::Make(regional.DateText(date),
                                         {amount, CapitalizeFirst(args.at(4)), CapitalizeFirst(purpose)}));
    books.SaveCurrentBook();
    books.SetBookChanged(false);
    Changed_ = true;
    Out_ << (kind == u"income" ? books.IncomeTotalLabel() : books.ExpendTotalLabel()) << '\n';
    if (kind == u"expense")
        WarnOverBudget(name, CapitalizeFirst(args.at(4)));
    return 0;
}

int Cli::AddRegular(const QStringList &args)
{
    const QString &kind = args.at(4);
    if (kind != IncomeKind() && kind != ExpenseKind())
        return UsageError(QStringLiteral("Die Buchungsart muss \"Einnahme\" oder \"Ausgabe\" sein, nicht \"%1\".").arg(kind));
    QString day;
    for (const QChar ch : args.at(0)) {
        const std::optional<QChar> kept = FilterAmountKey(ch);
        if (!kept || *kept == u'\b')
            return Fail(QStringLiteral("\"%1\" ist kein gültiger Tag. Erlaubt sind nur Ziffern und der Punkt.").arg(args.at(0)));
        day.append(*kept);
    }
    if (day.isEmpty())
        return Fail(QStringLiteral("Bitte geben Sie einen Tag an."));
    day = CompleteDayText(day);
    if (!CheckDayText(day, Regional()))
        return Fail(DayTextMessage(day));
    const QString amount = AcceptAmount(args.at(1));
    if (amount.isEmpty() || !AcceptText(args.at(2), QStringLiteral("Kategorie"), true)
        || !AcceptText(args.at(3), QStringLiteral("Verwendung"), false))
        return 1;
    if (!LockForWriting())
        return 1;

    BookManager books = MakeManager();
    books.LoadRegular();
    books.AddBooking(books.Regular(),
                     ListRow::Make(day, {amount, CapitalizeFirst(args.at(2)), CapitalizeFirst(args.at(3)), kind}));
    books.SaveRegular();
    books.SetRegularChanged(false);
    Changed_ = true;
    Out_ << books.RegularSummaryLabel() << '\n';
    return 0;
}

int Cli::Analysis(const QString &name)
{
    if (!IsListedBook(name))
        return Fail(QStringLiteral("Das Haushaltsbuch \"%1\" existiert nicht.").arg(name));
    BookManager books = MakeManager();
    books.LoadRegular();
    books.SetCurrentBook(name);
    books.OpenCurrentBook();

    const auto line = [this](const QString &section, const QString &name, double amount) {
        Out_ << Record({section, name, FormatAmount(amount)}) << '\n';
    };
    const AnalysisTotals t = ComputeAnalysisTotals(books.Income(), books.Expend(), books.Regular());
    const QString total = QStringLiteral("Gesamt");
    const QString regular = QStringLiteral("Regelmäßig");
    line(total, QStringLiteral("Einnahmen"), t.TotalIncome);
    line(total, QStringLiteral("Ausgaben"), t.TotalExpense);
    line(total, QStringLiteral("Ergebnis"), t.Result);
    line(regular, QStringLiteral("Einnahmen"), t.RegularIncome);
    line(regular, QStringLiteral("Ausgaben"), t.RegularExpense);
    line(regular, QStringLiteral("Ergebnis"), t.RegularResult);

    const struct
    {
        const char16_t *Section;
        AnalysisSide Side;
        GroupKey Key;
    } breakdowns[] = {
        {u"Einnahmen nach Kategorien", AnalysisSide::Income, GroupKey::Category},
        {u"Ausgaben nach Kategorien", AnalysisSide::Expense, GroupKey::Category},
        {u"Einnahmen nach Verwendung", AnalysisSide::Income, GroupKey::Purpose},
        {u"Ausgaben nach Verwendung", AnalysisSide::Expense, GroupKey::Purpose},
    };
    for (const auto &b : breakdowns) {
        const BookingList &main = b.Side == AnalysisSide::Income ? books.Income() : books.Expend();
        for (const GroupSum &group : SumGroups(main, books.Regular(), b.Side, b.Key))
            line(QString::fromUtf16(b.Section), group.Name, group.Sum);
    }
    return 0;
}

int Cli::Verify()
{
    int checked = 0;
    int failed = 0;
    auto check = [&](const QString &path, auto read) {
        ++checked;
        try {
            read(path);
        } catch (const QelError &error) {
            ++failed;
            Out_ << Record({QDir::toNativeSeparators(path), OneLine(error.Message())}) << '\n';
        }
    };

    QStringList bookFiles = QDir(Paths_.DataFolder).entryList({QStringLiteral("*.qel")},
                                                               QDir::Files | QDir::Hidden | QDir::CaseSensitive);
    bookFiles.removeIf([](const QString &file) { return ConflictCopies::IsConflictCopy(file); });
    bookFiles.sort();
    for (const QString &file : bookFiles) {
        check(Paths_.DataFolder + file, [](const QString &path) {
            BookingList income(ListKind::Income);
            BookingList expend(ListKind::Expend);
            ListFiles::ParseMonthBook(ListFiles::ReadFile(path), income, expend);
        });
    }
    // Listings skip names that are not UTF-8; such a book would otherwise seem lost.
    for (const QString &name : ListFiles::UndecodableBookFiles(Paths_.DataFolder)) {
        ++checked;
        ++failed;
        Out_ << Record({QDir::toNativeSeparators(Paths_.DataFolder + name), ListFiles::UndecodableNameMessage(name)})
             << '\n';
    }
    if (QFileInfo(Paths_.RegularFile()).isFile()) {
        check(Paths_.RegularFile(), [](const QString &path) {
            BookingList regular(ListKind::Regular);
            ListFiles::ParseRegular(ListFiles::ReadFile(path), regular);
        });
    }
    if (const BudgetStore budgets(Paths_); QFileInfo(budgets.Path()).isFile())
        check(budgets.Path(), [](const QString &path) { BudgetList::Parse(ListFiles::ReadFile(path)); });
    if (QFileInfo(Paths_.CategoryFile()).isFile()) {
        check(Paths_.CategoryFile(), [](const QString &path) { CategoryTable().LoadCategoryTable(path); });
    }
    if (failed > 0) {
        Err_ << QStringLiteral("%1 von %2 Dateien sind nicht lesbar.").arg(failed).arg(checked) << '\n';
        return 1;
    }
    Out_ << QStringLiteral("Alle %1 Dateien sind lesbar.").arg(checked) << '\n';
    return 0;
}

int Cli::Export(const QStringList &args)
{
    const QString &name = args.at(0);
    const QString &kind = args.at(1);
    if (kind != u"income" && kind != u"expense")
        return UsageError(QStringLiteral("Die Buchungsart muss \"income\" oder \"expense\" sein, nicht \"%1\".").arg(kind));
    if (!IsListedBook(name))
        return Fail(QStringLiteral("Das Haushaltsbuch \"%1\" existiert nicht.").arg(name));
    BookManager books = MakeManager();
    books.SetCurrentBook(name);
    books.OpenCurrentBook();
    return WriteTable(kind == u"income" ? books.Income() : books.Expend(), args.at(2));
}

int Cli::ExportRegular(const QString &file)
{
    BookManager books = MakeManager();
    books.LoadRegular();
    return WriteTable(books.Regular(), file);
}

// The same bytes as the program's export of the list. As there, ".xls" is added when the name
// lacks it, so a slip on the command line can never write a table over a month book or
// Regular.dat.
int Cli::WriteTable(const BookingList &list, const QString &file)
{
    const QString target = WithXlsExtension(QFileInfo(file).absoluteFilePath());
    SaveXlsFile(target, list);
    Out_ << QStringLiteral("Die Tabelle \"%1\" wurde gespeichert: %2 Buchungen.")
                .arg(QDir::toNativeSeparators(target))
                .arg(list.RowCount())
         << '\n';
    return 0;
}

bool Cli::IsListedBook(const QString &name) const
{
    // Only a book file that the book list would show: no paths, no other folders.
    const QStringList files = QDir(Paths_.DataFolder).entryList({QStringLiteral("*.qel")},
                                                                QDir::Files | QDir::Hidden | QDir::CaseSensitive);
    return files.contains(name + QStringLiteral(".qel")) && !ConflictCopies::IsConflictCopy(name + QStringLiteral(".qel"));
}

QString Cli::AcceptAmount(const QString &typed)
{
    QString amount;
    for (const QChar ch : typed) {
        const std::optional<QChar> kept = FilterAmountKey(ch);
        if (!kept || *kept == u'\b') {
            Fail(QStringLiteral("\"%1\" ist kein gültiger Betrag. Erlaubt sind nur Ziffern und ein Punkt oder Komma.")
                     .arg(typed));
            return {};
        }
        amount.append(*kept);
    }
    if (amount.isEmpty()) {
        Fail(QStringLiteral("Bitte geben Sie einen Betrag an."));
        return {};
    }
    if (!CheckAmountText(amount)) {
        Fail(AmountTextMessage());
        return {};
    }
    return NormalizeAmountText(amount).replace(u',', u'.');
}

bool Cli::AcceptText(const QString &text, const QString &what, bool required)
{
    if (required && text.isEmpty()) {
        Fail(QStringLiteral("Bitte geben Sie eine %1 an.").arg(what));
        return false;
    }
    // A tab or line break would split the record that "show" prints into forged ones.
    if (std::any_of(text.cbegin(), text.cend(), [](QChar ch) { return ch.category() == QChar::Other_Control; })) {
        Fail(QStringLiteral("Die %1 darf keine Steuerzeichen wie Tabulator oder Zeilenumbruch enthalten.").arg(what));
        return false;
    }
    if (text.size() > MaxTextLength) {
        Fail(QStringLiteral("Die %1 darf höchstens %2 Zeichen lang sein.").arg(what).arg(MaxTextLength));
        return false;
    }
    if (!Win1252::IsRepresentable(text)) {
        Fail(QStringLiteral("Die %1 \"%2\" enthält Zeichen, die das Haushaltsbuch nicht speichern kann.")
                 .arg(what, text));
        return false;
    }
    return true;
}

bool Cli::TakeLock()
{
    if (Lock_.IsLocked())
        return true;
    // The lock lives in the data folder.
    if (!QDir().mkpath(Paths_.DataFolder) || !Lock_.TryLock(Paths_.DataFolder, QString::fromUtf16(DataLock::CliName)))
        return false;
    // No other save can run now: temporary files of a killed one can go.
    ListFiles::RemoveLeftovers(Paths_.DataFolder);
    ListFiles::RemoveOwnLeftovers(Paths_.ProgramDataFolder);
    ListFiles::RemoveOwnLeftovers(Paths_.TransferJournalFolder());
    return true;
}

bool Cli::LockForWriting()
{
    if (TakeLock())
        return true;
    if (!QFileInfo(Paths_.DataFolder).isDir())
        Fail(QStringLiteral("Verzeichnis für Daten konnte nicht angelegt werden!"));
    else
        Fail(!Lock_.ErrorString().isEmpty() ? Lock_.ErrorString()
                                            : DataLock::RefusalMessage(Lock_.Holder(), QString::fromUtf16(DataLock::CliName)));
    return false;
}

int Cli::Fail(const QString &message)
{
    Err_ << message << '\n';
    Err_.flush();
    return 1;
}

int Cli::UsageError(const QString &message)
{
    Err_ << message << "\n\n" << Usage();
    Err_.flush();
    return 2;
}
