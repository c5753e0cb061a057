#include "DialogTestEnvironment.h"
#include "MessageBoxAnswerer.h"

#include "controls/Fonts.h"
#include "controls/OrvoSkinButton.h"
#include "dialogs/DatePicker.h"
#include "dialogs/EntryIncomeUnit.h"
#include "ledger/CategoryTable.h"
#include "ledger/FuncUnit.h"
#include "ledger/Regional.h"
#include "support/Banner.h"
#include "support/DiagnosticLog.h"
#include "support/HelpSystem.h"
#include "support/WarningSound.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

struct Fields
{
    QString Date, Amount, Category, Purpose;
    int Mode = 1;
};

template<typename W = QWidget>
W *Find(QWidget *dialog, const char *name)
{
    auto *w = dialog->findChild<W *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

// Types key by key, also what QTest::keyClicks cannot (umlauts).
void Type(QWidget *widget, const QString &text)
{
    for (const QChar ch : text) {
        const auto key = ch.unicode() < 128 ? Qt::Key(ch.toUpper().unicode()) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Press, widget, key, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, key, QString(ch), Qt::NoModifier);
    }
}

void PressOk(QWidget *dialog)
{
    auto *ok = Find<TOrvoSkinButton>(dialog, "btnOK");
    QTRY_VERIFY(ok->Enabled());
    QTest::mouseClick(ok, Qt::LeftButton);
}

QStringList Items(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

void AddKindRows()
{
    QTest::addColumn<bool>("expense");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("newBanner");
    QTest::addColumn<QString>("editBanner");
    QTest::addColumn<int>("navigatorMode");
    QTest::newRow("income") << false << u"Einnahme"_s << u"BANINC_NEW"_s << u"BANINC_EDIT"_s << 1;
    QTest::newRow("expense") << true << u"Ausgabe"_s << u"BANEXP_NEW"_s << u"BANEXP_EDIT"_s << 2;
}

} // namespace

// The income and expense dialogs with their real controls, offscreen.
class TestEntryDialogs : public QObject, protected DialogTestEnvironment
{
    Q_OBJECT

private slots:
    void initTestCase();
    void wiring_data() { AddKindRows(); }
    void wiring();
    void bannerFollowsMode_data() { AddKindRows(); }
    void bannerFollowsMode();
    void amountTyping_data();
    void amountTyping();
    void inputMethodTextIsFiltered();
    void twoSeparatorsAreRefused();
    void okRefusesWhatTheFieldNeverTakes_data();
    void okRefusesWhatTheFieldNeverTakes();
    void textsCapitalised_data();
    void textsCapitalised();
    void okNeedsAmountAndCategory_data();
    void okNeedsAmountAndCategory();
    void closingKeepsFields_data();
    void closingKeepsFields();
    void pickingGroupListsSubCategories_data();
    void pickingGroupListsSubCategories();
    void openingListsSubCategories_data();
    void openingListsSubCategories();
    void bookingDate_data();
    void bookingDate();
    void datesTypedWithPoints_data();
    void datesTypedWithPoints();

private:
    std::unique_ptr<TFormEntryBooking> Make(bool expense);
    void Show(TFormEntryBooking &dialog, const Fields &fields);
    QStringList SubCategories(int group) const;

};

void TestEntryDialogs::initTestCase()
{
    QVERIFY(Home.isValid());
    SetUpEnvironment();
}

std::unique_ptr<TFormEntryBooking> TestEntryDialogs::Make(bool expense)
{
    const DialogServices services = Services();
    if (expense)
        return std::make_unique<TFormEntryExpend>(services);
    return std::make_unique<TFormEntryIncome>(services);
}

