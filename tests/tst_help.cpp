#include "support/ChmArchive.h"
#include "support/DiagnosticLog.h"
#include "support/HelpMap.h"

#ifdef QEL_HELP_GUI
#include "support/HelpSystem.h"
#include "support/HelpWindow.h"

#include <QDialog>
#include <QImage>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>
#include <QScreen>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFragment>
#endif

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// "/#IVB": the byte length (by default that of the pairs), then context and offset pairs.
QByteArray Ivb(const QList<QPair<quint32, quint32>> &pairs, qint64 declared = -1)
{
    QByteArray bytes(4 + 8 * pairs.size(), '\0');
    qToLittleEndian(declared < 0 ? quint32(8 * pairs.size()) : quint32(declared), bytes.data());
    for (qsizetype i = 0; i < pairs.size(); ++i) {
        qToLittleEndian(pairs.at(i).first, bytes.data() + 4 + 8 * i);
        qToLittleEndian(pairs.at(i).second, bytes.data() + 8 + 8 * i);
    }
    return bytes;
}

// "/#STRINGS" as the compiler writes it: a NUL, then the texts. Offsets: start 1, neu 15.
const QByteArray Strings("\0/x/start.html\0/x/neu.html\0", 27);

QStringList Entries(const QMap<quint32, QString> &map)
{
    QStringList entries;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        entries << QString::number(it.key()) + u'=' + it.value();
    return entries;
}

struct Topic
{
    int Context;
    const char16_t *Object;
    const char16_t *Heading;
};

// The contexts the windows ask for and the topics they must open.
const Topic Topics[] = {
    {1000, u"/start.html", u"Willkommen im Haushaltsbuch"},
    {1001, u"/monatsbuch.html", u"Monatsbücher anlegen, öffnen und entfernen"},
    {1002, u"/buchungen.html", u"Einnahmen und Ausgaben erfassen"},
    {1003, u"/regelmaessig.html", u"Regelmäßige Buchungen"},
    {1007, u"/sicherung.html", u"Datensicherung"},
    {1020, u"/kontoimport.html", u"Kontoauszüge importieren"},
};

void AddTopicRows()
{
    QTest::addColumn<int>("context");
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("heading");
    for (const Topic &t : Topics)
        QTest::addRow("%d", t.Context) << t.Context << QString::fromUtf16(t.Object) << QString::fromUtf16(t.Heading);
}

#ifdef QEL_HELP_FILE
QString HelpFile()
{
    return QStringLiteral(QEL_HELP_FILE);
}
#endif

// The build's QEL.chm, when it makes one and can read it.
bool HelpFileReadable()
{
#ifdef QEL_HELP_FILE
    return ChmArchive::Available();
#else
    return false;
#endif
}

#define REQUIRE_HELP_FILE()                                                                        \
    do {                                                                                           \
        if (!HelpFileReadable())                                                                   \
            QSKIP("this build has no QEL.chm that it can read");                                   \
    } while (false)

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void contextMap_data();
    void contextMap();
    void resolveTopic_data();
    void resolveTopic();

    void missingArchive();
    void compiledTopics_data();
    void compiledTopics();
    void compiledContextsAreTheTopics();
    void compiledLinksResolve();
    void compiledHelpCoversTheProgram_data();
    void compiledHelpCoversTheProgram();
    void compiledHelpHasNoStaleClaims_data();
    void compiledHelpHasNoStaleClaims();
    void compiledReadLimits();
    void compiledFileHasNoCompileTime();
    void clearCompileTimesRefusesOtherFiles_data();
    void clearCompileTimesRefusesOtherFiles();

#ifdef QEL_HELP_GUI
    void windowShowsContext_data();
    void windowShowsContext();
    void windowIsReused();
    void nothingShown_data();
    void nothingShown();
    void helpPath_data();
    void helpPath();
    void logLines_data();
    void logLines();
    void linksAndPicturesFromArchive();
    void topicsNeverReadLocalFiles();
    void helpWorksBesideAModalDialog_data();
    void helpWorksBesideAModalDialog();
#endif

private:
    QTemporaryDir Root;
};

void TestHelp::initTestCase()
{
    QVERIFY(Root.isValid());
    qputenv("TMPDIR", QFile::encodeName(Root.path()));
}

