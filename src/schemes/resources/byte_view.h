#pragma once

#include <QByteArray>

#include <cstdint>

namespace qv {

// Bounds-checked little-endian reads from bytes that came from a file. Offsets and sizes are 64-bit
// so that adding a 32-bit count to a 32-bit offset cannot wrap; every read says whether the bytes
// were all there.
class TByteView
{
public:
    explicit TByteView(const QByteArray& data) : FData(data) {}

    int64_t Size() const { return FData.size(); }
    bool Contains(int64_t offset, int64_t count) const
    {
        return offset >= 0 && count >= 0 && offset <= Size() && count <= Size() - offset;
    }
    bool ReadU16(int64_t offset, uint16_t& value) const
    {
        if (!Contains(offset, 2))
            return false;
        value = uint16_t(Byte(offset) | Byte(offset + 1) << 8);
        return true;
    }
    bool ReadU32(int64_t offset, uint32_t& value) const
    {
        if (!Contains(offset, 4))
            return false;
        value = uint32_t(Byte(offset)) | uint32_t(Byte(offset + 1)) << 8 | uint32_t(Byte(offset + 2)) << 16 |
                uint32_t(Byte(offset + 3)) << 24;
        return true;
    }
    // A copy of `count` bytes, or false when they are not all there.
    bool ReadBytes(int64_t offset, int64_t count, QByteArray& value) const
    {
        if (!Contains(offset, count))
            return false;
        value = FData.mid(qsizetype(offset), qsizetype(count));
        return true;
    }
    const QByteArray& Data() const { return FData; }

private:
    uint8_t Byte(int64_t offset) const { return uint8_t(FData[qsizetype(offset)]); }

    const QByteArray& FData;
};

// Appends little-endian numbers.
inline void AppendU16(QByteArray& out, uint16_t value)
{
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

inline void AppendU32(QByteArray& out, uint32_t value)
{
    AppendU16(out, uint16_t(value & 0xFFFF));
    AppendU16(out, uint16_t(value >> 16));
}

// Zero bytes up to the next multiple of 4 of the array's size.
inline void PadTo4(QByteArray& out)
{
    while (out.size() % 4 != 0)
        out.append('\0');
}

} // namespace qv
