#pragma once

#include "controls/OrvoSkinControl.h"
#include "controls/SkinHotKey.h"

#include <QImage>

// The program's push button: a vertical three-band gradient face whose colours follow the
// state (normal, under the mouse, pressed or held down, disabled), an optional picture at
// the left, a one- or two-line caption ("#" breaks the line) and a one-pixel frame.
class TOrvoSkinButton : public TOrvoSkinControl
{
    Q_OBJECT

public:
    explicit TOrvoSkinButton(QWidget *parent = nullptr);

    const QString &Caption() const { return Caption_; }
    void SetCaption(const QString &caption);
    QString AccessibleCaption() const override { return Caption_; }
    bool TextBold() const { return TextBold_; }
    void SetTextBold(bool bold);
    int TextSize() const { return TextSize_; }
    void SetTextSize(int points);
    bool Downed() const { return Downed_; }
    void SetDowned(bool downed);
    bool Cancel() const { return Cancel_; }
    void SetCancel(bool cancel) { Cancel_ = cancel; }
    bool Default() const { return Default_; }
    void SetDefault(bool isDefault) { Default_ = isDefault; }
    bool Disabled() const { return !Enabled(); }

    QColor UpColor1() const { return UpColor1_; }
    QColor UpColor2() const { return UpColor2_; }
    QColor MoveColor1() const { return MoveColor1_; }
    QColor MoveColor2() const { return MoveColor2_; }
    QColor DownColor1() const { return DownColor1_; }
    QColor DownColor2() const { return DownColor2_; }
    QColor DisColor1() const { return DisColor1_; }
    QColor DisColor2() const { return DisColor2_; }
    QColor FrameColor() const { return FrameColor_; }
    QColor FocusColor() const { return FocusColor_; }
    void SetUpColor1(const QColor &c) { SetColor(UpColor1_, c); }
    void SetUpColor2(const QColor &c) { SetColor(UpColor2_, c); }
    void SetMoveColor1(const QColor &c) { SetColor(MoveColor1_, c); }
    void SetMoveColor2(const QColor &c) { SetColor(MoveColor2_, c); }
    void SetDownColor1(const QColor &c) { SetColor(DownColor1_, c); }
    void SetDownColor2(const QColor &c) { SetColor(DownColor2_, c); }
    void SetDisColor1(const QColor &c) { SetColor(DisColor1_, c); }
    void SetDisColor2(const QColor &c) { SetColor(DisColor2_, c); }
    void SetFrameColor(const QColor &c) { SetColor(FrameColor_, c); }
    void SetFocusColor(const QColor &c) { SetColor(FocusColor_, c); }

    bool ShowFrame() const { return ShowFrame_; }
    void SetShowFrame(bool show);
    bool RoundEdge() const { return RoundEdge_; }
    void SetRoundEdge(bool round);
    TSkinHotKey HotKey() const { return HotKey_; }
    void SetHotKey(TSkinHotKey hotKey) { HotKey_ = hotKey; }
    const QImage &PicIdle() const { return PicIdle_; }
    void SetPicIdle(const QImage &picture);

    // Clicks the button when it is Enabled: takes the focus, repaints, emits Clicked.
    void Click() override;
    // A dialog key offered by the window (Return, Escape, Alt+key, F10). Clicks when the
    // button's rules match and returns whether it did; the key is never consumed.
    bool OfferDialogKey(int key);

    // The face colours (middle, edge) for the current state.
    QColor FaceColor1() const;
    QColor FaceColor2() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool HoverLook() const;
    void ApplyRegion();

    QString Caption_;
    bool TextBold_ = false;
    int TextSize_ = 10;
    bool Downed_ = false;
    bool Cancel_ = false;
    bool Default_ = false;
    QColor UpColor1_;
    QColor UpColor2_;
    QColor MoveColor1_;
    QColor MoveColor2_;
    QColor DownColor1_;
    QColor DownColor2_;
    QColor DisColor1_;
    QColor DisColor2_;
    QColor FrameColor_;
    QColor FocusColor_;
    bool ShowFrame_ = true;
    bool RoundEdge_ = false;
    TSkinHotKey HotKey_ = TSkinHotKey::None;
    QImage PicIdle_;

    bool RegionApplied_ = false;
};

// The colour schemes the windows give their buttons.
struct SkinButtonScheme
{
    quint32 Up1, Up2, Move1, Move2, Down1, Down2, Dis, Frame, Focus;

    static SkinButtonScheme Menu();  // left menu and the dialogs' OK, cancel and help buttons
    static SkinButtonScheme Panel(); // command buttons under the panels, small picture buttons
    void ApplyTo(TOrvoSkinButton &button) const;
};
