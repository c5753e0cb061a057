#include "dialogs/DialogFrame.h"

#include "controls/ColorRef.h"
#include "controls/DialogKeyRouter.h"
#include "controls/MessageBoxes.h"
#include "controls/OrvoSkinButton.h"
#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"
#include "support/Banner.h"
#include "support/ResourceImages.h"
#include "support/WarningSound.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QShowEvent>
#include <QHideEvent>

namespace {

constexpr quint32 DialogColor = 14871019; // 0xE2E9EB
constexpr quint32 BarColor = 12615680;    // 0xC08000

QFont DialogFont()
{
    return QFont(QStringLiteral("MS Sans Serif"), 8);
}

class AmountKeyFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::InputMethod)
            return FilterCommit(watched, static_cast<QInputMethodEvent *>(event));
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        if (key->key() == Qt::Key_Backspace)
            return false;
        const QString text = key->text();
        if (text.isEmpty() || !text.at(0).isPrint())
            return false;
        // A dead key followed by a character it does not combine with types both at once.
        const QString passed = FilterAmountText(text);
        if (passed == text)
            return false;
        if (!passed.isEmpty())
            static_cast<QLineEdit *>(watched)->insert(passed);
        return true;
    }

    // Text from an input method (dead keys, compose sequences) is filtered like typed keys;
    // its composition on the way there is left as it is.
    static bool FilterCommit(QObject *watched, QInputMethodEvent *event)
    {
        const QString passed = FilterAmountText(event->commitString());
        if (passed == event->commitString())
            return false;
        QInputMethodEvent filtered(event->preeditString(), event->attributes());
        filtered.setCommitString(passed, event->replacementStart(), event->replacementLength());
        QCoreApplication::sendEvent(watched, &filtered);
        return true;
    }
};

} // namespace

TDialogFrame::TDialogFrame(QWidget *parent, const QString &objectName, const QString &caption, QSize clientSize)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setFixedSize(clientSize);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ColorFromRef(DialogColor));
    setPalette(pal);
    setFont(DialogFont());
    new TDialogKeyRouter(this);
}

QLabel *TDialogFrame::AddBanner(int height)
{
    auto *banner = new QLabel(this);
    banner->setObjectName(QStringLiteral("ImageBanner"));
    banner->setGeometry(0, 0, width(), height);
    banner->setScaledContents(true);
    return banner;
}

void TDialogFrame::ShowBanner(QLabel *image, const QString &name)
{
    try {
        LoadBanner(image, name);
    } catch (const QelError &error) {
        ShowErrorReport(this, error.Message());
    }
}

QWidget *TDialogFrame::AddButtonBar()
{
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("PanelBottom"));
    bar->setGeometry(0, height() - BarHeight, width(), BarHeight);
    bar->setAutoFillBackground(true);
    QPalette pal = bar->palette();
    pal.setColor(QPalette::Window, ColorFromRef(BarColor));
    bar->setPalette(pal);
    return bar;
}

TOrvoSkinButton *TDialogFrame::AddBarButton(QWidget *bar, const char *name, const QRect &geometry,
                                            const QString &caption)
{
    auto *button = new TOrvoSkinButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->SetCaption(caption);
    SkinButtonScheme::Menu().ApplyTo(*button);
    // Out of the Tab order: Return clicks the focused button and then the default one, so a
    // focused "Abbrechen" would be followed by "OK". Return, Escape and the Alt keys reach
    // them, and a screen reader presses them through their action.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

TOrvoSkinButton *TDialogFrame::AddHelpButton(QWidget *bar)
{
    TOrvoSkinButton *help = AddBarButton(bar, "btnHelp", {8, 10, 24, 24}, QString());
    help->SetPicIdle(ResourceBitmap(QStringLiteral("BTNPIC_HELP")));
    help->setToolTip(QStringLiteral("Hilfe (Alt+F1)"));
    help->SetHotKey(TSkinHotKey::QBAlt_F1);
    return help;
}

std::pair<TOrvoSkinButton *, TOrvoSkinButton *> TDialogFrame::AddOkCancel(QWidget *bar, int cancelLeft)
{
    TOrvoSkinButton *ok = AddBarButton(bar, "btnOK", {38, 10, 110, 24}, QStringLiteral("OK"));
    ok->SetDefault(true);
    TOrvoSkinButton *cancel = AddBarButton(bar, "btnCancel", {cancelLeft, 10, 110, 24}, QStringLiteral("Abbrechen"));
    cancel->SetCancel(true);
    return {ok, cancel};
}

TOrvoSkinButton *TDialogFrame::AddPictureButton(const char *name, const QRect &geometry, const QString &picture,
                                                const QString &hint, TSkinHotKey hotKey)
{
    auto *button = new TOrvoSkinButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->SetCaption(QString());
    button->SetPicIdle(ResourceBitmap(picture));
    button->setToolTip(hint);
    button->SetHotKey(hotKey);
    SkinButtonScheme::Panel().ApplyTo(*button);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QLabel *TDialogFrame::AddLabel(const QString &text, const QPoint &at, QWidget *field)
{
    auto *label = new QLabel(text, this);
    label->move(at);
    label->adjustSize();
    // The label names its field for a screen reader.
    if (field)
        label->setBuddy(field);
    return label;
}

void TDialogFrame::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // The pictures are part of the program; should one be missing, say so and show the
    // dialog without it rather than let the error leave the event handler.
    try {
        FormShow();
    } catch (const QelError &error) {
        ShowErrorReport(this, error.Message());
    }
}

void TDialogFrame::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        FormClose();
}

QComboBox *TDialogFrame::AddNameBox(const char *name, const QRect &geometry)
{
    auto *box = new QComboBox(this);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    box->setEditable(true);
    // Return must not add the typed text to the list: the lists come from the category table.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->lineEdit()->setMaxLength(30);
    // The open list is a window of its own, out of reach of the dialog keys: Return there only
    // takes the entry and closes the list, and the next Return is the dialog's.
    return box;
}

void TDialogFrame::CentreOnScreen()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void InstallAmountKeyFilter(QLineEdit *edit)
{
    edit->installEventFilter(new AmountKeyFilter(edit));
    // A text that arrives whole (pasted with the keys or the context menu, the middle button,
    // dropped) goes through the same filter as typed keys: "44,50 €" becomes 44.50, "zwölf"
    // leaves nothing. Texts the program sets pass as they are.
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString &text) {
        const QString kept = FilterAmountText(text);
        if (kept == text)
            return;
        const qsizetype cursor = FilterAmountText(QStringView(text).first(edit->cursorPosition())).size();
        edit->setText(kept);
        edit->setCursorPosition(int(cursor));
    });
}

bool AcceptAmountText(QWidget *parent, WarningSound &sound, QLineEdit *edit)
{
    // An amount from an older booking may hold what the field never lets through.
    const QString text = edit->text();
    const bool characters = CheckAmountCharacters(text);
    if (characters && CheckAmountText(text))
        return true;
    sound.Play();
    ShowInformation(parent, characters ? AmountTextMessage() : AmountCharactersMessage(text));
    SelectForCorrection(edit);
    return false;
}

void SelectForCorrection(QLineEdit *edit)
{
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}
