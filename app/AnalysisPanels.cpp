// The analysis and diagram panels of the main window: the two computed pages in their scroll
// box, and the pie of one side.

#include "app/UnitQEL.h"

#include "analysis/AnalysisPageImage.h"
#include "analysis/AnalysisPages.h"
#include "analysis/DiaUnit.h"
#include "analysis/PieChart.h"
#include "analysis/PrintAnalyseUnit.h"
#include "app/MainPanel.h"
#include "controls/MessageBoxes.h"
#include "controls/OrvoSkinButton.h"
#include "books/BookManager.h"
#include "ledger/QelError.h"
#include "support/HelpKey.h"
#include "support/WarningSound.h"

#include <QScrollArea>
#include <QShortcut>
#include <QScrollBar>

using namespace Qt::StringLiterals;

void TFormQEL::BuildAnalysisPanels()
{
    ScrollBoxAnalyse = new QScrollArea(PanelAnalyse);
    ScrollBoxAnalyse->setObjectName(u"ScrollBoxAnalyse"_s);
    ScrollBoxAnalyse->setGeometry(6, 8, 619, 515);
    ScrollBoxAnalyse->setFrameStyle(QFrame::Box | QFrame::Plain);
    ScrollBoxAnalyse->setLineWidth(1);
    // No bar sideways: everything on the pages lies left of x = 580. Dragging still moves a page
    // sideways within its width.
    ScrollBoxAnalyse->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette pal = ScrollBoxAnalyse->palette();
    pal.setColor(QPalette::WindowText, QColor(0xA0, 0xA0, 0xA0));
    pal.setColor(QPalette::Window, Qt::white);
    ScrollBoxAnalyse->setPalette(pal);
    ScrollBoxAnalyse->viewport()->setAutoFillBackground(true);
    // The arrows and the page keys scroll the box by themselves; Home and End go to the page's
    // top and bottom.
    ScrollBoxAnalyse->setFocusPolicy(Qt::StrongFocus);
    new QShortcut(QKeySequence(Qt::Key_Home), ScrollBoxAnalyse, ScrollBoxAnalyse,
                  [this] { ScrollBoxAnalyse->verticalScrollBar()->setValue(0); }, Qt::WidgetShortcut);
    new QShortcut(QKeySequence(Qt::Key_End), ScrollBoxAnalyse, ScrollBoxAnalyse,
                  [this] { ScrollBoxAnalyse->verticalScrollBar()->setValue(ScrollBoxAnalyse->verticalScrollBar()->maximum()); },
                  Qt::WidgetShortcut);

    auto *pages = new QWidget;
    pages->setFixedSize(AnalysisPage::ScreenSize);
    ImageAnalysePage1 = new TAnalysisPageImage(AnalysisPage::ScreenSize, pages);
    ImageAnalysePage2 = new TAnalysisPageImage(AnalysisPage::ScreenSize, pages);
    ImageAnalysePage1->setObjectName(u"ImageAnalysePage1"_s);
    ImageAnalysePage2->setObjectName(u"ImageAnalysePage2"_s);
    ImageAnalysePage2->hide();
    ScrollBoxAnalyse->setWidget(pages);
    for (TAnalysisPageImage *image : {ImageAnalysePage1, ImageAnalysePage2}) {
        connect(image, &TAnalysisPageImage::MouseDown, this, &TFormQEL::ImageAnalysePage1MouseDown);
        connect(image, &TAnalysisPageImage::MouseMove, this, &TFormQEL::ImageAnalysePage1MouseMove);
        connect(image, &TAnalysisPageImage::MouseUp, this, &TFormQEL::ImageAnalysePage1MouseUp);
    }
    btnAnalysePage1->SetDowned(true);
    connect(btnAnalysePage1, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnAnalysePage1Click);
    connect(btnAnalysePage2, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnAnalysePage2Click);
    connect(btnPrintAnalyse, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnPrintAnalyseClick);

    ChartDia = new TQELPieChart(PanelDiagram);
    ChartDia->setObjectName(u"ChartDia"_s);
    ChartDia->setGeometry(6, 8, 619, 515);
    ChartDia->SetValueFormat(Books_.RegionalSettings().Locale(), Books_.RegionalSettings().CurrencySymbol());
    connect(btnShowDiaInc, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnShowDiaIncClick);
    connect(btnShowDiaOut, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnShowDiaOutClick);
    connect(btnPrintDiagram, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnPrintDiagramClick);

    FormPrintAnalyse = new TFormPrintAnalyse(PagePrinter_, Books_.RegionalSettings(), this);
    BuildYearOverview();
}

void TFormQEL::btnAnalyseClick()
{
    ShowPanel(4);
    ScrollBoxAnalyse->horizontalScrollBar()->setValue(0);
    ScrollBoxAnalyse->verticalScrollBar()->setValue(0);
    ImageAnalysePage1->move(0, 0);
    ImageAnalysePage2->move(0, 0);
    // Drawn here only: the pages keep these figures until the month is computed again.
    const AnalysisSource source{Books_.Income(), Books_.Expend(), Books_.Regular(), Books_.CurrentBook(),
                                Books_.RegionalSettings()};
    QStringList errors;
    ShownBudgets_ = CurrentBudgetLines(errors);
    const QList<BudgetLine> &budgets = ShownBudgets_;
    try {
        const PageLayout page1 = AnalysisPage1Layout(source);
        const PageLayout page2 = AnalysisPage2Layout(source, budgets);
        ImageAnalysePage1->Draw([&](QPainter &p) { PaintPage(p, page1); });
        ImageAnalysePage2->Draw([&](QPainter &p) { PaintPage(p, page2); });
        ImageAnalysePage1->SetSpokenText(QStringLiteral("Auswertung Seite 1"), PageTextLines(page1));
        ImageAnalysePage2->SetSpokenText(QStringLiteral("Auswertung Seite 2"), PageTextLines(page2));
    } catch (const QelError &error) {
        errors.append(error.Message());
    }
    if (!errors.isEmpty())
        Report(errors.join(u"\n\n"_s));
    btnAnalysePage1Click();
}