void TestEntryDialogs::Show(TFormEntryBooking &dialog, const Fields &fields)
{
    dialog.BookingDate = fields.Date;
    dialog.BookingAmount = fields.Amount;
    dialog.BookingCategory = fields.Category;
    dialog.BookingPurpose = fields.Purpose;
    dialog.EntryMode = fields.Mode;
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

QStringList TestEntryDialogs::SubCategories(int group) const
{
    QStringList names;
    for (int k = 0; k < CategoryTable::SubCategoryCount; ++k)
        if (!Categories.SubCategory(group, k).isEmpty())
            names << Categories.SubCategory(group, k);
    return names;
}

void TestEntryDialogs::wiring()
{
    QFETCH(bool, expense);
    QFETCH(QString, caption);
    QFETCH(int, navigatorMode);
    NavigatorModes.clear();
    auto dialog = Make(expense);
    Show(*dialog, {u"01.05.2008"_s, u"0.00"_s, {}, {}});
    QCOMPARE(dialog->windowTitle(), caption);
    // Tab leaves the date picker at once and skips the buttons.
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, (QStringList{u"DateTimePicker1"_s, u"Edit2"_s, u"ComboBox1"_s, u"ComboBox2"_s,
                                 u"DateTimePicker1"_s}));

    QTest::mouseClick(Find(dialog.get(), "btnNavigator"), Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::AltModifier);
    QCOMPARE(NavigatorModes, (QList<int>{navigatorMode, navigatorMode}));
    QFile::remove(Log->FileName());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1, Qt::AltModifier);
    QFile log(Log->FileName());
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(log.readAll()).contains(u"QEL.chm\", 1002,"_s));
    QVERIFY(dialog->isVisible());
}

void TestEntryDialogs::bannerFollowsMode()
{
    QFETCH(bool, expense);
    QFETCH(QString, newBanner);
    QFETCH(QString, editBanner);
    auto dialog = Make(expense);
    auto *banner = Find<QLabel>(dialog.get(), "ImageBanner");
    // One dialog, reused: each showing picks the picture, each close drops it.
    for (const auto &[mode, name] : {std::pair{1, newBanner}, std::pair{2, editBanner}, std::pair{3, QString()}}) {
        Show(*dialog, {u"01.05.2008"_s, u"1.00"_s, u"Gehalt"_s, {}, mode});
        QLabel expected;
        if (!name.isEmpty())
            LoadBanner(&expected, name);
        QCOMPARE(banner->pixmap().toImage(), expected.pixmap().toImage());
        QVERIFY(Find<QTimer>(dialog.get(), "Timer1")->isActive());
        dialog->reject();
        QVERIFY(banner->pixmap().isNull());
        QVERIFY(!Find<QTimer>(dialog.get(), "Timer1")->isActive());
    }
}

void TestEntryDialogs::amountTyping_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("stored");
    QTest::newRow("comma becomes dot") << u"12,5"_s << QString() << u"12.5"_s << u"12.5"_s;
    QTest::newRow("whole number") << u"12"_s << QString() << u"12"_s << u"12.00"_s;
    QTest::newRow("leading dot") << u".5"_s << QString() << u".5"_s << u"0.5"_s;
    QTest::newRow("letters and signs dropped") << u"1a-2 ü"_s << QString() << u"12"_s << u"12.00"_s;
    QTest::newRow("pasted comma as typed") << QString() << u"1,5"_s << u"1.5"_s << u"1.5"_s;
    // Pasted text goes through the filter of typed keys (Ctrl+V; "+" before it: Shift+Insert).
    QTest::newRow("pasted euro sign and blank") << QString() << u"44,50 €"_s << u"44.50"_s << u"44.50"_s;
    QTest::newRow("pasted at the cursor") << u"1"_s << u"+2 3"_s << u"123"_s << u"123.00"_s;
    QTest::newRow("pasted word leaves nothing") << QString() << u"zwölf"_s << QString() << QString();
    QTest::newRow("pasted word beside digits") << u"12"_s << u"zwölf"_s << u"12"_s << u"12.00"_s;
}

