#pragma once

#include <QDate>
#include <QString>

#include <random>

class BookingList;
class Regional;

// Made-up but plausible ledger data for demonstrations, manual testing and benchmarks:
// month books with income and expense rows and a list of regular bookings, in the
// categories the entry dialogs offer. The same seed always gives the same data; the
// random numbers are mapped without the standard distributions, whose results differ
// between standard libraries.
namespace DemoData {

struct Options
{
    int Books = 240;
    int Rows = 100; // per month book, income and expenses together
    int Regular = 50;
    quint32 Seed = 1;
    QDate FirstMonth{2008, 1, 1};
    // Write also into a folder that already holds month books or a Regular.dat.
    bool Force = false;
};

// The name of the book index months after firstMonth: "Januar 2008", "Februar 2008", ...
QString BookName(QDate firstMonth, int index);

// The share of a book's rows that are income; households book far more expenses.
int IncomeRowsOf(int rows);

// Appends rows dated within month's month to both lists and sorts them by caption.
void FillMonthBook(std::mt19937 &rng, QDate month, int incomeRows, int expendRows, BookingList &income,
                   BookingList &expend, const Regional &regional);

// Appends regular bookings (standing orders, salary, fees) and sorts the list.
void FillRegular(std::mt19937 &rng, int count, BookingList &regular, const Regional &regional);

// Creates dataFolder if needed and writes options.Books month books and Regular.dat
// into it. A folder that already holds month books or a Regular.dat (somebody's ledger) is
// refused unless options.Force; then files of the same names are replaced. Throws QelError.
void Write(const QString &dataFolder, const Options &options);

} // namespace DemoData
