#include "DialogTestEnvironment.h"
#include "MessageBoxAnswerer.h"

#include "controls/ColorRef.h"
#include "controls/Fonts.h"
#include "controls/OrvoSkinButton.h"
#include "controls/OrvoSkinCheckBox.h"
#include "dialogs/DayPanel.h"
#include "dialogs/EntryRegularUnit.h"
#include "ledger/CategoryTable.h"
#include "ledger/FuncUnit.h"
#include "ledger/Regional.h"
#include "support/Banner.h"
#include "support/DiagnosticLog.h"
#include "support/HelpSystem.h"
#include "support/WarningSound.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QStringList Items(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

bool HasFocus(const QWidget *w)
{
    const QWidget *focus = QApplication::focusWidget();
    return focus && (focus == w || w->isAncestorOf(focus));
}

void Retype(QLineEdit *edit, const QString &text)
{
    edit->clear();
    QTest::keyClicks(edit, text);
}

} // namespace

// The regular booking dialog with its real controls, offscreen, over a temporary HOME.
class TestRegularDialog : public QObject, protected DialogTestEnvironment
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { Dialog = std::make_unique<TFormEntryRegular>(Services()); }
    void cleanup() { Dialog.reset(); }
    void okJudgedWhenShown();
    void dayOnOk_data();
    void dayOnOk();
    void fieldsOnOk_data();
    void fieldsOnOk();
    void dayCheckedBeforeAmount();
    void okNeedsDayAmountAndCategory_data();
    void okNeedsDayAmountAndCategory();
    void closing_data();
    void closing();
    void showing_data();
    void showing();
    void kindSwitchKeepsTexts();
    void groupPickListsItsSubCategories();
    void navigatorHelpAndTabOrder();
    void pickingADay();
    void clickOutsideTheDaysCloses_data();
    void clickOutsideTheDaysCloses();
    void dayPanelLook();

private:
    template<typename T>
    T *Get(const char *name) const
    {
        auto *child = Dialog->findChild<T *>(QString::fromLatin1(name));
        if (!child)
            qFatal("no control %s", name);
        return child;
    }
    QLineEdit *Edit(const char *name) const { return Get<QLineEdit>(name); }
    QComboBox *Box(const char *name) const { return Get<QComboBox>(name); }
    void Click(const char *name) const { QTest::mouseClick(Get<QWidget>(name), Qt::LeftButton, {}, QPoint(5, 5)); }
    bool Checked(const char *name) const { return Get<TOrvoSkinCheckBox>(name)->Checked(); }
    void Open(const QString &day = u"07."_s, const QString &amount = u"0.00"_s, const QString &category = {},
              int kind = 1, int mode = 1);

    std::unique_ptr<TFormEntryRegular> Dialog;
};

void TestRegularDialog::initTestCase()
{
    SetUpEnvironment();
}

void TestRegularDialog::Open(const QString &day, const QString &amount, const QString &category, int kind, int mode)
{
    Dialog->BookingDay = day;
    Dialog->BookingAmount = amount;
    Dialog->BookingCategory = category;
    Dialog->BookingPurpose = u"Notiz"_s;
    Dialog->BookingKind = kind;
    Dialog->EntryMode = mode;
    Dialog->Accepted = true;
    Dialog->show();
    Dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Dialog.get()));
}

void TestRegularDialog::dayOnOk_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("completed");
    QTest::addColumn<bool>("accepted");
    // Completion and check are the ledger's; here: what the field shows after OK, whether the
    // dialog closes, and the key filter in front of them.
    QTest::newRow("one digit") << u"5"_s << u"05."_s << true;
    QTest::newRow("last day") << u"31"_s << u"31."_s << true;
    QTest::newRow("letter filtered") << u"1a"_s << u"01."_s << true;
    QTest::newRow("day 32") << u"32"_s << u"32."_s << false;
    QTest::newRow("lone dot") << u"."_s << u"0."_s << false;
    QTest::newRow("comma becomes dot") << u"1,5"_s << u"1.5."_s << false;
}

