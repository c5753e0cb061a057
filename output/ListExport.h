#pragma once

#include "output/ExportEXCEL.h"

#include <QString>

class BookingList;
class QWidget;

// The main window's export of a booking list: asks for the file in Qt's own save dialog
// (object name "XlsSaveDialog"), appends ".xls", asks before replacing a file, writes the
// table and offers to show it with the program the desktop opens .xls files with. The
// dialog starts in folder (the documents folder when empty), which then becomes the folder
// of the file chosen, so the next export starts there.
void ExportListToXls(QWidget *parent, const BookingList &list, const QString &proposedFileName, QString &folder,
                     XlsCells cells = XlsCells::Text);
