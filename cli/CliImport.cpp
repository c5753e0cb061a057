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
        "Aufruf: haushaltsbuch-cli import [--dry-run] [--zeilen] [--weiter] [--spalten SPALTEN] DATEI...\n"
        "\n"
        "Liest Kontoauszüge (CAMT, MT940, CSV der Banken) und zeigt je Umsatz: Status, Haushaltsbuch,\n"
        "Einnahme/Ausgabe, Datum, Betrag, Kategorie, Verwendung, Gegenseite, Buchungstext der Bank\n"
        "(ganz, wie die Bank ihn schickt). Ohne --dry-run werden die Zeilen mit dem Status \"neu\"\n"
        "gebucht und fehlende Haushaltsbücher angelegt. Jede Datei wird für sich gelesen und gebucht;\n"
        "eine unlesbare wird genannt, die anderen werden trotzdem gebucht (Rückgabewert dann 1). Ein\n"
        "ZIP-Archiv wird Auszug für Auszug gelesen.\n"
        "\n"
        "Jede Zeile der Datei wird gezählt: als Umsatz oder mit dem Grund, warum sie keiner ist\n"
        "(Kopfzeile, Kontodaten, leer, Saldo oder Summe, kein Umsatz, Betrag 0,00). --zeilen zeigt\n"
        "jede Zeile mit ihrer Nummer und ihrem Ergebnis. Eine Zeile, die wie ein Umsatz aussieht,\n"
        "sich aber nicht lesen lässt, wird mit ihrer Nummer genannt (Status \"unlesbar\"); die Datei\n"
        "wird dann nicht gebucht (Rückgabewert 1), es sei denn, --weiter sagt, dass die übrigen\n"
        "Zeilen trotzdem gebucht werden sollen.\n"
        "\n"
        "Eine CSV-Datei, deren Aufbau das Programm nicht kennt, wird nach den Namen ihrer Spalten\n"
        "gelesen, wenn sie eindeutig sind (Buchungstag, Betrag, Verwendungszweck, Empfänger ...),\n"
        "und eine ohne Kopfzeile nach ihrem Inhalt, wenn er eindeutig ist. Sonst nennt --spalten die\n"
        "Spalten, von 1 an gezählt, etwa\n"
        "  --spalten \"datum=3,betrag=7,text=9,gegenseite=1\"  oder  \"datum=1,soll=4,haben=5,text=3\"\n"
        "Weiter: text=5-18 (der Verwendungszweck über mehrere Spalten), gegenseite=N,empfaenger=M\n"
        "(Auftraggeber und Empfänger je in einer Spalte: die Gegenseite ist je Zeile die, die nicht\n"
        "der Kontoinhaber ist), buchungstext=N (auch der Text, wo der Verwendungszweck leer ist) und\n"
        "iban=N. Die Zuordnung gilt danach für alle Dateien mit derselben Kopfzeile, wie eine im\n"
        "Programm getroffene.\n"
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
        "  Fremdwährung  nicht in Euro: wird nie gebucht\n"
        "  unlesbar      sieht aus wie ein Umsatz, lässt sich aber nicht lesen; dahinter Zeile und Grund\n");
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
        } else if (option == u"--zeilen" && !options.Lines) {
            options.Lines = true;
        } else if (option == u"--weiter" && !options.GoOn) {
            options.GoOn = true;
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
                ImportStatement(books, file, name, statement, options, earlierFiles);
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
            Err_ << QStringLiteral("Hinweis: Die Spalten von %1 wurden nach %2 erkannt: %3.")
                        .arg(Quoted(entry.Name), layout->Headerless ? u"ihrem Inhalt"_s : u"ihren Namen"_s,
                             CsvColumnChoiceText(guess.Choice))
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
                          const ImportOptions &options, IdentityIndex &earlierFiles)
{
    const bool dryRun = options.DryRun;
    const QString storeFile = Paths_.ImportStoreFile();
    MatchContext context = LoadMatchContext(books, statement, !dryRun);
    for (const QString &note : std::as_const(context.Notes))
        Err_ << QStringLiteral("Hinweis: ") << note << '\n';
    QList<ImportCandidate> rows = ImportMatcher(context, books.RegionalSettings()).Match(statement);
    int unreadable = 0;
    for (ImportCandidate &c : rows) {
        unreadable += c.Status == ImportStatus::Unreadable;
        if (dryRun && c.Status == ImportStatus::New && earlierFiles.Contains(c.Identity))
            c.Status = ImportStatus::Duplicate;
        // Only the new rows: what the window leaves unticked stays out here, too, and so do
        // new rows unticked there before.
        c.Ticked = c.Status == ImportStatus::New && !c.UntickedBefore;
    }
    // A file is booked whole or not at all, unless the user says to go on without the
    // lines that cannot be read.
    const bool refused = unreadable > 0 && !options.GoOn;
    for (ImportCandidate &c : rows) {
        if (refused)
            c.Ticked = false;
        if (c.Ticked)
            earlierFiles.Add(c.Identity);
    }
    const auto fields = [](const ImportCandidate &c) {
        QString amount = c.Amount;
        if (c.Status == ImportStatus::ForeignCurrency)
            amount += u' ' + c.Row.Currency.trimmed();
        const bool unread = c.Status == ImportStatus::Unreadable;
        return QStringList{StatusLine(c),
                           c.BookName,
                           unread ? QString() : (c.Row.Credit ? IncomeKind() : ExpenseKind()),
                           c.DateText,
                           amount,
                           c.Category,
                           c.Purpose,
                           c.Row.Counterparty,
                           BankText(c.Row).simplified()};
    };
    if (options.Lines) {
        for (const LineOutcome &line : LineOutcomes(statement, rows)) {
            QStringList out{QStringLiteral("Zeile %1").arg(line.Line)};
            out += line.Row ? fields(*line.Row) : QStringList{line.Outcome};
            Out_ << Fields(out) << '\n';
        }
    } else {
        for (const ImportCandidate &c : rows)
            Out_ << Fields(fields(c)) << '\n';
    }
    const QString skipped = SkippedSummary(statement);
    if (unreadable > 0) {
        QStringList named;
        for (const ImportCandidate &c : std::as_const(rows)) {
            if (c.Status == ImportStatus::Unreadable)
                named.append(c.Matched);
        }
        Err_ << QStringLiteral("%1: %2 lässt sich nicht lesen: %3")
                    .arg(Quoted(name),
                         unreadable == 1 ? QStringLiteral("eine Zeile, die wie ein Umsatz aussieht,")
                                         : QStringLiteral("%1 Zeilen, die wie Umsätze aussehen,").arg(unreadable),
                         named.join(u"; "_s))
             << '\n';
    }
    if (dryRun) {
        if (!skipped.isEmpty())
            Err_ << QStringLiteral("Hinweis: ") << Quoted(name) << QStringLiteral(": ") << skipped << u'.' << '\n';
        if (refused)
            throw QelError(QStringLiteral("%1 würde so nicht gebucht; mit --weiter werden die übrigen Zeilen gebucht.")
                               .arg(Quoted(name)));
        return;
    }
    if (refused) {
        QString line = QStringLiteral("%1: nichts übernommen, weil nicht jede Zeile gelesen werden kann.").arg(Quoted(name));
        if (!skipped.isEmpty())
            line += u' ' + skipped + u'.';
        Out_ << line << '\n';
        throw QelError(QStringLiteral("Mit --weiter werden die übrigen Zeilen von %1 gebucht.").arg(Quoted(name)));
    }
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
    if (!skipped.isEmpty())
        line += u' ' + skipped + u'.';
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