void TestRegularDialog::dayOnOk()
{
    QFETCH(QString, typed);
    QFETCH(QString, completed);
    QFETCH(bool, accepted);
    Open(u"01."_s, u"12.50"_s, u"Miete"_s);
    Retype(Edit("EditDay"), typed);
    MessageBoxAnswerer answer(u"OK"_s);
    Click("btnOK");

    QCOMPARE(Edit("EditDay")->text(), completed);
    QCOMPARE(Dialog->Accepted, accepted);
    QCOMPARE(Dialog->isVisible(), !accepted);
    QCOMPARE(Dialog->BookingDay, accepted ? completed : u"01."_s);
    QCOMPARE(answer.Count, accepted ? 0 : 1);
    if (!accepted) {
        QCOMPARE(answer.Title, u"Fehler"_s);
        QCOMPARE(answer.Text, DayTextMessage(completed));
    }
}

void TestRegularDialog::fieldsOnOk_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("storedAmount");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("storedCategory");
    QTest::addColumn<bool>("expense");
    QTest::newRow("comma amount") << u"12,5"_s << u"12.5"_s << u"wohnen"_s << u"Wohnen"_s << true;
    QTest::newRow("whole amount") << u"12"_s << u"12.00"_s << u"gehalt"_s << u"Gehalt"_s << false;
    QTest::newRow("leading dot") << u".5"_s << u"0.5"_s << u"Auto "_s << u"Auto "_s << true;
}

void TestRegularDialog::fieldsOnOk()
{
    QFETCH(QString, amount);
    QFETCH(QString, storedAmount);
    QFETCH(QString, category);
    QFETCH(QString, storedCategory);
    QFETCH(bool, expense);
    // The kind comes from the radio boxes, not from the field the dialog was opened with.
    Open(u"15."_s, u"0.00"_s, {}, expense ? 1 : 2);
    Click(expense ? "rbCheckExpend" : "rbCheckIncome");
    Retype(Edit("Edit2"), amount);
    Retype(Box("ComboBox1")->lineEdit(), category);
    Retype(Box("ComboBox2")->lineEdit(), u"miete mai"_s);
    // Opened without a category, OK waits for the timer to see the one typed.
    QTRY_VERIFY(Get<TOrvoSkinButton>("btnOK")->Enabled());
    Click("btnOK");

    QVERIFY(Dialog->Accepted);
    QCOMPARE(Dialog->BookingDay, u"15."_s);
    QCOMPARE(Dialog->BookingAmount, storedAmount);
    QCOMPARE(Dialog->BookingCategory, storedCategory);
    QCOMPARE(Dialog->BookingPurpose, u"Miete mai"_s);
    QCOMPARE(Dialog->BookingKind, expense ? 2 : 1);
}

void TestRegularDialog::okJudgedWhenShown()
{
    // A use that left OK enabled must not let a quick Return accept an empty category.
    Open(u"01."_s, u"1.00"_s, u"Miete"_s);
    QVERIFY(Get<TOrvoSkinButton>("btnOK")->Enabled());
    Dialog->hide();
    Dialog->BookingCategory.clear();
    Dialog->show();
    QVERIFY(!Get<TOrvoSkinButton>("btnOK")->Enabled());
}

void TestRegularDialog::dayCheckedBeforeAmount()
{
    Open(u"32"_s, u"1.2.3"_s, u"Miete"_s);
    {
        MessageBoxAnswerer answer(u"OK"_s);
        Click("btnOK");
        QCOMPARE(answer.Count, 1);
        QCOMPARE(answer.Text, DayTextMessage(u"32."_s));
    }
    Retype(Edit("EditDay"), u"3"_s);
    {
        MessageBoxAnswerer answer(u"OK"_s);
        Click("btnOK");
        QCOMPARE(answer.Count, 1);
        QCOMPARE(answer.Title, u"Informationen"_s);
        QCOMPARE(answer.Text, AmountTextMessage());
    }
    QCOMPARE(Edit("EditDay")->text(), u"03."_s);
    QCOMPARE(Edit("Edit2")->text(), u"1.2.3"_s);
    QVERIFY(!Dialog->Accepted);
    QVERIFY(Dialog->isVisible());
}

