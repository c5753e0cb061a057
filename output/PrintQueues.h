#pragma once

#include <QPageLayout>
#include <QString>

// The printing system as the page printer uses it. Made by the print module (libqel_print.so,
// loaded on the first print), so that the printing libraries stay out of a run that never
// prints.
class PrintQueues
{
public:
    virtual ~PrintQueues() = default;

    // The default printer ("queue" or "queue/instance"); empty when none is set up.
    virtual QString DefaultPrinter() = 0;
    // Why the printer takes no job now, in German; empty when it does.
    virtual QString Refusal(const QString &printer, const QString &jobTitle) = 0;
    // The printer's paper, with its smallest margins.
    virtual QPageLayout PageLayout(const QString &printer) = 0;
    // Hands a PDF file to the printer: empty when the job was taken, else the German reason.
    virtual QString Send(const QString &printer, const QString &pdfFile, const QString &jobTitle) = 0;
};

// The module and its entry, an extern "C" function returning a new PrintQueues.
inline constexpr char PrintModule[] = "qel_print";
inline constexpr char PrintQueuesEntry[] = "QelCreatePrintQueues";
