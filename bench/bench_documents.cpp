// Reading a booking from a document: an e-invoice as a hybrid PDF and as XML (target: 50 ms
// each), and a receipt's text through the rules.

#include "documents/DocumentReader.h"
#include "documents/ReceiptText.h"
#include "documents/pdf/PopplerPdfReader.h"

#include <QFile>

#include <benchmark/benchmark.h>

namespace {

QByteArray Document(const char *name)
{
    QFile file(QStringLiteral(QEL_DOCUMENTS_DIR "/") + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    return file.readAll();
}

void ReadDocument(benchmark::State &state, const char *name)
{
    const QByteArray bytes = Document(name);
    const PopplerPdfReader pdf;
    const DocumentReader reader(&pdf, nullptr);
    for (auto _ : state) {
        const DocumentRead read = reader.Read(bytes);
        if (!read.Proposal)
            state.SkipWithError("not read");
        benchmark::DoNotOptimize(read);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_ReadHybridPdf(benchmark::State &state)
{
    ReadDocument(state, "zugferd_2p0_EN16931_Einfach.pdf");
}
BENCHMARK(BM_ReadHybridPdf)->Unit(benchmark::kMillisecond);

void BM_ReadLargestHybridPdf(benchmark::State &state)
{
    ReadDocument(state, "XRECHNUNG_Betriebskostenabrechnung.pdf");
}
BENCHMARK(BM_ReadLargestHybridPdf)->Unit(benchmark::kMillisecond);

void BM_ReadInvoiceXml(benchmark::State &state)
{
    ReadDocument(state, "testout-XR.xml");
}
BENCHMARK(BM_ReadInvoiceXml)->Unit(benchmark::kMillisecond);

// The text of a PDF without its XML, through the receipt rules.
void BM_ReadPdfText(benchmark::State &state)
{
    const QByteArray bytes = Document("zugferd_2p0_EN16931_Einfach.pdf");
    const PopplerPdfReader pdf;
    QString error;
    const QString text = pdf.Read(bytes, error)->PageTexts.join(QLatin1Char('\n'));
    ReceiptText::Options options;
    for (auto _ : state)
        benchmark::DoNotOptimize(ReceiptText::Propose(text, options));
}
BENCHMARK(BM_ReadPdfText)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
