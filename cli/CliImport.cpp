// haushaltsbuch-cli: bank statements into the month books, and the import rules.

#include "cli/Cli.h"

#include "import/ImportBooking.h"
#include "import/ImportMatcher.h"
#include "import/ImportStore.h"
#include "import/ImportStoreUpkeep.h"
#include "statements/CsvLayoutGuess.h"
#include "statements/Statement.h"
#include "books/BookManager.h"
#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

using namespace Qt::StringLiterals;

namespace {

QString Quoted(const QString &text)
{
    return u'„' + text + u'“';
}

// One record per line: a tab or line break in a bank's text prints as a blank.
QString Fields(QStringList fields)
{
    for (QString &field : fields) {
        for (QChar &ch : field) {
            if (ch.category() == QChar::Other_Control || ch == u'\u2028' || ch == u'\u2029')
                ch = u' ';
        }
    }
    return fields.join(u'\t');
}

QString UnknownLayoutMessage(const QString &name, const UnknownCsvLayout &layout, const CsvLayoutGuess &guess)
{
    QStringList columns;
    for (qsizetype i = 0; i < layout.Header.size(); ++i)
        columns.append(QStringLiteral("%1 %2").arg(i + 1).arg(layout.Header.at(i)));
    const QString example = CsvColumnChoiceText(guess.Choice);
    return QStringLiteral("Die Datei %1 ist eine CSV-Datei, deren Aufbau das Programm nicht kennt, und ihre Spalten "
                          "lassen sich nicht sicher zuordnen: %2 Bitte nennen Sie die Spalten mit --spalten, etwa "
                          "--spalten \"%3\". Die Spalten der Datei: %4. Die Zuordnung gilt danach für alle Dateien "
                          "mit denselben Spalten.")
        .arg(Quoted(name), guess.Doubt,
             example.isEmpty() ? QStringLiteral("datum=1,betrag=2,text=3") : example, columns.join(u"; "_s));
}

} // namespace

QString Cli::ImportHelp()
{
    return QStringLiteral(
        "Aufruf: haushaltsbuch-cli import [--dry-run] [--spalten SPALTEN] DATEI...\n"
        "\n"
        "Liest Kontoauszüge (CAMT, MT940, CSV der Banken) und zeigt je Zeile: Status, Haushaltsbuch,\n"
        "Einnahme/Ausgabe, Datum, Betrag, Kategorie, Verwendung, Gegenseite, Buchungstext der Bank.\n"
        "Ohne --dry-run werden die Zeilen mit dem Status \"neu\" gebucht und fehlende Haushaltsbücher\n"
        "angelegt. Jede Datei wird für sich gelesen und gebucht; eine unlesbare wird genannt, die\n"
        "anderen werden trotzdem gebucht (Rückgabewert dann 1). Ein ZIP-Archiv wird Auszug für\n"
        "Auszug gelesen.\n"
        "\n"
        "Eine CSV-Datei, deren Aufbau das Programm nicht kennt, wird nach den Namen ihrer Spalten\n"
        "gelesen, wenn sie eindeutig sind (Buchungstag, Betrag, Verwendungszweck, Empfänger ...).\n"
        "Sonst nennt --spalten die Spalten, von 1 an gezählt, etwa\n"
        "  --spalten \"datum=3,betrag=7,text=9,gegenseite=1\"  oder  \"datum=1,soll=4,haben=5,text=3\"\n"
        "Die Zuordnung gilt danach für alle Dateien mit derselben Kopfzeile, wie eine im Programm\n"
        "getroffene.\n"
        "\n"
        "Status:\n"
        "  neu           noch nicht im Haushaltsbuch: wird gebucht; \"neu (zuvor abgewählt)\" nicht,\n"
        "                wenn sie bei einem früheren Import im Programm abgewählt wurde\n"
        "  doppelt       schon einmal importiert (auch aus einer anderen Datei desselben Kontos):\n"
        "                wird nicht wieder gebucht\n"
        "  vorhanden     das Buch hat schon eine Buchung derselben Art und desselben Betrags,\n"
        "                höchstens drei Tage entfernt: wird hier nicht gebucht (im Programm wählbar);\n"
        "                hinter dem Status steht diese Buchung (\"vorhanden: 04.03.2026 · 42.90 € ·\n"
        "                Einkauf\")\n"
        "  regelmäßig    passt zu einer regelmäßigen Buchung, die ohnehin jeden Monat zählt:\n"
        "                wird nicht gebucht; hinter dem Status ihr Tag in diesem Monat, Betrag\n"
        "                und Verwendung\n"
        "  vorgemerkt    von der Bank noch nicht gebucht: wird nie gebucht\n"
        "  Fremdwährung  nicht in Euro: wird nie gebucht\n");
}

