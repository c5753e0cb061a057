#pragma once

#include "statements/Statement.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The columns of a CSV layout that no bank profile knows, guessed from the usual German
// header names ("Buchungstag", "Betrag", "Verwendungszweck", ...) and checked against the
// first rows, and the column choice as the command line writes it.

struct CsvLayoutGuess
{
    CsvColumnChoice Choice; // what the names suggest, also when in doubt (to pre-fill a dialog)
    bool Unambiguous = false;
    QString Doubt; // why not unambiguous, one German sentence; empty when unambiguous
};

// Names are compared without case, quotes and surrounding blanks, "ä" as "ae" and so on,
// and without a currency after them ("Betrag (EUR)"). Unambiguous when exactly one column
// is the booking date and exactly one the amount (or one "Soll" and one "Haben"), after the
// preferences (Buchungstag over Datum over Belegdatum over Wertstellung; Verwendungszweck over
// Buchungstext), and every sample row with a date there has a real date and an amount.
// Columns named "Verwendungszweck 1", "VWZ2", ... one after the other are the purpose together;
// with a payer's and a payee's column both are taken, and a "Buchungstext" or "Text" beside
// the purpose fills in where the purpose is empty. The layout's column statistics, where
// it has them, bear the choice out over the whole file rather than the sample alone (dates
// with slashes: a number over 12 tells the day). A file without a header is guessed from
// its content: the first column of dates, the one column of signed amounts (or two columns
// with one amount in each row: Soll, then Haben), an IBAN column, and the column with the
// longest texts as the purpose.
CsvLayoutGuess GuessCsvLayout(const QStringList &header, const QList<QStringList> &sample);
CsvLayoutGuess GuessCsvLayout(const UnknownCsvLayout &layout);

// Whether a record names the columns of a table of turnovers: a date and an amount (or
// Soll or Haben) among its names.
bool NamesTableColumns(const QStringList &fields);

// "datum=3,betrag=7,text=9,gegenseite=1" or with "soll=N,haben=N" for the amount: columns
// counted from 1 as the user counts them, kept from 0 as CsvColumnChoice holds them; further
// "text=9-22" (the purpose over several columns), "empfaenger=N" (the payee, gegenseite then
// the payer), "buchungstext=N" and "iban=N". Keys without case, blanks anywhere around.
// nullopt with a German message in *error (when given) for anything else.
std::optional<CsvColumnChoice> ParseCsvColumnChoice(const QString &text, QString *error);

// The choice as ParseCsvColumnChoice reads it back, for messages that tell what to write.
QString CsvColumnChoiceText(const CsvColumnChoice &choice);
