#include "core/knot.h"

#include "core/block_pool.h"
#include "core/errors.h"
#include "core/safe_file.h"
#include "core/strings.h"
#include "core/value_encoding.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace qv {

namespace {

TBlockPool& KnotPool()
{
    static TBlockPool& pool = *new TBlockPool(sizeof(TKnot));
    return pool;
}

TBlockPool& ParamPool()
{
    static TBlockPool& pool = *new TBlockPool(sizeof(TKnotParam));
    return pool;
}

// Text longer than an attribute holds goes to blocks of a few sizes; longer than the largest, to the
// heap. The size is known again when the text is freed.
constexpr size_t textBlockSizes[] = {24, 32, 48, 64, 96, 128, 192, 256};

TBlockPool* TextPool(size_t size)
{
    constexpr size_t largest = textBlockSizes[std::size(textBlockSizes) - 1];
    // The pool for each size, in steps of 8 bytes.
    static TBlockPool* const* const bySize = [] {
        static TBlockPool* table[largest / 8 + 1];
        TBlockPool* pools[std::size(textBlockSizes)];
        for (size_t i = 0; i < std::size(textBlockSizes); ++i)
            pools[i] = new TBlockPool(textBlockSizes[i]);
        for (size_t step = 0; step < std::size(table); ++step) {
            size_t i = 0;
            while (textBlockSizes[i] < step * 8)
                ++i;
            table[step] = pools[i];
        }
        return table;
    }();
    return size <= largest ? bySize[(size + 7) / 8] : nullptr;
}

char* AllocateText(size_t size)
{
    if (TBlockPool* pool = TextPool(size))
        return static_cast<char*>(pool->Allocate());
    void* text = std::malloc(size);
    if (text == nullptr)
        throw std::bad_alloc();
    return static_cast<char*>(text);
}

void FreeText(char* text, size_t size) noexcept
{
    if (TBlockPool* pool = TextPool(size))
        pool->Release(text);
    else
        std::free(text);
}

// The names of every knot tree: each text once, for the life of the program. A stream of distinct
// names stops being stored once the table holds maxStoredChars characters.
class TNameTable
{
public:
    static TNameTable& Instance()
    {
        static TNameTable& table = *new TNameTable();
        return table;
    }

    // The stored entry of `text`, stored now if need be; nullptr when the table is full.
    template <class TEntry>
    const TEntry* Find(QStringView text)
    {
        std::lock_guard<std::mutex> guard(FLock);
        const auto found = FNames.constFind(text.toString());
        if (found != FNames.cend())
            return static_cast<const TEntry*>(found.value());
        if (FStoredChars + text.size() > maxStoredChars)
            return nullptr;
        FStoredChars += text.size();
        const auto* stored = new TEntry{text.toString(), text.toUtf8()};
        FNames.insert(stored->Text, stored);
        return stored;
    }

private:
    static constexpr qsizetype maxStoredChars = 1 << 20;

    std::mutex FLock;
    QHash<QString, const void*> FNames;
    qsizetype FStoredChars = 0;
};

// Every thread asks a small cache of the names it met last before the shared table.
struct TNameCache
{
    const void* Slots[256];
};

thread_local TNameCache nameCache;

inline size_t NameHash(QStringView text)
{
    size_t hash = 0x811C9DC5u;
    for (const QChar c : text)
        hash = (hash ^ c.unicode()) * 0x01000193u;
    return hash ^ (hash >> 11);
}

} // namespace

// --- TKnotName ----------------------------------------------------------------------------------

const TKnotName::TEntry TKnotName::FEmpty;

