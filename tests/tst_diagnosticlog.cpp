#include "support/ChmArchive.h"
#include "support/DiagnosticLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDiagnosticLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void debugSwitch_data();
    void debugSwitch();
    void startRemovesOldLog_data();
    void startRemovesOldLog();
    void headerLabels_data();
    void headerLabels();
    void headerValues();
    void lineFormat_data();
    void lineFormat();
    void logFolder();
    void logFolderFallsBackToTemp();
    void unopenableLogIsSkipped();

private:
    static QStringList ReadLines(const QString &path);
    static void WriteFile(const QString &path, const QByteArray &bytes);
    QTemporaryDir Root;
};

QStringList TestDiagnosticLog::ReadLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast(); // after the last line end
    return lines;
}

void TestDiagnosticLog::WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

void TestDiagnosticLog::initTestCase()
{
    QVERIFY(Root.isValid());
    // A log that falls back to the temporary folder lands in ours.
    qputenv("TMPDIR", QFile::encodeName(Root.path()));
}

void TestDiagnosticLog::debugSwitch_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("debugFile");
    QTest::addColumn<bool>("debug");

    QTest::newRow("nothing") << QStringList{u"haushaltsbuch"_s} << false << false;
    QTest::newRow("/debug") << QStringList{u"haushaltsbuch"_s, u"/debug"_s} << false << true;
    QTest::newRow("-debug") << QStringList{u"haushaltsbuch"_s, u"-debug"_s} << false << true;
    QTest::newRow("-DEBUG") << QStringList{u"haushaltsbuch"_s, u"-DEBUG"_s} << false << true;
    QTest::newRow("/DeBuG") << QStringList{u"haushaltsbuch"_s, u"/DeBuG"_s} << false << true;
    QTest::newRow("after other arguments")
        << QStringList{u"haushaltsbuch"_s, u"März 2008"_s, u"-Debug"_s} << false << true;
    QTest::newRow("--debug") << QStringList{u"haushaltsbuch"_s, u"--debug"_s} << false << false;
    QTest::newRow("debug") << QStringList{u"haushaltsbuch"_s, u"debug"_s} << false << false;
    QTest::newRow("/debug2") << QStringList{u"haushaltsbuch"_s, u"/debug2"_s} << false << false;
    QTest::newRow(" /debug") << QStringList{u"haushaltsbuch"_s, u" /debug"_s} << false << false;
    QTest::newRow("program name only") << QStringList{u"/debug"_s} << false << false;
    QTest::newRow("debug.debug") << QStringList{u"haushaltsbuch"_s} << true << true;
    QTest::newRow("debug.debug and --debug") << QStringList{u"haushaltsbuch"_s, u"--debug"_s} << true << true;
}

void TestDiagnosticLog::debugSwitch()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, debugFile);
    QFETCH(bool, debug);

    QTemporaryDir program;
    if (debugFile)
        WriteFile(program.filePath(u"debug.debug"_s), {});
    TDLogFile log(program.path(), arguments);
    QCOMPARE(log.DebugMode(), debug);
    // Only debug mode writes the header.
    QCOMPARE(QFileInfo::exists(log.FileName()), debug);
}

void TestDiagnosticLog::startRemovesOldLog_data()
{
    QTest::addColumn<bool>("debug");
    QTest::newRow("off") << false;
    QTest::newRow("on") << true;
}

void TestDiagnosticLog::startRemovesOldLog()
{
    QFETCH(bool, debug);

    QTemporaryDir program;
    const QString old = program.filePath(u"HHDebug.txt"_s);
    WriteFile(old, "alter Eintrag\n");
    QVERIFY(QFile::setPermissions(old, QFile::ReadOwner | QFile::ReadGroup));

    TDLogFile log(program.path(), {u"haushaltsbuch"_s, debug ? u"-debug"_s : u"-x"_s});
    QCOMPARE(log.FileName(), old);
    log.Write(u"Zeile"_s);
    if (!debug) {
        QVERIFY(!QFileInfo::exists(old));
        return;
    }
    const QStringList lines = ReadLines(old);
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.front(), QString(79, u'='));
    QVERIFY(!lines.join(u'\n').contains(u"alter Eintrag"_s));
}