void TestHelp::contextMap_data()
{
    QTest::addColumn<QByteArray>("ivb");
    QTest::addColumn<QByteArray>("strings");
    QTest::addColumn<QStringList>("expected");

    const QStringList both{u"1000=/x/start.html"_s, u"1001=/x/neu.html"_s};
    const QStringList first{u"1000=/x/start.html"_s};
    const QByteArray two = Ivb({{1000, 1}, {1001, 15}});

    QTest::newRow("two pairs") << two << Strings << both;
    QTest::newRow("no /#IVB") << QByteArray() << Strings << QStringList();
    QTest::newRow("length cut") << two.left(3) << Strings << QStringList();
    QTest::newRow("no pairs") << Ivb({}) << Strings << QStringList();
    QTest::newRow("last pair cut") << two.left(4 + 8 + 5) << Strings << first;
    QTest::newRow("length beyond the data") << Ivb({{1000, 1}, {1001, 15}}, 24) << Strings << both;
    QTest::newRow("length 0xFFFFFFFF") << Ivb({{1000, 1}, {1001, 15}}, 0xFFFFFFFF) << Strings << both;
    QTest::newRow("length shorter than the pairs") << Ivb({{1000, 1}, {1001, 15}}, 8) << Strings << first;
    QTest::newRow("length not whole pairs") << Ivb({{1000, 1}, {1001, 15}}, 12) << Strings << first;
    QTest::newRow("no /#STRINGS") << two << QByteArray() << QStringList();
    QTest::newRow("offset past the end") << Ivb({{1000, 99}, {1001, 15}}) << Strings
                                         << QStringList{u"1001=/x/neu.html"_s};
    QTest::newRow("offset at the end") << Ivb({{1000, 27}}) << Strings << QStringList();
    QTest::newRow("offset 0xFFFFFFFF") << Ivb({{1000, 0xFFFFFFFF}}) << Strings << QStringList();
    QTest::newRow("empty text") << Ivb({{1000, 0}, {1001, 14}}) << Strings << QStringList();
    QTest::newRow("text without NUL") << two << Strings.left(22) << first;
    QTest::newRow("offset inside a text") << Ivb({{1000, 4}}) << Strings << QStringList{u"1000=start.html"_s};
    QTest::newRow("first pair of a context counts") << Ivb({{1000, 15}, {1000, 1}}) << Strings
                                                    << QStringList{u"1000=/x/neu.html"_s};
    QTest::newRow("UTF-8 text") << Ivb({{7, 1}}) << QByteArray("\0/b/\xc3\x9c" "bersicht.html\0", 20)
                                << QStringList{u"7=/b/Übersicht.html"_s};
    QTest::newRow("all bytes 0xFF") << QByteArray(64, '\xff') << QByteArray(64, '\xff') << QStringList();
    QTest::newRow("all bytes 0") << QByteArray(64, '\0') << QByteArray(64, '\0') << QStringList();
}

void TestHelp::contextMap()
{
    QFETCH(QByteArray, ivb);
    QFETCH(QByteArray, strings);
    QFETCH(QStringList, expected);

    // Copies sized exactly, so that a read past the end is caught by the sanitizers.
    const std::unique_ptr<char[]> ivbCopy(new char[size_t(ivb.size()) + 1]);
    const std::unique_ptr<char[]> stringsCopy(new char[size_t(strings.size()) + 1]);
    std::copy(ivb.cbegin(), ivb.cend(), ivbCopy.get());
    std::copy(strings.cbegin(), strings.cend(), stringsCopy.get());
    const auto map = HelpMap::ParseContextMap(QByteArrayView(ivbCopy.get(), ivb.size()),
                                              QByteArrayView(stringsCopy.get(), strings.size()));
    QCOMPARE(Entries(map), expected);
}