void TestEntryDialogs::amountTyping()
{
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    QFETCH(QString, shown);
    QFETCH(QString, stored);
    auto dialog = Make(false);
    Show(*dialog, {u"01.05.2008"_s, QString(), u"Gehalt"_s, {}});
    auto *edit = Find<QLineEdit>(dialog.get(), "Edit2");
    Type(edit, typed);
    if (pasted.startsWith(u'+')) {
        QGuiApplication::clipboard()->setText(pasted.mid(1));
        QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
    } else if (!pasted.isEmpty()) {
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    }
    QCOMPARE(edit->text(), shown);
    if (stored.isEmpty()) {
        // Nothing to book: OK stays disabled and Return does nothing.
        QVERIFY(!Find<TOrvoSkinButton>(dialog.get(), "btnOK")->Enabled());
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->Accepted);
        return;
    }
    PressOk(dialog.get());
    QVERIFY(dialog->Accepted);
    QCOMPARE(dialog->BookingAmount, stored);
}

void TestEntryDialogs::inputMethodTextIsFiltered()
{
    // A German keyboard's dead keys: ^ and ´ arrive composed through the input method, or
    // with the next key as two characters at once.
    auto dialog = Make(false);
    Show(*dialog, {u"01.05.2008"_s, QString(), u"Gehalt"_s, {}});
    auto *edit = Find<QLineEdit>(dialog.get(), "Edit2");
    Type(edit, u"1"_s);
    for (const QString &committed : {u"^"_s, u"é"_s, u"2,"_s}) {
        QInputMethodEvent composing(committed.left(1), {});
        QCoreApplication::sendEvent(edit, &composing);
        QInputMethodEvent commit;
        commit.setCommitString(committed);
        QCoreApplication::sendEvent(edit, &commit);
    }
    QTest::sendKeyEvent(QTest::Press, edit, Qt::Key_5, u"´5"_s, Qt::NoModifier);
    QCOMPARE(edit->text(), u"12.5"_s);
    PressOk(dialog.get());
    QCOMPARE(dialog->BookingAmount, u"12.5"_s);
}

void TestEntryDialogs::twoSeparatorsAreRefused()
{
    auto dialog = Make(true);
    Show(*dialog, {u"01.05.2008"_s, QString(), u"Wohnen"_s, {}});
    auto *edit = Find<QLineEdit>(dialog.get(), "Edit2");
    Type(edit, u"1,999.99"_s);
    MessageBoxAnswerer answer(u"OK"_s);
    PressOk(dialog.get());
    QCOMPARE(answer.Title, u"Informationen"_s);
    QCOMPARE(answer.Text, AmountTextMessage());
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->Accepted);
    QCOMPARE(edit->text(), u"1.999.99"_s);
}

void TestEntryDialogs::okRefusesWhatTheFieldNeverTakes_data()
{
    QTest::addColumn<bool>("expense");
    QTest::addColumn<QString>("amount"); // of a booking stored before the field filtered pastes
    for (const bool expense : {false, true}) {
        const char *kind = expense ? "expense" : "income";
        QTest::addRow("%s: word", kind) << expense << u"zwölf.00"_s;
        QTest::addRow("%s: euro sign", kind) << expense << u"44.50 €"_s;
        QTest::addRow("%s: minus", kind) << expense << u"-5.00"_s;
    }
}

// OK never stores an amount that the field would not let through: the message, the amount
// selected for correction, then the corrected amount stored.
void TestEntryDialogs::okRefusesWhatTheFieldNeverTakes()
{
    QFETCH(bool, expense);
    QFETCH(QString, amount);
    auto dialog = Make(expense);
    Show(*dialog, {u"01.05.2008"_s, amount, u"Wohnen"_s, u"Miete"_s, 2});
    auto *edit = Find<QLineEdit>(dialog.get(), "Edit2");
    {
        MessageBoxAnswerer answer(u"OK"_s);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(answer.Count, 1);
        QCOMPARE(answer.Title, u"Informationen"_s);
        QCOMPARE(answer.Text, AmountCharactersMessage(amount));
    }
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->Accepted);
    QTRY_COMPARE(dialog->focusWidget(), edit);
    QCOMPARE(edit->selectedText(), amount);
    Type(edit, u"5,5"_s);
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(dialog->Accepted);
    QCOMPARE(dialog->BookingAmount, u"5.5"_s);
}

