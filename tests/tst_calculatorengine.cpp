#include "calculator/CalculatorEngine.h"
#include "ledger/QelError.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Keys as typed, plus "m" for MC, "r" for MR and "<" for Backspace. Stops at the first
// failing step and returns its message.
QString Type(CalculatorEngine &engine, const QString &keys)
{
    for (const QChar key : keys) {
        try {
            if (key == u'm')
                engine.MemoryCopy();
            else if (key == u'r')
                engine.MemoryInsert();
            else
                engine.Press(key == u'<' ? QChar(u'\b') : key);
        } catch (const QelError &error) {
            return error.Message();
        }
    }
    return QString();
}

} // namespace

class TestCalculatorEngine : public QObject
{
    Q_OBJECT

private slots:
    void keys_data();
    void keys();
    void failureChangesNothing_data();
    void failureChangesNothing();
};

void TestCalculatorEngine::keys_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("display");
    const auto row = [](const char *keys, const char *display) {
        QTest::newRow(keys) << QString::fromLatin1(keys) << QString::fromLatin1(display);
    };
    row("", "0");
    row("2+3*4=", "20.00"); // left to right, no precedence
    row("2+3+", "5.00");
    row("2+3+1=", "6.00");
    row("2+3=", "5.00");
    row("2+3=4=", "9.00"); // the pending "+" again, with the new operand
    row("2+3=4==", "9.00");
    row("2+3==", "5.00");
    row("10/4=", "2.50");
    row("1/3=", "0.33");
    row("2/3=", "0.67");
    row("1/8=", "0.13"); // halves away from zero
    row("0-1/1000=", "0.00"); // no "-0.00"
    row("5-8=", "-3.00");
    row("007", "007");
    row(",", "0.");
    row(",,", "0.");
    row("0,5", "0.5");
    row("1,2,3", "1.23");
    row("2+3=,", "5.00"); // the display already has a point
    row("2+3=,5=", "10.00");
    row("5+,", ".");      // the display "5" has no point: the operand starts with it
    row("5+,=", "5.00");  // "." alone counts as 0
    row("5,+1=", "6.00"); // "5." counts as 5
    row("7<", "7");
    row("12<<", "1");
    row("2+3=<", "5.00"); // no operand to shorten after a result
    row("+5", "5");       // an operator first makes operand 2 active ...
    row("+5+6=", "56");   // ... and nothing is computed until C
    row("+5C2*3=", "6.00");
    row("2+3=mCr", "5.00");
    row("2+3=mCr+1=", "6.00");
    row("r", "0"); // empty memory: nothing
    row("4m+r=", "8.00");
    row("9c", "0");
    row("9x", "9"); // other characters change nothing
}

void TestCalculatorEngine::keys()
{
    QFETCH(QString, keys);
    QFETCH(QString, display);
    CalculatorEngine engine;
    QCOMPARE(Type(engine, keys), QString());
    QCOMPARE(engine.Display(), display);
}

void TestCalculatorEngine::failureChangesNothing_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("message");
    const QString nines(400, u'9');
    QTest::newRow("division by zero") << u"1/0"_s << u"="_s << u"Gleitkommadivision durch Null"_s;
    QTest::newRow("0/0") << u"0/0"_s << u"="_s << u"Ungültige Gleitkommaoperation"_s;
    QTest::newRow("chained division by zero") << u"2+3=/0"_s << u"+"_s << u"Gleitkommadivision durch Null"_s;
    QTest::newRow("result overflow") << u"1"_s + QString(300, u'0') + u"*"_s + u"1"_s + QString(300, u'0')
                                     << u"="_s << u"Gleitkommaüberlauf"_s;
    QTest::newRow("operand overflow") << nines + u"+1"_s << u"="_s << u"Gleitkommaüberlauf"_s;
}

void TestCalculatorEngine::failureChangesNothing()
{
    QFETCH(QString, before);
    QFETCH(QString, step);
    QFETCH(QString, message);
    CalculatorEngine engine;
    QCOMPARE(Type(engine, before + u"m"_s), QString());
    const CalculatorEngine::State state = engine.Current();
    QCOMPARE(Type(engine, step), message);
    QCOMPARE(engine.Current(), state); // display, operands, operator and memory
    // The calculator goes on from there.
    QCOMPARE(Type(engine, u"C6*7="_s), QString());
    QCOMPARE(engine.Display(), u"42.00"_s);
}

QTEST_APPLESS_MAIN(TestCalculatorEngine)
#include "tst_calculatorengine.moc"