TKnotName::TKnotName(QStringView text)
{
    if (text.isEmpty())
        return;
    const void*& slot = nameCache.Slots[NameHash(text) % std::size(nameCache.Slots)];
    if (slot != nullptr && static_cast<const TEntry*>(slot)->Text == text) {
        FBits = reinterpret_cast<uintptr_t>(slot);
        return;
    }
    if (const TEntry* stored = TNameTable::Instance().Find<TEntry>(text)) {
        slot = stored;
        FBits = reinterpret_cast<uintptr_t>(stored);
        return;
    }
    FBits = reinterpret_cast<uintptr_t>(new TEntry{text.toString(), text.toUtf8()}) | ownedBit;
}

TKnotName TKnotName::FromUtf8(QByteArrayView utf8)
{
    return TKnotName(TextFromUtf8(utf8));
}

void TKnotName::CopyOwned()
{
    FBits = reinterpret_cast<uintptr_t>(new TEntry(*Entry())) | ownedBit;
}

void TKnotName::AssignSlow(const TKnotName& other)
{
    if (&other == this)
        return;
    TKnotName copy(other);
    std::swap(FBits, copy.FBits);
}

void TKnotName::ReleaseOwned() noexcept
{
    delete Entry();
}

// --- TKnotParam ---------------------------------------------------------------------------------

static_assert(sizeof(TKnotParam) == 32, "an attribute should stay half a cache line");

void* TKnotParam::operator new(size_t size)
{
    return size == sizeof(TKnotParam) ? ParamPool().Allocate() : ::operator new(size);
}

void TKnotParam::operator delete(void* block, size_t size) noexcept
{
    if (size == sizeof(TKnotParam))
        ParamPool().Release(block);
    else
        ::operator delete(block);
}

TKnotParam::~TKnotParam()
{
    ReleaseValue();
}

TKnot* TKnotParam::Owner() const
{
    const TKnotParam* param = this;
    while (!(param->FLink & lkOwner))
        param = reinterpret_cast<const TKnotParam*>(param->FLink);
    return reinterpret_cast<TKnot*>(param->FLink & ~lkOwner);
}

char* TKnotParam::HeapText() const
{
    char* text;
    std::memcpy(&text, FCell, sizeof(text));
    return text;
}

QByteArray* TKnotParam::OwnedStream() const
{
    QByteArray* stream;
    std::memcpy(&stream, FCell, sizeof(stream));
    return stream;
}

void TKnotParam::ReleaseValue()
{
    if (!(FTag & tgInline)) {
        if (Kind() == kpText)
            FreeText(HeapText(), TextUtf8().size());
        else if (Kind() == kpStream)
            delete OwnedStream();
    }
    FTag = uint8_t((FTag & tgRead) | tgInline); // kpNone
}

QByteArrayView TKnotParam::TextUtf8() const
{
    if (Kind() != kpText)
        return QByteArrayView();
    if (FTag & tgInline)
        return QByteArrayView(FCell, FTag >> tgSizeShift);
    uint32_t size;
    std::memcpy(&size, FCell + sizeof(char*), sizeof(size));
    return QByteArrayView(HeapText(), qsizetype(size));
}

QString TKnotParam::Text() const
{
    return TextFromUtf8(TextUtf8());
}

const QByteArray* TKnotParam::Stream() const
{
    switch (Kind()) {
    case kpStream:
    case kpStreamRef:
        return OwnedStream();
    default:
        return nullptr;
    }
}

QString TKnotParam::ValueText() const
{
    if (const QByteArray* stream = Stream())
        return StreamToHex(*stream);
    return Text();
}

void TKnotParam::SetNone()
{
    ReleaseValue();
}

void TKnotParam::SetText(const QString& text)
{
    SetTextUtf8(text.toUtf8());
}

