// The print module: the printing system reached through Qt's printer support and CUPS.

#include "output/PrintQueues.h"

#include <QFile>
#include <QPrinter>
#include <QPrinterInfo>

#include <cups/cups.h>

namespace {

QString CupsReason()
{
    const char *reason = cupsLastErrorString();
    return reason && *reason ? QString::fromUtf8(reason) : QStringLiteral("unbekannter Fehler");
}

class CupsQueues final : public PrintQueues
{
public:
    QString DefaultPrinter() override
    {
        const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
        return printer.isNull() ? QString() : printer.printerName();
    }

    QString Refusal(const QString &name, const QString &jobTitle) override
    {
        // A stopped queue would keep the job without printing it; say so instead of letting
        // the user wait for paper that never comes.
        const QByteArray queue = name.section(u'/', 0, 0).toUtf8();
        const QByteArray instance = name.section(u'/', 1).toUtf8();
        cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.constData(),
                                             instance.isEmpty() ? nullptr : instance.constData());
        if (!dest)
            return QStringLiteral("Der Drucker \"%1\" ist nicht erreichbar: %2").arg(name, CupsReason());
        const QByteArray state = cupsGetOption("printer-state", dest->num_options, dest->options);
        const QByteArray accepting = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
        cupsFreeDests(1, dest);
        if (accepting == "false")
            return QStringLiteral("Der Drucker \"%1\" nimmt zurzeit keine Druckaufträge an. "
                                  "\"%2\" wurde nicht gedruckt.")
                .arg(name, jobTitle);
        if (state == "5")
            return QStringLiteral("Der Drucker \"%1\" ist angehalten. \"%2\" wurde nicht gedruckt.").arg(name, jobTitle);
        return {};
    }

    QPageLayout PageLayout(const QString &name) override
    {
        const QPrinter printer(QPrinterInfo::printerInfo(name), QPrinter::HighResolution);
        QPageLayout layout = printer.pageLayout();
        layout.setMargins(layout.minimumMargins());
        return layout;
    }

    QString Send(const QString &name, const QString &pdfFile, const QString &jobTitle) override
    {
        const QByteArray queue = name.section(u'/', 0, 0).toUtf8();
        const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.constData(), QFile::encodeName(pdfFile).constData(),
                                       jobTitle.toUtf8().constData(), 0, nullptr);
        if (job <= 0)
            return QStringLiteral("Der Druckauftrag \"%1\" wurde vom Drucker \"%2\" nicht angenommen: %3")
                .arg(jobTitle, name, CupsReason());
        return {};
    }
};

} // namespace

extern "C" Q_DECL_EXPORT void *QelCreatePrintQueues()
{
    return static_cast<PrintQueues *>(new CupsQueues);
}
