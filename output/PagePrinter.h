#pragma once

#include <QFont>
#include <QImage>
#include <QString>

#include <functional>
#include <memory>

class PrintQueues;
class QPageLayout;
class QPainter;
class QWidget;

// The program's one way of printing. A page is drawn on a page of 2400 × 3350 pixels at 96
// pixels per inch and stretched over the whole printable area of the default printer, one
// job per page, without keeping the aspect ratio. The drawing is replayed on the printer
// rather than copied as a bitmap, so the printout stays sharp and its text stays text.
namespace PageImage {
constexpr int Width = 2400;
constexpr int Height = 3350;
constexpr int Dpi = 96;
} // namespace PageImage

// Draws one page in page pixels (0, 0)–(2400, 3350). Anything below the page is cut off.
using PageDrawing = std::function<void(QPainter &)>;
// Draws onto the printable area of a device in the device's own units; area is that whole
// area. For what must keep its proportions on any paper (the pie).
using AreaDrawing = std::function<void(QPainter &, const QRect &area)>;

// A font for page drawings: the size in points as it comes out at the page's 96 pixels per
// inch (10 pt 13 px, 32 pt 43 px, 52 pt 69 px), whatever device the page is replayed on.
QFont PageFont(const QString &family, int points, bool bold = false);

// The page as an image: white, 2400 × 3350, 96 pixels per inch.
QImage RenderPageImage(const PageDrawing &page);

// What the printer gets: a one-page PDF of the drawing on the printable area of the layout.
QByteArray AreaPdf(const AreaDrawing &drawing, const QPageLayout &layout, const QString &title);
// The same for a page, stretched over the printable area.
QByteArray PagePdf(const PageDrawing &page, const QPageLayout &layout, const QString &title);

// Maps the page onto a target rectangle of the painter's device, stretched in both
// directions, and clips to it.
void StretchPageToRect(QPainter &painter, const QRect &target);
// A page drawing as an area drawing: stretched over the whole area.
AreaDrawing Stretched(PageDrawing page);

struct PrintResult
{
    enum class Outcome { Printed, SavedAsPdf, Failed };
    Outcome Kind = Outcome::Failed;
    QString Message; // German; empty when printed
    QString File;    // the PDF written when no printer is installed
};

class TPagePrinter
{
public:
    // PDFs go into fallbackFolder when no printer is installed.
    explicit TPagePrinter(QString fallbackFolder);
    ~TPagePrinter();

    // Prints the page on the default printer under the job title. Without a default
    // printer the page is saved as a PDF file in the fallback folder instead, named and
    // titled after the document (e.g. the job title and the book), or the job title when
    // that is empty. Never asks.
    PrintResult PrintPageImage(const PageDrawing &page, const QString &jobTitle, const QString &document = {}) const;
    // The same for a drawing onto the printable area itself.
    PrintResult PrintArea(const AreaDrawing &drawing, const QString &jobTitle, const QString &document = {}) const;

    const QString &FallbackFolder() const { return FallbackFolder_; }

private:
    PrintResult SendToPrinter(const QString &printer, const AreaDrawing &drawing, const QString &jobTitle) const;
    PrintResult SaveAsPdf(const AreaDrawing &drawing, const QString &document) const;

    QString FallbackFolder_;
    mutable std::unique_ptr<PrintQueues> Queues_; // the print module, loaded on the first print
};

// Tells the user what became of a print: nothing when printed, the PDF's place when saved
// instead, the reason when it failed.
void ShowPrintResult(QWidget *parent, const PrintResult &result);
