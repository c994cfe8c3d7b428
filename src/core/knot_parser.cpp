#include "core/knot.h"

#include "core/value_encoding.h"

#include <QStringDecoder>

#include <cstring>

namespace qv {

namespace {

// Character classes of the reader, for characters below 128.
enum : uint8_t {
    ccSpace = 0x01,     // white space: space, tab, CR, LF
    ccNameEnd = 0x02,   // ends a name: white space, '"', '/', '<', '=', '>'
    ccValueStop = 0x04, // needs a look inside a value: white space, '/', '>', '"', '&'
};

struct TCharClasses
{
    uint8_t Of[128];

    constexpr TCharClasses() : Of()
    {
        for (const char16_t c : {u' ', u'\t', u'\r', u'\n'})
            Of[c] = ccSpace | ccNameEnd | ccValueStop;
        for (const char16_t c : {u'"', u'/', u'<', u'=', u'>'})
            Of[c] |= ccNameEnd;
        for (const char16_t c : {u'/', u'>', u'"', u'&'})
            Of[c] |= ccValueStop;
    }
};

constexpr TCharClasses charClasses;

inline bool Is(char16_t c, uint8_t cls)
{
    return c < 128 && (charClasses.Of[c] & cls) != 0;
}

// Knots nested deeper than this make the text corrupt: trees are walked recursively (writing,
// copying, freeing), so a hostile file must not be able to build one deep enough to exhaust the stack.
constexpr size_t maxKnotDepth = 1000;

} // namespace

// Reads knot text into a knot. The rules:
//  - white space is space, tab, CR and LF; leading white space is skipped and the text must then
//    start with "<"; a declaration "<?" is skipped up to the next "?", the next ">" and the next "<";
//  - an element is "<", optional white space, a name (up to white space, '"', '/', '<', '=' or '>')
//    and attribute names; a name followed directly by "=" takes a value that runs up to white space,
//    "/" or ">" outside double quotes (each quote switches); "/>" ends an empty element, ">" starts
//    its content;
//  - content is child elements up to "</" (white space allowed), the element's name and ">". Text
//    between tags makes the parse fail but is skipped up to the next "<"; after an end tag
//    everything up to the next "<" is skipped;
//  - after the root element only white space may follow.
// Any other violation stops the parse; the knots read so far stay. The parser never throws.
class TKnotParser
{
public:
    TKnotParser(TKnot& root, QStringView text) : FRoot(root), FP(text.utf16()), FEnd(FP + text.size()) {}

    bool Parse()
    {
        FRoot.Clear();
        const bool ok = ParseDocument() && !FFailed;
        FRoot.FCorrupt = !ok;
        return ok;
    }

private:
    void SkipSpace()
    {
        while (FP < FEnd && Is(*FP, ccSpace))
            ++FP;
    }

    // Moves to the next `c`, or to the end of the text.
    void SkipTo(char16_t c)
    {
        while (FP < FEnd && *FP != c)
            ++FP;
    }

    QStringView ScanName()
    {
        const char16_t* start = FP;
        while (FP < FEnd && !Is(*FP, ccNameEnd))
            ++FP;
        return QStringView(start, FP - start);
    }

    // Names repeat all over a text: equal names share one string (and its memory).
    const QString& Intern(QStringView name)
    {
        const qsizetype size = name.size();
        const char16_t* s = name.utf16();
        size_t hash = size_t(size) * 0x9E3779B1u;
        hash ^= size_t(s[0]) * 31u + size_t(s[size - 1]) * 131u + size_t(s[size / 2]) * 7u;
        hash ^= hash >> 13;
        QString& slot = FNames[hash % std::size(FNames)];
        if (slot.size() != size || std::memcmp(slot.utf16(), s, size_t(size) * sizeof(char16_t)) != 0)
            slot = name.toString();
        return slot;
    }