void TKnotParam::SetTextUtf8(QByteArrayView utf8)
{
    // `utf8` may be this attribute's own text: copy before releasing it.
    const qsizetype size = utf8.size();
    if (size <= inlineCapacity) {
        char bytes[inlineCapacity];
        if (size > 0)
            std::memcpy(bytes, utf8.data(), size_t(size));
        ReleaseValue();
        if (size > 0)
            std::memcpy(FCell, bytes, size_t(size));
        SetKind(kpText, uint8_t(tgInline | (size << tgSizeShift)));
        return;
    }
    Q_ASSERT(size <= qsizetype(UINT32_MAX));
    char* text = AllocateText(size_t(size));
    std::memcpy(text, utf8.data(), size_t(size));
    ReleaseValue();
    const auto size32 = uint32_t(size);
    std::memcpy(FCell, &text, sizeof(text));
    std::memcpy(FCell + sizeof(text), &size32, sizeof(size32));
    SetKind(kpText);
}

void TKnotParam::InitTextUtf8(QByteArrayView utf8)
{
    const qsizetype size = utf8.size();
    if (size <= inlineCapacity) {
        if (size > 0)
            std::memcpy(FCell, utf8.data(), size_t(size));
        SetKind(kpText, uint8_t(tgInline | (size << tgSizeShift)));
        return;
    }
    Q_ASSERT(size <= qsizetype(UINT32_MAX));
    char* text = AllocateText(size_t(size));
    std::memcpy(text, utf8.data(), size_t(size));
    const auto size32 = uint32_t(size);
    std::memcpy(FCell, &text, sizeof(text));
    std::memcpy(FCell + sizeof(text), &size32, sizeof(size32));
    SetKind(kpText);
}

void TKnotParam::SetStream(const QByteArray& stream)
{
    auto* copy = new QByteArray(stream); // `stream` may be this attribute's own bytes
    ReleaseValue();
    std::memcpy(FCell, &copy, sizeof(copy));
    SetKind(kpStream);
}

void TKnotParam::SetStreamRef(const QByteArray* stream)
{
    ReleaseValue();
    std::memcpy(FCell, &stream, sizeof(stream));
    SetKind(kpStreamRef);
}

// --- Hexadecimal streams ------------------------------------------------------------------------

QString StreamToHex(const QByteArray& stream)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    QString text(stream.size() * 2, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (const char byte : stream) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = digits[b >> 4];
        *out++ = digits[b & 0x0F];
    }
    return text;
}

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

bool HexToStream(QByteArrayView text, QByteArray& stream)
{
    stream.clear();
    if (text.size() % 2 != 0)
        return false;
    QByteArray bytes(text.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int high = HexDigit(text[2 * i]);
        const int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = char((high << 4) | low);
    }
    stream = std::move(bytes);
    return true;
}

// --- TKnot --------------------------------------------------------------------------------------

QV_IMPLEMENT_CLASS(TKnot)

void* TKnot::operator new(size_t size)
{
    return size == sizeof(TKnot) ? KnotPool().Allocate() : ::operator new(size);
}

void TKnot::operator delete(void* block, size_t size) noexcept
{
    if (size == sizeof(TKnot))
        KnotPool().Release(block);
    else
        ::operator delete(block);
}

TKnot::~TKnot()
{
    DeleteKnots();
    DeleteParams();
}

// Knots, attributes and their text are freed in the reverse of the order the reader makes them: the
// pools hand freed blocks out last first, so the next document read gets them in the order of the
// last one, which for a tree read into fresh blocks is the order of their addresses.
void TKnot::DeleteKnots()
{
    while (TNode* child = LastChild())
        child->Free();
}

void TKnot::DeleteParams()
{
    TKnotParam* reversed = nullptr;
    for (TKnotParam* param = FFirstParam; param != nullptr;) {
        TKnotParam* next = param->Next();
        param->LinkNext(reversed);
        reversed = param;
        param = next;
    }
    FFirstParam = nullptr;
    while (reversed != nullptr) {
        auto* next = reinterpret_cast<TKnotParam*>(reversed->FLink);
        delete reversed;
        reversed = next;
    }
}

TKnot* TKnot::AppendParsedChild()
{
    auto* child = new TKnot();
    AppendUnobserved(child);
    child->FOptions = FOptions;
    return child;
}

