#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

#include <memory>

class ChmArchive;
class HelpBrowser;
class QTextBrowser;
class QToolButton;

// The program's help window: one topic of the help archive at a time in a text
// browser. Links and pictures of a topic come from the same archive; links to web or
// mail addresses go to the desktop. Not modal; the help system reuses one window. It takes
// input beside any modal dialog, whether it was opened before the dialog or from it.
class HelpWindow : public QWidget
{
    Q_OBJECT

public:
    explicit HelpWindow(QWidget *parent = nullptr);
    ~HelpWindow() override;

    // Shows the archive's object, e.g. "/start.html". False, with the window as it
    // was, when the archive cannot give that object.
    bool ShowTopic(std::shared_ptr<const ChmArchive> archive, const QString &objectPath);

    // Brings the window to the front, restored if it was minimised; a window that was not
    // shown opens in the middle of the screen. Escape closes it.
    void BringToFront();

    // The topic shown, as a URL of the archive's scheme ("help:/start.html").
    QUrl CurrentTopic() const;
    QTextBrowser *Browser() const;

    // The URL scheme of archive objects inside the browser.
    static QString Scheme();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void AnchorClicked(const QUrl &url);

    HelpBrowser *Browser_ = nullptr;
    QToolButton *BackButton_ = nullptr;
    QToolButton *ForwardButton_ = nullptr;
};
