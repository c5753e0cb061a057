#pragma once

#include "analysis/AnalysisSums.h"

#include <QColor>
#include <QString>

class BookingList;
class TQELPieChart;

// The pie's slice colours, given by position: slice i (from 0) takes colour i of 20.
QColor PieSliceColour(int index);

// Shows one side of the open month book by category: the title "Haushaltsbuch - Einnahmen " or
// "Haushaltsbuch - Ausgaben " + the book's name, then one slice per category group in the
// order of the breakdown, the first 20 only. A side without bookings leaves the pie empty
// under its title.
void FillPieFromList(TQELPieChart &chart, const BookingList &main, const BookingList &regular, AnalysisSide side,
                     const QString &bookName);