void TestHelp::resolveTopic_data()
{
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QStringList>("objects");
    QTest::addColumn<QString>("expected");

    const QStringList objects{u"/"_s, u"/start.html"_s, u"/neu.html"_s, u"/bilder/logo.png"_s, u"/logo.png"_s};
    QTest::newRow("build path") << u"/home/x/build/help/start.html"_s << objects << u"/start.html"_s;
    QTest::newRow("compiled through /proc") << u"/proc/self/cwd/neu.html"_s << objects << u"/neu.html"_s;
    QTest::newRow("relative") << u"start.html"_s << objects << u"/start.html"_s;
    QTest::newRow("object path itself") << u"/neu.html"_s << objects << u"/neu.html"_s;
    QTest::newRow("letter case") << u"/HOME/X/Start.HTML"_s << objects << u"/start.html"_s;
    QTest::newRow("backslashes") << u"C:\\Hilfe\\start.html"_s << objects << u"/start.html"_s;
    QTest::newRow("anchor") << u"/x/start.html#betrag"_s << objects << u"/start.html"_s;
    QTest::newRow("longest wins") << u"/x/bilder/logo.png"_s << objects << u"/bilder/logo.png"_s;
    QTest::newRow("longest wins, other order")
        << u"/x/bilder/logo.png"_s << QStringList{u"/bilder/logo.png"_s, u"/logo.png"_s} << u"/bilder/logo.png"_s;
    QTest::newRow("shorter when the folder differs") << u"/x/icons/logo.png"_s << objects << u"/logo.png"_s;
    QTest::newRow("only whole names") << u"/x/xstart.html"_s << objects << QString();
    QTest::newRow("folder") << u"/x/"_s << objects << QString();
    QTest::newRow("unknown") << u"/x/fehlt.html"_s << objects << QString();
    QTest::newRow("empty topic") << QString() << objects << QString();
    QTest::newRow("no objects") << u"/x/start.html"_s << QStringList() << QString();
    QTest::newRow("special objects are no topics")
        << u"/x/::DataSpace/NameList"_s << QStringList{u"::DataSpace/NameList"_s} << QString();
}

void TestHelp::resolveTopic()
{
    QFETCH(QString, topic);
    QFETCH(QStringList, objects);
    QFETCH(QString, expected);
    QCOMPARE(HelpMap::ResolveTopic(topic, objects), expected);
}

void TestHelp::missingArchive()
{
    const ChmArchive archive(Root.filePath(u"fehlt/QEL.chm"_s));
    QVERIFY(!archive.IsOpen());
    QVERIFY(!archive.Read(u"/#IVB"_s));
    QVERIFY(archive.ObjectPaths().isEmpty());
}

void TestHelp::compiledTopics_data()
{
    AddTopicRows();
}

void TestHelp::compiledTopics()
{
    QFETCH(int, context);
    QFETCH(QString, object);
    QFETCH(QString, heading);
    REQUIRE_HELP_FILE();
#ifdef QEL_HELP_FILE
    const ChmArchive archive(HelpFile());
    QVERIFY(archive.IsOpen());
    const auto map = HelpMap::ParseContextMap(archive.Read(u"/#IVB"_s).value_or(QByteArray()),
                                              archive.Read(u"/#STRINGS"_s).value_or(QByteArray()));
    QCOMPARE(HelpMap::ResolveTopic(map.value(quint32(context)), archive.ObjectPaths()), object);
    const QString html = QString::fromUtf8(archive.Read(object).value_or(QByteArray()));
    QVERIFY2(html.contains(u"<h1>"_s + heading + u"</h1>"_s), qPrintable(html.left(400)));
    QVERIFY(html.contains(u"charset=utf-8"_s));
#endif
}

void TestHelp::compiledContextsAreTheTopics()
{
    REQUIRE_HELP_FILE();
#ifdef QEL_HELP_FILE
    const ChmArchive archive(HelpFile());
    const auto map = HelpMap::ParseContextMap(archive.Read(u"/#IVB"_s).value_or(QByteArray()),
                                              archive.Read(u"/#STRINGS"_s).value_or(QByteArray()));
    QCOMPARE(map.keys(), (QList<quint32>{1000, 1001, 1002, 1003, 1007, 1020}));
    // The compiled topic texts do not depend on the folder the build ran in.
    for (const QString &topic : map)
        QVERIFY2(topic.startsWith(u"/proc/self/cwd/"_s), qPrintable(topic));
#endif
}

