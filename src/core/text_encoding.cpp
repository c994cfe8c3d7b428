#include "core/text_encoding.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace qv {

namespace {

// The text side of every conversion: UTF-16 in the machine's byte order, as QString holds it.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr char textSide[] = "UTF-16LE";
#else
constexpr char textSide[] = "UTF-16BE";
#endif

// An open converter, closed when it goes.
class TIconv
{
public:
    TIconv(const QByteArray& to, const QByteArray& from)
        : FHandle(iconv_open(to.constData(), from.constData()))
    {}
    ~TIconv()
    {
        if (IsOpen())
            iconv_close(FHandle);
    }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;

    bool IsOpen() const { return FHandle != reinterpret_cast<iconv_t>(-1); }

    // Converts `size` bytes at `in`, appending to `out`. At an input sequence that is invalid or
    // cannot be converted, `onInvalid(at, left, incomplete)` returns how many bytes to skip (at least
    // one); `incomplete` tells a sequence cut off by the end of the input. With `close` the
    // converter then ends its output (a stateful encoding closes its last sequence).
    template <class F>
    void Feed(const char* in, size_t size, QByteArray& out, bool close, F&& onInvalid)
    {
        char buffer[4096];
        char* input = const_cast<char*>(in);
        size_t left = size;
        while (left > 0) {
            char* output = buffer;
            size_t room = sizeof(buffer);
            const size_t result = iconv(FHandle, &input, &left, &output, &room);
            const int error = errno;
            out.append(buffer, output - buffer);
            if (result != size_t(-1) || error == E2BIG)
                continue;
            if (error != EILSEQ && error != EINVAL)
                break;
            const size_t skip = std::clamp<size_t>(onInvalid(input, left, error == EINVAL), 1, left);
            input += skip;
            left -= skip;
        }
        while (close) {
            char* output = buffer;
            size_t room = sizeof(buffer);
            const size_t result = iconv(FHandle, nullptr, nullptr, &output, &room);
            const int error = errno;
            out.append(buffer, output - buffer);
            close = result == size_t(-1) && error == E2BIG;
        }
    }

private:
    iconv_t FHandle;
};

} // namespace

bool TTextEncoding::IsValid() const
{
    if (FName.isEmpty())
        return false;
    return TIconv(FName, textSide).IsOpen() && TIconv(textSide, FName).IsOpen();
}

QByteArray TTextEncoding::Encode(QStringView text) const
{
    if (FName.isEmpty())
        return QByteArray();
    TIconv converter(FName, textSide);
    if (!converter.IsOpen())
        return QByteArray();
    QByteArray out;
    out.reserve(text.size());
    const char16_t question = u'?';
    auto replace = [&](const char* at, size_t left, bool) {
        // Through the same converter, so that a stateful encoding stays in step.
        converter.Feed(reinterpret_cast<const char*>(&question), sizeof(question), out, false,
                       [](const char*, size_t, bool) { return size_t(2); });
        // A whole surrogate pair is one character.
        if (left >= 4) {
            char16_t units[2];
            std::copy_n(at, 4, reinterpret_cast<char*>(units));
            if (QChar::isHighSurrogate(units[0]) && QChar::isLowSurrogate(units[1]))
                return size_t(4);
        }
        return size_t(2);
    };
    converter.Feed(reinterpret_cast<const char*>(text.data()), size_t(text.size()) * 2, out, true, replace);
    return out;
}

QString TTextEncoding::Decode(QByteArrayView bytes) const
{
    if (FName.isEmpty())
        return QString();
    TIconv converter(textSide, FName);
    if (!converter.IsOpen())
        return QString();
    QByteArray out;
    out.reserve(bytes.size() * 2);
    const char16_t replacement = QChar::ReplacementCharacter;
    converter.Feed(bytes.data(), size_t(bytes.size()), out, true,
                   [&](const char*, size_t left, bool incomplete) {
                       out.append(reinterpret_cast<const char*>(&replacement), sizeof(replacement));
                       // A sequence cut off by the end is given up as a whole.
                       return incomplete ? left : size_t(1);
                   });
    return QString(reinterpret_cast<const QChar*>(out.constData()), out.size() / 2);
}

} // namespace qv
