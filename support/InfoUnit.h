#pragma once

#include <QDialog>

class QLabel;
class TOrvoMailLabel;
class TOrvoSkinButton;
class TOrvoUrlLabel;

// The information window: version, supported systems, liability notice and the maker's
// links. Made once, shown modally from the main window.
class TFormInfo : public QDialog
{
    Q_OBJECT

public:
    explicit TFormInfo(QWidget *parent = nullptr);

    TOrvoUrlLabel *UrlLabel() const { return OrvoUrlLabel1; }
    TOrvoMailLabel *MailLabel() const { return OrvoMailLabel1; }
    TOrvoSkinButton *OkButton() const { return btnOK; }

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *Image1 = nullptr;
    TOrvoMailLabel *OrvoMailLabel1 = nullptr;
    TOrvoUrlLabel *OrvoUrlLabel1 = nullptr;
    TOrvoSkinButton *btnOK = nullptr;
};