void TestDiagnosticLog::headerLabels_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("start");

    const auto row = [](int line, const QString &start) {
        QTest::addRow("%d %s", line, qPrintable(start.trimmed())) << line << start;
    };
    row(0, QString(79, u'='));
    row(1, u"Log File:             \t"_s);
    row(2, u"Date:                 \t"_s);
    row(3, u"Operating System:      \t"_s);
    row(4, u"SysLocale.DefaultLCID: \t"_s);
    row(5, u"SysLocale.PriLangID:   \t"_s);
    row(6, u"SysLocale.SubLangID:   \t"_s);
    row(7, u"DecimalSeparator:      \t"_s);
    row(8, QString(79, u'-'));
    row(9, u"EXE Path =          \t"_s);
    row(10, u"EXE Version =       \t"_s);
    row(11, u"Cmdline Param(s) =  \t"_s);
    row(12, u"Actual CmdLine =  \t"_s);
    row(13, u"_RunDir =           \t"_s);
    row(14, u"_ModuleName =       \t"_s);
    row(15, u"_ModuleDir =        \t"_s);
    row(16, u"_ModulePath =        \t"_s);
    row(17, u"Module Version =       \t"_s);
    row(18, QString(79, u'-'));
    row(19, u"_hhInstalled =      \t"_s);
    row(20, u"_hhVerStr =         \t"_s);
    row(21, u"_hhFriendlyVerStr = \t"_s);
    row(22, QString(79, u'-'));
    row(23, u"_ieInstalled =      \t"_s);
    row(24, u"_ieVerStr =         \t"_s);
    row(25, u"_ieFriendlyVerStr = \t"_s);
    row(26, QString(79, u'='));
}

void TestDiagnosticLog::headerLabels()
{
    QFETCH(int, line);
    QFETCH(QString, start);

    QTemporaryDir program;
    TDLogFile log(program.path(), {u"haushaltsbuch"_s, u"/debug"_s});
    const QStringList lines = ReadLines(log.FileName());
    QCOMPARE(lines.size(), 27);
    if (start.startsWith(u'=') || start.startsWith(u'-'))
        QCOMPARE(lines.at(line), start);
    else
        QVERIFY2(lines.at(line).startsWith(start), qPrintable(lines.at(line)));
}

void TestDiagnosticLog::headerValues()
{
    QTemporaryDir program;
    TDLogFile log(program.path(), {u"haushaltsbuch"_s, u"-debug"_s, u"März 2008"_s});
    const QStringList lines = ReadLines(log.FileName());
    QCOMPARE(lines.size(), 27);
    const auto value = [&](int line) { return lines.at(line).section(u'\t', 1); };

    QCOMPARE(value(1), log.FileName());
    QVERIFY2(QRegularExpression(u"^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d$"_s).match(value(2)).hasMatch(),
             qPrintable(value(2)));
    QVERIFY2(QRegularExpression(u"^\\S+ \\d+\\.\\d+ \\(Build \\d+\\) "_s).match(value(3)).hasMatch(),
             qPrintable(value(3)));
    QCOMPARE(value(4), u"0x0407 (1031)"_s);
    QCOMPARE(value(5), u"0x0007 (7)"_s);
    QCOMPARE(value(6), u"0x0001 (1)"_s);
    QCOMPARE(value(7), u","_s);

    const QFileInfo programFile(QCoreApplication::applicationFilePath());
    QCOMPARE(value(9), programFile.absoluteFilePath());
    QCOMPARE(value(11), u"-debug | März 2008"_s);
    QCOMPARE(value(12), u"haushaltsbuch -debug März 2008"_s);
    QCOMPARE(value(13), programFile.absolutePath() + u'/');
    QCOMPARE(value(14), programFile.fileName());
    QCOMPARE(value(16), programFile.absoluteFilePath());

    QCOMPARE(value(19), ChmArchive::Available() ? u"YES"_s : u"NO"_s);
    QCOMPARE(value(23), u"YES"_s);
    QCOMPARE(value(24), QString::fromLatin1(qVersion()));
}

