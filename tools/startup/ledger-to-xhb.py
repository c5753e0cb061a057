#!/usr/bin/env python3
"""Writes the bookings of a data folder as one HomeBank (.xhb) file, for the start-up benchmark.

Every booking of every month book becomes a transaction of one account "Girokonto" (income
positive, expenses negative), its category a HomeBank category (income categories flagged as
such) and its purpose the memo. The regular bookings become monthly scheduled templates that
are next due after the last month book, so HomeBank has nothing to post when it starts.

The bookings are read through haushaltsbuch-cli (books, show NAME, regular), so the file holds
exactly what the program shows; before it is written, the sum of its transactions is checked to
the cent against the book totals the CLI lists (which count the regular bookings in every book).
"""

import argparse
import calendar
import datetime
import subprocess
import sys
from decimal import Decimal
from xml.sax.saxutils import quoteattr


def cli_lines(cli, data_dir, program_data_dir, *command):
    out = subprocess.run(
        [cli, "--data-dir", data_dir, "--program-data-dir", program_data_dir, *command],
        check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, encoding="utf-8",
    ).stdout
    return [line.split("\t") for line in out.splitlines() if line]


def euro(text):
    """An amount as the CLI prints it ("12.50" or "12.50 €")."""
    return Decimal(text.split()[0])


def check_same_money(books, regular, transaction_sum):
    """The transactions must add up to the books' totals without the regular bookings."""
    books_net = sum(euro(income) - euro(expense) for _, _, income, expense in books)
    regular_net = sum(euro(amount) if kind == "Einnahme" else -euro(amount) for _, amount, _, _, kind in regular)
    expected = books_net - len(books) * regular_net
    if transaction_sum != expected:
        sys.exit(f"ledger-to-xhb: the transactions sum to {transaction_sum}, the books to {expected}")


def julian(date_text):
    """dd.MM.yyyy as the day number HomeBank stores (day 1 is 1 January of year 1)."""
    day, month, year = (int(part) for part in date_text.split("."))
    return datetime.date(year, month, day).toordinal()


class Categories:
    def __init__(self):
        self.keys = {}

    def key(self, name, income):
        return self.keys.setdefault((name, income), len(self.keys) + 1)

    def xml(self):
        for (name, income), key in sorted(self.keys.items(), key=lambda item: item[1]):
            yield f'<cat key="{key}" flags="{2 if income else 0}" name={quoteattr(name)}/>'


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="haushaltsbuch-cli")
    parser.add_argument("--data-dir", required=True)
    parser.add_argument("--program-data-dir", required=True)
    parser.add_argument("--out", required=True, help="the .xhb file to write")
    args = parser.parse_args()

    def lines(*command):
        return cli_lines(args.cli, args.data_dir, args.program_data_dir, *command)

    categories = Categories()
    operations = []
    transaction_sum = Decimal(0)
    last_date = 0
    books = lines("books")
    for book in books:
        for kind, date, amount, category, purpose in lines("show", book[0]):
            income = kind == "Einnahme"
            signed = amount if income else "-" + amount
            transaction_sum += Decimal(signed)
            day = julian(date)
            last_date = max(last_date, day)
            operations.append(
                f'<ope date="{day}" amount="{signed}" account="1" '
                f'paymode="0" st="0" flags="{2 if income else 0}" payee="0" '
                f'category="{categories.key(category, income)}" wording={quoteattr(purpose)}/>'
            )

    after = datetime.date.fromordinal(last_date) if last_date else datetime.date.today()
    first_month = datetime.date(after.year + (after.month == 12), after.month % 12 + 1, 1)
    regular = lines("regular")
    check_same_money(books, regular, transaction_sum)
    templates = []
    for number, (day, amount, category, purpose, kind) in enumerate(regular, start=1):
        income = kind == "Einnahme"
        month_days = calendar.monthrange(first_month.year, first_month.month)[1]
        due = first_month.replace(day=min(int(day.rstrip(".")), month_days))
        templates.append(
            f'<fav key="{number}" amount="{amount if income else "-" + amount}" account="1" '
            f'dst_account="0" paymode="0" st="0" flags="{4 | (2 if income else 0)}" payee="0" '
            f'category="{categories.key(category, income)}" wording={quoteattr(purpose)} '
            f'nextdate="{due.toordinal()}" every="1" unit="2" weekend="0" gap="0"/>'
        )

    with open(args.out, "w", encoding="utf-8") as xhb:
        xhb.write('<?xml version="1.0"?>\n<homebank v="1.4" d="050602">\n')
        xhb.write('<properties title="Haushaltsbuch" curr="1" auto_smode="1" auto_weekday="1" auto_nbdays="0"/>\n')
        xhb.write('<cur key="1" flags="0" iso="EUR" name="Euro" symb="€" syprf="0" dchar="," gchar="." '
                  'frac="2" rate="0" mdate="0"/>\n')
        xhb.write('<account key="1" flags="0" pos="1" type="1" curr="1" name="Girokonto" initial="0" '
                  'minimum="0"/>\n')
        for line in (*categories.xml(), *templates, *operations):
            xhb.write(line + "\n")
        xhb.write("</homebank>\n")
    print(f"{len(operations)} Buchungen, {len(templates)} regelmäßige, {len(categories.keys)} Kategorien "
          f"-> {args.out}", file=sys.stderr)


if __name__ == "__main__":
    main()
