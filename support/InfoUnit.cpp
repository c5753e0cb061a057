#include "support/InfoUnit.h"

#include "controls/ColorRef.h"
#include "controls/DialogKeyRouter.h"
#include "controls/OrvoSkinButton.h"
#include "support/Banner.h"
#include "support/HelpKey.h"
#include "support/OrvoLinkLabel.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QelVersion.h>

namespace {

QLabel *AddLabel(QWidget *parent, const QString &text, const QPoint &at, bool bold = false,
                 const QString &family = QStringLiteral("MS Sans Serif"))
{
    auto *label = new QLabel(text, parent);
    QFont f(family, 8);
    f.setBold(bold);
    label->setFont(f);
    label->move(at);
    label->adjustSize();
    return label;
}

} // namespace

TFormInfo::TFormInfo(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FormInfo"));
    SetHelpTopic(this, QStringLiteral("/start.html"));
    setWindowTitle(QStringLiteral("Information"));
    setFixedSize(399, 245);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ColorFromRef(14871019));
    setPalette(pal);

    Image1 = new QLabel(this);
    Image1->setGeometry(0, 0, 399, 80);
    Image1->setScaledContents(true);

    AddLabel(this, QStringLiteral("Version " QEL_VERSION_SHORT), {313, 90}, true);
    AddLabel(this, QStringLiteral("Velmora Software"), {8, 90}, true, QStringLiteral("Arial"));
    AddLabel(this, QStringLiteral("Für Linux-Desktops mit Qt 6"), {8, 110});
    QLabel *notice = AddLabel(this,
                              QStringLiteral("Der Autor übernimmt keine Haftung für Schäden, die sich aus der Nutzung "
                                             "dieses Produktes ergeben. Dies gilt insbesondere für Daten- sowie "
                                             "Gewinnverluste und deren Folgeschäden."),
                              {8, 136});
    notice->setWordWrap(true);
    notice->setGeometry(8, 136, 377, 51);
    notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    AddLabel(this, QStringLiteral("E-Mail:"), {15, 204});
    OrvoMailLabel1 = new TOrvoMailLabel(this);
    OrvoMailLabel1->setFont(QFont(QStringLiteral("Tahoma"), 8));
    OrvoMailLabel1->move(53, 204);
    OrvoMailLabel1->adjustSize();
    AddLabel(this, QStringLiteral("Internet:"), {8, 222});
    OrvoUrlLabel1 = new TOrvoUrlLabel(this);
    OrvoUrlLabel1->setFont(QFont(QStringLiteral("Tahoma"), 8));
    OrvoUrlLabel1->move(53, 222);
    OrvoUrlLabel1->adjustSize();

    btnOK = new TOrvoSkinButton(this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(256, 208, 118, 24);
    btnOK->SetCaption(QStringLiteral("Schließen"));
    SkinButtonScheme::Menu().ApplyTo(*btnOK);
    btnOK->SetFrameColor(ColorFromRef(13739384));
    btnOK->SetFocusColor(ColorFromRef(13417909));
    btnOK->SetDefault(true);
    btnOK->SetCancel(true);
    connect(btnOK, &TOrvoSkinButton::Clicked, this, &QDialog::accept);
    new TDialogKeyRouter(this);
}

void TFormInfo::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // On the screen's centre, not over the main window, wherever that stands.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    LoadBanner(Image1, QStringLiteral("BAN_INFO"));
    btnOK->setFocus();
}

void TFormInfo::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // The separating line under the notice.
    QPainter p(this);
    p.fillRect(QRect(8, 196, 385, 2), ColorFromRef(12615680));
}
