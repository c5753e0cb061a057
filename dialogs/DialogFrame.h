#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <utility>

class CategoryTable;
class HelpSystem;
class QComboBox;
class QLabel;
class QLineEdit;
class Regional;
class TOrvoSkinButton;
class WarningSound;
enum class TSkinHotKey;

// What the dialogs of the program need from it: the category table, help, the prompt sound
// and the regional conventions. The main window owns all of them and outlives the dialogs.
struct DialogServices
{
    const CategoryTable &Categories;
    HelpSystem &Help;
    QString HelpFile;
    WarningSound &Sound;
    const Regional &RegionalSettings;
    // Shows the category overview in a mode (1 income, 2 expenses, 3 both), modally.
    std::function<void(int mode)> ShowNavigator;
};

// The frame every dialog of the program shares: a fixed client area in the dialog colour
// with only the close box, centred on the screen, an optional banner strip at the top and
// the 44-pixel button bar at the bottom. Return, Escape and the Alt keys reach the skin
// buttons through the window's dialog-key router.
class TDialogFrame : public QDialog
{
    Q_OBJECT

public:
    static constexpr int BarHeight = 44;

protected:
    TDialogFrame(QWidget *parent, const QString &objectName, const QString &caption, QSize clientSize);

    // The banner image, full width, the given height; pictures are stretched into it.
    QLabel *AddBanner(int height);
    // LoadBanner for a dialog being shown: a missing picture is reported and the dialog shows
    // without it.
    void ShowBanner(QLabel *image, const QString &name);
    // The coloured bar along the bottom edge.
    QWidget *AddButtonBar();
    // A skin button in the dialog scheme; not a tab stop.
    TOrvoSkinButton *AddBarButton(QWidget *bar, const char *name, const QRect &geometry, const QString &caption);
    // The small help button of the bar: picture, hint "Hilfe (Alt+F1)", hot key Alt+F1.
    TOrvoSkinButton *AddHelpButton(QWidget *bar);
    // The bar's "OK" (default, Return) and "Abbrechen" (cancel, Escape) buttons, 110 x 24.
    std::pair<TOrvoSkinButton *, TOrvoSkinButton *> AddOkCancel(QWidget *bar, int cancelLeft);
    // A small picture button in the panel scheme (navigator, day picker).
    TOrvoSkinButton *AddPictureButton(const char *name, const QRect &geometry, const QString &picture,
                                      const QString &hint, TSkinHotKey hotKey);
    // A caption; with a field, the caption is the field's name for a screen reader.
    QLabel *AddLabel(const QString &text, const QPoint &at, QWidget *field = nullptr);
    // A category or purpose box: typed text of at most 30 characters, or an entry of its list.
    // Return in its open list only takes the highlighted entry and closes the list.
    QComboBox *AddNameBox(const char *name, const QRect &geometry);
    // Centres the dialog on the screen; the dialogs call it before each showing.
    void CentreOnScreen();

    // Each showing and each closing the program makes (OK, cancel, Escape, the close box);
    // the system's own hiding and showing, e.g. on minimising, does not count.
    virtual void FormShow() {}
    virtual void FormClose() {}
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
};

// The amount field's key filter (also the regular dialog's day field): a typed comma becomes
// a dot, digits, the dot and backspace pass, every other typed character is dropped. A pasted
// or dropped text is filtered the same way, character by character.
void InstallAmountKeyFilter(QLineEdit *edit);

// The amount check of OK (CheckAmountCharacters, then CheckAmountText): when the amount is
// refused, the prompt sound, the information message and the field back in front of the user
// (SelectForCorrection), then false.
bool AcceptAmountText(QWidget *parent, WarningSound &sound, QLineEdit *edit);

// After a refused entry: the focus in the field with its whole text selected, so that the
// next keys replace it. The dialog gives the focus to it when it is active again.
void SelectForCorrection(QLineEdit *edit);
