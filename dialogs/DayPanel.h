#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class TOrvoSkinButton;

// The day picker of the regular booking dialog: a title band and 31 day buttons in rows of
// seven. A day button, a click on the picker's background and any left click elsewhere in
// the program all end in OnChange; SelectedDay says which day was picked (empty when none).
class TQELDayPanel : public QWidget
{
    Q_OBJECT

public:
    explicit TQELDayPanel(QWidget *parent = nullptr);
    ~TQELDayPanel() override;

    // "01" ... "31", or empty.
    const QString &SelectedDay() const { return SelectedDay_; }
    bool MouseInside() const { return MouseInside_; }
    // The button of day 1 ... 31.
    TOrvoSkinButton *DayButton(int day) const { return DayButtons_.value(day - 1); }

signals:
    void OnChange();
    void OnClick();
    void OnMouseEnter();
    void OnMouseLeave();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void Change(const QString &day);
    bool PressIsInside(QObject *target) const;

    QList<TOrvoSkinButton *> DayButtons_;
    QString SelectedDay_;
    bool MouseInside_ = false;
};
