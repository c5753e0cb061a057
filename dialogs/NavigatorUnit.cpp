#include "dialogs/NavigatorUnit.h"

#include "controls/OrvoSkinButton.h"
#include "ledger/CategoryTable.h"
#include "support/HelpKey.h"
#include "support/ResourceImages.h"

#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace {

constexpr int Margin = 20;
const QColor LineGrey(0x80, 0x80, 0x80);

bool ShowsIncome(int mode)
{
    return mode == 1 || mode == 3;
}

bool ShowsExpenses(int mode)
{
    return mode == 2 || mode == 3;
}

QFont OverviewFont(int points, bool bold)
{
    QFont font(u"MS Sans Serif"_s, points);
    font.setBold(bold);
    return font;
}

// Text placed by the top of its line, as the layout counts.
void TextAt(QPainter &painter, int x, int y, const QString &text)
{
    painter.drawText(x, y + painter.fontMetrics().ascent(), text);
}

void Heading(QPainter &painter, const QString &strip, int y, const QString &caption)
{
    painter.drawImage(Margin, y, ResourceBitmap(strip));
    painter.setFont(OverviewFont(10, true));
    painter.setPen(Qt::white);
    TextAt(painter, Margin + 20, y, caption);
    painter.setFont(OverviewFont(8, false));
    painter.setPen(Qt::black);
}

void BulletLine(QPainter &painter, int y, const QString &name)
{
    painter.setPen(LineGrey);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRect(Margin + 30, y + 5, 3, 3)); // covers the 4 x 4 square
    painter.setPen(Qt::black);
    TextAt(painter, Margin + 40, y, name);
}

// The non-empty names of a list as bullet lines from y on; returns the y below them.
template<typename NameAt>
int BulletList(QPainter *painter, int y, int count, NameAt nameAt)
{
    for (int i = 0; i < count; ++i) {
        const QString name = nameAt(i);
        if (name.isEmpty())
            continue;
        if (painter)
            BulletLine(*painter, y, name);
        y += 15;
    }
    return y;
}

// Walks the overview's layout, drawing when given a painter; returns the y below the last line.
// Height and drawing share it so that they cannot disagree.
int LayOutOverview(const CategoryTable &table, int mode, QPainter *painter)
{
    int y = 10;
    if (ShowsIncome(mode)) {
        if (painter)
            Heading(*painter, u"NAVIGATOR_INC"_s, y, u"Einnahmen"_s);
        y = BulletList(painter, 35, CategoryTable::IncomeCount, [&](int i) { return table.IncomeName(i); });
        y += 10;
    }
    if (ShowsExpenses(mode)) {
        if (painter)
            Heading(*painter, u"NAVIGATOR_OUT"_s, y, u"Ausgaben"_s);
        y += 25;
        for (int g = 0; g < CategoryTable::GroupCount; ++g) {
            const QString group = table.GroupName(g);
            if (group.isEmpty())
                continue;
            if (painter) {
                painter->setFont(OverviewFont(8, true));
                TextAt(*painter, Margin, y, group);
                painter->setFont(OverviewFont(8, false));
                painter->setPen(LineGrey);
                painter->drawLine(Margin, y + 15, Margin + 279, y + 15); // end pixel excluded
                painter->setPen(Qt::black);
            }
            y = BulletList(painter, y + 20, CategoryTable::SubCategoryCount,
                           [&](int k) { return table.SubCategory(g, k); });
            y += 5;
        }
    }
    return y;
}

} // namespace

int OverviewHeight(const CategoryTable &table, int mode)
{
    return LayOutOverview(table, mode, nullptr) + 10;
}

void DrawOverview(QPainter &painter, const CategoryTable &table, int mode)
{
    painter.save();
    painter.fillRect(QRect(0, 0, OverviewWidth, OverviewHeight(table, mode)), Qt::white);
    painter.setFont(OverviewFont(8, false));
    painter.setPen(Qt::black);
    LayOutOverview(table, mode, &painter);
    painter.restore();
}

