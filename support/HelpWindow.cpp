#include "support/HelpWindow.h"

#include "support/ChmArchive.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

// A text browser whose pages, style sheets and pictures come from the help archive.
class HelpBrowser : public QTextBrowser
{
public:
    using QTextBrowser::QTextBrowser;

    void SetArchive(std::shared_ptr<const ChmArchive> archive) { Archive_ = std::move(archive); }
    bool Holds(const QUrl &url) const { return Archive_ && Archive_->Read(url.path()); }

    QVariant loadResource(int type, const QUrl &name) override
    {
        // Pictures and style sheets arrive as written in the page; they are relative
        // to the page being loaded, which is not yet the browser's source.
        const QUrl url = name.isRelative() ? Page_.resolved(name) : name;
        if (!Archive_ || url.scheme() != HelpWindow::Scheme())
            return {}; // a topic never reaches the local disk
        const std::optional<QByteArray> bytes = Archive_->Read(url.path());
        if (!bytes)
            return {};
        if (type == QTextDocument::HtmlResource)
            Page_ = url.adjusted(QUrl::RemoveFragment);
        // Bytes rather than text: the browser reads the page's charset from its head.
        return *bytes;
    }

private:
    std::shared_ptr<const ChmArchive> Archive_;
    QUrl Page_;
};

HelpWindow::HelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Orvo Haushaltsbuch - Hilfe"));
    resize(760, 560);

    BackButton_ = new QToolButton(this);
    BackButton_->setText(QStringLiteral("Zurück"));
    BackButton_->setToolTip(QStringLiteral("Zurück (Alt+Links)"));
    BackButton_->setEnabled(false);
    ForwardButton_ = new QToolButton(this);
    ForwardButton_->setText(QStringLiteral("Vorwärts"));
    ForwardButton_->setToolTip(QStringLiteral("Vorwärts (Alt+Rechts)"));
    ForwardButton_->setEnabled(false);

    Browser_ = new HelpBrowser(this);
    // Links are followed here, so that web and mail addresses can leave the archive.
    Browser_->setOpenLinks(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BackButton_);
    buttons->addWidget(ForwardButton_);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(Browser_);

    connect(BackButton_, &QToolButton::clicked, Browser_, &QTextBrowser::backward);
    connect(ForwardButton_, &QToolButton::clicked, Browser_, &QTextBrowser::forward);
    connect(Browser_, &QTextBrowser::backwardAvailable, BackButton_, &QToolButton::setEnabled);
    connect(Browser_, &QTextBrowser::forwardAvailable, ForwardButton_, &QToolButton::setEnabled);
    connect(Browser_, &QTextBrowser::anchorClicked, this, &HelpWindow::AnchorClicked);
}

bool HelpWindow::event(QEvent *event)
{
    // A modal dialog blocks every window that is not its own. The help joins the dialog in
    // front as one of its windows, so that it scrolls, follows links and closes while the
    // dialog waits; a dialog that opens later takes it over the same way.
    if (event->type() == QEvent::WindowBlocked) {
        QWindow *modal = QGuiApplication::modalWindow();
        if (modal && windowHandle() && modal != windowHandle() && !windowHandle()->isAncestorOf(modal))
            windowHandle()->setTransientParent(modal);
    }
    return QWidget::event(event);
}

void HelpWindow::keyPressEvent(QKeyEvent *event)
{
    // Escape closes the help as it closes the program's dialogs; the browser passes it on.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        close();
    else
        QWidget::keyPressEvent(event);
}

HelpWindow::~HelpWindow() = default;

QString HelpWindow::Scheme()
{
    return QStringLiteral("help");
}

bool HelpWindow::ShowTopic(std::shared_ptr<const ChmArchive> archive, const QString &objectPath)
{
    if (!archive || !archive->Read(objectPath))
        return false;
    QUrl url;
    url.setScheme(Scheme());
    url.setPath(objectPath);
    Browser_->SetArchive(std::move(archive));
    // The same topic may come from a newer archive, so it is read again.
    if (Browser_->source() == url)
        Browser_->reload();
    else
        Browser_->setSource(url);
    return true;
}

void HelpWindow::BringToFront()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    // Each time it opens, in the middle of the screen; once open, it stays where it was put.
    if (!isVisible()) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    show();
    raise();
    activateWindow();
}

QUrl HelpWindow::CurrentTopic() const
{
    return Browser_->source();
}

QTextBrowser *HelpWindow::Browser() const
{
    return Browser_;
}

void HelpWindow::AnchorClicked(const QUrl &url)
{
    if (url.scheme() == Scheme()) {
        // A link to a topic the archive lacks would leave an empty page.
        if (Browser_->Holds(url))
            Browser_->setSource(url);
    }
    else if (url.scheme() == u"http" || url.scheme() == u"https" || url.scheme() == u"mailto")
        QDesktopServices::openUrl(url);
}