void TestDiagnosticLog::lineFormat_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");

    const QString time = u"^\\d\\d:\\d\\d:\\d\\d   "_s;
    QTest::newRow("text") << u"Hallo"_s << time + u"Hallo$"_s;
    QTest::newRow("leading blanks") << u"  returned - 1"_s << time + u"  returned - 1$"_s;
    QTest::newRow("umlauts") << u"Übersicht für März"_s << time + u"Übersicht für März$"_s;
    QTest::newRow("empty") << QString() << time + u"$"_s;
    QTest::newRow("-") << u"-"_s << u"^-{79}$"_s;
    QTest::newRow("=") << u"="_s << u"^={79}$"_s;
    QTest::newRow("! line") << u"!ohne Zeit"_s << u"^ohne Zeit$"_s;
    QTest::newRow("! alone") << u"!"_s << u"^$"_s;
    QTest::newRow("- prefix") << u"-x"_s << u"^x$"_s;
    QTest::newRow("==") << u"=="_s << u"^=$"_s;
    QTest::newRow("! inside") << u"a!b"_s << time + u"a!b$"_s;
}

void TestDiagnosticLog::lineFormat()
{
    QFETCH(QString, text);
    QFETCH(QString, pattern);

    QTemporaryDir program;
    TDLogFile log(program.path(), {u"haushaltsbuch"_s, u"-debug"_s});
    const qsizetype before = ReadLines(log.FileName()).size();
    log.Write(text);
    const QStringList lines = ReadLines(log.FileName());
    QCOMPARE(lines.size(), before + 1);
    QVERIFY2(QRegularExpression(pattern).match(lines.back()).hasMatch(), qPrintable(lines.back()));
}

void TestDiagnosticLog::logFolder()
{
    QTemporaryDir program;
    TDLogFile log(program.path(), {u"haushaltsbuch"_s});
    QCOMPARE(log.LogFolder(), program.path() + u'/');
    QCOMPARE(log.FileName(), program.filePath(u"HHDebug.txt"_s));
    // The probe file is gone again.
    QCOMPARE(QDir(program.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestDiagnosticLog::logFolderFallsBackToTemp()
{
    QTemporaryDir temp;
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
    const auto restore = qScopeGuard([&] { qputenv("TMPDIR", oldTemp); });

    // No file can be made in a folder that does not exist.
    const QString program = temp.filePath(u"fehlt"_s);
    WriteFile(temp.filePath(u"HHDebug.txt"_s), "alt\n");
    TDLogFile log(program, {u"haushaltsbuch"_s, u"-debug"_s});
    QCOMPARE(log.LogFolder(), temp.path() + u'/');
    QCOMPARE(log.FileName(), temp.filePath(u"HHDebug.txt"_s));
    QCOMPARE(ReadLines(log.FileName()).size(), 27);
    QVERIFY(!QFileInfo::exists(program));
}

void TestDiagnosticLog::unopenableLogIsSkipped()
{
    QTemporaryDir program;
    QVERIFY(QDir(program.path()).mkdir(u"HHDebug.txt"_s));
    WriteFile(program.filePath(u"debug.debug"_s), {});

    TDLogFile log(program.path(), {u"haushaltsbuch"_s});
    QVERIFY(log.DebugMode());
    log.Write(u"Zeile"_s);
    QVERIFY(QFileInfo(log.FileName()).isDir());
}

QTEST_GUILESS_MAIN(TestDiagnosticLog)
#include "tst_diagnosticlog.moc"
