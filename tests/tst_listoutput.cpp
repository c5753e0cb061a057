// Printed lists and the spreadsheet export: the page geometry in pixels, and the print and
// export buttons of the three booking panels through the real window, questions and save
// dialog. No printer: CUPS is pointed at a socket that does not exist, so every print ends
// as a PDF in the printout folder.

#include "MainWindowFixture.h"
#include "PageCheck.h"

#include "app/MainPanel.h"
#include "controls/Fonts.h"
#include "output/ExportEXCEL.h"
#include "output/ListPages.h"
#include "output/PagePrinter.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString Book = u"März 2008"_s;
const QString Euro = u"€"_s;

// Answers the message boxes that open one after the other with the given buttons, and
// records each box. A box beyond the script is closed as Escape would close it.
class MessageBoxScript : public QObject
{
public:
    explicit MessageBoxScript(QStringList buttons)
        : Buttons_(std::move(buttons))
    {
        Timer_.setInterval(20);
        connect(&Timer_, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || box == Last_ || !box->isVisible())
                return;
            Last_ = box;
            Boxes.append({box->windowTitle(), box->text()});
            if (Boxes.size() > Buttons_.size()) {
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            for (QAbstractButton *b : box->buttons()) {
                if (b->text() == Buttons_.at(Boxes.size() - 1)) {
                    b->click();
                    return;
                }
            }
        });
        Timer_.start();
    }

    QList<QPair<QString, QString>> Boxes; // title, text

private:
    QStringList Buttons_;
    QPointer<QMessageBox> Last_;
    QTimer Timer_;
};

class UrlRecorder : public QObject
{
    Q_OBJECT

public slots:
    void Open(const QUrl &url) { Urls.append(url); }

public:
    QList<QUrl> Urls;
};

using Boxes = QList<QPair<QString, QString>>; // title, text of each message box

QImage IncomePage(const QList<ListRow> &rows)
{
    BookingList list(ListKind::Income);
    for (const ListRow &row : rows)
        list.AddRow(row);
    return RenderPageImage([&](QPainter &p) { DrawListPage(p, list, u"Einnahmen - März 2008"_s, Euro); });
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestListOutput : public QObject, protected MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void listPage();
    void regularBands_data();
    void regularBands();
    void printButtons_data();
    void printButtons();
    void printsThroughCups();
    void exportThroughTheDialog();
    void exportReplacesOnlyFilesAfterYes();

private:
    void Start();
    // Runs the save dialog on the next export: checks what it proposes and where it starts,
    // types the name of a file in the temporary home folder.
    void ExportWithName(const char *button, const QString &proposed, const QString &typed,
                        const QString &start = {});
    QString Folder(const QString &name) const { return Home->filePath(name); }
};

void TestListOutput::initTestCase()
{
    RegisterFontSubstitutions();
}

void TestListOutput::init()
{
    SetUp();
    qputenv("CUPS_SERVER", QFile::encodeName(Home->filePath(u"no-cups.sock"_s)));
}

void TestListOutput::cleanup()
{
    QDesktopServices::unsetUrlHandler(u"file"_s);
    TearDown();
}

void TestListOutput::Start()
{
    QVERIFY(Window->FormCreate());
    Window->show();
    Books->CreateBook(Book, QDateTime::currentDateTime());
    Window->SetBookTitles();
}

void TestListOutput::listPage()
{
    // 60 rows fit whole; the 61st, which would start at 3330 and be cut by the page edge, is
    // left off with the rest.
    const ListRow row = ListRow::Make(u"01.03.2008"_s, {u"12.50"_s, u"Gjy Äpfel"_s, u"Quittung"_s});
    const QImage one = IncomePage({row});
    const QImage seventy = IncomePage(QList<ListRow>(70, row));
    QCOMPARE(seventy.copy(0, 3280, 2400, 50), one.copy(0, 330, 2400, 50));
    QVERIFY(!HasInk(seventy, {0, 3330, 2400, 20}));

    QVERIFY(HasInk(one, {300, 100, 400, 69}));  // title
    QVERIFY(!HasInk(one, {0, 0, 299, 3350}));   // nothing left of the margin
    QVERIFY(!HasInk(one, {0, 380, 2400, 2970})); // nothing below the one row
    for (const int y : {250, 320}) {             // grey rules, 2 pixels, from 300 to 2300
        QCOMPARE(one.pixel(300, y - 1), qRgb(0x80, 0x80, 0x80));
        QCOMPARE(one.pixel(2299, y), qRgb(0x80, 0x80, 0x80));
        QCOMPARE(one.pixel(2300, y), qRgb(255, 255, 255));
        QCOMPARE(one.pixel(2299, y - 3), qRgb(255, 255, 255));
    }
    // Heading and amount end at the amount column's edge.
    for (const int top : {260, 330}) {
        const int right = RightmostInk(one, {300, top, 500, 50});
        QVERIFY2(right >= 735 && right < 750, qPrintable(QString::number(right)));
    }
}