void TestEntryDialogs::textsCapitalised_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("ascii letter") << u"wohnen"_s << u"Wohnen"_s;
    QTest::newRow("umlaut stays") << u"ärger"_s << u"ärger"_s;
    QTest::newRow("digit stays") << u"1. Rate"_s << u"1. Rate"_s;
    QTest::newRow("cut at 30") << QString(35, u'a') << u'A' + QString(29, u'a');
}

void TestEntryDialogs::textsCapitalised()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    auto dialog = Make(false);
    Show(*dialog, {u"01.05.2008"_s, u"1.00"_s, {}, {}});
    Type(Find(dialog.get(), "ComboBox1"), typed);
    Type(Find(dialog.get(), "ComboBox2"), typed);
    PressOk(dialog.get());
    QCOMPARE(dialog->BookingCategory, stored);
    QCOMPARE(dialog->BookingPurpose, stored);
}

void TestEntryDialogs::okNeedsAmountAndCategory_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("category");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("no amount") << QString() << u"Gehalt"_s << false;
    QTest::newRow("no category") << u"5"_s << QString() << false;
    QTest::newRow("blank category counts") << u"5"_s << u" "_s << true;
}

void TestEntryDialogs::okNeedsAmountAndCategory()
{
    QFETCH(QString, amount);
    QFETCH(QString, category);
    QFETCH(bool, enabled);
    auto dialog = Make(false);
    Show(*dialog, {u"01.05.2008"_s, amount, category, {}});
    QTRY_COMPARE(Find<TOrvoSkinButton>(dialog.get(), "btnOK")->Enabled(), enabled);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(dialog->isVisible(), !enabled);
    QCOMPARE(dialog->Accepted, enabled);
}

void TestEntryDialogs::closingKeepsFields_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("cancel button") << 0;
    QTest::newRow("escape") << 1;
    QTest::newRow("close box") << 2;
}

void TestEntryDialogs::closingKeepsFields()
{
    QFETCH(int, how);
    auto dialog = Make(true);
    const QStringList before{u"03.05.2008"_s, u"12.50"_s, u"Wohnen"_s, u"Miete"_s};
    Show(*dialog, {before[0], before[1], before[2], before[3], 2});
    QTest::keyClick(Find(dialog.get(), "DateTimePicker1"), Qt::Key_Up);
    for (const char *field : {"Edit2", "ComboBox1", "ComboBox2"})
        Type(Find(dialog.get(), field), u"7"_s);
    if (how == 0)
        QTest::mouseClick(Find(dialog.get(), "btnCancel"), Qt::LeftButton);
    else if (how == 1)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    else
        dialog->close();
    QVERIFY(!dialog->isVisible());
    QVERIFY(!dialog->Accepted);
    QCOMPARE((QStringList{dialog->BookingDate, dialog->BookingAmount, dialog->BookingCategory, dialog->BookingPurpose}),
             before);
}

void TestEntryDialogs::pickingGroupListsSubCategories_data()
{
    QTest::addColumn<int>("group");
    QTest::newRow("Wohnen") << 0;
    QTest::newRow("Auto with its blank") << 2;
}

void TestEntryDialogs::pickingGroupListsSubCategories()
{
    QFETCH(int, group);
    auto dialog = Make(true);
    Show(*dialog, {u"01.05.2008"_s, u"4.00"_s, {}, {}});
    auto *groups = Find<QComboBox>(dialog.get(), "ComboBox1");
    auto *purposes = Find<QComboBox>(dialog.get(), "ComboBox2");
    Type(purposes, u"Geschenk für Oma"_s);

    groups->showPopup();
    QAbstractItemView *view = groups->view();
    QTRY_VERIFY(view->isVisible());
    const QModelIndex item = view->model()->index(group, 0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(item).center());
    QTRY_VERIFY(!view->isVisible());

    QCOMPARE(Items(purposes), SubCategories(group));
    QCOMPARE(purposes->currentText(), u"Geschenk für Oma"_s);
    PressOk(dialog.get());
    QCOMPARE(dialog->BookingCategory, Categories.GroupName(group));
}