void TestHelp::compiledLinksResolve()
{
    REQUIRE_HELP_FILE();
#ifdef QEL_HELP_FILE
    const ChmArchive archive(HelpFile());
    const QStringList objects = archive.ObjectPaths();
    const QRegularExpression reference(u"(?:href|src)=\"([^\"#]*)[^\"]*\""_s);
    int pages = 0;
    for (const QString &object : objects) {
        if (!object.endsWith(u".html"_s))
            continue;
        ++pages;
        const QString html = QString::fromUtf8(archive.Read(object).value_or(QByteArray()));
        for (auto it = reference.globalMatch(html); it.hasNext();) {
            const QString target = it.next().captured(1);
            if (target.isEmpty() || target.contains(u':'))
                continue; // within the page, or a web or mail address
            QVERIFY2(objects.contains(u'/' + target), qPrintable(object + u" -> "_s + target));
        }
    }
    QCOMPARE(pages, 12);
#endif
}

void TestHelp::compiledHelpCoversTheProgram_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("phrase");
    QTest::newRow("dates with points") << u"/buchungen.html"_s << u"15.10.26"_s;
    QTest::newRow("last change stays") << u"/uebersicht.html"_s << u"ändert sich diese Angabe nicht"_s;
    QTest::newRow("regular totals") << u"/uebersicht.html"_s << u"bei allen Büchern"_s;
    QTest::newRow("PDF without printer") << u"/drucken.html"_s << u"Orvo Haushaltsbuch/Ausdrucke"_s;
    QTest::newRow("export") << u"/drucken.html"_s << u".xls"_s;
    QTest::newRow("analysis pages") << u"/auswertung.html"_s << u"Alt+F9"_s;
    QTest::newRow("pies") << u"/auswertung.html"_s << u"höchstens 20 Kategorien"_s;
    QTest::newRow("calculator") << u"/rechner.html"_s << u"Alt+F3"_s;
    QTest::newRow("statement import") << u"/kontoimport.html"_s << u"höchstens fünf Tage von deren Tag"_s;
    QTest::newRow("saved as the dialog closes") << u"/start.html"_s << u"sobald sich das Fenster schließt"_s;
    QTest::newRow("automatic backups") << u"/sicherung.html"_s << u"Sicherungen/automatisch"_s;
    QTest::newRow("interrupted backups") << u"/sicherung.html"_s << u"beim nächsten Start"_s;
    QTest::newRow("what prints and exports") << u"/start.html"_s << u"hat weder „Drucken“ noch „Exportieren“"_s;
    QTest::newRow("F1") << u"/start.html"_s << u"F1 öffnet in jedem Fenster"_s;
    QTest::newRow("help beside a dialog") << u"/start.html"_s << u"neben jedem offenen Fenster"_s;
    QTest::newRow("Return in an open list") << u"/buchungen.html"_s << u"übernimmt die Eingabetaste nur den gewählten"_s;
    QTest::newRow("overview of the dialog's side") << u"/buchungen.html"_s << u"Übersicht der Kategorien dieses Fensters"_s;
    QTest::newRow("capitals a to z only") << u"/buchungen.html"_s << u"„ärger“ bleibt"_s;
    QTest::newRow("unreadable dates refused") << u"/buchungen.html"_s << u"31.02.2026, nimmt es nicht an"_s;
    QTest::newRow("pasted amounts filtered") << u"/buchungen.html"_s << u"Aus „44,50 €“ wird 44.50"_s;
    QTest::newRow("whole rows") << u"/drucken.html"_s << u"jede Zeile ganz"_s;
    QTest::newRow("PDF names the book") << u"/drucken.html"_s << u"Einnahmen März 2008 2026-12-08"_s;
    QTest::newRow("pie keeps its form") << u"/drucken.html"_s << u"behält dabei auf jedem Papier seine Form"_s;
    QTest::newRow("zero is black") << u"/auswertung.html"_s << u"als 0.00 erscheint, steht schwarz"_s;
    QTest::newRow("ß ~ SS") << u"/auswertung.html"_s << u"„Straße“ und"_s;
    QTest::newRow("long names") << u"/auswertung.html"_s << u"endet auf dem Bildschirm und"_s;
    QTest::newRow("year overview") << u"/jahresuebersicht.html"_s << u"Alt+J"_s;
    QTest::newRow("search") << u"/suchen.html"_s << u"Strg+F"_s;
}