void TestListOutput::regularBands_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QRgb>("band");
    QTest::newRow("Einnahme") << u"Einnahme"_s << qRgb(0xCE, 0xEA, 0xD7);
    QTest::newRow("Ausgabe") << u"Ausgabe"_s << qRgb(0xEF, 0xD6, 0xD6);
    QTest::newRow("other kind") << u"einnahme"_s << qRgb(0xEF, 0xD6, 0xD6);
}

void TestListOutput::regularBands()
{
    QFETCH(QString, kind);
    QFETCH(QRgb, band);
    BookingList list(ListKind::Regular);
    for (int i = 0; i < 2; ++i)
        list.AddRow(ListRow::Make(u"07."_s, {u"650.00"_s, u"Wohnen"_s, u"Miete"_s, kind}));
    const QImage page = RenderPageImage(
        [&](QPainter &p) { DrawRegularListPage(p, list, u"Regelmäßige Buchungen"_s, Euro); });
    // Bands from (300, y) to (2300, y + 40), exclusive; rows every 45 pixels from 320.
    for (const int y : {320, 365}) {
        QCOMPARE(page.pixel(300, y), band);
        QCOMPARE(page.pixel(2299, y + 39), band);
        QCOMPARE(page.pixel(2300, y), qRgb(255, 255, 255));
        QCOMPARE(page.pixel(2299, y + 40), qRgb(255, 255, 255));
    }
    QVERIFY(HasInk(page, {1950, 320, 150, 40})); // the kind on its band
    // 67 rows fit whole; the 68th band would run from 3335 over the page edge.
    for (qsizetype i = list.RowCount(); i < 68; ++i)
        list.AddRow(list.Row(0));
    const QImage full = RenderPageImage(
        [&](QPainter &p) { DrawRegularListPage(p, list, u"Regelmäßige Buchungen"_s, Euro); });
    QCOMPARE(full.pixel(300, 3290), band);
    QCOMPARE(full.pixel(300, 3336), qRgb(255, 255, 255));
    const int amountEnd = RightmostInk(page, {300, 320, 450, 40});
    QVERIFY2(amountEnd >= 685 && amountEnd < 700, qPrintable(QString::number(amountEnd)));
}

void TestListOutput::printButtons_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("job");
    QTest::addColumn<QString>("pageTitle");
    QTest::addColumn<QString>("document"); // name and title of the PDF made without a printer
    QTest::newRow("income") << 1 << u"btnPrintIncome"_s << u"Sollen die Einnahmen März 2008 gedruckt werden?"_s
                            << u"Haushaltsbuch - Einnahmen"_s << u"Einnahmen - März 2008"_s
                            << u"Haushaltsbuch - Einnahmen März 2008"_s;
    QTest::newRow("expense") << 2 << u"btnPrintExpend"_s << u"Sollen die Ausgaben März 2008 gedruckt werden?"_s
                             << u"Haushaltsbuch - Ausgaben"_s << u"Ausgaben - März 2008"_s
                             << u"Haushaltsbuch - Ausgaben März 2008"_s;
    QTest::newRow("regular") << 3 << u"btnPrintRegular"_s << u"Sollen die regelmäßigen Buchungen gedruckt werden?"_s
                             << u"Haushaltsbuch - Regelmäßige Buchungen"_s << u"Regelmäßige Buchungen"_s
                             << u"Haushaltsbuch - Regelmäßige Buchungen"_s;
}

