#include "app/MainPanel.h"

#include <QLabel>

TMainPanel::TMainPanel(QWidget *parent, const QString &title)
    : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(153, 204, 255));
    setPalette(pal);
    if (title.isEmpty())
        return;
    TitleBar_ = new QLabel(title, this);
    TitleBar_->setAlignment(Qt::AlignCenter);
    TitleBar_->setAutoFillBackground(true);
    QPalette bar = TitleBar_->palette();
    bar.setColor(QPalette::Window, QColor(0, 128, 192));
    bar.setColor(QPalette::WindowText, Qt::white);
    TitleBar_->setPalette(bar);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(16);
    f.setBold(true);
    TitleBar_->setFont(f);
    TitleBar_->setGeometry(0, 0, 632, 28);
}

QString TMainPanel::Title() const
{
    return TitleBar_ ? TitleBar_->text() : QString();
}

void TMainPanel::SetTitle(const QString &title)
{
    if (TitleBar_)
        TitleBar_->setText(title);
}

void TMainPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (TitleBar_)
        TitleBar_->resize(width(), TitleBar_->height());
}
