// What the knot writer writes reads back to the same tree: text that reads without a violation is
// written, read and written again, and both writes must be equal, in the form of documents and in
// the form of settings files.

#include "core/knot.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Fail(const char* what, const QByteArray& first, const QByteArray& second)
{
    std::fprintf(stderr, "%s\n--- first write (%lld bytes)\n%s\n--- second\n%s\n", what,
                 static_cast<long long>(first.size()), first.toHex(' ').constData(),
                 second.toHex(' ').constData());
    std::abort();
}

void RoundTrip(const QByteArray& bytes, uint16_t options, qv::TKnotEncoding encoding)
{
    qv::TKnot knot;
    knot.SetOptions(options);
    knot.LoadFromStream(bytes);
    if (knot.Corrupt())
        return;
    QByteArray first;
    knot.SaveToStream(first, encoding);
    qv::TKnot back;
    back.SetOptions(options);
    back.LoadFromStream(first);
    QByteArray second;
    back.SaveToStream(second, encoding);
    if (back.Corrupt())
        Fail("the written text does not read back", first, second);
    if (first != second)
        Fail("the second write differs from the first", first, second);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    RoundTrip(bytes, 0, qv::keUtf8);
    RoundTrip(bytes, qv::koUniqueParams | qv::koSkipEmpty | qv::koUnquoted | qv::koQuoteMode, qv::keAnsi);
    RoundTrip(bytes, qv::koNoBreaks, qv::keUtf16LE);
    return 0;
}