int Cli::Import(const QStringList &args)
{
    if (args == QStringList{u"--help"_s}) {
        Out_ << ImportHelp();
        return 0;
    }
    ImportOptions options;
    QStringList files = args;
    while (!files.isEmpty() && files.front().startsWith(u"--")) {
        const QString option = files.takeFirst();
        if (option == u"--dry-run" && !options.DryRun) {
            options.DryRun = true;
        } else if (option == u"--spalten" && !options.Columns && !files.isEmpty()) {
            QString error;
            options.Columns = ParseCsvColumnChoice(files.takeFirst(), &error);
            if (!options.Columns)
                return UsageError(error);
        } else {
            return UsageError(QStringLiteral("Unbekannte oder doppelte Option \"%1\".").arg(option));
        }
    }
    if (files.isEmpty())
        return UsageError(QStringLiteral("Zum Befehl \"import\" fehlt die Datei."));

    // The store made ready (taken back when damaged, in line with restored books) before
    // anything reads it.
    if (!options.DryRun) {
        if (!LockForWriting())
            return 1;
        for (const QString &note : ImportStoreUpkeep(Paths_).Prepare())
            Err_ << QStringLiteral("Hinweis: ") << note << '\n';
    }
    BookManager books = MakeManager();
    books.LoadRegular();

    // Each file on its own: one that cannot be read or booked is named, the others go in.
    // A dry run writes nothing, so the rows of the files before count as imported there.
    IdentityIndex earlierFiles;
    int failed = 0;
    for (const QString &file : files) {
        try {
            for (const auto &[name, statement] : ReadForImport(file, options))
                ImportStatement(books, file, name, statement, options.DryRun, earlierFiles);
        } catch (const QelError &error) {
            Err_ << error.Message() << '\n';
            ++failed;
        }
    }
    if (failed > 0 && files.size() > 1)
        Err_ << QStringLiteral("%1 von %2 Dateien wurden nicht importiert.").arg(failed).arg(files.size()) << '\n';
    return failed > 0 ? 1 : 0;
}

QList<std::pair<QString, Statement>> Cli::ReadForImport(const QString &file, const ImportOptions &options)
{
    // Column choices of CSV layouts that no bank profile knows: the one given with --spalten,
    // else one remembered from the program or an earlier call, else a guess from the header
    // words when it is sure.
    const QString storeFile = Paths_.ImportStoreFile();
    QHash<QString, CsvColumnChoice> decided;
    const CsvChoiceLookup choices = [&](const QString &headerKey) -> std::optional<CsvColumnChoice> {
        if (const auto it = decided.constFind(headerKey); it != decided.cend())
            return *it;
        if (!QFileInfo::exists(storeFile))
            return std::nullopt;
        ImportStore store(storeFile);
        return store.CsvChoice(headerKey);
    };
    QList<StatementFile> entries = ReadStatementFiles(file, choices);
    bool readAgain = false;
    for (const StatementFile &entry : std::as_const(entries)) {
        const auto *layout = std::get_if<UnknownCsvLayout>(&entry.Result);
        if (!layout)
            continue;
        if (options.Columns) {
            decided.insert(layout->HeaderKey, *options.Columns);
            // Remembered for this header, as the program's column choice is.
            if (!options.DryRun)
                ImportStore(storeFile).SetCsvChoice(layout->HeaderKey, *options.Columns);
        } else {
            const CsvLayoutGuess guess = GuessCsvLayout(*layout);
            if (!guess.Unambiguous)
                throw QelError(UnknownLayoutMessage(entry.Name, *layout, guess));
            decided.insert(layout->HeaderKey, guess.Choice);
            Err_ << QStringLiteral("Hinweis: Die Spalten von %1 wurden nach ihren Namen erkannt: %2.")
                        .arg(Quoted(entry.Name), CsvColumnChoiceText(guess.Choice))
                 << '\n';
        }
        readAgain = true;
    }
    if (readAgain)
        entries = ReadStatementFiles(file, choices);
    QList<std::pair<QString, Statement>> statements;
    for (StatementFile &entry : entries) {
        if (std::holds_alternative<UnknownCsvLayout>(entry.Result)) {
            throw QelError(QStringLiteral("Die Datei %1 lässt sich mit dieser Zuordnung der Spalten nicht lesen.")
                               .arg(Quoted(entry.Name)));
        }
        statements.append({entry.Name, std::get<Statement>(std::move(entry.Result))});
    }
    return statements;
}

