#pragma once

// What the document targets share: the application they need, loading a document of one type from any
// bytes as opening its file does, and the check that save → open → save gives the same bytes.

#include "core/knot.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_descriptor.h"
#include "elements/scheme_filer.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace qv {

// The model uses QtGui (fonts, colours), which needs an application object. Once, from
// LLVMFuzzerInitialize.
inline void StartFuzzApplication(const char* targetName)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(targetName), nullptr};
    new QGuiApplication(argc, argv);
}

// A document of `descriptor`'s type loaded from `bytes` as TScheme::LoadFromFile does with a file's
// bytes; `corrupt` tells whether the knot text broke a rule.
inline std::unique_ptr<TScheme> LoadFuzzDocument(TDescriptor descriptor, const QByteArray& bytes,
                                                 TElementMessages& messages, bool& corrupt)
{
    auto scheme = CreateScheme(descriptor);
    scheme->SetMessages(&messages);
    TKnot knot;
    knot.LoadFromStream(bytes);
    corrupt = knot.Corrupt();
    scheme->LoadFromKnot(scheme->Root(), fmFile, &knot);
    return scheme;
}

// The bytes a save of the document loaded from `bytes` writes.
inline QByteArray LoadAndSave(TDescriptor descriptor, const QByteArray& bytes, bool& corrupt)
{
    TElementMessages messages;
    const auto scheme = LoadFuzzDocument(descriptor, bytes, messages, corrupt);
    const QByteArray saved = scheme->SaveToBytes();
    scheme->SetMessages(nullptr);
    return saved;
}

// When `bytes` read without a violation, what a save writes must open again and save to the same
// bytes; aborts with both saves otherwise.
inline void CheckSaveIsStable(TDescriptor descriptor, const QByteArray& bytes)
{
    bool corrupt = false;
    const QByteArray first = LoadAndSave(descriptor, bytes, corrupt);
    if (corrupt)
        return;
    bool corruptAgain = false;
    const QByteArray second = LoadAndSave(descriptor, first, corruptAgain);
    if (corruptAgain || first != second) {
        std::fprintf(stderr, "%s\n--- first save\n%s\n--- second save\n%s\n",
                     corruptAgain ? "the saved document does not read back" : "the second save differs",
                     first.constData(), second.constData());
        std::abort();
    }
}

inline QByteArray FuzzBytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

} // namespace qv