TFormNavigator::TFormNavigator(const CategoryTable &table, QWidget *parent)
    : TDialogFrame(parent, u"FormNavigator"_s, u"Kategorien-Übersicht"_s, {361, 365})
    , Table_(table)
{
    ScrollBoxNavigator = new QScrollArea(this);
    ScrollBoxNavigator->setObjectName(u"ScrollBoxNavigator"_s);
    ScrollBoxNavigator->setGeometry(8, 8, 345, 304);
    ScrollBoxNavigator->setFrameStyle(QFrame::Box | QFrame::Plain);
    ScrollBoxNavigator->setLineWidth(1);
    ScrollBoxNavigator->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBoxNavigator->setWidgetResizable(false);
    QPalette white = ScrollBoxNavigator->palette();
    white.setColor(QPalette::Window, Qt::white);
    ScrollBoxNavigator->setPalette(white);
    ScrollBoxNavigator->viewport()->setAutoFillBackground(true);

    ImageNavigator = new QLabel;
    ImageNavigator->setObjectName(u"ImageNavigator"_s);
    ImageNavigator->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ImageNavigator->setCursor(Qt::PointingHandCursor);
    ImageNavigator->resize(OverviewWidth, OverviewHeight(Table_, NavigatorMode));
    ImageNavigator->installEventFilter(this);
    ScrollBoxNavigator->setWidget(ImageNavigator);

    QWidget *bar = AddButtonBar();
    auto *symbol = new QLabel(bar);
    symbol->setObjectName(u"ImageSymbol"_s);
    symbol->setGeometry(5, 6, 16, 16);
    symbol->setPixmap(TransparentCornerPixmap(ResourceBitmap(u"BTNPIC_NAVIGATOR"_s)));
    btnOK = AddBarButton(bar, "btnOK", {122, 10, 118, 24}, u"Schließen"_s);
    btnOK->SetDefault(true);
    btnOK->SetCancel(true);
    connect(btnOK, &TOrvoSkinButton::Clicked, this, &QDialog::accept);
}

void TFormNavigator::FormShow()
{
    CentreOnScreen();
    if (NavigatorMode < 1 || NavigatorMode > 3)
        NavigatorMode = 3;
    // F1 explains the dialog the overview was opened from.
    SetHelpTopic(this, NavigatorMode == 3 ? QStringLiteral("/regelmaessig.html") : QStringLiteral("/buchungen.html"));
    DragPoint_ = {-1, -1};
    ShowOverview();
}

void TFormNavigator::FormClose()
{
    ImageNavigator->clear();
    DragPoint_ = {-1, -1};
}

void TFormNavigator::ShowOverview()
{
    const int height = OverviewHeight(Table_, NavigatorMode);
    ImageNavigator->resize(OverviewWidth, height);
    ScrollBoxNavigator->verticalScrollBar()->setValue(0);
    QImage picture(OverviewWidth, height, QImage::Format_RGB32);
    QPainter painter(&picture);
    DrawOverview(painter, Table_, NavigatorMode);
    painter.end();
    ImageNavigator->setPixmap(QPixmap::fromImage(picture));
}

bool TFormNavigator::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ImageNavigator)
        return TDialogFrame::eventFilter(watched, event);
    // Taking the press makes the picture the mouse grabber, so the moves of a drag reach it.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        ImageNavigatorMouseDown(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
        return true;
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        ImageNavigatorMouseMove(mouse->buttons(), mouse->globalPosition().toPoint());
        return true;
    }
    case QEvent::MouseButtonRelease:
        ImageNavigatorMouseUp();
        return true;
    default:
        return false;
    }
}

void TFormNavigator::ImageNavigatorMouseDown(QPoint screen)
{
    DragPoint_ = screen;
}

void TFormNavigator::ImageNavigatorMouseMove(Qt::MouseButtons buttons, QPoint screen)
{
    if (!(buttons & Qt::LeftButton) || DragPoint_.x() < 0)
        return;
    QScrollBar *bar = ScrollBoxNavigator->verticalScrollBar();
    bar->setValue(bar->value() + DragPoint_.y() - screen.y());
    DragPoint_ = screen;
}

void TFormNavigator::ImageNavigatorMouseUp()
{
    DragPoint_ = {-1, -1};
}
