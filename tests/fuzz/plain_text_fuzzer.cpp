// A Plain Text document loaded from any bytes, as opening a ".frt" file does. When the bytes read
// without a violation, the document is saved, the saved bytes are opened again and saved once more:
// both saves must be equal.

#include "core/knot.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Loads the document from `bytes` as TScheme::LoadFromFile does with a file's bytes; returns the
// bytes a save writes, and whether the knot text was corrupt.
QByteArray LoadAndSave(const QByteArray& bytes, bool& corrupt)
{
    qv::TElementMessages messages;
    const auto scheme = qv::CreateScheme(qv::TPlainTextSchemeDescriptor::StaticClass());
    scheme->SetMessages(&messages);
    qv::TKnot knot;
    knot.LoadFromStream(bytes);
    corrupt = knot.Corrupt();
    scheme->LoadFromKnot(scheme->Root(), qv::fmFile, &knot);
    const QByteArray saved = scheme->SaveToBytes();
    scheme->SetMessages(nullptr);
    return saved;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The model uses QtGui (fonts, colours), which needs an application object.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_plain_text";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
    qv::RegisterPlainTextScheme();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    bool corrupt = false;
    const QByteArray first =
        LoadAndSave(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), corrupt);
    if (corrupt)
        return 0;
    bool corruptAgain = false;
    const QByteArray second = LoadAndSave(first, corruptAgain);
    if (corruptAgain || first != second) {
        std::fprintf(stderr, "%s\n--- first save\n%s\n--- second save\n%s\n",
                     corruptAgain ? "the saved document does not read back" : "the second save differs",
                     first.constData(), second.constData());
        std::abort();
    }
    return 0;
}