void TestHelp::compiledHelpHasNoStaleClaims_data()
{
    // What the help once said and the program does not (or no longer) do.
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("phrase");
    QTest::newRow("every page prints and exports") << u"/start.html"_s << u"auf jeder Seite"_s;
    QTest::newRow("all categories from an entry dialog") << u"/buchungen.html"_s << u"Übersicht aller Kategorien"_s;
    QTest::newRow("Return in an open list accepts") << u"/buchungen.html"_s << u"auch bei geöffneter Liste"_s;
    QTest::newRow("date field moves on by itself") << u"/buchungen.html"_s << u"springt das Feld von selbst"_s;
    QTest::newRow("pasted text taken as it is") << u"/buchungen.html"_s << u"nimmt das Feld so, wie er ist"_s;
    QTest::newRow("PDF named after the job only") << u"/drucken.html"_s << u"„Haushaltsbuch - Einnahmen 2026"_s;
}

void TestHelp::compiledHelpHasNoStaleClaims()
{
    QFETCH(QString, object);
    QFETCH(QString, phrase);
    REQUIRE_HELP_FILE();
#ifdef QEL_HELP_FILE
    const ChmArchive archive(HelpFile());
    const QString html = QString::fromUtf8(archive.Read(object).value_or(QByteArray()));
    QVERIFY(!html.isEmpty());
    QVERIFY2(!html.simplified().contains(phrase), qPrintable(phrase));
#endif
}

void TestHelp::compiledHelpCoversTheProgram()
{
    QFETCH(QString, object);
    QFETCH(QString, phrase);
    REQUIRE_HELP_FILE();
#ifdef QEL_HELP_FILE
    const ChmArchive archive(HelpFile());
    // Compared with the page's line breaks as blanks.
    QVERIFY2(QString::fromUtf8(archive.Read(object).value_or(QByteArray())).simplified().contains(phrase),
             qPrintable(phrase));
    // Every topic can be found in the contents.
    QVERIFY(QString::fromUtf8(archive.Read(u"/QEL.hhc"_s).value_or(QByteArray())).contains(object.mid(1)));
#endif
}

void TestHelp::compiledReadLimits()
{
    REQUIRE_HELP_FILE();
#ifdef QEL_HELP_FILE
    const ChmArchive archive(HelpFile());
    const QStringList objects = archive.ObjectPaths();
    QVERIFY(objects.contains(u"/logo.png"_s));
    QVERIFY(!objects.contains(u"/"_s));
    QVERIFY(!objects.contains(u"/#IVB"_s));

    const qint64 size = archive.Read(u"/logo.png"_s).value_or(QByteArray()).size();
    QVERIFY(size > 0);
    QVERIFY(archive.Read(u"/logo.png"_s, size));
    QVERIFY(!archive.Read(u"/logo.png"_s, size - 1));
    QVERIFY(!archive.Read(u"/fehlt.html"_s));
    QVERIFY(!archive.Read(u'/' + QString(600, u'x')));
#endif
}

void TestHelp::compiledFileHasNoCompileTime()
{
    REQUIRE_HELP_FILE();
#ifdef QEL_HELP_FILE
    const QByteArray built = ReadAll(HelpFile());
    QVERIFY(built.size() > 0x60);
    QCOMPARE(built.mid(0x10, 4), QByteArray(4, '\0'));
    // Clearing again changes nothing: the build cleared every compile time.
    const QString copy = Root.filePath(u"copy.chm"_s);
    WriteFile(copy, built);
    QVERIFY(ChmArchive::ClearCompileTimes(copy));
    QCOMPARE(ReadAll(copy), built);
#endif
}

void TestHelp::clearCompileTimesRefusesOtherFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QByteArray header(0x60, '\0');
    header.replace(0, 4, "ITSF");
    header[4] = 3;
    header[8] = 0x60;
    QByteArray version2 = header;
    version2[4] = 2;

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("Hilfe\n");
    QTest::newRow("magic only") << QByteArray("ITSF");
    QTest::newRow("header without directory") << header;
    QTest::newRow("version 2") << version2;
#ifdef QEL_HELP_FILE
    QTest::newRow("cut after the header") << ReadAll(HelpFile()).left(0x200);
#endif
}

void TestHelp::clearCompileTimesRefusesOtherFiles()
{
    QFETCH(QByteArray, bytes);
    const QString path = Root.filePath(u"fremd.chm"_s);
    WriteFile(path, bytes);
    QVERIFY(!ChmArchive::ClearCompileTimes(path));
    QCOMPARE(ReadAll(path), bytes);
    QVERIFY(!ChmArchive::ClearCompileTimes(Root.filePath(u"fehlt.chm"_s)));
}

