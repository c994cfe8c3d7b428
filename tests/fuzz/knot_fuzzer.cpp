// The knot reader on any bytes, then everything a loader does with what it read: the reader must
// never crash, hang or read out of bounds, and whatever it kept can be walked, copied and written.

#include "core/knot.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void Walk(qv::TKnot& knot)
{
    for (qv::TKnotParam* p = knot.FirstParam(); p != nullptr; p = p->Next()) {
        knot.ReadString(p->Name());
        knot.ReadInt(p->Name(), 0, 10, -10);
        knot.ReadBool(p->Name(), false);
        QByteArray stream;
        knot.ReadStream(p->Name(), stream);
    }
    for (qv::TKnot* child = knot.FirstKnot(); child != nullptr; child = child->NextKnot())
        Walk(*child);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    qv::TKnot knot;
    // The first byte chooses the inherited options, as documents and settings files set them.
    knot.SetOptions(size > 0 && (data[0] & 1)
                        ? uint16_t(qv::koUniqueParams | qv::koSkipEmpty | qv::koUnquoted | qv::koQuoteMode)
                        : uint16_t(0));
    knot.LoadFromStream(bytes);
    Walk(knot);
    std::vector<qv::TKnot*> knots;
    std::vector<qv::TKnotParam*> params;
    knot.CollectUnread(knots, params);
    if (qv::TKnot* last = knot.LastKnot())
        last->Path();
    knot.KnotByPath(QStringLiteral("a.b"), false);

    qv::TKnot copy;
    copy.Assign(knot);
    for (const qv::TKnotEncoding encoding : {qv::keAnsi, qv::keUtf8, qv::keUtf16LE, qv::keUtf16BE}) {
        QByteArray written;
        copy.SaveToStream(written, encoding);
    }
    qv::TKnot text;
    text.LoadFromText(QString::fromUtf8(bytes));
    text.SaveToText();
    return 0;
}