void TestRegularDialog::okNeedsDayAmountAndCategory_data()
{
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("category");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("blank category counts") << u"07."_s << u"1.00"_s << u" "_s << true;
    QTest::newRow("no day") << QString() << u"1.00"_s << u"Miete"_s << false;
    QTest::newRow("no amount") << u"07."_s << QString() << u"Miete"_s << false;
    QTest::newRow("no category") << u"07."_s << u"1.00"_s << QString() << false;
}

void TestRegularDialog::okNeedsDayAmountAndCategory()
{
    QFETCH(QString, day);
    QFETCH(QString, amount);
    QFETCH(QString, category);
    QFETCH(bool, enabled);
    Open(day, amount, category);
    auto *ok = Get<TOrvoSkinButton>("btnOK");
    ok->SetEnabled(!enabled);
    QTRY_COMPARE(ok->Enabled(), enabled);
    if (enabled)
        return;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(Dialog->isVisible());
    QVERIFY(!Dialog->Accepted);
}

void TestRegularDialog::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("ok") << u"btnOK"_s << true;
    QTest::newRow("return") << u"return"_s << true;
    QTest::newRow("cancel") << u"btnCancel"_s << false;
    QTest::newRow("escape") << u"escape"_s << false;
}

void TestRegularDialog::closing()
{
    QFETCH(QString, how);
    QFETCH(bool, accepted);
    Dialog->BookingDay = u"07."_s;
    Dialog->BookingAmount = u"5.00"_s;
    Dialog->BookingCategory = u"Gehalt"_s;
    Dialog->BookingKind = 1;
    // The caller's way: fields, exec(), Accepted.
    QTimer::singleShot(0, this, [&] {
        if (!QTest::qWaitForWindowActive(Dialog.get()))
            return Dialog->reject();
        Edit("EditDay")->setText(u"9"_s);
        Edit("Edit2")->setText(u"6"_s);
        Click("rbCheckExpend");
        if (how.startsWith(u"btn"))
            Click(how.toLatin1().constData());
        else
            QTest::keyClick(QApplication::focusWidget(), how == u"return" ? Qt::Key_Return : Qt::Key_Escape);
    });
    Dialog->exec();

    QCOMPARE(Dialog->Accepted, accepted);
    QCOMPARE(Dialog->BookingDay, accepted ? u"09."_s : u"07."_s);
    QCOMPARE(Dialog->BookingAmount, accepted ? u"6.00"_s : u"5.00"_s);
    QCOMPARE(Dialog->BookingKind, accepted ? 2 : 1);
    QVERIFY(Dialog->findChildren<TQELDayPanel *>().isEmpty());
}

void TestRegularDialog::showing_data()
{
    QTest::addColumn<int>("previousKind");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("category");
    QTest::addColumn<bool>("expense");
    QTest::addColumn<QString>("firstSubCategory");
    QTest::addColumn<QString>("banner");
    QTest::newRow("edit expense") << 1 << 2 << 2 << u"Haushalt"_s << true << u"Nahrungsmittel"_s << u"BANREG_EDIT"_s;
    QTest::newRow("group in other case") << 1 << 2 << 1 << u"auto "_s << true << u"Tanken"_s << u"BANREG_NEW"_s;
    QTest::newRow("free category") << 1 << 2 << 1 << u"Urlaub"_s << true << QString() << u"BANREG_NEW"_s;
    QTest::newRow("income") << 2 << 1 << 3 << u"Wohnen"_s << false << QString() << QString();
    QTest::newRow("kind 3 keeps expense") << 2 << 3 << 2 << u"Wohnen"_s << true << u"Miete"_s << u"BANREG_EDIT"_s;
    QTest::newRow("kind 0 keeps income") << 1 << 0 << 2 << u"Wohnen"_s << false << QString() << u"BANREG_EDIT"_s;
}

