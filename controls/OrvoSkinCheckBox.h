#pragma once

#include "controls/OrvoSkinControl.h"

#include <QFont>

enum class TCheckSymbol { sCross, sHook };

// A flat check box: a 15 x 15 box with a cross or hook, hover colours and an underline as
// focus mark. With RadioCheck it is a radio button among all radio check boxes of its
// window (not of its parent panel).
class TOrvoSkinCheckBox : public TOrvoSkinControl
{
    Q_OBJECT

public:
    explicit TOrvoSkinCheckBox(QWidget *parent = nullptr);

    const QString &Caption() const { return Caption_; }
    void SetCaption(const QString &caption);
    QString AccessibleCaption() const override { return Caption_; }
    bool Checkable() const override { return true; }
    bool IsChecked() const override { return Checked_; }
    const QString &FontName() const { return FontName_; }
    void SetFontName(const QString &name);
    QFont::Weight FontWeight() const { return FontWeight_; }
    void SetFontBold(bool bold);
    QColor FontColor() const { return FontColor_; }
    void SetFontColor(const QColor &c) { SetColor(FontColor_, c); }
    QColor BackColor() const { return BackColor_; }
    void SetBackColor(const QColor &c) { SetColor(BackColor_, c); }
    QColor FrameColor() const { return FrameColor_; }
    void SetFrameColor(const QColor &c) { SetColor(FrameColor_, c); }
    QColor MoveBackColor() const { return MoveBackColor_; }
    void SetMoveBackColor(const QColor &c) { SetColor(MoveBackColor_, c); }
    QColor MoveFrameColor() const { return MoveFrameColor_; }
    void SetMoveFrameColor(const QColor &c) { SetColor(MoveFrameColor_, c); }
    QColor DisFontColor() const { return DisFontColor_; }
    void SetDisFontColor(const QColor &c) { SetColor(DisFontColor_, c); }
    QColor DisBackColor() const { return DisBackColor_; }
    void SetDisBackColor(const QColor &c) { SetColor(DisBackColor_, c); }
    QColor DisFrameColor() const { return DisFrameColor_; }
    void SetDisFrameColor(const QColor &c) { SetColor(DisFrameColor_, c); }
    TCheckSymbol CheckSymbol() const { return CheckSymbol_; }
    void SetCheckSymbol(TCheckSymbol symbol);
    bool Checked() const { return Checked_; }
    void SetChecked(bool checked);
    bool RadioCheck() const { return RadioCheck_; }
    void SetRadioCheck(bool radio) { RadioCheck_ = radio; }
    bool Autosize() const { return Autosize_; }
    void SetAutosize(bool autosize);
    // The control's own background (the windows set theirs).
    QColor Color() const { return Color_; }
    void SetColor(const QColor &c) { SetColor(Color_, c); }

    // Does nothing when not Enabled; otherwise takes the focus, checks (radio) or toggles,
    // and emits Clicked.
    void Click() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    using TOrvoSkinControl::SetColor;
    QFont LabelFont() const;
    void FitToLabel();

    QString Caption_ = QStringLiteral("OrvoSkinCheckBox");
    QString FontName_ = QStringLiteral("MS Sans Serif");
    QFont::Weight FontWeight_ = QFont::Normal;
    QColor FontColor_;
    QColor BackColor_;
    QColor FrameColor_;
    QColor MoveBackColor_;
    QColor MoveFrameColor_;
    QColor DisFontColor_;
    QColor DisBackColor_;
    QColor DisFrameColor_;
    QColor Color_;
    TCheckSymbol CheckSymbol_ = TCheckSymbol::sCross;
    bool Checked_ = false;
    bool RadioCheck_ = false;
    bool Autosize_ = true;
};
