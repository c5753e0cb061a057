// What a screen reader learns of the main window and its dialogs: every skin control is a
// push button or check box with its caption as name, its true enabled and checked state and a
// press action; every other control one can reach with Tab has a name; list rows and the
// analysis pages read as they are shown.

#include "MainWindowFixture.h"

#include "analysis/AnalysisPageImage.h"
#include "app/QELListView.h"
#include "controls/OrvoSkinCheckBox.h"
#include "controls/SkinAccessible.h"
#include "ledger/BookingList.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

class TestAccessibility : public QObject, public MainWindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { TearDown(); }
    void spokenCaptions();
    void everyControlNamed();
    void skinButtonsPressAndTellTheirState();
    void rowsAndPagesReadAsShown();

private:
    // "window: control (class)" for each control a screen reader could not name.
    QStringList Unnamed(QWidget *window) const;
};

void TestAccessibility::init()
{
    InstallSkinAccessibility();
    SetUp();
    QVERIFY(StartWindow());
    Books->CreateBook(u"Januar 2008"_s, QDateTime(QDate(2008, 1, 1), QTime(12, 0)));
    Books->AddBooking(Books->Expend(), ListRow::Make(u"02.01.2008"_s, {u"1234.50"_s, u"Wohnen"_s, u"Miete"_s}));
    Books->SaveCurrentBook();
    Books->ScanBooks();
    Window->ShowPanel(0);
    Window->Timer1Timer();
}

void TestAccessibility::spokenCaptions()
{
    QCOMPARE(SpokenCaption(u"Haushaltsbuch#erstellen"_s), u"Haushaltsbuch erstellen"_s);
    QCOMPARE(SpokenCaption(u"&Ja"_s), u"Ja"_s);
    QCOMPARE(SpokenCaption(u"Zinsen && Gebühren"_s), u"Zinsen & Gebühren"_s);
}

QStringList TestAccessibility::Unnamed(QWidget *window) const
{
    QStringList unnamed;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        // The parts of a combo box or spin box speak through their owner; a drop-down list is a
        // window of its own, read when it opens.
        if (qobject_cast<QComboBox *>(w->parentWidget()) || qobject_cast<QAbstractSpinBox *>(w->parentWidget())
            || w->window() != window)
            continue;
        const bool skin = qobject_cast<TOrvoSkinControl *>(w);
        const bool field = (w->focusPolicy() & Qt::TabFocus)
                           && (qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w)
                               || qobject_cast<QAbstractItemView *>(w) || qobject_cast<QAbstractButton *>(w)
                               || qobject_cast<QAbstractSpinBox *>(w));
        if (!skin && !field)
            continue;
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w);
        if (!face || face->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << window->objectName() + u": "_s + w->objectName() + u" ("_s + QString::fromLatin1(w->metaObject()->className()) + u')';
    }
    return unnamed;
}

void TestAccessibility::everyControlNamed()
{
    QStringList unnamed = Unnamed(Window.get());
    for (QDialog *dialog : Window->findChildren<QDialog *>())
        unnamed << Unnamed(dialog);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u'\n')));
}

void TestAccessibility::skinButtonsPressAndTellTheirState()
{
    // Every skin control of the window and its dialogs: the right role, a press action.
    QList<TOrvoSkinControl *> controls = Window->findChildren<TOrvoSkinControl *>();
    QVERIFY(controls.size() > 30);
    for (TOrvoSkinControl *control : controls) {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(control);
        QVERIFY(face);
        const bool box = qobject_cast<TOrvoSkinCheckBox *>(control);
        QCOMPARE(face->role(), box ? QAccessible::CheckBox : QAccessible::Button);
        QCOMPARE(face->state().disabled, !control->Enabled());
        QVERIFY(face->actionInterface());
        QCOMPARE(face->actionInterface()->actionNames().size(), 1);
    }

    // The hint names a picture button; the caption the others.
    auto *help = Window->findChild<TOrvoSkinButton *>(u"btnHelp"_s);
    QCOMPARE(QAccessible::queryAccessibleInterface(help)->text(QAccessible::Name), u"Hilfe"_s);
    TOrvoSkinButton *newBook = Button("btnNewBook");
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(newBook);
    QCOMPARE(face->text(QAccessible::Name), u"Haushaltsbuch erstellen"_s);
    QCOMPARE(face->text(QAccessible::Description), u"Erstellen (Alt+N)"_s);

    // A greyed-out button says so, and pressing it does nothing.
    TOrvoSkinButton *open = Button("btnOpenBook");
    Books->Books().SetSelected(-1);
    Window->Timer1Timer();
    QVERIFY(!open->Enabled());
    QVERIFY(QAccessible::queryAccessibleInterface(open)->state().disabled);
    QSignalSpy openClicks(open, &TOrvoSkinControl::Clicked);
    QAccessible::queryAccessibleInterface(open)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(openClicks.size(), 0);

    // An enabled one is pressed as by a click.
    TOrvoSkinButton *expenses = Button("btnExpend");
    QVERIFY(expenses->Enabled());
    QAccessible::queryAccessibleInterface(expenses)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    QTRY_VERIFY(Child<QWidget>("ListViewExpend")->isVisible());

    // Space presses the focused button.
    TOrvoSkinButton *manager = Button("btnManager");
    manager->setFocus();
    QSignalSpy managerClicks(manager, &TOrvoSkinControl::Clicked);
    QTest::keyClick(manager, Qt::Key_Space);
    QCOMPARE(managerClicks.size(), 1);
}

void TestAccessibility::rowsAndPagesReadAsShown()
{
    auto *books = Child<TQELListView>("ListViewManager");
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(books);
    QCOMPARE(list->text(QAccessible::Name), u"Haushaltsbücher"_s);
    const QString bookRow = books->model()->index(0, 0).data(Qt::AccessibleTextRole).toString();
    QVERIFY2(bookRow.startsWith(u"Januar 2008, geöffnet, letzte Änderung "_s), qPrintable(bookRow));
    QVERIFY2(bookRow.endsWith(u", Einnahmen 0.00 €, Ausgaben 1234.50 €"_s), qPrintable(bookRow));

    auto *expenses = Child<TQELListView>("ListViewExpend");
    QCOMPARE(expenses->model()->index(0, 0).data(Qt::AccessibleTextRole).toString(),
             u"02.01.2008, 1234.50 €, Wohnen, Miete"_s);

    // The analysis: the page's lines as its description; after Alt+J the year page has the keys.
    QTest::keyClick(Window.get(), Qt::Key_F9, Qt::AltModifier);
    const QString page1 = Child<TAnalysisPageImage>("ImageAnalysePage1")->accessibleDescription();
    QVERIFY2(page1.contains(u"Wohnen"_s) && page1.contains(u"1234.50"_s), qPrintable(page1));
    QTest::keyClick(Window.get(), Qt::Key_J, Qt::AltModifier);
    auto *box = Child<QWidget>("ScrollBoxAnalyse");
    QTRY_VERIFY(box->hasFocus());
    QCOMPARE(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name), u"Jahresübersicht 2008"_s);
    QVERIFY(Child<TAnalysisPageImage>("ImageAnalyseYear")->accessibleDescription().contains(u"Januar"_s));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
