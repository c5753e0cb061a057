#include "analysis/PrintAnalyseUnit.h"

#include "analysis/AnalysisPages.h"
#include "analysis/YearPage.h"
#include "analysis/YearSums.h"
#include "controls/ColorRef.h"
#include "controls/OrvoSkinButton.h"
#include "controls/OrvoSkinCheckBox.h"
#include "controls/OrvoSkinPanel.h"
#include "ledger/FuncUnit.h"
#include "output/PagePrinter.h"
#include "support/HelpKey.h"
#include "support/ResourceImages.h"

#include <QLabel>
#include <QPainter>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QColor PanelColour(0x99, 0xCC, 0xFF);
const QColor RuleColour(0x00, 0x80, 0xC0);

TOrvoSkinCheckBox *AddPageBox(TOrvoSkinPanel *panel, const char *name, int top, const QString &caption)
{
    auto *box = new TOrvoSkinCheckBox(panel);
    box->setObjectName(QString::fromLatin1(name));
    box->move(20, top);
    box->SetCaption(caption);
    box->SetCheckSymbol(TCheckSymbol::sCross);
    box->SetColor(PanelColour);

    auto *picture = new QLabel(panel);
    picture->setGeometry(89, top, 16, 16);
    picture->setPixmap(TransparentCornerPixmap(ResourceBitmap(u"BTNPIC_PAGE"_s)));
    return box;
}

} // namespace

TFormPrintAnalyse::TFormPrintAnalyse(const TPagePrinter &printer, const Regional &regional, QWidget *parent)
    : TDialogFrame(parent, u"FormPrintAnalyse"_s, u"Berechnung drucken"_s, {281, 185})
    , Printer_(printer)
    , Regional_(regional)
{
    SetHelpTopic(this, u"/auswertung.html"_s);
    auto *panel = new TOrvoSkinPanel(this);
    panel->setObjectName(u"PanelPages"_s);
    // One row taller than the two pages need: the year overview below them.
    panel->setGeometry(8, 8, 266, 126);
    panel->SetTitle(u"Seiten wählen"_s);
    panel->SetBackColor(PanelColour);
    CheckPage1 = AddPageBox(panel, "CheckPage1", 32, u"Seite 1"_s);
    CheckPage2 = AddPageBox(panel, "CheckPage2", 64, u"Seite 2"_s);
    CheckPageYear = AddPageBox(panel, "CheckPageYear", 96, u"Jahr"_s);
    CheckPage1->SetChecked(true);

    auto *rule = new QWidget(panel);
    rule->setGeometry(127, 17, 2, 126 - 17);
    rule->setAutoFillBackground(true);
    QPalette rulePalette = rule->palette();
    rulePalette.setColor(QPalette::Window, RuleColour);
    rule->setPalette(rulePalette);

    auto *hint = new QLabel(u"Markieren Sie bitte die gewünschten Seiten und klicken Sie anschließend auf \"Drucken\"."_s,
                            panel);
    hint->setObjectName(u"LabelHint"_s);
    hint->setGeometry(136, 30, 121, 58);
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette hintPalette = hint->palette();
    hintPalette.setColor(QPalette::WindowText, Qt::black);
    hint->setPalette(hintPalette);

    QWidget *bar = AddButtonBar();
    btnPrint = AddBarButton(bar, "btnPrint", {32, 10, 118, 24}, u"Drucken"_s);
    btnPrint->SetDefault(true);
    btnPrint->SetHotKey(TSkinHotKey::QBAlt_D);
    btnClose = AddBarButton(bar, "btnClose", {156, 10, 118, 24}, u"Schließen"_s);
    btnClose->SetCancel(true);

    setTabOrder(CheckPage1, CheckPage2);
    setTabOrder(CheckPage2, CheckPageYear);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(300);
    connect(Timer1, &QTimer::timeout, this, &TFormPrintAnalyse::Timer1Timer);
    connect(btnPrint, &TOrvoSkinButton::Clicked, this, &TFormPrintAnalyse::btnPrintClick);
    connect(btnClose, &TOrvoSkinButton::Clicked, this, &TFormPrintAnalyse::btnCloseClick);
}

void TFormPrintAnalyse::SetLists(const BookingList &income, const BookingList &expend, const BookingList &regular,
                                 const QString &bookName)
{
    Income_ = &income;
    Expend_ = &expend;
    Regular_ = &regular;
    BookName_ = bookName;
}

void TFormPrintAnalyse::TickFor(bool yearPage)
{
    const bool yearAlone = CheckPageYear->Checked() && !CheckPage1->Checked() && !CheckPage2->Checked();
    if (yearPage) {
        CheckPage1->SetChecked(false);
        CheckPage2->SetChecked(false);
        CheckPageYear->SetChecked(true);
    } else if (yearAlone) {
        CheckPage1->SetChecked(true);
        CheckPageYear->SetChecked(false);
    }
}

void TFormPrintAnalyse::SetYearSource(std::function<YearOverview()> source)
{
    YearSource_ = std::move(source);
}

void TFormPrintAnalyse::DrawPrintPage1(QPainter &painter) const
{
    if (Income_)
        ::DrawPrintPage1(painter, {*Income_, *Expend_, *Regular_, BookName_, Regional_});
}

void TFormPrintAnalyse::DrawPrintPage2(QPainter &painter) const
{
    if (Income_)
        ::DrawPrintPage2(painter, {*Income_, *Expend_, *Regular_, BookName_, Regional_}, Budgets_);
}

void TFormPrintAnalyse::DrawPrintYearPage(QPainter &painter) const
{
    if (YearSource_)
        ::DrawPrintYearPage(painter, YearSource_(), Regional_,
                            YearBudgetSource_ ? YearBudgetSource_() : QList<BudgetYearLine>());
}

void TFormPrintAnalyse::PrintSelectedPages()
{
    const struct
    {
        TOrvoSkinCheckBox *Box;
        void (TFormPrintAnalyse::*Draw)(QPainter &) const;
        QString Title;
        QString Of; // what the document's name adds: the book, or the year of the overview
    } pages[] = {
        {CheckPage1, &TFormPrintAnalyse::DrawPrintPage1, u"Haushaltsbuch - Auswertung 1"_s, BookName_},
        {CheckPage2, &TFormPrintAnalyse::DrawPrintPage2, u"Haushaltsbuch - Auswertung 2"_s, BookName_},
        {CheckPageYear, &TFormPrintAnalyse::DrawPrintYearPage, u"Haushaltsbuch - Jahresübersicht"_s, BookYear(BookName_)},
    };
    for (const auto &page : pages) {
        if (!page.Box->Checked())
            continue;
        const PrintResult result = Printer_.PrintPageImage([&](QPainter &p) { (this->*page.Draw)(p); }, page.Title,
                                                           page.Title + u' ' + page.Of);
        ShowPrintResult(this, result);
        if (result.Kind == PrintResult::Outcome::Failed)
            return;
    }
}

void TFormPrintAnalyse::FormShow()
{
    CentreOnScreen();
    Timer1Timer();
    Timer1->start();
}

void TFormPrintAnalyse::FormClose()
{
    Timer1->stop();
}

void TFormPrintAnalyse::Timer1Timer()
{
    btnPrint->SetEnabled(CheckPage1->Checked() || CheckPage2->Checked() || CheckPageYear->Checked());
}

void TFormPrintAnalyse::btnPrintClick()
{
    PrintSelectedPages();
}

void TFormPrintAnalyse::btnCloseClick()
{
    reject();
}
