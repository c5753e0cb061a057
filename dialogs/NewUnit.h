#pragma once

#include "dialogs/DialogFrame.h"

#include <QDate>

#include <functional>

class QComboBox;
class QToolButton;

// A horizontal pair of arrow buttons that steps a position between two limits: the left
// arrow (or the Left and Down keys) one down, the right arrow (or Right and Up) one up.
// It takes the focus by Tab; the arrows themselves do not.
class TQELUpDown : public QWidget
{
    Q_OBJECT

public:
    explicit TQELUpDown(QWidget *parent = nullptr);

    int Min() const { return Min_; }
    int Max() const { return Max_; }
    int Position() const { return Position_; }
    // The position is kept within the limits.
    void SetRange(int min, int max);
    void SetPosition(int position);

signals:
    void PositionChanged(int position);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QToolButton *ArrowDown_ = nullptr;
    QToolButton *ArrowUp_ = nullptr;
    int Min_ = 0;
    int Max_ = 100;
    int Position_ = 0;
};

// The new month book dialog ("Haushaltsbuch"): month and year of the book to create. On OK,
// BookName holds e.g. "März 2027" and Accepted is true.
class TFormNew : public TDialogFrame
{
    Q_OBJECT

public:
    TFormNew(HelpSystem &help, QString helpFile, QWidget *parent = nullptr);

    QString BookName;
    bool Accepted = false;
    // Today's date; the month and year are preset from it at each showing.
    std::function<QDate()> Today = [] { return QDate::currentDate(); };

private:
    void FormShow() override;
    void FormClose() override;
    void UpDownYearChanging(int position);
    void btnOKClick();
    void btnCancelClick();
    void btnHelpClick();

    HelpSystem &Help_;
    QString HelpFile_;
    QLabel *ImageBanner = nullptr;
    QComboBox *ComboBoxMon = nullptr;
    QLineEdit *EditYear = nullptr;
    TQELUpDown *UpDownYear = nullptr;
    TOrvoSkinButton *btnHelp = nullptr;
    TOrvoSkinButton *btnOK = nullptr;
    TOrvoSkinButton *btnCancel = nullptr;
};