void TestListOutput::printButtons()
{
    QFETCH(int, panel);
    QFETCH(QString, button);
    QFETCH(QString, question);
    QFETCH(QString, job);
    QFETCH(QString, pageTitle);
    QFETCH(QString, document);
    Start();
    Window->ShowPanel(panel);
    TOrvoSkinButton *print = Button(button.toLatin1().constData());
    Window->Timer1Timer();
    QVERIFY(!print->Enabled());

    BookingList &list = panel == 1 ? Books->Income() : panel == 2 ? Books->Expend() : Books->Regular();
    Books->AddBooking(list, ListRow::Make(panel == 3 ? u"07."_s : u"01.03.2008"_s,
                                          {u"12.50"_s, u"Gebühren"_s, u"Girokonto"_s, u"Ausgabe"_s}));
    Window->Timer1Timer();
    QVERIFY(print->Enabled());
    const QDir printouts(Paths.PrintoutFolder());

    {
        MessageBoxScript no({u"&Nein"_s});
        QTest::mouseClick(print, Qt::LeftButton);
        QCOMPARE(no.Boxes, (Boxes{{u"Bestätigen"_s, question}}));
        QVERIFY(printouts.isEmpty(QDir::Files));
    }

    MessageBoxScript yes({u"&Ja"_s, u"OK"_s});
    QTest::mouseClick(print, Qt::LeftButton);
    QCOMPARE(yes.Boxes.size(), 2);
    const QStringList pdfs = printouts.entryList(QDir::Files);
    QCOMPARE(pdfs.size(), 1);
    QVERIFY2(pdfs.front().startsWith(document + u" 20"_s), qPrintable(pdfs.front()));
    QCOMPARE(yes.Boxes.at(1).first, u"Informationen"_s);
    QVERIFY(yes.Boxes.at(1).second.contains(printouts.filePath(pdfs.front())));
    QVERIFY(yes.Boxes.at(1).second.contains(u'"' + document + u'"'));

    // The PDF holds the page as text, under the document's title.
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    const QString info = Tool(u"pdfinfo"_s, {printouts.filePath(pdfs.front())});
    QVERIFY2(info.contains(QRegularExpression(u"Title: +"_s + QRegularExpression::escape(document) + u'\n')),
             qPrintable(info));
    const QString text = Tool(u"pdftotext"_s, {printouts.filePath(pdfs.front()), u"-"_s});
    for (const QString &expected : {pageTitle, u"Betrag (€)"_s, u"Gebühren"_s, u"12.50"_s})
        QVERIFY2(text.contains(expected), qPrintable(expected + u" not in: "_s + text));
}

