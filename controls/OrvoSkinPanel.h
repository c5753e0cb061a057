#pragma once

#include <QColor>
#include <QWidget>

// A framed container with a coloured title strip, used to group check boxes.
class TOrvoSkinPanel : public QWidget
{
    Q_OBJECT

public:
    explicit TOrvoSkinPanel(QWidget *parent = nullptr);

    const QString &Title() const { return Title_; }
    void SetTitle(const QString &title);
    bool ShowTitle() const { return ShowTitle_; }
    void SetShowTitle(bool show);
    QColor BackColor() const { return BackColor_; }
    void SetBackColor(const QColor &color);
    QColor TitleBackColor() const { return TitleBackColor_; }
    void SetTitleBackColor(const QColor &color);
    QColor FrameColor() const { return FrameColor_; }
    void SetFrameColor(const QColor &color);

signals:
    void Clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString Title_ = QStringLiteral("OrvoSkinPanel");
    bool ShowTitle_ = true;
    QColor BackColor_;
    QColor TitleBackColor_;
    QColor FrameColor_;
};
