#include "core/knot.h"

#include "core/value_encoding.h"

#include <QStringEncoder>

#include <cstring>

namespace qv {

namespace {

// Writes knot text into one growing buffer. Lines are indented by one tab per nesting level when
// their first text is written and end with CR LF; koNoIndent and koNoBreaks hold for the whole
// subtree of the knot that has them.
class TKnotTextWriter
{
public:
    QString Write(const TKnot& root)
    {
        Reserve(4096);
        WriteKnot(root);
        // Every line ends with CR LF, the last one too, whatever the options.
        Reserve(2);
        *FCur++ = u'\r';
        *FCur++ = u'\n';
        FData.resize(FCur - FBegin);
        return std::move(FData);
    }

private:
    void Reserve(qsizetype count)
    {
        if (FEnd - FCur >= count)
            return;
        const qsizetype used = FCur - FBegin;
        const qsizetype capacity = std::max<qsizetype>(used + count, (FEnd - FBegin) * 2);
        FData.resize(capacity);
        FBegin = reinterpret_cast<char16_t*>(FData.data());
        FCur = FBegin + used;
        FEnd = FBegin + capacity;
    }

    void Put(QStringView text)
    {
        std::memcpy(FCur, text.utf16(), size_t(text.size()) * sizeof(char16_t));
        FCur += text.size();
    }

    // Starts the text of a line: the indentation goes in front of its first text.
    void StartText(qsizetype count)
    {
        if (!FLineStarted) {
            FLineStarted = true;
            if (!FNoIndent) {
                Reserve(FLevel + count);
                for (int i = 0; i < FLevel; ++i)
                    *FCur++ = u'\t';
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
        *FCur++ = u'\r';
        *FCur++ = u'\n';
        FLineStarted = false;
    }

    void WriteParam(const TKnotParam& param, uint16_t options)
    {
        const QString& name = param.Name();
        if (param.Kind() == kpNone) {
            Reserve(name.size() + 1);
            *FCur++ = u' ';
            Put(name);
            return;
        }
        const bool unquoted = (options & koUnquoted) != 0;
        if (const QByteArray* stream = param.Stream()) {
            // Hexadecimal digits never need quotes nor encoding.
            static const char16_t digits[] = u"0123456789ABCDEF";
            Reserve(name.size() + 4 + 2 * stream->size());
            *FCur++ = u' ';
            Put(name);
            *FCur++ = u'=';
            if (!unquoted)
                *FCur++ = u'"';
            for (const char byte : *stream) {
                const auto b = static_cast<unsigned char>(byte);
                *FCur++ = digits[b >> 4];
                *FCur++ = digits[b & 0x0F];
            }
            if (!unquoted)
                *FCur++ = u'"';
            return;
        }
        const QString& text = param.Text();
        Reserve(name.size() + 4 + MaxEncodedValueSize(text.size()));
        *FCur++ = u' ';
        Put(name);
        *FCur++ = u'=';
        char16_t* quote = FCur++;
        *quote = u'"';
        bool needsQuotes = true;
        char16_t* end = EncodeValueTo(FCur, text, (options & koQuoteMode) != 0, &needsQuotes);
        if (unquoted && !needsQuotes) {
            std::memmove(quote, quote + 1, size_t(end - quote - 1) * sizeof(char16_t));
            FCur = end - 1;
        } else {
            FCur = end;
            *FCur++ = u'"';
        }
    }

    void WriteKnot(const TKnot& knot)
    {
        const uint16_t options = knot.EffectiveOptions();
        const bool noIndent = FNoIndent;
        const bool noBreaks = FNoBreaks;
        FNoIndent = FNoIndent || (options & koNoIndent) != 0;
        FNoBreaks = FNoBreaks || (options & koNoBreaks) != 0;

        const QString& name = knot.Name();
        StartText(name.size() + 3);
        *FCur++ = u'<';
        Put(name);
        for (const TKnotParam* param = knot.FirstParam(); param != nullptr; param = param->Next())
            WriteParam(*param, options);
        if (knot.FirstChild() == nullptr) {
            Reserve(2);
            *FCur++ = u'/';
            *FCur++ = u'>';
        } else {
            Reserve(1);
            *FCur++ = u'>';
            Break();
            ++FLevel;
            const bool skipEmpty = (options & koSkipEmpty) != 0;
            for (const TNode* node = knot.FirstChild(); node != nullptr; node = node->NextSibling()) {
                const auto* child = static_cast<const TKnot*>(node);
                if (skipEmpty && child->IsEmpty())
                    continue;
                WriteKnot(*child);
                const auto* next = static_cast<const TKnot*>(child->NextSibling());
                if (next == nullptr || !next->HasOption(koSameLine))
                    Break();
            }
            --FLevel;
            StartText(name.size() + 3);
            *FCur++ = u'<';
            *FCur++ = u'/';
            Put(name);
            *FCur++ = u'>';
        }
        FNoIndent = noIndent;
        FNoBreaks = noBreaks;
    }

    QString FData;
    char16_t* FBegin = nullptr;
    char16_t* FCur = nullptr;
    char16_t* FEnd = nullptr;
    int FLevel = 0;
    bool FLineStarted = false;
    bool FNoIndent = false;
    bool FNoBreaks = false;
};

} // namespace

QString TKnot::SaveToText() const
{
    return TKnotTextWriter().Write(*this);
}

void TKnot::SaveToStream(QByteArray& stream, TKnotEncoding encoding) const
{
    const QString text = SaveToText();
    switch (encoding) {
    case keAnsi:
        stream += text.toUtf8();
        break;
    case keUtf8:
        stream += "\xEF\xBB\xBF";
        stream += text.toUtf8();
        break;
    case keUtf16LE:
    case keUtf16BE: {
        QStringEncoder encoder(encoding == keUtf16LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                               QStringConverter::Flag::WriteBom);
        stream += encoder.encode(text);
        break;
    }
    }
}

} // namespace qv