#ifdef QEL_HELP_GUI

namespace {

QString FirstHeading(const QTextDocument *document)
{
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 1)
            return block.text().trimmed(); // the page's line end after </h1> stays as a blank
    }
    return {};
}

// The log lines after the header.
QStringList RequestLines(const TDLogFile &log)
{
    QStringList lines = QString::fromUtf8(ReadAll(log.FileName())).split(u'\n', Qt::SkipEmptyParts);
    return lines.mid(27);
}

QString TimeStamped(const QString &text)
{
    return u"^\\d\\d:\\d\\d:\\d\\d   "_s + QRegularExpression::escape(text) + u'$';
}

} // namespace

void TestHelp::windowShowsContext_data()
{
    AddTopicRows();
}

void TestHelp::windowShowsContext()
{
    QFETCH(int, context);
    QFETCH(QString, object);
    QFETCH(QString, heading);
    REQUIRE_HELP_FILE();
#ifdef QEL_HELP_FILE
    QTemporaryDir program;
    TDLogFile log(program.path(), {u"haushaltsbuch"_s});
    HelpSystem help(log);
    QVERIFY(help.Installed());
    QCOMPARE(help.HHHelpContext(HelpFile(), context), 0);
    HelpWindow *window = help.Window();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), u"Orvo Haushaltsbuch - Hilfe"_s);
    QCOMPARE(window->CurrentTopic().path(), object);
    QCOMPARE(FirstHeading(window->Browser()->document()), heading);
#endif
}

void TestHelp::windowIsReused()
{
    REQUIRE_HELP_FILE();
#ifdef QEL_HELP_FILE
    QTemporaryDir program;
    TDLogFile log(program.path(), {u"haushaltsbuch"_s});
    HelpSystem help(log);
    QCOMPARE(help.HHHelpContext(HelpFile(), 1000), 0);
    HelpWindow *window = help.Window();
    // It opens in the middle of the screen, and Escape closes it.
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY((window->frameGeometry().center() - centre).manhattanLength() <= 10);
    QTest::keyClick(window->Browser(), Qt::Key_Escape);
    QVERIFY(!window->isVisible());
    QCOMPARE(help.HHHelpContext(HelpFile(), 1000), 0);
    QVERIFY(window->isVisible());
    window->showMinimized();
    QCOMPARE(help.HHHelpContext(HelpFile(), 1002), 0);
    QCOMPARE(help.Window(), window);
    QVERIFY(window->isVisible());
    QVERIFY(!window->isMinimized());
    QCOMPARE(FirstHeading(window->Browser()->document()), u"Einnahmen und Ausgaben erfassen"_s);
    // The same topic again, read anew.
    QCOMPARE(help.HHHelpContext(HelpFile(), 1002), 0);
    QCOMPARE(FirstHeading(window->Browser()->document()), u"Einnahmen und Ausgaben erfassen"_s);
#endif
}

void TestHelp::nothingShown_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("context");

#ifdef QEL_HELP_FILE
    QTest::newRow("unknown context") << HelpFile() << 4711;
    QTest::newRow("context 0") << HelpFile() << 0;
    QTest::newRow("negative context") << HelpFile() << -1;
#endif
    QTest::newRow("missing file") << Root.filePath(u"fehlt/QEL.chm"_s) << 1000;
    QTest::newRow("no help file") << Root.filePath(u"kein.chm"_s) << 1000;
    QTest::newRow("folder") << Root.path() << 1000;
    QTest::newRow("empty name") << QString() << 1000;
}

void TestHelp::nothingShown()
{
    QFETCH(QString, file);
    QFETCH(int, context);
    WriteFile(Root.filePath(u"kein.chm"_s), "keine Hilfedatei");

    QTemporaryDir program;
    TDLogFile log(program.path(), {u"haushaltsbuch"_s});
    HelpSystem help(log);
    QCOMPARE(help.HHHelpContext(file, context), 1);
    QVERIFY(!help.Window());
}

