#pragma once

#include "controls/OrvoSkinControl.h"

#include <QImage>
#include <QPixmap>

// A calculator key: 32 x 32, painted from the stored face bitmaps with their top-left colour
// transparent, and a picture or else its caption on top. It never takes the focus: the
// calculator window takes the keyboard itself.
class TCalcButton : public TOrvoSkinControl
{
    Q_OBJECT

public:
    // The face colour at rest.
    enum TStyle { sNORM, sRED, sBLUE, sYELLOW };

    explicit TCalcButton(QWidget *parent = nullptr);

    const QString &Caption() const { return Caption_; }
    void SetCaption(const QString &caption);
    QString AccessibleCaption() const override { return Caption_; }
    bool TextBold() const { return TextBold_; }
    void SetTextBold(bool bold);
    int TextSize() const { return TextSize_; }
    void SetTextSize(int points);
    bool Downed() const { return Downed_; }
    void SetDowned(bool downed);
    TStyle Style() const { return Style_; }
    void SetStyle(TStyle style);
    bool Cancel() const { return Cancel_; }
    void SetCancel(bool cancel) { Cancel_ = cancel; }
    bool Default() const { return Default_; }
    void SetDefault(bool isDefault) { Default_ = isDefault; }
    bool Disabled() const { return !Enabled(); }
    const QImage &PicIdle() const { return PicIdle_; }
    // Drawn instead of the caption; greyed while the key is not Enabled.
    void SetPicIdle(const QImage &picture);

    // Emits Clicked while Enabled.
    void Click() override;
    // Return clicks a Default key, Escape a Cancel key; true when the key was used.
    bool OfferDialogKey(int key);

    // The face bitmap for the current state: "CALCBTN_DOWN" while held down or pressed under
    // the mouse, "CALCBTN_MOVE" under the mouse, else the style's face (always when disabled).
    QString FaceName() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString Caption_;
    bool TextBold_ = false;
    int TextSize_ = 14;
    bool Downed_ = false;
    TStyle Style_ = sNORM;
    bool Cancel_ = false;
    bool Default_ = false;
    QImage PicIdle_;
    QPixmap Picture_;
    QPixmap GreyPicture_;
};