// tools/check-output.sh runs this with a private CUPS server whose default queue "PDF"
// writes PDF files (cups-pdf, into QEL_CUPS_PDF_DIR): the list goes through the real
// printing system as one job of one page that looks like the page drawn. cups-pdf's round
// trip through PostScript leaves no extractable text, so the page is compared as a
// picture. The queue is stopped and removed at the end.
// cups-pdf names its file after the job title and writes over an older file of that name,
// and other prints may land in the same folder meanwhile: the job's PDF is the one of its
// title written since the job was sent.
void TestListOutput::printsThroughCups()
{
    const QString pdfFolder = qEnvironmentVariable("QEL_CUPS_PDF_DIR");
    if (pdfFolder.isEmpty() || !qEnvironmentVariableIsSet("QEL_CUPS_SERVER"))
        QSKIP("needs a private CUPS server with a cups-pdf queue, as tools/test.sh starts it");
    qputenv("CUPS_SERVER", qgetenv("QEL_CUPS_SERVER"));
    Start();
    for (int day = 1; day <= 28; ++day)
        Books->AddBooking(Books->Income(), ListRow::Make(u"%1.03.2008"_s.arg(day, 2, 10, QChar(u'0')),
                                                         {u"%1.00"_s.arg(day * 10), u"Gehälter"_s, u"Überweisung"_s}));
    Window->ShowPanel(1);
    Window->Timer1Timer();
    // File times may count whole seconds only.
    const QDateTime sent = QDateTime::currentDateTime().addSecs(-1);
    {
        MessageBoxScript yes({u"&Ja"_s});
        QTest::mouseClick(Button("btnPrintIncome"), Qt::LeftButton);
        QCOMPARE(yes.Boxes.size(), 1); // printed: nothing to say after the question
    }
    QVERIFY(QDir(Paths.PrintoutFolder()).isEmpty(QDir::Files));

    // The job is done when its PDF is complete enough for pdfinfo to name the job.
    QString pdf;
    QString info;
    QDateTime written;
    const auto arrived = [&] {
        for (const QFileInfo &file : QDir(pdfFolder).entryInfoList({u"*.pdf"_s}, QDir::Files)) {
            if (file.lastModified() < sent)
                continue;
            pdf = file.filePath();
            info = Tool(u"pdfinfo"_s, {pdf});
            written = file.lastModified();
            if (info.contains(u"Haushaltsbuch - Einnahmen"_s))
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(arrived(), 60000);
    // Removed unless another print has written over it meanwhile.
    const auto cleanup = qScopeGuard([&] {
        if (QFileInfo(pdf).lastModified() == written)
            QFile::remove(pdf);
    });
    QVERIFY2(info.contains(QRegularExpression(u"Title: +\\(?Haushaltsbuch - Einnahmen\\)?\\n"_s)), qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression(u"Pages: +1\n"_s)), qPrintable(info));

    const QString raster = Home->filePath(u"printed"_s);
    Tool(u"pdftoppm"_s, {u"-r"_s, u"30"_s, u"-gray"_s, u"-png"_s, u"-singlefile"_s, pdf, raster});
    const QImage printed(raster + u".png"_s);
    QVERIFY(!printed.isNull());
    // Like the page drawn, and more like it than like the page with only half its rows.
    const QList<ListRow> &rows = Books->Income().Rows();
    const double similarity = Correlation(InkGrid(IncomePage(rows)), InkGrid(printed));
    const double toHalf = Correlation(InkGrid(IncomePage(rows.first(14))), InkGrid(printed));
    qInfo("printed page against the drawn one: correlation %.3f (%.3f with half the rows)", similarity, toHalf);
    QVERIFY(similarity > 0.9);
    QVERIFY(similarity > toHalf + 0.1);

    // A stopped queue is reported, never taken for a printout; a printer that went away
    // leaves the PDF file.
    const auto printAnswered = [&] {
        MessageBoxScript answers({u"&Ja"_s, u"OK"_s});
        QTest::mouseClick(Button("btnPrintIncome"), Qt::LeftButton);
        return answers.Boxes;
    };
    QCOMPARE(QProcess::execute(QStandardPaths::findExecutable(u"cupsdisable"_s), {u"PDF"_s}), 0);
    auto boxes = printAnswered();
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes.at(1), qMakePair(u"Fehler"_s, u"Der Drucker \"PDF\" ist angehalten. "
                                                  "\"Haushaltsbuch - Einnahmen\" wurde nicht gedruckt."_s));
    QCOMPARE(QProcess::execute(QStandardPaths::findExecutable(u"lpadmin"_s), {u"-x"_s, u"PDF"_s}), 0);
    boxes = printAnswered();
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes.at(1).first, u"Informationen"_s);
    QCOMPARE(QDir(Paths.PrintoutFolder()).entryList(QDir::Files).size(), 1);
}

void TestListOutput::ExportWithName(const char *button, const QString &proposed, const QString &typed,
                                    const QString &start)
{
    ModalDriver save(u"XlsSaveDialog"_s, [&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), u"Excel-Tabelle speichern unter..."_s);
        QCOMPARE(dialog->nameFilters(), QStringList{u"Excel-Tabelle (*.xls)"_s});
        auto *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
        QVERIFY(name);
        QCOMPARE(name->text(), proposed);
        if (!start.isEmpty())
            QCOMPARE(dialog->directory().absolutePath(), start);
        // The folder is picked first, as a user would browse to it; the name is typed.
        dialog->setDirectory(Home->path());
        name->selectAll();
        QTest::keyClicks(name, typed);
        // The completer's list may still be open over the dialog.
        if (QWidget *popup = QApplication::activePopupWidget())
            QTest::keyClick(popup, Qt::Key_Escape);
        QCOMPARE(name->text(), typed);
        const auto *box = dialog->findChild<QDialogButtonBox *>();
        for (QAbstractButton *b : box->buttons()) {
            if (box->buttonRole(b) == QDialogButtonBox::AcceptRole)
                QTest::mouseClick(b, Qt::LeftButton);
        }
    });
    QTest::mouseClick(Button(button), Qt::LeftButton);
    QVERIFY(save.Done);
    QVERIFY(save.Closed);
}

