// The year overview on the analysis panel: the year of the open month book as a page drawn
// like the analysis pages, printed through their dialog and exported as a table.

#include "app/UnitQEL.h"

#include "analysis/AnalysisPageImage.h"
#include "analysis/PrintAnalyseUnit.h"
#include "analysis/YearPage.h"
#include "analysis/YearSums.h"
#include "app/MainPanel.h"
#include "controls/OrvoSkinButton.h"
#include "controls/SkinHotKey.h"
#include "books/BookManager.h"
#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"
#include "output/ListExport.h"

#include <QScrollArea>

void TFormQEL::BuildYearOverview()
{
    btnAnalyseYear = PanelButton(PanelAnalyse, {314, 528, 98, 24}, QStringLiteral("Jahresübersicht"),
                                 QStringLiteral("Jahresübersicht (Alt+J)"));
    btnExportYear = PanelButton(PanelAnalyse, {416, 528, 98, 24}, QStringLiteral("Exportieren"),
                                QStringLiteral("Jahresübersicht exportieren (Alt+P)"));
    btnAnalyseYear->setObjectName(QStringLiteral("btnAnalyseYear"));
    btnExportYear->setObjectName(QStringLiteral("btnExportYear"));
    PanelHotKeys_[4].append({btnAnalyseYear, TSkinHotKey::QBAlt_J});
    PanelHotKeys_[4].append({btnExportYear, TSkinHotKey::QBAlt_P});
    // Exporting is for the year page; the month pages have their lists' own exports.
    btnExportYear->SetEnabled(false);
    connect(btnAnalyseYear, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnAnalyseYearClick);
    connect(btnExportYear, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnExportYearClick);

    ImageAnalyseYear = new TAnalysisPageImage(AnalysisPage::ScreenSize, ScrollBoxAnalyse->widget());
    ImageAnalyseYear->setObjectName(QStringLiteral("ImageAnalyseYear"));
    ImageAnalyseYear->hide();
    connect(ImageAnalyseYear, &TAnalysisPageImage::MouseDown, this, &TFormQEL::ImageAnalysePage1MouseDown);
    connect(ImageAnalyseYear, &TAnalysisPageImage::MouseMove, this, &TFormQEL::ImageAnalysePage1MouseMove);
    connect(ImageAnalyseYear, &TAnalysisPageImage::MouseUp, this, &TFormQEL::ImageAnalysePage1MouseUp);

    // A printout shows the year as it is when printed; its errors were shown with the page.
    FormPrintAnalyse->SetYearSource([this] {
        QStringList errors;
        return CurrentYearOverview(errors);
    });
    FormPrintAnalyse->SetYearBudgetSource([this] {
        QStringList errors;
        return CurrentBudgetYear(errors);
    });
}

YearOverview TFormQEL::CurrentYearOverview(QStringList &errors)
{
    const QString book = Books_.CurrentBook();
    // The open book as it stands in memory, like the month pages; the others as saved.
    return YearFromCache(Cache_, BookYear(book).toInt(), Books_.Regular(), {book, &Books_.Income(), &Books_.Expend()},
                         errors);
}

void TFormQEL::btnAnalyseYearClick()
{
    QStringList errors;
    const YearOverview year = CurrentYearOverview(errors);
    const YearPage page = ScreenYearPage(year, Books_.RegionalSettings(), CurrentBudgetYear(errors));
    ImageAnalyseYear->Resize(page.Page.Size);
    try {
        ImageAnalyseYear->Draw([&](QPainter &p) { PaintYearPage(p, page, year); });
        ImageAnalyseYear->SetSpokenText(QStringLiteral("Jahresübersicht %1").arg(year.Year), PageTextLines(page.Page));
    } catch (const QelError &error) {
        errors.append(error.Message());
    }
    ShowAnalysisPage(3);
    if (!errors.isEmpty())
        Report(errors.join(QStringLiteral("\n\n")));
}

void TFormQEL::btnExportYearClick()
{
    if (ImageAnalysePage2->isVisible()) {
        ExportBudgets();
        return;
    }
    QStringList errors;
    const YearOverview year = CurrentYearOverview(errors);
    if (!errors.isEmpty())
        Report(errors.join(QStringLiteral("\n\n")));
    ExportListToXls(this, YearTable(year), QStringLiteral("Jahresübersicht %1").arg(year.Year), ExportFolder_,
                    XlsCells::AmountsAsNumbers);
}
