#pragma once

#include <QLabel>
#include <QUrl>

#include <functional>

// A text label that underlines itself while the mouse is over it and hands its address to
// the desktop when clicked. What the desktop makes of it is not checked or reported.
class TOrvoLinkLabel : public QLabel
{
    Q_OBJECT

public:
    using Opener = std::function<void(const QUrl &)>;

    TOrvoLinkLabel(const QString &address, const QString &caption, const QString &hint, QWidget *parent);

    bool Underlined() const { return Underlined_; }
    // Tests and embedders may replace the desktop call.
    void SetOpener(Opener opener) { Opener_ = std::move(opener); }

signals:
    void Clicked();

protected:
    const QString &Address() const { return Address_; }
    void SetAddress(const QString &address) { Address_ = address; }
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void SetUnderline(bool underline);

    QString Address_;
    bool Underlined_ = false;
    Opener Opener_;
};

// Opens the maker's web site in the browser.
class TOrvoUrlLabel : public TOrvoLinkLabel
{
    Q_OBJECT

public:
    explicit TOrvoUrlLabel(QWidget *parent = nullptr);
    static QString DefaultUrl();

    const QString &Url() const { return Address(); }
    void SetUrl(const QString &url) { SetAddress(url); }
};

// Starts a message to the maker in the mail program.
class TOrvoMailLabel : public TOrvoLinkLabel
{
    Q_OBJECT

public:
    explicit TOrvoMailLabel(QWidget *parent = nullptr);
    static QString DefaultMailAddress();

    const QString &MailAdress() const { return Address(); }
    void SetMailAdress(const QString &address) { SetAddress(address); }
};
