#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace qv {

// A character encoding named as the C library's iconv knows it ("UTF-7", "UTF-16BE",
// "WINDOWS-1252", …). QStringConverter lacks UTF-7 and the Windows code pages, so conversions go
// through iconv. A value object: each conversion opens and closes its own converter, so any thread
// may use it.
class TTextEncoding
{
public:
    TTextEncoding() = default;
    explicit TTextEncoding(const QByteArray& name) : FName(name) {}

    const QByteArray& Name() const { return FName; }
    // Whether iconv can convert to and from the encoding.
    bool IsValid() const;

    // The text in the encoding, without a byte order mark. A character the encoding cannot hold
    // becomes "?" (in the encoding); an unpaired surrogate counts as such a character. Empty for an
    // invalid encoding.
    QByteArray Encode(QStringView text) const;
    // The bytes as text; a byte sequence that is not valid in the encoding becomes U+FFFD per byte,
    // an incomplete sequence at the end one U+FFFD. Empty for an invalid encoding.
    QString Decode(QByteArrayView bytes) const;

    bool operator==(const TTextEncoding& other) const = default;

private:
    QByteArray FName;
};

} // namespace qv
