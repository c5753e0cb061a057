#include "support/OrvoLinkLabel.h"

#include <QDesktopServices>
#include <QMouseEvent>

namespace {

const QString MakerMail = QStringLiteral("info@velmora.example");

} // namespace

TOrvoLinkLabel::TOrvoLinkLabel(const QString &address, const QString &caption, const QString &hint, QWidget *parent)
    : QLabel(caption, parent)
    , Address_(address)
    , Opener_([](const QUrl &url) { QDesktopServices::openUrl(url); })
{
    setCursor(Qt::PointingHandCursor);
    setToolTip(hint);
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
    setPalette(pal);
}

void TOrvoLinkLabel::SetUnderline(bool underline)
{
    QFont f = font();
    if (f.underline() != underline) {
        f.setUnderline(underline);
        setFont(f);
    }
    Underlined_ = underline;
}

void TOrvoLinkLabel::mouseMoveEvent(QMouseEvent *event)
{
    QLabel::mouseMoveEvent(event);
    if (!Underlined_)
        SetUnderline(true);
}

void TOrvoLinkLabel::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    if (Underlined_)
        SetUnderline(false);
}

void TOrvoLinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    emit Clicked();
    if (Opener_)
        Opener_(QUrl(Address_));
}

TOrvoUrlLabel::TOrvoUrlLabel(QWidget *parent)
    : TOrvoLinkLabel(DefaultUrl(), DefaultUrl(), QStringLiteral("Velmora-Online..."), parent)
{
}

QString TOrvoUrlLabel::DefaultUrl()
{
    return QStringLiteral("https://www.velmora.example/");
}

TOrvoMailLabel::TOrvoMailLabel(QWidget *parent)
    : TOrvoLinkLabel(DefaultMailAddress(), MakerMail, QStringLiteral("Nachricht an Velmora..."), parent)
{
}

QString TOrvoMailLabel::DefaultMailAddress()
{
    return QStringLiteral("mailto:") + MakerMail;
}
