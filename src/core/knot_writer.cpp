#include "core/knot.h"

#include "core/value_encoding.h"

#include <QStringEncoder>

#include <cstring>

namespace qv {

namespace {

// Writes knot text as UTF-8 at the end of a byte array. Lines are indented by one tab per nesting
// level when their first text is written and end with CR LF; koNoIndent and koNoBreaks hold for the
// whole subtree of the knot that has them.
class TKnotTextWriter
{
public:
    explicit TKnotTextWriter(QByteArray& out) : FData(out), FStart(out.size()) {}

    void Write(const TKnot& root)
    {
        FRoot = &root;
        WriteKnot(root);
        // Every line ends with CR LF, the last one too, whatever the options.
        Reserve(2);
        *FCur++ = '\r';
        *FCur++ = '\n';
        FData.resize(FCur - FData.data());
    }

private:
    void Reserve(qsizetype count)
    {
        if (FEnd - FCur < count)
            Grow(count);
    }

    Q_NEVER_INLINE void Grow(qsizetype count)
    {
        const qsizetype used = FCur != nullptr ? FCur - FData.data() : FStart;
        // The written part doubles; large buffers are mapped, so growing them moves no bytes.
        const qsizetype capacity = std::max<qsizetype>(used + count, FStart + 2 * (used - FStart) + 256);
        FData.resize(capacity);
        FCur = FData.data() + used;
        FEnd = FData.data() + capacity;
    }

    // Names are written as they are (the reader takes any name that holds no markup).
    void Put(QByteArrayView name)
    {
        if (name.isEmpty())
            return;
        std::memcpy(FCur, name.data(), size_t(name.size()));
        FCur += name.size();
    }

    // Starts the text of a line: the indentation goes in front of its first text.
    void StartText(qsizetype count)
    {
        if (!FLineStarted) {
            FLineStarted = true;
            if (!FNoIndent) {
                Reserve(FLevel + count);
                std::memset(FCur, '\t', size_t(FLevel));
                FCur += FLevel;
                return;
            }
        }
        Reserve(count);
    }

    void Break()
    {
        if (FNoBreaks)
            return;
        Reserve(2);
        *FCur++ = '\r';
        *FCur++ = '\n';
        FLineStarted = false;
    }

    void WriteParam(const TKnotParam& param, uint16_t options)
    {
        const QByteArrayView name = param.NameUtf8();
        if (param.Kind() == kpNone) {
            Reserve(name.size() + 1);
            *FCur++ = ' ';
            Put(name);
            return;
        }
        // Without a name the value keeps its quotes: the reader takes '=' for a name only before '"'.
        const bool unquoted = (options & koUnquoted) != 0 && !name.isEmpty();
        if (const QByteArray* stream = param.Stream()) {
            // Hexadecimal digits never need quotes nor encoding.
            static const char digits[] = "0123456789ABCDEF";
            Reserve(name.size() + 4 + 2 * stream->size());
            *FCur++ = ' ';
            Put(name);
            *FCur++ = '=';
            if (!unquoted)
                *FCur++ = '"';
            for (const char byte : *stream) {
                const auto b = static_cast<unsigned char>(byte);
                *FCur++ = digits[b >> 4];
                *FCur++ = digits[b & 0x0F];
            }
            if (!unquoted)
                *FCur++ = '"';
            return;
        }
        const QByteArrayView text = param.TextUtf8();
        Reserve(name.size() + 4 + MaxEncodedValueSize(text.size()));
        *FCur++ = ' ';
        Put(name);
        *FCur++ = '=';
        char* quote = FCur++;
        *quote = '"';
        bool needsQuotes = true;
        char* end = EncodeValueTo(FCur, text, (options & koQuoteMode) != 0, &needsQuotes);
        if (unquoted && !needsQuotes) {
            std::memmove(quote, quote + 1, size_t(end - quote - 1));
            FCur = end - 1;
        } else {
            FCur = end;
            *FCur++ = '"';
        }
    }

    void WriteKnot(const TKnot& knot)
    {
        const uint16_t options = knot.EffectiveOptions();
        const bool noIndent = FNoIndent;
        const bool noBreaks = FNoBreaks;
        FNoIndent = FNoIndent || (options & koNoIndent) != 0;
        FNoBreaks = FNoBreaks || (options & koNoBreaks) != 0;

        const QByteArrayView name = knot.NameUtf8();
        StartText(name.size() + 4);
        *FCur++ = '<';
        // "<?" at the start of a text is a declaration; the reader allows white space after "<".
        if (&knot == FRoot && name.startsWith('?'))
            *FCur++ = ' ';
        Put(name);
        for (const TKnotParam* param = knot.FirstParam(); param != nullptr; param = param->Next())
            WriteParam(*param, options);
        // A knot whose children are all left out is written as one without children.
        const bool skipEmpty = (options & koSkipEmpty) != 0;
        auto written = [skipEmpty](const TNode* node) {
            while (node != nullptr && skipEmpty && static_cast<const TKnot*>(node)->IsEmpty())
                node = node->NextSibling();
            return static_cast<const TKnot*>(node);
        };
        const TKnot* child = written(knot.FirstChild());
        if (child == nullptr) {
            Reserve(2);
            *FCur++ = '/';
            *FCur++ = '>';
        } else {
            Reserve(1);
            *FCur++ = '>';
            Break();
            ++FLevel;
            while (child != nullptr) {
                WriteKnot(*child);
                const TKnot* next = written(child->NextSibling());
                if (next == nullptr || !next->HasOption(koSameLine))
                    Break();
                child = next;
            }
            --FLevel;
            StartText(name.size() + 3);
            *FCur++ = '<';
            *FCur++ = '/';
            Put(name);
            *FCur++ = '>';
        }
        FNoIndent = noIndent;
        FNoBreaks = noBreaks;
    }

    QByteArray& FData;
    const qsizetype FStart;
    const TKnot* FRoot = nullptr;
    char* FCur = nullptr;
    char* FEnd = nullptr;
    int FLevel = 0;
    bool FLineStarted = false;
    bool FNoIndent = false;
    bool FNoBreaks = false;
};

} // namespace

QString TKnot::SaveToText() const
{
    QByteArray utf8;
    TKnotTextWriter(utf8).Write(*this);
    return QString::fromUtf8(utf8);
}

void TKnot::SaveToStream(QByteArray& stream, TKnotEncoding encoding) const
{
    switch (encoding) {
    case keAnsi: {
        const qsizetype start = stream.size();
        TKnotTextWriter(stream).Write(*this);
        // Values read from behind a UTF-8 mark keep bytes that are no UTF-8. Without a mark the
        // reader would take the whole text for a Windows code page: such bytes become U+FFFD.
        if (!QByteArrayView(stream).sliced(start).isValidUtf8()) {
            const QByteArray valid = QString::fromUtf8(QByteArrayView(stream).sliced(start)).toUtf8();
            stream.truncate(start);
            stream += valid;
        }
        break;
    }
    case keUtf8:
        stream += "\xEF\xBB\xBF";
        TKnotTextWriter(stream).Write(*this);
        break;
    case keUtf16LE:
    case keUtf16BE: {
        QStringEncoder encoder(encoding == keUtf16LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                               QStringConverter::Flag::WriteBom);
        stream += encoder.encode(SaveToText());
        break;
    }
    }
}

} // namespace qv