void TestHelp::helpPath_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("result");

    const QString folder = Root.filePath(u"Mein Ordner"_s);
    const QString chm = folder + u"/QEL.chm"_s;
    const QString encoded = Root.filePath(u"Mein%20Ordner/QEL.chm"_s);
    QTest::newRow("plain") << chm << QString() << chm << 0;
    QTest::newRow("%20") << encoded << QString() << chm << 0;
    QTest::newRow("blanks around") << u"  "_s + chm + u"   "_s << QString() << chm << 0;
    QTest::newRow("%20 around") << u"%20"_s + encoded + u"%20%20"_s << QString() << chm << 0;
    QTest::newRow("window name") << encoded << u"Haupt"_s << chm + u">Haupt"_s << 0;
    QTest::newRow("tab is no blank") << u"\t"_s + chm << QString() << u"\t"_s + chm << 1;
    QTest::newRow("%2 is no blank") << Root.filePath(u"Mein%2Ordner/QEL.chm"_s) << QString()
                                    << Root.filePath(u"Mein%2Ordner/QEL.chm"_s) << 1;
}

void TestHelp::helpPath()
{
    QFETCH(QString, file);
    QFETCH(QString, window);
    QFETCH(QString, path);
    QFETCH(int, result);
    REQUIRE_HELP_FILE();
#ifdef QEL_HELP_FILE
    const QString chm = Root.filePath(u"Mein Ordner/QEL.chm"_s);
    if (!QFile::exists(chm)) {
        QVERIFY(QDir(Root.path()).mkpath(u"Mein Ordner"_s));
        QVERIFY(QFile::copy(HelpFile(), chm));
    }

    QTemporaryDir program;
    TDLogFile log(program.path(), {u"haushaltsbuch"_s, u"-debug"_s});
    HelpSystem help(log);
    QCOMPARE(help.HHHelpContext(file, 1001, window), result);
    const QStringList lines = RequestLines(log);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(QRegularExpression(TimeStamped(u"HHHelpContext(\""_s + file + u"\", 1001, \""_s + window + u"\", 0)"_s))
                 .match(lines.at(0))
                 .hasMatch(),
             qPrintable(lines.at(0)));
    QVERIFY2(QRegularExpression(TimeStamped(u"ShowContext(\""_s + path + u"\", 1001)"_s)).match(lines.at(1)).hasMatch(),
             qPrintable(lines.at(1)));
    if (result == 0)
        QCOMPARE(FirstHeading(help.Window()->Browser()->document()), u"Monatsbücher anlegen, öffnen und entfernen"_s);
#endif
}

void TestHelp::logLines_data()
{
    QTest::addColumn<int>("context");
    QTest::addColumn<int>("result");
    QTest::newRow("shown") << 1002 << 0;
    QTest::newRow("unknown context") << 4711 << 1;
}

void TestHelp::logLines()
{
    QFETCH(int, context);
    QFETCH(int, result);
    REQUIRE_HELP_FILE();
#ifdef QEL_HELP_FILE
    QTemporaryDir program;
    WriteFile(program.filePath(u"debug.debug"_s), {});
    TDLogFile log(program.path(), {u"haushaltsbuch"_s});
    HelpSystem help(log);
    QCOMPARE(help.HHHelpContext(HelpFile(), context), result);

    const QStringList lines = RequestLines(log);
    const QStringList expected{
        TimeStamped(u"HHHelpContext(\""_s + HelpFile() + u"\", "_s + QString::number(context) + u", \"\", 0)"_s),
        TimeStamped(u"ShowContext(\""_s + HelpFile() + u"\", "_s + QString::number(context) + u')'),
        TimeStamped(u"  returned - "_s + QString::number(result)),
    };
    QCOMPARE(lines.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(QRegularExpression(expected.at(i)).match(lines.at(i)).hasMatch(), qPrintable(lines.at(i)));
#endif
}

void TestHelp::linksAndPicturesFromArchive()
{
    REQUIRE_HELP_FILE();
#ifdef QEL_HELP_FILE
    QTemporaryDir program;
    TDLogFile log(program.path(), {u"haushaltsbuch"_s});
    HelpSystem help(log);
    QCOMPARE(help.HHHelpContext(HelpFile(), 1000), 0);
    QTextBrowser *browser = help.Window()->Browser();

    // The start page's picture, asked for by the name the page gives it.
    QString picture;
    for (QTextBlock block = browser->document()->begin(); block.isValid() && picture.isEmpty(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat())
                picture = it.fragment().charFormat().toImageFormat().name();
        }
    }
    QCOMPARE(picture, u"logo.png"_s);
    const QVariant image = browser->document()->resource(QTextDocument::ImageResource, QUrl(picture));
    QSize size;
    if (image.typeId() == QMetaType::QPixmap)
        size = image.value<QPixmap>().size();
    else if (image.typeId() == QMetaType::QImage)
        size = image.value<QImage>().size();
    else
        size = QImage::fromData(image.toByteArray()).size();
    QCOMPARE(size, QSize(32, 32));

    // A link of the page opens the linked topic from the archive; back returns.
    emit browser->anchorClicked(browser->source().resolved(QUrl(u"regelmaessig.html"_s)));
    QCOMPARE(help.Window()->CurrentTopic().path(), u"/regelmaessig.html"_s);
    QCOMPARE(FirstHeading(browser->document()), u"Regelmäßige Buchungen"_s);
    browser->backward();
    QCOMPARE(FirstHeading(browser->document()), u"Willkommen im Haushaltsbuch"_s);
    // An anchor of a page that the archive lacks leaves the page as it is.
    emit browser->anchorClicked(browser->source().resolved(QUrl(u"fehlt.html"_s)));
    QCOMPARE(FirstHeading(browser->document()), u"Willkommen im Haushaltsbuch"_s);
#endif
}