void TestEntryDialogs::openingListsSubCategories_data()
{
    QTest::addColumn<QString>("category");
    QTest::addColumn<int>("group");
    QTest::newRow("Haushalt") << u"Haushalt"_s << 1;
    QTest::newRow("any letter case") << u"HAUSHALT"_s << 1;
    QTest::newRow("Auto with its blank") << u"Auto "_s << 2;
    QTest::newRow("Auto without the blank") << u"Auto"_s << -1;
    QTest::newRow("free text") << u"Lotto"_s << -1;
}

void TestEntryDialogs::openingListsSubCategories()
{
    QFETCH(QString, category);
    QFETCH(int, group);
    auto dialog = Make(true);
    // The list of the last use must not survive into the next one.
    Show(*dialog, {u"01.05.2008"_s, u"1.00"_s, u"Wohnen"_s, {}, 2});
    dialog->reject();
    Show(*dialog, {u"01.05.2008"_s, u"1.00"_s, category, u"Zweck"_s, 2});
    const auto *purposes = Find<QComboBox>(dialog.get(), "ComboBox2");
    QCOMPARE(Items(purposes), group < 0 ? QStringList() : SubCategories(group));
    QCOMPARE(purposes->currentText(), u"Zweck"_s);
    PressOk(dialog.get());
    QCOMPARE(dialog->BookingCategory, category);
}

void TestEntryDialogs::bookingDate_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QDate>("date");
    QTest::newRow("short date, other month") << u"31.12.2008"_s << QDate(2008, 12, 31);
    QTest::newRow("single digits") << u"1.2.2009"_s << QDate(2009, 2, 1);
    QTest::newRow("two-digit year") << u"01.02.09"_s << QDate(2009, 2, 1);
    QTest::newRow("ISO") << u"2009-02-01"_s << QDate(2009, 2, 1);
    QTest::newRow("slashes") << u"1/2/2009"_s << QDate(2009, 2, 1);
    QTest::newRow("no date") << u"31.02.2009"_s << QDate::currentDate();
}

void TestEntryDialogs::bookingDate()
{
    QFETCH(QString, given);
    QFETCH(QDate, date);
    auto dialog = Make(false);
    Show(*dialog, {given, u"1.00"_s, u"Gehalt"_s, {}, 2});
    QCOMPARE(Find<TQELDatePicker>(dialog.get(), "DateTimePicker1")->Date(), date);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(dialog->BookingDate, date.toString(u"dd.MM.yyyy"_s));
}