    bool ParseDocument()
    {
        SkipSpace();
        if (FP == FEnd || *FP != u'<')
            return false;
        if (FEnd - FP > 1 && FP[1] == u'?') {
            FP += 2;
            for (const char16_t c : {u'?', u'>', u'<'}) {
                SkipTo(c);
                if (FP == FEnd)
                    return false;
                if (c != u'<')
                    ++FP;
            }
        }
        bool empty = false;
        if (!ParseStartTag(nullptr, empty))
            return false;
        std::vector<TKnot*> open;
        if (!empty)
            open.push_back(&FRoot);
        while (!open.empty()) {
            SkipSpace();
            if (FP == FEnd)
                return false;
            if (*FP != u'<') {
                FFailed = true; // text between tags
                SkipTo(u'<');
                continue;
            }
            if (FEnd - FP > 1 && FP[1] == u'/') {
                FP += 2;
                SkipSpace();
                const QStringView name = ScanName();
                if (FP == FEnd || *FP != u'>' || name != open.back()->FName)
                    return false;
                ++FP;
                open.pop_back();
                SkipTo(u'<');
                continue;
            }
            if (open.size() >= maxKnotDepth)
                return false;
            TKnot* child = nullptr;
            if (!ParseStartTag(open.back(), empty, &child))
                return false;
            if (!empty)
                open.push_back(child);
        }
        SkipSpace();
        return FP == FEnd;
    }

    // At "<": reads the name and attributes up to "/>" (`empty`) or ">". The root is FRoot; a child
    // is created under `parent` once its name is complete.
    bool ParseStartTag(TKnot* parent, bool& empty, TKnot** created = nullptr)
    {
        ++FP;
        SkipSpace();
        const QStringView name = ScanName();
        if (name.isEmpty() || FP == FEnd)
            return false;
        TKnot* knot = &FRoot;
        if (parent != nullptr) {
            knot = new TKnot();
            knot->SetParent(parent);
            *created = knot;
        }
        knot->FName = Intern(name);
        TKnotParam* last = nullptr;
        while (true) {
            SkipSpace();
            if (FP == FEnd)
                return false;
            const char16_t c = *FP;
            if (c == u'/') {
                if (FEnd - FP < 2 || FP[1] != u'>')
                    return false;
                FP += 2;
                empty = true;
                return true;
            }
            if (c == u'>') {
                ++FP;
                empty = false;
                return true;
            }
            const QStringView paramName = ScanName();
            if (paramName.isEmpty() || FP == FEnd)
                return false;
            auto* param = new TKnotParam(knot, Intern(paramName));
            if (*FP == u'=') {
                ++FP;
                if (!ScanValue(*param)) {
                    delete param;
                    return false;
                }
            }
            (last != nullptr ? last->FNext : knot->FFirstParam) = param;
            last = param;
        }
    }

    // After "=": the value up to white space, "/" or ">" outside double quotes.
    bool ScanValue(TKnotParam& param)
    {
        const char16_t* start = FP;
        int quotes = 0;
        bool inQuotes = false;
        bool references = false;
        while (true) {
            while (FP < FEnd && !Is(*FP, ccValueStop))
                ++FP;
            if (FP == FEnd)
                return false;
            const char16_t c = *FP;
            if (c == u'"') {
                inQuotes = !inQuotes;
                ++quotes;
            } else if (c == u'&') {
                references = true;
            } else if (!inQuotes) {
                break;
            }
            ++FP;
        }
        QStringView value(start, FP - start);
        if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') {
            value = value.sliced(1, value.size() - 2);
            quotes -= 2;
        }
        param.FKind = kpText;
        if (quotes >= 2 || references)
            param.FText = DecodeValue(value, quotes, true);
        else
            param.FText = value.toString();
        return true;
    }

    TKnot& FRoot;
    const char16_t* FP;
    const char16_t* const FEnd;
    bool FFailed = false;
    QString FNames[512];
};

bool TKnot::LoadFromText(const QString& text)
{
    return TKnotParser(*this, text).Parse();
}

void TKnot::LoadFromStream(const QByteArray& stream)
{
    QByteArrayView bytes(stream);
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text = QString::fromUtf8(bytes.sliced(3));
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                            : QStringConverter::Utf16BE);
        text = decoder.decode(bytes.sliced(2));
    } else if (bytes.isValidUtf8()) {
        text = QString::fromUtf8(bytes);
    } else {
        // Older settings files were written in a Windows code page.
        QStringDecoder decoder("windows-1252");
        text = decoder.isValid() ? decoder.decode(bytes) : QString::fromLatin1(bytes);
    }
    LoadFromText(text);
}

} // namespace qv
