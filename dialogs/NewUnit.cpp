#include "dialogs/NewUnit.h"

#include "controls/OrvoSkinButton.h"
#include "ledger/FuncUnit.h"
#include "support/Banner.h"
#include "support/HelpSystem.h"

#include <QAccessibleWidget>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QToolButton>

#include <algorithm>

#include <tuple>

using namespace Qt::StringLiterals;

namespace {

constexpr int NewBookHelpContext = 1001;

QToolButton *AddArrow(QWidget *parent, const QString &name, Qt::ArrowType arrow)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

namespace {

// A screen reader hears the pair as a spin box with its position as value.
class UpDownAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit UpDownAccessible(TQELUpDown *upDown)
        : QAccessibleWidget(upDown, QAccessible::SpinBox)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return UpDown()->Position(); }
    void setCurrentValue(const QVariant &value) override { UpDown()->SetPosition(value.toInt()); }
    QVariant maximumValue() const override { return UpDown()->Max(); }
    QVariant minimumValue() const override { return UpDown()->Min(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    TQELUpDown *UpDown() const { return static_cast<TQELUpDown *>(widget()); }
};

QAccessibleInterface *UpDownFactory(const QString &, QObject *object)
{
    if (auto *upDown = qobject_cast<TQELUpDown *>(object))
        return new UpDownAccessible(upDown);
    return nullptr;
}

} // namespace

TQELUpDown::TQELUpDown(QWidget *parent)
    : QWidget(parent)
{
    static const bool accessible = [] {
        QAccessible::installFactory(UpDownFactory);
        return true;
    }();
    Q_UNUSED(accessible)
    setFocusPolicy(Qt::StrongFocus);
    ArrowDown_ = AddArrow(this, u"ArrowDown"_s, Qt::LeftArrow);
    ArrowUp_ = AddArrow(this, u"ArrowUp"_s, Qt::RightArrow);
    ArrowDown_->setAccessibleName(u"Eins zurück"_s);
    ArrowUp_->setAccessibleName(u"Eins vor"_s);
    connect(ArrowDown_, &QToolButton::clicked, this, [this] { SetPosition(Position_ - 1); });
    connect(ArrowUp_, &QToolButton::clicked, this, [this] { SetPosition(Position_ + 1); });
}

void TQELUpDown::SetRange(int min, int max)
{
    if (min == Min_ && max == Max_)
        return;
    Min_ = min;
    Max_ = std::max(min, max);
    SetPosition(Position_);
}

void TQELUpDown::SetPosition(int position)
{
    position = std::clamp(position, Min_, Max_);
    if (position == Position_)
        return;
    Position_ = position;
    emit PositionChanged(Position_);
}

void TQELUpDown::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        SetPosition(Position_ - 1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        SetPosition(Position_ + 1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TQELUpDown::paintEvent(QPaintEvent *)
{
    // The arrows leave a one-pixel rim for the focus frame.
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

void TQELUpDown::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int half = width() / 2;
    ArrowDown_->setGeometry(1, 1, half - 1, height() - 2);
    ArrowUp_->setGeometry(half, 1, width() - half - 1, height() - 2);
}

TFormNew::TFormNew(HelpSystem &help, QString helpFile, QWidget *parent)
    : TDialogFrame(parent, u"FormNew"_s, u"Haushaltsbuch"_s, {272, 173})
    , Help_(help)
    , HelpFile_(std::move(helpFile))
{
    ImageBanner = AddBanner(60);

    ComboBoxMon = new QComboBox(this);
    ComboBoxMon->setObjectName(u"ComboBoxMon"_s);
    ComboBoxMon->setGeometry(52, 81, 89, 21);
    ComboBoxMon->addItems(MonthNames());
    AddLabel(u"Monat:"_s, {16, 84}, ComboBoxMon);

    EditYear = new QLineEdit(this);
    EditYear->setObjectName(u"EditYear"_s);
    EditYear->setGeometry(185, 81, 40, 21);
    EditYear->setReadOnly(true);
    EditYear->setMaxLength(4);
    EditYear->setFocusPolicy(Qt::ClickFocus);
    AddLabel(u"Jahr:"_s, {158, 84}, EditYear);

    UpDownYear = new TQELUpDown(this);
    UpDownYear->setObjectName(u"UpDownYear"_s);
    UpDownYear->setGeometry(225, 81, 37, 21);
    UpDownYear->setAccessibleName(u"Jahr"_s);

    QWidget *bar = AddButtonBar();
    btnHelp = AddHelpButton(bar);
    std::tie(btnOK, btnCancel) = AddOkCancel(bar, 152);

    setTabOrder(ComboBoxMon, UpDownYear);

    connect(UpDownYear, &TQELUpDown::PositionChanged, this, &TFormNew::UpDownYearChanging);
    connect(btnOK, &TOrvoSkinButton::Clicked, this, &TFormNew::btnOKClick);
    connect(btnCancel, &TOrvoSkinButton::Clicked, this, &TFormNew::btnCancelClick);
    connect(btnHelp, &TOrvoSkinButton::Clicked, this, &TFormNew::btnHelpClick);
}

void TFormNew::FormShow()
{
    CentreOnScreen();
    ShowBanner(ImageBanner, u"BANBOOK_NEW"_s);
    const QDate today = Today();
    const int year = today.year();
    UpDownYear->SetRange(year - 10, year + 10);
    UpDownYear->SetPosition(year);
    UpDownYearChanging(year); // also when the position was already there
    ComboBoxMon->setCurrentIndex(today.month() - 1);
    BookName.clear();
    Accepted = false;
    ComboBoxMon->setFocus();
}

void TFormNew::FormClose()
{
    DropBanner(ImageBanner);
}

void TFormNew::UpDownYearChanging(int position)
{
    EditYear->setText(QString::number(position));
}

void TFormNew::btnOKClick()
{
    BookName = ComboBoxMon->currentText() + u' ' + EditYear->text();
    Accepted = true;
    accept();
}

void TFormNew::btnCancelClick()
{
    reject();
}

void TFormNew::btnHelpClick()
{
    Help_.HHHelpContext(HelpFile_, NewBookHelpContext);
}