void TestHelp::topicsNeverReadLocalFiles()
{
    REQUIRE_HELP_FILE();
#ifdef QEL_HELP_FILE
    const QString local = Root.filePath(u"geheim.html"_s);
    WriteFile(local, "<h1>Geheim</h1>");
    QTemporaryDir program;
    TDLogFile log(program.path(), {u"haushaltsbuch"_s});
    HelpSystem help(log);
    QCOMPARE(help.HHHelpContext(HelpFile(), 1000), 0);
    QTextBrowser *browser = help.Window()->Browser();
    QVERIFY(browser->loadResource(QTextDocument::HtmlResource, QUrl::fromLocalFile(local)).isNull());
    QVERIFY(browser->loadResource(QTextDocument::ImageResource, QUrl(u"qrc:/logo.png"_s)).isNull());
#endif
}

void TestHelp::helpWorksBesideAModalDialog_data()
{
    QTest::addColumn<bool>("openedBefore"); // the help was open before the dialog came
    QTest::newRow("opened from the dialog") << false;
    QTest::newRow("opened before the dialog") << true;
}

// While a modal dialog waits, the help takes keys as the window system delivers them:
// Page Down scrolls, Alt+Left goes back, Escape closes it; the dialog stays open.
void TestHelp::helpWorksBesideAModalDialog()
{
    QFETCH(bool, openedBefore);
    REQUIRE_HELP_FILE();
#ifdef QEL_HELP_FILE
    QTemporaryDir program;
    TDLogFile log(program.path(), {u"haushaltsbuch"_s});
    HelpSystem help(log);
    if (openedBefore)
        QCOMPARE(help.HHHelpContext(HelpFile(), 1000), 0);

    QDialog dialog;
    dialog.resize(200, 100);
    QStringList seen;
    QTimer::singleShot(0, &dialog, [&] {
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(help.HHHelpContext(HelpFile(), 1002), 0);
        HelpWindow *window = help.Window();
        window->resize(300, 200); // short enough to scroll
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QScrollBar *bar = window->Browser()->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QTest::keyClick(window->windowHandle(), Qt::Key_PageDown);
        seen << (bar->value() > 0 ? u"scrolled"_s : u"not scrolled"_s);
        // A link followed, then back again.
        emit window->Browser()->anchorClicked(window->Browser()->source().resolved(QUrl(u"regelmaessig.html"_s)));
        QTest::keyClick(window->windowHandle(), Qt::Key_Left, Qt::AltModifier);
        seen << FirstHeading(window->Browser()->document());
        QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
        seen << (window->isVisible() ? u"open"_s : u"closed"_s);
        seen << (dialog.isVisible() ? u"dialog open"_s : u"dialog closed"_s);
        dialog.reject();
    });
    dialog.exec();
    QCOMPARE(seen, (QStringList{u"scrolled"_s, u"Einnahmen und Ausgaben erfassen"_s, u"closed"_s, u"dialog open"_s}));
#endif
}

#endif // QEL_HELP_GUI

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