void TestListOutput::exportThroughTheDialog()
{
    Start();
    Books->AddBooking(Books->Income(), ListRow::Make(u"02.03.2008"_s, {u"1200.00"_s, u"Lohn"_s, u"Gehalt"_s}));
    Books->AddBooking(Books->Income(), ListRow::Make(u"01.03.2008"_s, {u"12.50"_s, u"Zinsen"_s, QString()}));
    Window->ShowPanel(1);
    UrlRecorder opened;
    QDesktopServices::setUrlHandler(u"file"_s, &opened, "Open");

    const QString chosen = Folder(u"Monat"_s);
    {
        MessageBoxScript show({u"&Ja"_s});
        QVERIFY(QDir().mkpath(Folder(u"Documents"_s)));
        ExportWithName("btnExportIncome", u"Einnahmen - März 2008"_s, u"Monat"_s, Folder(u"Documents"_s));
        QCOMPARE(show.Boxes, (Boxes{{u"Bestätigen"_s, u"Soll die Exel-Tabelle jetzt angezeigt werden?"_s}}));
    }
    QCOMPARE(ReadAll(chosen + u".xls"_s), XlsTableBytes(Books->Income()));
    QCOMPARE(opened.Urls, QList<QUrl>{QUrl::fromLocalFile(chosen + u".xls"_s)});
    QDesktopServices::unsetUrlHandler(u"file"_s);

    // Without a program for the file the user hears so.
    if (QGuiApplication::platformName() != u"offscreen")
        QSKIP("only the offscreen platform is known to open nothing");
    Window->ShowPanel(3);
    MessageBoxScript fail({u"&Ja"_s, u"OK"_s});
    ExportWithName("btnExportRegular", u"Regelmäßige Buchungen"_s, u"Regelmaessig.Xls"_s, Home->path());
    QCOMPARE(fail.Boxes.size(), 2);
    QCOMPARE(fail.Boxes.at(1), qMakePair(u"Fehler"_s, u"Programm konnte nicht gestartet werden!"_s));
    QVERIFY(QFileInfo::exists(Folder(u"Regelmaessig.Xls"_s)));
}

void TestListOutput::exportReplacesOnlyFilesAfterYes()
{
    Start();
    Window->ShowPanel(2);
    const QString path = Folder(u"Ausgaben.xls"_s);
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("alt") == 3);
    old.close();
    const QString question = u"Es existiert bereits eine Datei unter diesem Namen!\nSoll diese Datei überschrieben werden?"_s;
    {
        MessageBoxScript no({u"&Nein"_s});
        ExportWithName("btnExportExpend", u"Ausgaben - März 2008"_s, u"Ausgaben.xls"_s);
        QCOMPARE(no.Boxes, (Boxes{{u"Warnung"_s, question}}));
        QCOMPARE(ReadAll(path), "alt");
    }
    {
        MessageBoxScript yes({u"&Ja"_s, u"&Nein"_s});
        ExportWithName("btnExportExpend", u"Ausgaben - März 2008"_s, u"Ausgaben.xls"_s);
        QCOMPARE(yes.Boxes.size(), 2);
        QCOMPARE(ReadAll(path), XlsTableBytes(Books->Expend()));
    }
    // A folder of the name is no file to replace: nothing is asked, nothing written.
    QVERIFY(QDir().mkpath(Folder(u"Tabelle.xls"_s)));
    MessageBoxScript report({u"OK"_s});
    ExportWithName("btnExportExpend", u"Ausgaben - März 2008"_s, u"Tabelle"_s);
    QCOMPARE(report.Boxes.size(), 1);
    QCOMPARE(report.Boxes.at(0).first, u"Orvo Haushaltsbuch"_s);
    QVERIFY(report.Boxes.at(0).second.endsWith(u"kann nicht erstellt werden. Der Name bezeichnet ein Verzeichnis."_s));
    QVERIFY(QDir(Folder(u"Tabelle.xls"_s)).isEmpty());
}

QTEST_MAIN(TestListOutput)
#include "tst_listoutput.moc"