void TestRegularDialog::showing()
{
    QFETCH(int, previousKind);
    QFETCH(int, kind);
    QFETCH(int, mode);
    QFETCH(QString, category);
    QFETCH(bool, expense);
    QFETCH(QString, firstSubCategory);
    QFETCH(QString, banner);
    Open(u"01."_s, u"0.00"_s, {}, previousKind);
    Click("btnDayPicker");
    QTest::mouseClick(Get<TQELDayPanel>("DayPanel")->DayButton(3), Qt::LeftButton);
    Dialog->reject();
    Open(u"07."_s, u"0.00"_s, category, kind, mode);

    QCOMPARE(Checked("rbCheckExpend"), expense);
    QCOMPARE(Checked("rbCheckIncome"), !expense);
    QCOMPARE(Box("ComboBox1")->currentText(), category);
    QCOMPARE(Items(Box("ComboBox1")).first(), expense ? u"Wohnen"_s : u"Gehalt"_s);
    QCOMPARE(Items(Box("ComboBox2")).value(0), firstSubCategory);
    QCOMPARE(Box("ComboBox2")->currentText(), u"Notiz"_s);
    QCOMPARE(Edit("EditDay")->text(), u"07."_s);
    QVERIFY(!Dialog->Accepted);
    QTRY_VERIFY(HasFocus(Get<QWidget>("rbCheckIncome")));
    // A new picker for each showing: hidden, nothing chosen.
    QCOMPARE(Dialog->findChildren<TQELDayPanel *>().size(), 1);
    QVERIFY(Get<TQELDayPanel>("DayPanel")->SelectedDay().isEmpty());
    QVERIFY(!Get<TQELDayPanel>("DayPanel")->isVisible());
    QLabel expected;
    if (!banner.isEmpty())
        LoadBanner(&expected, banner);
    QCOMPARE(Get<QLabel>("ImageBanner")->pixmap().toImage(), expected.pixmap().toImage());
}

void TestRegularDialog::kindSwitchKeepsTexts()
{
    Open(u"07."_s, u"0.00"_s, u"Wohnen"_s, 1);
    QComboBox *categories = Box("ComboBox1");
    QComboBox *purposes = Box("ComboBox2");
    Click("rbCheckExpend");
    QVERIFY(!Checked("rbCheckIncome"));
    QCOMPARE(categories->currentText(), u"Wohnen"_s);
    QCOMPARE(purposes->currentText(), u"Notiz"_s);
    QCOMPARE(Items(categories).mid(0, 2), (QStringList{u"Wohnen"_s, u"Haushalt"_s}));
    QCOMPARE(Items(purposes).mid(0, 2), (QStringList{u"Miete"_s, u"Nebenkosten"_s}));

    Click("rbCheckIncome");
    QVERIFY(!Checked("rbCheckExpend"));
    QCOMPARE(categories->currentText(), u"Wohnen"_s);
    QCOMPARE(purposes->currentText(), u"Notiz"_s);
    QCOMPARE(Items(categories).first(), u"Gehalt"_s);
    QVERIFY(Items(purposes).isEmpty());
}

void TestRegularDialog::groupPickListsItsSubCategories()
{
    Open(u"07."_s, u"0.00"_s, {}, 2);
    QComboBox *groups = Box("ComboBox1");
    QComboBox *purposes = Box("ComboBox2");
    QTest::keyClick(groups, Qt::Key_Down);
    QCOMPARE(Items(purposes).first(), u"Miete"_s);
    QTest::keyClick(groups, Qt::Key_Down);
    QCOMPARE(groups->currentText(), u"Haushalt"_s);
    QCOMPARE(Items(purposes).first(), u"Nahrungsmittel"_s);
    QCOMPARE(purposes->currentText(), u"Notiz"_s);

    // Picking an income category offers no purposes.
    Click("rbCheckIncome");
    QTest::keyClick(groups, Qt::Key_Down);
    QCOMPARE(groups->currentText(), u"Gehalt"_s);
    QVERIFY(Items(purposes).isEmpty());
}

void TestRegularDialog::navigatorHelpAndTabOrder()
{
    Open();
    NavigatorModes.clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::AltModifier);
    QCOMPARE(NavigatorModes, QList<int>{3});

    Click("btnHelp");
    QFile log(Log->FileName());
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(log.readAll()).contains(u"\", 1003, \""_s));

    Get<QWidget>("rbCheckIncome")->setFocus();
    for (const char *next : {"rbCheckExpend", "EditDay", "Edit2", "ComboBox1", "ComboBox2"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY2(HasFocus(Get<QWidget>(next)), next);
    }
}