void TKnot::ParentChanged()
{
    TNode* parent = Parent();
    if (parent != nullptr && IsInstanceOf(parent, TKnot::StaticClass()))
        FOptions = static_cast<TKnot*>(parent)->FOptions;
}

void TKnot::SetOptions(uint16_t value)
{
    FOptions = value;
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling())
        static_cast<TKnot*>(child)->SetOptions(value);
}

// Children of a knot are knots; navigation returns them marked as read.
TKnot* TKnot::Marked(TNode* node)
{
    auto* knot = static_cast<TKnot*>(node);
    if (knot != nullptr)
        knot->FRead = true;
    return knot;
}

TKnot* TKnot::AddKnot(const QString& name)
{
    auto* knot = new TKnot(name);
    knot->SetParent(this);
    return Marked(knot);
}

TKnot* TKnot::GetKnot(const QString& name)
{
    TKnot* knot = FindKnot(name);
    return knot != nullptr ? knot : AddKnot(name);
}

TKnot* TKnot::FindKnot(const QString& name)
{
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (static_cast<TKnot*>(child)->Name() == name)
            return Marked(child);
    }
    return nullptr;
}

TKnot* TKnot::FindNextKnot(const QString& name)
{
    for (TNode* sibling = NextSibling(); sibling != nullptr; sibling = sibling->NextSibling()) {
        if (static_cast<TKnot*>(sibling)->Name() == name)
            return Marked(sibling);
    }
    return nullptr;
}

TKnot* TKnot::KnotByPath(const QString& path, bool create)
{
    TKnot* knot = this;
    if (path.isEmpty())
        return knot;
    for (const QStringView name : QStringView(path).split(u'.')) {
        const QString step = name.toString();
        TKnot* next = knot->FindKnot(step);
        if (next == nullptr) {
            if (!create)
                return nullptr;
            next = knot->AddKnot(step);
        }
        knot = next;
    }
    return knot;
}

TKnot* TKnot::FirstKnot()
{
    return Marked(FirstChild());
}

TKnot* TKnot::LastKnot()
{
    return Marked(LastChild());
}

TKnot* TKnot::NextKnot()
{
    return Marked(NextSibling());
}

TKnot* TKnot::PrevKnot()
{
    return Marked(PrevSibling());
}

TKnot* TKnot::ParentKnot()
{
    TNode* parent = Parent();
    return parent != nullptr && IsInstanceOf(parent, TKnot::StaticClass()) ? Marked(parent) : nullptr;
}

void TKnot::Assign(const TKnot& source)
{
    if (&source == this)
        return;
    Clear();
    FName = source.FName;
    FOptionsExclude = source.FOptionsExclude;
    FOptionsInclude = source.FOptionsInclude;
    TKnotParam* last = nullptr;
    for (const TKnotParam* param = source.FFirstParam; param != nullptr; param = param->Next()) {
        auto* copy = new TKnotParam(param->FName);
        LinkParam(copy, last);
        switch (param->Kind()) {
        case kpNone:
            break;
        case kpText:
            copy->SetTextUtf8(param->TextUtf8());
            break;
        case kpStream:
        case kpStreamRef:
            copy->SetStream(*param->Stream());
            break;
        }
        last = copy;
    }
    for (TNode* child = source.FirstChild(); child != nullptr; child = child->NextSibling()) {
        auto* copy = new TKnot();
        copy->SetParent(this);
        copy->Assign(*static_cast<TKnot*>(child));
    }
}

void TKnot::Clear()
{
    FName = TKnotName();
    FOptionsExclude = 0;
    FOptionsInclude = 0;
    DeleteKnots();
    DeleteParams();
    FRead = false;
    FCorrupt = false;
}

