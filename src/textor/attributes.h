#pragma once

#include "core/meta_class.h"

#include <QRect>
#include <QString>
#include <QStringView>

#include <atomic>
#include <cstdint>
#include <utility>

namespace qv {

class ITextorCanvas;
class TAttributes;

// The metaclass of attribute values: TTextor::TextAttributesClass() and ParagraphAttributesClass()
// hand one out so that callers create scratch values of the right class.
class TAttributesMeta : public TMetaClass
{
public:
    using TMetaClass::TMetaClass;
    TNodePtr<TNode> CreateNode() const override { return nullptr; }
    // A new unshared value with default fields, or nullptr for an abstract class.
    virtual std::unique_ptr<TAttributes> CreateAttributes() const = 0;
};

template <class C>
class TAttributesMetaImpl : public TAttributesMeta
{
public:
    using TAttributesMeta::TAttributesMeta;
    std::unique_ptr<TAttributes> CreateAttributes() const override
    {
        if constexpr (std::is_abstract_v<C>)
            return nullptr;
        else
            return std::make_unique<C>();
    }
    bool IsAbstract() const override { return std::is_abstract_v<C>; }
};

// An interned, reference-counted formatting value. Two portions with equal formatting hold the very
// same object, so formatting compares by identity.
//
// A value is either a scratch value (not shared: the caller creates it, sets fields, interns it with
// GetShared and frees it) or a shared one (registered in the process-wide registry, immutable, freed
// when its last reference goes). Setters call BeginChange/EndChange; changing a shared value is a
// programming error.
//
// Thread-safe: documents are also loaded on the generation thread, so interning and releasing are
// guarded by the registry's mutex and counts are atomic.
class TAttributes
{
public:
    template <class C>
    using TMetaFor = TAttributesMetaImpl<C>;
    using TMetaType = TAttributesMetaImpl<TAttributes>;
    static const TMetaType* StaticClass() noexcept;
    virtual const TMetaClass* ClassType() const noexcept;
    const TAttributesMeta* AttributesClass() const noexcept
    {
        return static_cast<const TAttributesMeta*>(ClassType());
    }

    TAttributes() = default;
    TAttributes(const TAttributes&) = delete;
    TAttributes& operator=(const TAttributes&) = delete;
    virtual ~TAttributes();

    bool Shared() const { return FShared; }
    int RefCount() const { return FRefCount.load(std::memory_order_relaxed); }

    // The shared value equal to this one: this object when it is shared, else the registered equal
    // value, else a new registered copy. Takes no reference (see InternRef for the thread-safe form).
    TAttributes* GetShared();
    void AddRef() { FRefCount.fetch_add(1, std::memory_order_relaxed); }
    // Drops a reference; the value is unregistered and freed when the count drops from 1 to 0.
    void Release();

    virtual void BeginChange();
    virtual void EndChange() {}
    // A new unshared value of the same class, with default fields.
    std::unique_ptr<TAttributes> Create() const;
    virtual void Assign(const TAttributes& source);
    // True when `other` is of exactly the same class and every field is equal.
    virtual bool Equals(const TAttributes& other) const;
    // Consistent with Equals.
    virtual size_t Hash() const;
    // Forgets cached fonts and metrics (the measuring context or the theme changed).
    virtual void DropCaches() {}

private:
    friend class TAttributesRegistry;
    std::atomic<int> FRefCount{0};
    bool FShared = false;
};

// A counted reference to an attributes value; nullptr stands for "the default".
template <class T>
class TAttributesRef
{
public:
    TAttributesRef() = default;
    TAttributesRef(T* value) : FValue(value)
    {
        if (FValue != nullptr)
            FValue->AddRef();
    }
    TAttributesRef(const TAttributesRef& other) : TAttributesRef(other.FValue) {}
    TAttributesRef(TAttributesRef&& other) noexcept : FValue(std::exchange(other.FValue, nullptr)) {}
    ~TAttributesRef()
    {
        if (FValue != nullptr)
            FValue->Release();
    }
    TAttributesRef& operator=(TAttributesRef other) noexcept
    {
        std::swap(FValue, other.FValue);
        return *this;
    }

    // Takes over a reference the caller already counted.
    static TAttributesRef Adopt(T* value)
    {
        TAttributesRef ref;
        ref.FValue = value;
        return ref;
    }