void TestRegularDialog::pickingADay()
{
    Open(u"01."_s);
    auto *picker = Get<TQELDayPanel>("DayPanel");
    Click("btnDayPicker");
    QVERIFY(picker->isVisible());
    QCOMPARE(picker->geometry(), QRect(8, 148, 152, 128));

    QSignalSpy changes(picker, &TQELDayPanel::OnChange);
    QTest::mouseClick(picker->DayButton(9), Qt::LeftButton);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(picker->SelectedDay(), u"09"_s);
    QCOMPARE(Edit("EditDay")->text(), u"09."_s);
    QVERIFY(!picker->isVisible());
}

void TestRegularDialog::clickOutsideTheDaysCloses_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QPoint>("at");
    QTest::newRow("title band") << u"DayPanel"_s << QPoint(76, 9);
    QTest::newRow("background below the days") << u"DayPanel"_s << QPoint(140, 120);
    QTest::newRow("amount field") << u"Edit2"_s << QPoint(5, 5);
    // These pass the press on to their parents: still one change.
    QTest::newRow("label") << u"Betrag:"_s << QPoint(5, 5);
    QTest::newRow("kind box") << u"rbCheckExpend"_s << QPoint(5, 5);
}

void TestRegularDialog::clickOutsideTheDaysCloses()
{
    QFETCH(QString, target);
    QFETCH(QPoint, at);
    Open(u"01."_s);
    auto *picker = Get<TQELDayPanel>("DayPanel");
    Click("btnDayPicker");
    QVERIFY(picker->isVisible());
    QSignalSpy changes(picker, &TQELDayPanel::OnChange);

    QWidget *widget = Dialog->findChild<QWidget *>(target);
    for (QLabel *label : Dialog->findChildren<QLabel *>())
        if (label->text() == target)
            widget = label;
    QVERIFY(widget);
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);

    QCOMPARE(changes.count(), 1);
    QVERIFY(!picker->isVisible());
    QVERIFY(picker->SelectedDay().isEmpty());
    QCOMPARE(Edit("EditDay")->text(), u"01."_s);
    if (target == u"Edit2")
        QTRY_VERIFY(HasFocus(Edit("Edit2")));
}

void TestRegularDialog::dayPanelLook()
{
    TQELDayPanel picker;
    QVERIFY(!picker.MouseInside());
    QCOMPARE(picker.DayButton(8)->geometry(), QRect(3, 41, 20, 20));
    QCOMPARE(picker.DayButton(31)->geometry(), QRect(45, 104, 20, 20));
    QCOMPARE(picker.DayButton(31)->Caption(), u"31"_s);
    QCOMPARE(picker.DayButton(1)->Caption(), u"01"_s);
    QVERIFY(!picker.DayButton(1)->ShowFrame());

    const QImage image = picker.grab().toImage();
    const QColor frame = ColorFromRef(0x9F6B00);
    const QColor band = ColorFromRef(0xC08000);
    QCOMPARE(QColor(image.pixel(0, 0)), frame);
    QCOMPARE(QColor(image.pixel(151, 127)), frame);
    QCOMPARE(QColor(image.pixel(1, 1)), QColor(Qt::white));
    QCOMPARE(QColor(image.pixel(2, 2)), band);
    QCOMPARE(QColor(image.pixel(149, 17)), band);
    QCOMPARE(QColor(image.pixel(150, 10)), QColor(Qt::white));
    QCOMPARE(QColor(image.pixel(2, 18)), QColor(Qt::white));
    // The title is written in white inside the band (smoothed edges: nearly white is enough).
    int lightest = 0;
    for (int x = 40; x < 112; ++x)
        for (int y = 4; y < 16; ++y)
            lightest = std::max(lightest, qGray(image.pixel(x, y)));
    QVERIFY(lightest > 200);
}

QTEST_MAIN(TestRegularDialog)
#include "tst_regulardialog.moc"
