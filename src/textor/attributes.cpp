#include "textor/attributes.h"

#include <QHashFunctions>
#include <QMutex>

#include <typeinfo>
#include <unordered_set>

namespace qv {

namespace {

struct THashValue
{
    size_t operator()(const TAttributes* value) const { return value->Hash(); }
};

struct TEqualValue
{
    bool operator()(const TAttributes* a, const TAttributes* b) const { return a->Equals(*b); }
};

struct TRegistryData
{
    QMutex Lock;
    std::unordered_set<TAttributes*, THashValue, TEqualValue> Values;
};

// Leaky on purpose: shared defaults live until the process ends and may be released by static
// destructors of other translation units.
TRegistryData& Data()
{
    static TRegistryData* data = new TRegistryData;
    return *data;
}

} // namespace

const TAttributes::TMetaType* TAttributes::StaticClass() noexcept
{
    static const TMetaType meta("TAttributes", nullptr);
    return &meta;
}

const TMetaClass* TAttributes::ClassType() const noexcept
{
    return StaticClass();
}

TAttributes::~TAttributes() = default;

TAttributes* TAttributes::GetShared()
{
    return FShared ? this : TAttributesRegistry::GetShared(*this, false);
}

void TAttributes::Release()
{
    if (FShared) {
        TAttributesRegistry::Release(*this);
        return;
    }
    if (FRefCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete this;
}

void TAttributes::BeginChange()
{
    // A shared value is a key of the registry: changing it would corrupt every portion using it.
    Q_ASSERT(!FShared);
}

std::unique_ptr<TAttributes> TAttributes::Create() const
{
    return AttributesClass()->CreateAttributes();
}

void TAttributes::Assign(const TAttributes&) {}

bool TAttributes::Equals(const TAttributes& other) const
{
    return ClassType() == other.ClassType();
}

size_t TAttributes::Hash() const
{
    return qHash(reinterpret_cast<quintptr>(ClassType()));
}

TAttributes* TAttributesRegistry::GetShared(TAttributes& value, bool addRef)
{
    if (value.FShared) {
        if (addRef)
            value.AddRef();
        return &value;
    }
    TRegistryData& data = Data();
    QMutexLocker locker(&data.Lock);
    auto it = data.Values.find(&value);
    TAttributes* shared = nullptr;
    if (it != data.Values.end()) {
        shared = *it;
    } else {
        // The registry owns its shared values; Release frees each with its last reference.
        shared = value.Create().release();
        Q_ASSERT(shared != nullptr);
        shared->Assign(value);
        shared->FShared = true;
        data.Values.insert(shared);
    }
    if (addRef)
        shared->AddRef();
    return shared;
}

TAttributes* TAttributesRegistry::InternRef(TAttributes& value)
{
    return GetShared(value, true);
}

void TAttributesRegistry::Release(TAttributes& value)
{
    TRegistryData& data = Data();
    QMutexLocker locker(&data.Lock);
    if (value.FRefCount.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    data.Values.erase(&value);
    locker.unlock();
    delete &value;
}

void TAttributesRegistry::DropAllCaches()
{
    TRegistryData& data = Data();
    QMutexLocker locker(&data.Lock);
    for (TAttributes* value : data.Values)
        value->DropCaches();
}

int TAttributesRegistry::Count()
{
    TRegistryData& data = Data();
    QMutexLocker locker(&data.Lock);
    return int(data.Values.size());
}

QV_IMPLEMENT_CLASS(TTextAttributes)

void TTextAttributes::SetData(const QString& value)
{
    BeginChange();
    FData = value;
    EndChange();
}

void TTextAttributes::SetIsLink(bool value)
{
    BeginChange();
    FIsLink = value;
    EndChange();
}

void TTextAttributes::SetLinkTarget(const QString& value)
{
    BeginChange();
    FLinkTarget = value;
    EndChange();
}

void TTextAttributes::Assign(const TAttributes& source)
{
    inherited::Assign(source);
    if (const auto* text = dynamic_cast<const TTextAttributes*>(&source)) {
        FData = text->FData;
        FIsLink = text->FIsLink;
        FLinkTarget = text->FLinkTarget;
    }
}

bool TTextAttributes::Equals(const TAttributes& other) const
{
    if (!inherited::Equals(other))
        return false;
    const auto& text = static_cast<const TTextAttributes&>(other);
    return FIsLink == text.FIsLink && FData == text.FData && FLinkTarget == text.FLinkTarget;
}

size_t TTextAttributes::Hash() const
{
    return qHashMulti(inherited::Hash(), FData, FIsLink, FLinkTarget);
}

int TTextAttributes::FitCount(QStringView chars, int available, int& width)
{
    width = 0;
    qsizetype i = 0;
    while (i < chars.size()) {
        const qsizetype size =
            chars[i].isHighSurrogate() && i + 1 < chars.size() && chars[i + 1].isLowSurrogate() ? 2 : 1;
        const int advance = TextWidth(chars.mid(i, size));
        if (width + advance > available)
            break;
        width += advance;
        i += size;
    }
    return int(i);
}

QV_IMPLEMENT_CLASS(TParagraphAttributes)

void TParagraphAttributes::SetAlignment(uint8_t value)
{
    BeginChange();
    FAlignment = value;
    EndChange();
}

void TParagraphAttributes::Assign(const TAttributes& source)
{
    inherited::Assign(source);
    if (const auto* paragraph = dynamic_cast<const TParagraphAttributes*>(&source))
        FAlignment = paragraph->FAlignment;
}

bool TParagraphAttributes::Equals(const TAttributes& other) const
{
    return inherited::Equals(other) &&
           FAlignment == static_cast<const TParagraphAttributes&>(other).FAlignment;
}

size_t TParagraphAttributes::Hash() const
{
    return qHashMulti(inherited::Hash(), FAlignment);
}

void TParagraphAttributes::DrawBackground(ITextorCanvas&, bool, int, int, TTextAttributes&, const QRect&) {}

int TParagraphAttributes::FirstIndent(TTextAttributes&)
{
    return 0;
}

int TParagraphAttributes::LeftIndent(TTextAttributes&)
{
    return 0;
}

int TParagraphAttributes::RightIndent(TTextAttributes&)
{
    return 0;
}

} // namespace qv