QString TKnot::Path() const
{
    const TNode* parent = Parent();
    if (parent == nullptr || !IsInstanceOf(parent, TKnot::StaticClass()))
        return Name();
    const auto* parentKnot = static_cast<const TKnot*>(parent);
    QString path = parentKnot->Path() + u'.' + Name();
    if (parentKnot->HasOption(koIndexed))
        path += u'[' + QString::number(Index() + 1) + u']';
    return path;
}

bool TKnot::IsEmpty() const
{
    if (FFirstParam != nullptr)
        return false;
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (!static_cast<TKnot*>(child)->IsEmpty())
            return false;
    }
    return true;
}

// --- Attributes ---------------------------------------------------------------------------------

int TKnot::ParamCount() const
{
    int count = 0;
    for (const TKnotParam* param = FFirstParam; param != nullptr; param = param->Next())
        ++count;
    return count;
}

TKnotParam* TKnot::FindParam(const QString& name) const
{
    for (TKnotParam* param = FFirstParam; param != nullptr; param = param->Next()) {
        if (param->Name() == name)
            return param;
    }
    return nullptr;
}

TKnotParam* TKnot::ReadParam(const QString& name)
{
    TKnotParam* param = FindParam(name);
    if (param != nullptr)
        param->SetRead(true);
    return param;
}

bool TKnot::HasParam(const QString& name)
{
    return ReadParam(name) != nullptr;
}

TKnotParam* TKnot::AddParam(const QString& name)
{
    auto* param = new TKnotParam(TKnotName(name));
    TKnotParam* last = FFirstParam;
    while (last != nullptr && last->Next() != nullptr)
        last = last->Next();
    LinkParam(param, last);
    return param;
}

void TKnot::DeleteParam(TKnotParam* param)
{
    TKnotParam* previous = nullptr;
    for (TKnotParam* p = FFirstParam; p != nullptr; previous = p, p = p->Next()) {
        if (p != param)
            continue;
        if (previous == nullptr)
            FFirstParam = param->Next();
        else
            previous->FLink = param->FLink; // the next attribute, or this knot
        delete param;
        return;
    }
}

TKnotParam* TKnot::ParamForWrite(const QString& name)
{
    if (HasOption(koUniqueParams)) {
        if (TKnotParam* param = FindParam(name))
            return param;
    }
    return AddParam(name);
}

QString TKnot::ReadString(const QString& name, const QString& def)
{
    const TKnotParam* param = ReadParam(name);
    return param != nullptr ? param->ValueText() : def;
}

bool TKnot::ReadBool(const QString& name, bool def)
{
    const TKnotParam* param = ReadParam(name);
    if (param == nullptr || param->Kind() != kpText)
        return def;
    const QByteArrayView text = param->TextUtf8();
    if (text == "1")
        return true;
    if (text == "0")
        return false;
    return def;
}

namespace {

// An optional sign and decimal digits, nothing else, within the range of int.
bool ParseDecimal(QByteArrayView text, int& value)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return false;
    qint64 result = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + (c - '0');
        if (result > qint64(INT32_MAX) + 1)
            return false;
    }
    if (negative)
        result = -result;
    if (result < INT32_MIN || result > INT32_MAX)
        return false;
    value = int(result);
    return true;
}

} // namespace

int TKnot::ReadInt(const QString& name, int def, int max, int min)
{
    const TKnotParam* param = ReadParam(name);
    int value = 0;
    if (param == nullptr ||
        !ParseDecimal(param->Kind() == kpText ? param->TextUtf8() : QByteArrayView(), value))
        return def;
    if (max != min && (value < min || value > max))
        return def;
    return value;
}

bool TKnot::ReadStream(const QString& name, QByteArray& stream)
{
    const TKnotParam* param = ReadParam(name);
    if (param == nullptr)
        return true;
    if (const QByteArray* bytes = param->Stream()) {
        stream = *bytes;
        return true;
    }
    return HexToStream(param->TextUtf8(), stream);
}

void TKnot::WriteString(const QString& name, const QString& value)
{
    ParamForWrite(name)->SetText(value);
}

