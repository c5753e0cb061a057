#pragma once

#include "analysis/BudgetReport.h"
#include "dialogs/DialogFrame.h"

#include <functional>

class BookingList;
class QPainter;
class QTimer;
class TOrvoSkinCheckBox;
class TPagePrinter;
struct YearOverview;

// "Berechnung drucken": which analysis pages to print, and the year overview. The check boxes
// keep their state between showings; each checked page is one print job, page 1 first, the
// year last. The pages are drawn afresh at each print from the lists the main window hands
// over before showing the dialog; the year is asked for when it is printed.
class TFormPrintAnalyse : public TDialogFrame
{
    Q_OBJECT

public:
    TFormPrintAnalyse(const TPagePrinter &printer, const Regional &regional, QWidget *parent = nullptr);

    void SetLists(const BookingList &income, const BookingList &expend, const BookingList &regular,
                  const QString &bookName);

    // The pages ticked as the dialog opens: the year alone from the year page; otherwise as
    // left, but page 1 again after the year alone.
    void TickFor(bool yearPage);

    // The month's budgets, printed on page 2.
    void SetBudgets(QList<BudgetLine> budgets) { Budgets_ = std::move(budgets); }

    // Where the year's figures and its budgets come from when it is printed.
    void SetYearSource(std::function<YearOverview()> source);
    void SetYearBudgetSource(std::function<QList<BudgetYearLine>()> source) { YearBudgetSource_ = std::move(source); }

    void DrawPrintPage1(QPainter &painter) const;
    void DrawPrintPage2(QPainter &painter) const;
    void DrawPrintYearPage(QPainter &painter) const;
    // Prints the checked pages; after a failed job the next page is not tried.
    void PrintSelectedPages();

    void Timer1Timer();

private:
    void FormShow() override;
    void FormClose() override;
    void btnPrintClick();
    void btnCloseClick();

    const TPagePrinter &Printer_;
    const Regional &Regional_;
    const BookingList *Income_ = nullptr;
    const BookingList *Expend_ = nullptr;
    const BookingList *Regular_ = nullptr;
    QString BookName_;
    QList<BudgetLine> Budgets_;
    std::function<YearOverview()> YearSource_;
    std::function<QList<BudgetYearLine>()> YearBudgetSource_;

    TOrvoSkinCheckBox *CheckPage1 = nullptr;
    TOrvoSkinCheckBox *CheckPage2 = nullptr;
    TOrvoSkinCheckBox *CheckPageYear = nullptr;
    TOrvoSkinButton *btnPrint = nullptr;
    TOrvoSkinButton *btnClose = nullptr;
    QTimer *Timer1 = nullptr;
};
