#include "output/PagePrinter.h"

#include "controls/MessageBoxes.h"
#include "output/PrintQueues.h"
#include "support/ModuleLoader.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryFile>

namespace {

const QRect PageRect(0, 0, PageImage::Width, PageImage::Height);

QPageLayout PdfFileLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
}

// A file name made from the job title: no folder separators, no control characters.
QString FileNameFromTitle(const QString &title)
{
    QString name;
    for (const QChar c : title)
        name += (c == u'/' || c == u'\\' || c < u' ') ? u'-' : c;
    return name.trimmed().isEmpty() ? QStringLiteral("Ausdruck") : name.trimmed();
}

PrintResult Failure(const QString &message)
{
    return {PrintResult::Outcome::Failed, message, {}};
}

} // namespace

QFont PageFont(const QString &family, int points, bool bold)
{
    QFont font(family);
    font.setPixelSize(qRound(points * PageImage::Dpi / 72.0));
    font.setBold(bold);
    return font;
}

QImage RenderPageImage(const PageDrawing &page)
{
    QImage image(PageImage::Width, PageImage::Height, QImage::Format_RGB32);
    const int dotsPerMeter = qRound(PageImage::Dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setClipRect(PageRect);
    page(painter);
    return image;
}

QByteArray AreaPdf(const AreaDrawing &drawing, const QPageLayout &layout, const QString &title)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(title);
        writer.setCreator(ProgramTitle());
        writer.setResolution(600);
        writer.setPageLayout(layout);
        QPainter painter(&writer);
        drawing(painter, QRect(0, 0, writer.width(), writer.height()));
    }
    return bytes;
}

QByteArray PagePdf(const PageDrawing &page, const QPageLayout &layout, const QString &title)
{
    return AreaPdf(Stretched(page), layout, title);
}

AreaDrawing Stretched(PageDrawing page)
{
    return [page = std::move(page)](QPainter &painter, const QRect &area) {
        StretchPageToRect(painter, area);
        page(painter);
    };
}

void StretchPageToRect(QPainter &painter, const QRect &target)
{
    painter.setViewport(target);
    painter.setWindow(PageRect);
    painter.setClipRect(PageRect);
}

TPagePrinter::TPagePrinter(QString fallbackFolder)
    : FallbackFolder_(std::move(fallbackFolder))
{
}

TPagePrinter::~TPagePrinter() = default;

PrintResult TPagePrinter::PrintPageImage(const PageDrawing &page, const QString &jobTitle,
                                         const QString &document) const
{
    return PrintArea(Stretched(page), jobTitle, document);
}

PrintResult TPagePrinter::PrintArea(const AreaDrawing &drawing, const QString &jobTitle, const QString &document) const
{
    if (!Queues_) {
        QString error;
        Queues_ = ModuleLoader::Create<PrintQueues>(QString::fromLatin1(PrintModule), PrintQueuesEntry, error);
        if (!Queues_)
            return Failure(QStringLiteral("\"%1\" kann nicht gedruckt werden. %2").arg(jobTitle, error));
    }
    const QString printer = Queues_->DefaultPrinter();
    if (printer.isEmpty())
        return SaveAsPdf(drawing, document.isEmpty() ? jobTitle : document);
    return SendToPrinter(printer, drawing, jobTitle);
}

PrintResult TPagePrinter::SendToPrinter(const QString &name, const AreaDrawing &drawing, const QString &jobTitle) const
{
    if (const QString refusal = Queues_->Refusal(name, jobTitle); !refusal.isEmpty())
        return Failure(refusal);
    const QPageLayout layout = Queues_->PageLayout(name);

    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/haushaltsbuch-XXXXXX.pdf"));
    const QByteArray pdf = AreaPdf(drawing, layout, jobTitle);
    if (!file.open() || file.write(pdf) != pdf.size() || !file.flush())
        return Failure(QStringLiteral("Der Druckauftrag \"%1\" konnte nicht vorbereitet werden: %2")
                           .arg(jobTitle, file.errorString()));
    file.close();

    if (const QString reason = Queues_->Send(name, file.fileName(), jobTitle); !reason.isEmpty())
        return Failure(reason);
    return {PrintResult::Outcome::Printed, {}, {}};
}

PrintResult TPagePrinter::SaveAsPdf(const AreaDrawing &drawing, const QString &document) const
{
    const QString base = FileNameFromTitle(document) + u' '
                         + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    const QDir folder(FallbackFolder_);
    QString path = folder.filePath(base + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder.filePath(base + QStringLiteral(" (%1).pdf").arg(n));

    const auto failed = [&](const QString &reason) {
        return Failure(QStringLiteral("Es ist kein Drucker eingerichtet, und die PDF-Datei \"%1\" konnte "
                                      "nicht gespeichert werden: %2")
                           .arg(QDir::toNativeSeparators(path), reason));
    };
    if (!QDir().mkpath(FallbackFolder_))
        return failed(QStringLiteral("Der Ordner \"%1\" kann nicht angelegt werden.").arg(FallbackFolder_));

    const QByteArray pdf = AreaPdf(drawing, PdfFileLayout(), document);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    if (file.write(pdf) != pdf.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return failed(reason);
    }
    if (!file.commit())
        return failed(file.errorString());
    return {PrintResult::Outcome::SavedAsPdf,
            QStringLiteral("Es ist kein Drucker eingerichtet. \"%1\" wurde deshalb als PDF-Datei gespeichert:\n%2")
                .arg(document, QDir::toNativeSeparators(path)),
            path};
}

void ShowPrintResult(QWidget *parent, const PrintResult &result)
{
    switch (result.Kind) {
    case PrintResult::Outcome::Printed:
        break;
    case PrintResult::Outcome::SavedAsPdf:
        ShowInformation(parent, result.Message);
        break;
    case PrintResult::Outcome::Failed:
        ShowError(parent, result.Message);
        break;
    }
}