void TKnot::WriteInt(const QString& name, int value)
{
    ParamForWrite(name)->SetText(QString::number(value));
}

void TKnot::WriteBool(const QString& name, bool value)
{
    ParamForWrite(name)->SetText(value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TKnot::WriteStream(const QString& name, const QByteArray& stream)
{
    ParamForWrite(name)->SetStream(stream);
}

void TKnot::WriteStreamRef(const QString& name, const QByteArray* stream)
{
    ParamForWrite(name)->SetStreamRef(stream);
}

// Storing: a window that can be sized and maximized stores "Maximized", and nothing else while it is
// maximized; otherwise the position, and the size when the border lets the user size the window.
void TKnot::WriteFormPlace(const TFormPlacement& place)
{
    if (place.Sizeable && place.Maximizable) {
        WriteBool(QStringLiteral("Maximized"), place.Maximized);
        if (place.Maximized)
            return;
    }
    WriteInt(QStringLiteral("Left"), place.Left);
    WriteInt(QStringLiteral("Top"), place.Top);
    if (place.Sizeable) {
        WriteInt(QStringLiteral("Width"), place.Width);
        WriteInt(QStringLiteral("Height"), place.Height);
    }
}

// Restoring: "Maximized" = 1 wins for a window that can be maximized; otherwise a stored "Left"
// places the window. A coordinate that would put the window off the desktop keeps its present value.
bool TKnot::ReadFormPlace(TFormPlacement& place, int desktopWidth, int desktopHeight)
{
    if (place.Sizeable && place.Maximizable && ReadBool(QStringLiteral("Maximized"), false)) {
        place.Maximized = true;
        return true;
    }
    if (!HasParam(QStringLiteral("Left")))
        return false;
    place.Maximized = false;
    if (place.Sizeable) {
        place.Width = ReadInt(QStringLiteral("Width"), place.Width);
        place.Height = ReadInt(QStringLiteral("Height"), place.Height);
    }
    place.Left = ReadInt(QStringLiteral("Left"), place.Left, desktopWidth - place.Width, 0);
    place.Top = ReadInt(QStringLiteral("Top"), place.Top, desktopHeight - place.Height, 0);
    return true;
}

// --- Files --------------------------------------------------------------------------------------

void TKnot::LoadFromFile(const QString& fileName, TKnotParseError* error)
{
    QFile file(fileName);
    if (!file.exists())
        RaiseStr(2077, {fileName});
    if (!file.open(QIODevice::ReadOnly))
        throw EQvError(fileName + u": " + file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EQvError(fileName + u": " + file.errorString());
    LoadFromStream(bytes, error);
}

void TKnot::SaveToFile(const QString& fileName, TKnotEncoding encoding) const
{
    QByteArray bytes;
    SaveToStream(bytes, encoding);
    QString error;
    if (!WriteFileSafely(fileName, bytes, &error))
        throw EQvError(fileName + u": " + error);
}

// --- Read tracking ------------------------------------------------------------------------------

bool TKnot::CollectUnread(std::vector<TKnot*>& knots, std::vector<TKnotParam*>& params)
{
    bool found = false;
    for (TKnotParam* param = FFirstParam; param != nullptr; param = param->Next()) {
        if (!param->Read()) {
            params.push_back(param);
            found = true;
        }
    }
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling()) {
        auto* knot = static_cast<TKnot*>(child);
        if (!knot->FRead) {
            knots.push_back(knot);
            found = true;
        } else if (knot->CollectUnread(knots, params)) {
            found = true;
        }
    }
    return found;
}

void TKnot::SetReadMarks(bool value)
{
    FRead = value;
    for (TKnotParam* param = FFirstParam; param != nullptr; param = param->Next())
        param->SetRead(value);
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling())
        static_cast<TKnot*>(child)->SetReadMarks(value);
}

} // namespace qv