void TFormQEL::btnAnalysePage1Click()
{
    ShowAnalysisPage(1);
}

void TFormQEL::btnAnalysePage2Click()
{
    ShowAnalysisPage(2);
}

void TFormQEL::ShowAnalysisPage(int page)
{
    TAnalysisPageImage *const images[] = {ImageAnalysePage1, ImageAnalysePage2, ImageAnalyseYear};
    TAnalysisPageImage *shown = images[page - 1];
    // The box scrolls over the page shown; the year page may be taller than the month pages.
    ScrollBoxAnalyse->widget()->setFixedSize(shown->size());
    ScrollBoxAnalyse->horizontalScrollBar()->setValue(0);
    ScrollBoxAnalyse->verticalScrollBar()->setValue(0);
    shown->move(0, 0);
    for (TAnalysisPageImage *image : images) {
        if (image != shown)
            image->hide();
    }
    shown->show();
    btnAnalysePage1->SetDowned(page == 1);
    btnAnalysePage2->SetDowned(page == 2);
    btnAnalyseYear->SetDowned(page == 3);
    // Page 2's budgets are exported as the year is.
    btnExportYear->SetEnabled(page == 3 || (page == 2 && !ShownBudgets_.isEmpty()));
    btnExportYear->setToolTip(page == 2 ? u"Budgets exportieren (Alt+P)"_s : u"Jahresübersicht exportieren (Alt+P)"_s);
    ScrollBoxAnalyse->setAccessibleName(shown->accessibleName());
    ScrollBoxAnalyse->setAccessibleDescription(shown->accessibleDescription());
    SetHelpTopic(this, page == 3 ? u"/jahresuebersicht.html"_s : u"/auswertung.html"_s);
    // The page takes the keys, so that the arrows, the page keys, Home and End scroll it at once.
    if (PanelAnalyse->isVisible())
        ScrollBoxAnalyse->setFocus(Qt::OtherFocusReason);
}

void TFormQEL::btnPrintAnalyseClick()
{
    FormPrintAnalyse->SetLists(Books_.Income(), Books_.Expend(), Books_.Regular(), Books_.CurrentBook());
    FormPrintAnalyse->TickFor(ImageAnalyseYear->isVisibleTo(ScrollBoxAnalyse));
    QStringList errors; // shown with the pages
    FormPrintAnalyse->SetBudgets(CurrentBudgetLines(errors));
    FormPrintAnalyse->exec();
}

void TFormQEL::ImageAnalysePage1MouseDown(QPoint globalPosition)
{
    DragPoint = globalPosition;
}

void TFormQEL::ImageAnalysePage1MouseMove(QPoint globalPosition, Qt::MouseButtons buttons)
{
    if (!(buttons & Qt::LeftButton) || DragPoint.x() < 0)
        return;
    // Moving the mouse up moves the page up; the bars keep the positions within their ranges.
    QScrollBar *vertical = ScrollBoxAnalyse->verticalScrollBar();
    QScrollBar *horizontal = ScrollBoxAnalyse->horizontalScrollBar();
    vertical->setValue(vertical->value() + DragPoint.y() - globalPosition.y());
    horizontal->setValue(horizontal->value() + DragPoint.x() - globalPosition.x());
    DragPoint = globalPosition;
}

void TFormQEL::ImageAnalysePage1MouseUp()
{
    DragPoint = QPoint(-1, -1);
}

void TFormQEL::btnDiagramClick()
{
    ShowPanel(5);
    if (DiagramMode_ == 1)
        btnShowDiaIncClick();
    else if (DiagramMode_ == 2)
        btnShowDiaOutClick();
}

void TFormQEL::btnShowDiaIncClick()
{
    btnShowDiaInc->SetDowned(true);
    btnShowDiaOut->SetDowned(false);
    FillPieFromList(*ChartDia, Books_.Income(), Books_.Regular(), AnalysisSide::Income, Books_.CurrentBook());
    DiagramMode_ = 1;
}

void TFormQEL::btnShowDiaOutClick()
{
    btnShowDiaOut->SetDowned(true);
    btnShowDiaInc->SetDowned(false);
    FillPieFromList(*ChartDia, Books_.Expend(), Books_.Regular(), AnalysisSide::Expense, Books_.CurrentBook());
    DiagramMode_ = 2;
}

void TFormQEL::btnPrintDiagramClick()
{
    Sound_.Play();
    if (!AskConfirmation(this, u"Soll das Diagramm ausgedruckt werden?"_s))
        return;
    const PieChartContent chart = ChartDia->Content();
    const QSize chartSize = ChartDia->size();
    // On the paper's own printable area: a page stretched onto it would stretch the pie too.
    ShowPrintResult(this, PagePrinter_.PrintArea(
                              [&](QPainter &p, const QRect &area) { DrawPieChartOnArea(p, area, chartSize, chart); },
                              u"ChartDia"_s, chart.Title));
}
