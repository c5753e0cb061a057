#pragma once

#include <QWidget>

class QLabel;

// One of the six panels right of the menu column: the panel background and, for the book
// and booking panels, a 28-pixel title bar with the title centred in bold white.
class TMainPanel : public QWidget
{
    Q_OBJECT

public:
    TMainPanel(QWidget *parent, const QString &title);

    QString Title() const;
    void SetTitle(const QString &title);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QLabel *TitleBar_ = nullptr;
};