void TestEntryDialogs::datesTypedWithPoints_data()
{
    QTest::addColumn<bool>("expense");
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("backAgain");     // to the amount and back with Shift+Tab first
    QTest::addColumn<bool>("returnInField"); // OK with Return in the date field, not after Tab
    QTest::addColumn<QString>("stored");     // empty: refused with a message, the dialog stays open
    struct Case
    {
        const char *Name;
        const char16_t *Preset, *Typed;
        bool BackAgain, ReturnInField;
        const char16_t *Stored;
    };
    const Case cases[] = {
        {"dd.MM.yyyy", u"03.05.2008", u"15.10.2026", false, false, u"15.10.2026"},
        {"d.MM.yyyy", u"03.05.2008", u"1.10.2026", false, false, u"01.10.2026"},
        {"d.M.yyyy", u"03.05.2008", u"4.2.2026", false, false, u"04.02.2026"},
        {"dd.MM.yy", u"03.05.2008", u"15.10.26", false, false, u"15.10.2026"},
        {"digits only", u"03.05.2008", u"15102026", false, false, u"15.10.2026"},
        {"after Shift+Tab", u"03.05.2008", u"15.10.2026", true, false, u"15.10.2026"},
        {"two-digit year, Return", u"03.05.2008", u"15.10.26", false, true, u"15.10.2026"},
        {"keypad comma", u"03.05.2008", u"15,10,2026", false, false, u"15.10.2026"},
        // Every two-digit year: 00-49 this century, 50-99 the last.
        {"year 05", u"03.05.2008", u"15.10.05", false, true, u"15.10.2005"},
        {"year 00", u"03.05.2008", u"15.10.00", false, false, u"15.10.2000"},
        {"year 05, digits", u"03.05.2008", u"151005", false, true, u"15.10.2005"},
        {"year 10", u"03.05.2008", u"15.10.10", false, false, u"15.10.2010"},
        {"year 16", u"03.05.2008", u"15.10.16", false, true, u"15.10.2016"},
        {"year 49", u"03.05.2008", u"15.10.49", false, false, u"15.10.2049"},
        {"year 50", u"03.05.2008", u"15.10.50", false, false, u"15.10.1950"},
        {"year 99", u"03.05.2008", u"15.10.99", false, true, u"15.10.1999"},
        {"last year's December", u"05.01.2009", u"31.12.08", false, true, u"31.12.2008"},
        {"four digits before 1752", u"03.05.2008", u"01.01.1700", false, false, u"01.01.1700"},
        {"leap day", u"03.05.2008", u"29.02.24", false, true, u"29.02.2024"},
        // Day or day and month: the rest as shown.
        {"day only", u"03.05.2008", u"15", false, false, u"15.05.2008"},
        {"day and month", u"03.05.2008", u"15.10.", false, true, u"15.10.2008"},
        // What cannot be read is never taken for another date.
        {"one-digit year", u"03.05.2008", u"15.10.2", false, true, u""},
        {"three-digit year", u"03.05.2008", u"15.10.202", false, false, u""},
        {"no 31st of February", u"03.05.2008", u"31.02.2026", false, true, u""},
        {"no leap day in 2025", u"03.05.2008", u"29.02.25", false, false, u""},
        {"year 0000", u"03.05.2008", u"15.10.0000", false, true, u""},
    };
    for (const bool expense : {false, true}) {
        for (const Case &c : cases) {
            QTest::addRow("%s: %s", expense ? "expense" : "income", c.Name)
                << expense << QString::fromUtf16(c.Preset) << QString::fromUtf16(c.Typed) << c.BackAgain
                << c.ReturnInField << QString::fromUtf16(c.Stored);
        }
    }
    // "+" stands for the Up arrow: it steps the day that the field starts on.
    QTest::newRow("arrow steps the day") << false << u"14.10.2026"_s << u"+"_s << false << false << u"15.10.2026"_s;
}

// Dates typed key by key: stored as typed, or refused with a message that leaves the dialog
// open with the date selected, and taken once corrected.
void TestEntryDialogs::datesTypedWithPoints()
{
    QFETCH(bool, expense);
    QFETCH(QString, preset);
    QFETCH(QString, typed);
    QFETCH(bool, backAgain);
    QFETCH(bool, returnInField);
    QFETCH(QString, stored);
    auto dialog = Make(expense);
    Show(*dialog, {preset, u"1.00"_s, u"Gehalt"_s, {}});
    auto *picker = Find<TQELDatePicker>(dialog.get(), "DateTimePicker1");
    QCOMPARE(dialog->focusWidget(), picker);
    if (backAgain) {
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Backtab);
        QCOMPARE(dialog->focusWidget(), picker);
    }
    if (typed == u"+")
        QTest::keyClick(picker, Qt::Key_Up);
    else
        Type(picker, typed);
    if (!returnInField) {
        QTest::keyClick(picker, Qt::Key_Tab);
        QCOMPARE(dialog->focusWidget(), Find(dialog.get(), "Edit2"));
    }
    if (!stored.isEmpty()) {
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        QVERIFY(dialog->Accepted);
        QCOMPARE(dialog->BookingDate, stored);
        return;
    }
    {
        MessageBoxAnswerer ok(u"OK"_s);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(ok.Count, 1);
        QCOMPARE(ok.Title, u"Fehler"_s);
        QCOMPARE(ok.Text, DateTextMessage(typed));
    }
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->Accepted);
    QTRY_COMPARE(dialog->focusWidget(), picker);
    QCOMPARE(picker->selectedText(), typed);
    Type(picker, u"15.10.26"_s);
    QTest::keyClick(picker, Qt::Key_Return);
    QVERIFY(dialog->Accepted);
    QCOMPARE(dialog->BookingDate, u"15.10.2026"_s);
}

QTEST_MAIN(TestEntryDialogs)
#include "tst_entrydialogs.moc"