    T* get() const { return FValue; }
    T* operator->() const { return FValue; }
    T& operator*() const { return *FValue; }
    explicit operator bool() const { return FValue != nullptr; }
    bool operator==(const TAttributesRef& other) const { return FValue == other.FValue; }
    bool operator==(const T* other) const { return FValue == other; }

private:
    T* FValue = nullptr;
};

// The process-wide registry of shared values.
class TAttributesRegistry
{
public:
    // GetShared and AddRef in one step under the registry's lock.
    static TAttributes* InternRef(TAttributes& value);
    static void DropAllCaches();
    // Number of registered values (tests).
    static int Count();

private:
    friend class TAttributes;
    static TAttributes* GetShared(TAttributes& value, bool addRef);
    static void Release(TAttributes& value);
};

// Interns a scratch value and returns a counted reference to the shared equal value.
template <class T>
TAttributesRef<T> Intern(T& scratch)
{
    return TAttributesRef<T>::Adopt(static_cast<T*>(TAttributesRegistry::InternRef(scratch)));
}

// Character formatting. Every measuring and drawing operation is abstract here; TRichTextAttributes is
// the concrete class. Widths are pixels and add up: TextWidth of a string is the sum of its pieces.
class TTextAttributes : public TAttributes
{
    QV_CLASS(TTextAttributes, TAttributes)

    const QString& Data() const { return FData; }
    void SetData(const QString& value);
    bool IsLink() const { return FIsLink; }
    void SetIsLink(bool value);
    const QString& LinkTarget() const { return FLinkTarget; }
    void SetLinkTarget(const QString& value);

    void Assign(const TAttributes& source) override;
    bool Equals(const TAttributes& other) const override;
    size_t Hash() const override;

    // Pixels above and below the baseline.
    virtual int Ascent() = 0;
    virtual int Descent() = 0;
    // The background of an embedded element's cell.
    virtual void DrawBackground(ITextorCanvas& canvas, bool focused, int flags, const QRect& cellRect,
                                const QRect& rowRect) = 0;
    // Background and selection of a blank cell (a tab) `width` pixels wide at x.
    virtual void DrawBlank(ITextorCanvas& canvas, bool focused, int flags, int width, int x,
                           const QRect& rowRect) = 0;
    // Draws characters on `baseline` from x and returns their width in `width`. Flag 1 marks the cell as
    // selected.
    virtual void DrawText(ITextorCanvas& canvas, bool focused, int& width, int flags, QStringView chars,
                          int baseline, int x, const QRect& rowRect) = 0;
    // Distance of tab stops in pixels; at least 1.
    virtual int TabWidth() = 0;
    virtual int TextWidth(QStringView chars) = 0;
    // How many leading UTF-16 units fit into `available` pixels (a surrogate pair whole or not at
    // all); `width` gets their width. By default one character at a time through TextWidth.
    virtual int FitCount(QStringView chars, int available, int& width);

private:
    QString FData;
    QString FLinkTarget;
    bool FIsLink = false;
};

// Paragraph alignment values.
enum : uint8_t
{
    paLeft = 0,
    paRight = 1,
    paCenter = 2,
};

// Paragraph formatting: alignment, and in subclasses indents and backgrounds.
class TParagraphAttributes : public TAttributes
{
    QV_CLASS(TParagraphAttributes, TAttributes)

    uint8_t Alignment() const { return FAlignment; }
    void SetAlignment(uint8_t value);

    void Assign(const TAttributes& source) override;
    bool Equals(const TAttributes& other) const override;
    size_t Hash() const override;

    // Paints behind the paragraph; `paragraphRect` spans the text area's width.
    virtual void DrawBackground(ITextorCanvas& canvas, bool focused, int firstRowHeight, int firstRowLeft,
                                TTextAttributes& textAttributes, const QRect& paragraphRect);
    // Indents in pixels, given the paragraph's text attributes.
    virtual int FirstIndent(TTextAttributes& textAttributes);
    virtual int LeftIndent(TTextAttributes& textAttributes);
    virtual int RightIndent(TTextAttributes& textAttributes);

private:
    uint8_t FAlignment = paLeft;
};

} // namespace qv
