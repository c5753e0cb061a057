#include "MainWindowFixture.h"
#include "MessageBoxAnswerer.h"

#include "app/QELListView.h"
#include "changes/ChangeLog.h"
#include "controls/Fonts.h"
#include "dialogs/DatePicker.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

// Undo and redo with the keyboard in the main window, and the trash of the book manager.
class TestUndoKeys : public QObject, protected MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void ctrlZTakesBackAndCtrlYDoesAgain();
    void removedBookComesBackFromTheTrash();

private:
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void CreateThisMonthsBook();
    QString ThisMonthsBook() const;
    QString Note() const { return Child<QLabel>("LabelHistoryNote")->text(); }
};

void TestUndoKeys::initTestCase()
{
    RegisterFontSubstitutions();
}

void TestUndoKeys::init()
{
    SetUp();
    QVERIFY(StartWindow());
}

void TestUndoKeys::cleanup()
{
    TearDown();
}

void TestUndoKeys::Key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(KeyTarget(), key, modifiers);
}

QString TestUndoKeys::ThisMonthsBook() const
{
    const QDate today = QDate::currentDate();
    return MonthNames().at(today.month() - 1) + u' ' + QString::number(today.year());
}

void TestUndoKeys::CreateThisMonthsBook()
{
    ModalDriver ok(u"FormNew"_s, [this](QWidget *) { Key(Qt::Key_Return); });
    Key(Qt::Key_N, Qt::AltModifier);
    QVERIFY(ok.Done);
}

void TestUndoKeys::ctrlZTakesBackAndCtrlYDoesAgain()
{
    CreateThisMonthsBook();
    const QString name = ThisMonthsBook();
    QTest::keyClick(Child<TQELListView>("ListViewManager"), Qt::Key_Return);
    Key(Qt::Key_F7, Qt::AltModifier);
    QCOMPARE(Window->PanelIndex(), 2);
    ModalDriver typing(u"FormEntryExpend"_s, [&](QWidget *form) {
        form->findChild<TQELDatePicker *>(u"DateTimePicker1"_s)->SetDate(QDate::currentDate());
        Key(Qt::Key_Tab);
        KeyTarget()->setProperty("text", QString());
        QTest::keyClicks(KeyTarget(), u"12,50"_s);
        Key(Qt::Key_Tab);
        QTest::keyClicks(KeyTarget(), u"Edeka"_s);
        QTRY_VERIFY(form->findChild<TOrvoSkinButton *>(u"btnOK"_s)->Enabled());
        Key(Qt::Key_Return);
    });
    Key(Qt::Key_N, Qt::AltModifier);
    QVERIFY(typing.Done);
    QCOMPARE(Books->Expend().RowCount(), 1);
    const QByteArray booked = ListFiles::ReadFile(Paths.BookFile(name));
    // Shortcuts go to the active window; the offscreen platform gives no window manager that
    // hands it back to the main window when the dialog goes.
    Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Window.get()));

    Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Note(), u"Rückgängig: Ausgabe 12,50 € „Edeka“ in "_s + name);
    QCOMPARE(Books->Expend().RowCount(), 0);
    QCOMPARE(Child<QLabel>("LabelResultExpend")->text(), u"Gesamtausgaben: 0.00 €"_s);
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    ListFiles::ParseMonthBook(ListFiles::ReadFile(Paths.BookFile(name)), income, expend);
    QVERIFY(expend.IsEmpty());

    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(Note(), u"Wiederhergestellt: Ausgabe 12,50 € „Edeka“ in "_s + name);
    QCOMPARE(ListFiles::ReadFile(Paths.BookFile(name)), booked);
    QCOMPARE(Books->Expend().RowCount(), 1);

    // On the book manager too: the booking, then the book itself.
    Key(Qt::Key_F5, Qt::AltModifier);
    Key(Qt::Key_Z, Qt::ControlModifier);
    Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Note(), u"Rückgängig: Haushaltsbuch „%1“ erstellt"_s.arg(name));
    QVERIFY(!QFileInfo::exists(Paths.BookFile(name)));
    QCOMPARE(Books->Books().RowCount(), 0);
    Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Note(), u"Nichts rückgängig zu machen"_s);
    Key(Qt::Key_Y, Qt::ControlModifier);
    Key(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(ListFiles::ReadFile(Paths.BookFile(name)), booked);
    QCOMPARE(Books->Books().RowCount(), 1);

    // Where the change log cannot grow (a full disk), the undo is refused whole: a box says
    // why, the note claims nothing, the booking stays; with room again it goes.
    rlimit old{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit full = old;
    const QString logs = ChangeLog::FolderOf(Paths.DataFolder);
    full.rlim_cur = rlim_t(QFileInfo(logs + QDir(logs).entryList(QDir::Files).front()).size());
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
    MessageBoxAnswerer refused(u"OK"_s);
    Key(Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE(refused.Count, 1);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    QVERIFY2(refused.Text.endsWith(u"Es wurde nichts geändert."_s), qPrintable(refused.Text));
    QCOMPARE(Note(), QString());
    QCOMPARE(ListFiles::ReadFile(Paths.BookFile(name)), booked);
    Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Window.get()));
    Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Note(), u"Rückgängig: Ausgabe 12,50 € „Edeka“ in "_s + name);
}

void TestUndoKeys::removedBookComesBackFromTheTrash()
{
    CreateThisMonthsBook();
    const QString name = ThisMonthsBook();
    const QByteArray bytes = ListFiles::ReadFile(Paths.BookFile(name));
    Books->Books().SetSelected(0);
    MessageBoxAnswerer yes(u"&Ja"_s);
    Key(Qt::Key_E, Qt::AltModifier);
    QTRY_COMPARE(yes.Count, 1);
    QVERIFY(!QFileInfo::exists(Paths.BookFile(name)));
    QCOMPARE(Books->Books().RowCount(), 0);

    ModalDriver trash(u"FormTrash"_s, [&](QWidget *form) {
        auto *list = form->findChild<QTreeWidget *>(u"ListTrash"_s);
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(list->topLevelItem(0)->text(0), name);
        QCOMPARE(list->topLevelItem(0)->text(2), u"0.00 €"_s);
        Key(Qt::Key_Return);
        QCOMPARE(list->topLevelItemCount(), 0);
        Key(Qt::Key_Escape);
    });
    Key(Qt::Key_P, Qt::AltModifier);
    QVERIFY(trash.Done);
    QVERIFY(trash.Closed);
    QCOMPARE(ListFiles::ReadFile(Paths.BookFile(name)), bytes);
    QCOMPARE(Books->Books().RowCount(), 1);
    QCOMPARE(Books->Books().Row(0).SubItem(0), name);
}

QTEST_MAIN(TestUndoKeys)
#include "tst_undokeys.moc"