void Cli::ImportStatement(BookManager &books, const QString &file, const QString &name, const Statement &statement,
                          bool dryRun, IdentityIndex &earlierFiles)
{
    const QString storeFile = Paths_.ImportStoreFile();
    MatchContext context = LoadMatchContext(books, statement, !dryRun);
    for (const QString &note : std::as_const(context.Notes))
        Err_ << QStringLiteral("Hinweis: ") << note << '\n';
    QList<ImportCandidate> rows = ImportMatcher(context, books.RegionalSettings()).Match(statement);
    for (ImportCandidate &c : rows) {
        if (dryRun && c.Status == ImportStatus::New && earlierFiles.Contains(c.Identity))
            c.Status = ImportStatus::Duplicate;
        // Only the new rows: what the window leaves unticked stays out here, too, and so do
        // new rows unticked there before.
        c.Ticked = c.Status == ImportStatus::New && !c.UntickedBefore;
        if (c.Ticked)
            earlierFiles.Add(c.Identity);
        QString amount = c.Amount;
        if (c.Status == ImportStatus::ForeignCurrency)
            amount += u' ' + c.Row.Currency.trimmed();
        Out_ << Fields({StatusLine(c), c.BookName, c.Row.Credit ? IncomeKind() : ExpenseKind(), c.DateText,
                        amount, c.Category, c.Purpose, c.Row.Counterparty, BankText(c.Row).simplified()})
             << '\n';
    }
    if (dryRun)
        return;
    // Something may be booked even when the booking fails later on.
    Changed_ = Changed_ || !ChosenRows(rows).isEmpty();
    const ImportOutcome outcome = ImportBooking(books, storeFile)
                                      .Book(rows, {QFileInfo(file).absoluteFilePath(), statement.Format},
                                            QDateTime::currentDateTime());
    for (const ImportOutcome::Book &book : outcome.Books) {
        if (book.Created)
            Out_ << QStringLiteral("Das Haushaltsbuch %1 wurde angelegt.").arg(Quoted(book.Name)) << '\n';
    }
    QString line = outcome.Books.isEmpty() ? QStringLiteral("%1: keine neuen Buchungen.").arg(Quoted(name))
                                           : QStringLiteral("%1: übernommen wurden %2.").arg(Quoted(name), outcome.Summary());
    if (const QString leftOut = LeftOutSummary(rows); !leftOut.isEmpty())
        line += u' ' + leftOut + u'.';
    Out_ << line << '\n';
}

int Cli::ImportRules()
{
    if (!QFileInfo::exists(Paths_.ImportStoreFile()))
        return 0;
    ImportStore store(Paths_.ImportStoreFile());
    const QList<ImportRule> rules = store.Rules();
    for (qsizetype i = 0; i < rules.size(); ++i) {
        const ImportRule &r = rules.at(i);
        Out_ << Fields({QString::number(i + 1), r.Pattern,
                        r.IsRegex ? QStringLiteral("Regulärer Ausdruck") : QStringLiteral("Text"),
                        DirectionText(r.Direction), r.Category, r.Purpose})
             << '\n';
    }
    return 0;
}

int Cli::AddImportRule(const QStringList &args)
{
    QStringList rest = args;
    ImportRule rule;
    while (!rest.isEmpty() && rest.front().startsWith(u"--")) {
        const QString option = rest.takeFirst();
        if (option == u"--regex")
            rule.IsRegex = true;
        else if (option == u"--einnahme" && rule.Direction == RuleDirection::Both)
            rule.Direction = RuleDirection::Income;
        else if (option == u"--ausgabe" && rule.Direction == RuleDirection::Both)
            rule.Direction = RuleDirection::Expense;
        else
            return UsageError(QStringLiteral("Unbekannte oder doppelte Option \"%1\".").arg(option));
    }
    if (rest.size() != 3)
        return UsageError(QStringLiteral("Falsche Anzahl von Argumenten für \"rule-add\"."));
    rule.Pattern = rest.at(0);
    rule.Category = CapitalizeFirst(rest.at(1));
    rule.Purpose = CapitalizeFirst(rest.at(2));
    if (const QString problem = CheckRule(rule); !problem.isEmpty())
        return Fail(problem);
    if (!LockForWriting())
        return 1;
    ImportStore store(Paths_.ImportStoreFile());
    QList<ImportRule> rules = store.Rules();
    rules.append(rule);
    store.SetRules(rules);
    Changed_ = true;
    Out_ << QStringLiteral("Regel %1 angelegt.").arg(rules.size()) << '\n';
    return 0;
}

int Cli::RemoveImportRule(const QString &number)
{
    bool ok = false;
    const int n = number.toInt(&ok);
    if (!LockForWriting())
        return 1;
    ImportStore store(Paths_.ImportStoreFile());
    QList<ImportRule> rules = store.Rules();
    if (!ok || n < 1 || n > rules.size()) {
        return Fail(QStringLiteral("Eine Regel %1 gibt es nicht; \"haushaltsbuch-cli rules\" zeigt die Regeln mit ihren "
                                   "Nummern.")
                        .arg(Quoted(number)));
    }
    rules.removeAt(n - 1);
    store.SetRules(rules);
    Changed_ = true;
    Out_ << QStringLiteral("Regel %1 entfernt.").arg(n) << '\n';
    return 0;
}
