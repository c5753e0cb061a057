// haushaltsbuch-cli: bank statements into the month books, and the import rules.

#include "cli/Cli.h"

#include "import/ImportBooking.h"
#include "import/ImportMatcher.h"
#include "import/ImportStore.h"
#include "import/ImportStoreUpkeep.h"
#include "statements/Statement.h"
#include "ledger/BookManager.h"
#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFileInfo>

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

QString UnknownLayoutMessage(const QString &file)
{
    return QStringLiteral("Die Datei %1 ist eine CSV-Datei, deren Aufbau das Programm nicht kennt. Ordnen Sie die "
                          "Spalten einmal im Programm zu (\"Kontoauszug importieren\" unter \"Haushaltsbücher "
                          "verwalten\"); danach liest auch haushaltsbuch-cli Dateien mit denselben Spalten.")
        .arg(Quoted(QDir::toNativeSeparators(file)));
}

} // namespace

QString Cli::ImportHelp()
{
    return QStringLiteral(
        "Aufruf: haushaltsbuch-cli import [--dry-run] DATEI...\n"
        "\n"
        "Liest Kontoauszüge (CAMT, MT940, CSV der Banken) und zeigt je Zeile: Status, Haushaltsbuch,\n"
        "Einnahme/Ausgabe, Datum, Betrag, Kategorie, Verwendung, Gegenseite, Buchungstext der Bank.\n"
        "Ohne --dry-run werden die Zeilen mit dem Status \"neu\" gebucht und fehlende Haushaltsbücher\n"
        "angelegt. Jede Datei wird für sich gelesen und gebucht; eine unlesbare wird genannt, die\n"
        "anderen werden trotzdem gebucht (Rückgabewert dann 1).\n"
        "\n"
        "Status:\n"
        "  neu           noch nicht im Haushaltsbuch: wird gebucht\n"
        "  doppelt       schon einmal importiert (auch aus einer anderen Datei desselben Kontos):\n"
        "                wird nicht wieder gebucht\n"
        "  vorhanden     das Buch hat schon eine Buchung derselben Art und desselben Betrags,\n"
        "                höchstens drei Tage entfernt: wird hier nicht gebucht (im Programm wählbar)\n"
        "  regelmäßig    passt zu einer regelmäßigen Buchung, die ohnehin jeden Monat zählt:\n"
        "                wird nicht gebucht\n"
        "  vorgemerkt    von der Bank noch nicht gebucht: wird nie gebucht\n"
        "  Fremdwährung  nicht in Euro: wird nie gebucht\n");
}

int Cli::Import(const QStringList &args)
{
    if (args == QStringList{u"--help"_s}) {
        Out_ << ImportHelp();
        return 0;
    }
    QStringList files = args;
    const bool dryRun = !files.isEmpty() && files.front() == u"--dry-run";
    if (dryRun)
        files.removeFirst();
    if (files.isEmpty())
        return UsageError(QStringLiteral("Zum Befehl \"import\" fehlt die Datei."));

    // The store made ready (taken back when damaged, in line with restored books) before
    // anything reads it.
    if (!dryRun) {
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
            ImportFile(books, file, dryRun, earlierFiles);
        } catch (const QelError &error) {
            Err_ << error.Message() << '\n';
            ++failed;
        }
    }
    if (failed > 0 && files.size() > 1)
        Err_ << QStringLiteral("%1 von %2 Dateien wurden nicht importiert.").arg(failed).arg(files.size()) << '\n';
    return failed > 0 ? 1 : 0;
}

void Cli::ImportFile(BookManager &books, const QString &file, bool dryRun, IdentityIndex &earlierFiles)
{
    const QString storeFile = Paths_.ImportStoreFile();
    const CsvChoiceLookup choices = [&storeFile](const QString &headerKey) -> std::optional<CsvColumnChoice> {
        if (!QFileInfo::exists(storeFile))
            return std::nullopt;
        ImportStore store(storeFile);
        return store.CsvChoice(headerKey);
    };
    StatementReadResult read = ReadStatementFile(file, choices);
    if (std::holds_alternative<UnknownCsvLayout>(read))
        throw QelError(UnknownLayoutMessage(file));
    const Statement statement = std::get<Statement>(std::move(read));
    const QString name = QFileInfo(file).fileName();

    MatchContext context = LoadMatchContext(books, statement, !dryRun);
    for (const QString &note : std::as_const(context.Notes))
        Err_ << QStringLiteral("Hinweis: ") << note << '\n';
    QList<ImportCandidate> rows = ImportMatcher(context, books.RegionalSettings()).Match(statement);
    for (ImportCandidate &c : rows) {
        if (dryRun && c.Status == ImportStatus::New && earlierFiles.Contains(c.Identity))
            c.Status = ImportStatus::Duplicate;
        // Only the new rows: what the window leaves unticked stays out here, too.
        c.Ticked = c.Status == ImportStatus::New;
        if (c.Ticked)
            earlierFiles.Add(c.Identity);
        QString amount = c.Amount;
        if (c.Status == ImportStatus::ForeignCurrency)
            amount += u' ' + c.Row.Currency.trimmed();
        Out_ << Fields({StatusText(c.Status), c.BookName, c.Row.Credit ? IncomeKind() : ExpenseKind(), c.DateText,
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
