#include "DialogTestEnvironment.h"
#include "controls/Fonts.h"
#include "dialogs/NewUnit.h"
#include "support/DiagnosticLog.h"
#include "support/HelpSystem.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

// The new month book dialog offscreen, with today's date pinned.
class TestNewBook : public QObject, protected DialogTestEnvironment
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void presetsToday();
    void yearLimits_data();
    void yearLimits();
    void monthWithUmlaut();
    void cancelAndReuse();

private:
    void Show(QDate today);
    QWidget *Find(const char *name) const;
    QLineEdit *Year() const { return Dialog->findChild<QLineEdit *>(u"EditYear"_s); }

    std::unique_ptr<TFormNew> Dialog;
};

void TestNewBook::initTestCase()
{
    QVERIFY(Home.isValid());
    SetUpEnvironment();
}

void TestNewBook::init()
{
    Dialog = std::make_unique<TFormNew>(*Help, HelpFile());
}

void TestNewBook::Show(QDate today)
{
    Dialog->Today = [today] { return today; };
    Dialog->show();
    Dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Dialog.get()));
}

QWidget *TestNewBook::Find(const char *name) const
{
    auto *w = Dialog->findChild<QWidget *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

void TestNewBook::presetsToday()
{
    Show({2026, 12, 8});
    QCOMPARE(Dialog->windowTitle(), u"Haushaltsbuch"_s);
    QCOMPARE(Dialog->size(), QSize(272, 173));
    QCOMPARE(QApplication::focusWidget(), Find("ComboBoxMon"));
    QCOMPARE(static_cast<QComboBox *>(Find("ComboBoxMon"))->currentText(), u"Dezember"_s);
    QCOMPARE(Year()->text(), u"2026"_s);

    QFile::remove(Log->FileName());
    QTest::mouseClick(Find("btnHelp"), Qt::LeftButton);
    QFile log(Log->FileName());
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(log.readAll()).contains(u"QEL.chm\", 1001,"_s));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(!Dialog->isVisible());
    QVERIFY(Dialog->Accepted);
    QCOMPARE(Dialog->BookName, u"Dezember 2026"_s);
}

void TestNewBook::yearLimits_data()
{
    QTest::addColumn<bool>("byKeys");
    QTest::newRow("arrow buttons") << false;
    QTest::newRow("arrow keys") << true;
}

void TestNewBook::yearLimits()
{
    QFETCH(bool, byKeys);
    Show({2026, 12, 8});
    // Tab skips the year field and reaches the arrows.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), Find("UpDownYear"));
    const auto step = [&](bool up) {
        if (byKeys)
            QTest::keyClick(Find("UpDownYear"), up ? Qt::Key_Right : Qt::Key_Left);
        else
            QTest::mouseClick(Find(up ? "ArrowUp" : "ArrowDown"), Qt::LeftButton);
    };
    for (int i = 0; i < 12; ++i)
        step(true);
    QCOMPARE(Year()->text(), u"2036"_s);
    for (int i = 0; i < 25; ++i)
        step(false);
    QCOMPARE(Year()->text(), u"2016"_s);
    step(true);
    QCOMPARE(Year()->text(), u"2017"_s);
}

void TestNewBook::monthWithUmlaut()
{
    Show({2026, 12, 8});
    auto *months = static_cast<QComboBox *>(Find("ComboBoxMon"));
    QTest::keyClick(months, Qt::Key_Home); // Januar
    QTest::keyClick(months, Qt::Key_Down);
    QTest::keyClick(months, Qt::Key_Down);
    QTest::keyClick(Find("UpDownYear"), Qt::Key_Up);
    // The year field takes the focus by a click but no typing.
    QTest::mouseClick(Year(), Qt::LeftButton);
    QTest::keyClick(Year(), Qt::Key_End);
    QTest::keyClicks(Year(), u"1999"_s);
    QTest::keyClick(Year(), Qt::Key_Backspace);
    QCOMPARE(Year()->text(), u"2027"_s);
    QTest::keyClick(Year(), Qt::Key_Return);
    QCOMPARE(Dialog->BookName, u"März 2027"_s);
}

void TestNewBook::cancelAndReuse()
{
    Show({2026, 12, 8});
    QTest::keyClick(Find("UpDownYear"), Qt::Key_Up);
    QTest::mouseClick(Find("btnOK"), Qt::LeftButton);
    QCOMPARE(Dialog->BookName, u"Dezember 2027"_s);

    // The next showing starts from today again and forgets the last result.
    Show({2009, 5, 1});
    QCOMPARE(Dialog->BookName, QString());
    QVERIFY(!Dialog->Accepted);
    QCOMPARE(Year()->text(), u"2009"_s);
    QTest::keyClick(Find("UpDownYear"), Qt::Key_Up);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!Dialog->isVisible());
    QVERIFY(!Dialog->Accepted);
    QCOMPARE(Dialog->BookName, QString());
}

QTEST_MAIN(TestNewBook)
#include "tst_newbook.moc"
