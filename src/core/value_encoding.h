#pragma once

#include <QByteArrayView>
#include <QString>

namespace qv {

// The one encoding of attribute values in knot text (settings, documents) and in the code writers'
// XML. Every writer of such values goes through these functions.

// Prepares an attribute value of knot text.
//  strict (relaxed = false, documents): NUL and 1…31 become "&#n;"; the double quote, "&", "<" and
//    ">" become "&quot;", "&amp;", "&lt;", "&gt;". Quotes are needed for a space and for "/" (which
//    would end an unquoted value).
//  relaxed (quote mode, settings files): the double quote is doubled; "&" becomes "&amp;" and NUL
//    "&#0;" because the reader always decodes character references. Quotes are needed for any white
//    space the reader knows (space, tab, CR, LF), a double quote, "/" and ">".
// `needsQuotes` tells whether the value may be written without quotes.
QString EncodeValue(const QString& text, bool relaxed, bool* needsQuotes = nullptr);

// The same encoding written to `out`, which must have room for MaxEncodedValueSize(text.size())
// code units; returns the end of what was written. For writers that fill their own buffer. The UTF-8
// form copies bytes from 0x80 on unchanged.
char16_t* EncodeValueTo(char16_t* out, QStringView text, bool relaxed, bool* needsQuotes);
char* EncodeValueTo(char* out, QByteArrayView utf8, bool relaxed, bool* needsQuotes);

// The most code units EncodeValueTo writes for a value of `size` code units ("&quot;" for '"').
constexpr qsizetype MaxEncodedValueSize(qsizetype size)
{
    return size * 6;
}

// The reverse, on a value whose surrounding quotes are already removed: first, scanning from the end,
// quoteCount / 2 pairs of adjacent double quotes are reduced to one; then, with decodeEntities, every
// "&#n;" (n from 0 to 65535), "&quot;", "&lt;", "&gt;" and "&amp;" is decoded in one pass from left to
// right; any other reference stays as it is.
QString DecodeValue(const QString& text, int quoteCount, bool decodeEntities);
QString DecodeValue(QStringView text, int quoteCount, bool decodeEntities);

// The same on UTF-8 bytes, in place (the result is never longer); returns the new size. A reference
// to a high surrogate directly followed by one to a low surrogate gives their character; a lone
// surrogate becomes U+FFFD, which UTF-8 can carry.
qsizetype DecodeValueInPlace(char* utf8, qsizetype size, int quoteCount, bool decodeEntities);
// The same into `out`, which has room for utf8.size() bytes.
qsizetype DecodeValueTo(char* out, QByteArrayView utf8, int quoteCount, bool decodeEntities);

// Text content and quoted attribute values of XML and HTML: "&", "<", ">" and the double quote become
// "&amp;", "&lt;", "&gt;", "&quot;"; the apostrophe and 1…31 become "&#n;". Everything else, NUL
// included, is unchanged.
QString EscapeText(const QString& text);

// UTF-8 to UTF-16, every character kept: a leading U+FEFF is text here, not a byte order mark
// (QString::fromUtf8 drops it). Names and values of knots go through this.
QString TextFromUtf8(QByteArrayView utf8);

// True for the characters the knot reader treats as white space.
constexpr bool IsKnotSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

} // namespace qv
