// Importing an XML file into a Structured Data document and writing it back as XML, against the time
// `xmllint --noout` takes to parse the same file; and the memory the imported document takes, against
// the file's size. Numbers are for reports; nothing here is asserted.
//
// The file (about 10 MB by default, QV_STRUCTURED_BENCH_MB to change it) is a catalogue of items,
// each with attributes, a text element and a list of small elements, as configuration and data
// exchange files look.

#include "bench_main.h"
#include "catalogue_xml.h"
#include "core/undo_redo.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "library/comment_element.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"
#include "schemes/structured/structured_elements.h"
#include "schemes/structured/structured_writers.h"
#include "schemes/structured/xml_importer.h"
#include "textor/measuring_context.h"

#include "support/fake_user_interface.h"
#include "support/fixed_metrics.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace qv {
namespace {

// The process's resident memory in bytes (Linux), or 0.
double ResidentBytes()
{
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096.0 : 0;
}

void BM_StructuredXmlRoundTrip(benchmark::State& state)
{
    const double megabytes = qEnvironmentVariableIsSet("QV_STRUCTURED_BENCH_MB")
                                 ? qEnvironmentVariable("QV_STRUCTURED_BENCH_MB").toDouble()
                                 : 10.0;
    QTemporaryDir dir;
    // QV_STRUCTURED_BENCH_FILE imports that file instead (hostile shapes: many attributes, elements).
    const QString chosen = qEnvironmentVariable("QV_STRUCTURED_BENCH_FILE");
    const QString input = chosen.isEmpty() ? dir.filePath(QStringLiteral("catalogue.xml")) : chosen;
    if (chosen.isEmpty()) {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(CatalogueXml(qint64(megabytes * 1024 * 1024))) < 0) {
            state.SkipWithError("cannot write the input file");
            return;
        }
    }
    const double fileBytes = double(QFileInfo(input).size());
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));

    // The command as the palette runs it: the file comes from the dialog.
    TFakeUserInterface ui;
    const TScopedUserInterface installed(&ui);
    double lintSeconds = 0, importSeconds = 0, writeSeconds = 0, freeSeconds = 0, memory = 0;
    int runs = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        if (!xmllint.isEmpty()) {
            timer.start();
            QProcess::execute(xmllint, {QStringLiteral("--noout"), input});
            lintSeconds += double(timer.nsecsElapsed()) / 1e9;
        }

        const double before = ResidentBytes();
        TUndoRedo undo;
        TElementMessages log;
        std::unique_ptr<TScheme> scheme = CreateScheme(TParametrizedStructureSchemeDescriptor::StaticClass());
        scheme->SetUndoRedo(&undo);
        scheme->SetMessages(&log);
        timer.start();
        ui.OpenFilesAnswer = {input};
        RunImporter(TXmlImporter::StaticClass(), scheme->Root(), QStringLiteral("Import"));
        importSeconds += double(timer.nsecsElapsed()) / 1e9;
        memory += ResidentBytes() - before;

        timer.start();
        auto* node = dynamic_cast<TElement_Node*>(scheme->Root()->LastChild());
        const QByteArray output =
            node != nullptr ? WriteStructuredXml(StructuredTreeOf(node), false) : QByteArray();
        writeSeconds += double(timer.nsecsElapsed()) / 1e9;
        benchmark::DoNotOptimize(output.size());
        if (node == nullptr || log.HasKinds(1u << mkFatal)) {
            state.SkipWithError("the import failed");
            break;
        }
        ++runs;
        timer.start();
        undo.Clear();
        scheme.reset();
        freeSeconds += double(timer.nsecsElapsed()) / 1e9;
    }
    if (runs == 0)
        return;
    state.counters["file_MB"] = fileBytes / 1048576.0;
    state.counters["xmllint_s"] = lintSeconds / runs;
    state.counters["import_s"] = importSeconds / runs;
    state.counters["write_s"] = writeSeconds / runs;
    state.counters["free_s"] = freeSeconds / runs;
    if (lintSeconds > 0)
        state.counters["ratio_to_xmllint"] = (importSeconds + writeSeconds) / lintSeconds;
    state.counters["memory_per_file_byte"] = memory / runs / fileBytes;
}
BENCHMARK(BM_StructuredXmlRoundTrip)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
} // namespace qv

int main(int argc, char** argv)
{
    return qv::RunBenchmarks(argc, argv, [] {
        qv::TDeviceContextManager::SetInstance(std::make_unique<qv::TFixedMeasuringContext>());
        qv::RegisterCommentElements();
        qv::RegisterStructuredScheme();
    });
}
