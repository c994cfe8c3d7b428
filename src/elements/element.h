#pragma once

#include "core/meta_class.h"
#include "core/node.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <type_traits>

namespace qv {

class TElement;
class TElementMessages;
class TKnot;
class TPaletteItem;
class TScheme;
class TSchemeFiler;
class TSchemeLoader;
class TSchemeSaver;
class TElementClass;

using TElementClassList = QList<const TElementClass*>;

// Element options (TElement::Options). Stored per class; keep the numbers.
enum TElementOption : uint8_t
{
    eoPart = 0x01,      // a fixed part of its parent; questions about it are answered by the parent
    eoInline = 0x02,    // with eoPart: the values are attributes of the parent's node (not in mode 2)
    eoTransient = 0x04, // never in files; only in snapshots (filer mode 2)
    eoWithID = 0x08,    // writes its ID into files
    eoOptional = 0x10,  // left out by a saver with flag 0x40
    eoForeign = 0x20,   // left out by a saver with flag 0x20
    eoTracked = 0x40,   // takes part in checking; an empty node stays in the file when not default
    eoRequired = 0x80,  // unfilled → message 2331
};

// Element state bits (TElement::State).
enum TElementState : uint8_t
{
    esDestroying = 0x01,     // set on the whole subtree before destruction; checks and updates stop
    esMultiSelected = 0x02,  // member of the sheet's multiple selection (marked)
    esGenerationCopy = 0x04, // loaded by a loader with filer flag 0x01
    esFilled = 0x08,         // cached IsFilled
    esNotDefault = 0x10,     // cached negation of IsDefault
    esCheckQueued = 0x20,    // waiting in the scheme's pending-check list
};

// Tree messages of the element family (TNode::HandleMessage). Other families use further numbers:
// 8 and 9 expand buttons, 10 and 11 text fields, 100 and 101 data insertion, 200 reference
// targets, 250 file filters.
enum TElementTreeMessage : int
{
    tmParentElementChanged = 2, // broadcast over a moved subtree
    tmDestroying = 3,           // broadcast over a subtree before it is freed
    tmInitializeNew = 4,        // broadcast over a new subtree; param: the palette item or null
    tmFilledChanged = 5,
    tmDefaultChanged = 6,
    tmChanged = 7,
};

// The metaclass of the element family: the class-level operations of element classes. A class
// "overrides" one by redefining the static member function of the same name (see
// TElementClassImpl).
class TElementClass : public TMetaClass
{
public:
    using TMetaClass::TMetaClass;

    // A new detached element of this class for `scheme` (may be null for auxiliary elements); null
    // for an abstract class. The caller owns it until it gives it a parent.
    virtual TNodePtr<TElement> CreateElement(TScheme* scheme) const = 0;
    // Whether an element of this class may be inserted into `parent`.
    virtual bool CanInsertInto(const TElement* parent) const = 0;
    // The node name of the class's elements in files.
    virtual QString XmlName() const = 0;
    // The class a container of this class uses for nodes whose type it does not accept.
    virtual const TElementClass* UnacceptedClass() const = 0;

    // The parent class when it is an element class, else nullptr.
    const TElementClass* ElementParent() const;
};

// Forwards the class-level operations to static functions of C:
//   static bool CanInsertInto(const TElementClass* cls, const TElement* parent);
//   static QString XmlName(const TElementClass* cls);
//   static const TElementClass* UnacceptedClass();
// Every element class has a constructor taking the scheme: C(TScheme*).
template <class C>
class TElementClassImpl : public TMetaClassImpl<C, TElementClass>
{
public:
    using TMetaClassImpl<C, TElementClass>::TMetaClassImpl;

    TNodePtr<TNode> CreateNode() const override;
    bool IsAbstract() const override
    {
        return std::is_abstract_v<C> || !std::is_constructible_v<C, TScheme*>;
    }
    TNodePtr<TElement> CreateElement(TScheme* scheme) const override
    {
        if constexpr (std::is_abstract_v<C> || !std::is_constructible_v<C, TScheme*>) {
            (void)scheme;
            return nullptr;
        } else {
            return TNodePtr<TElement>(new C(scheme));
        }
    }
    bool CanInsertInto(const TElement* parent) const override { return C::CanInsertInto(this, parent); }
    QString XmlName() const override { return C::XmlName(this); }
    const TElementClass* UnacceptedClass() const override { return C::UnacceptedClass(); }
};

// The common base of every document element. An element belongs to one scheme, which registers it
// and gives it a process-wide unique ID; other objects refer to elements by ID, never by pointer.
//
// Construction: C(TScheme*) assigns the scheme, registers the element and then runs the class's own
// construction (options, parts). Parts are made with CreatePart in the owner's constructor.
// Destruction: through Free(); the destroying state is set on the whole subtree first.
class TElement : public TNode
{
public:
    template <class C>
    using TMetaFor = TElementClassImpl<C>;
    using inherited = TNode;
    using TMetaType = TMetaFor<TElement>;
    static const TMetaType* StaticClass() noexcept;
    const TMetaClass* ClassType() const noexcept override;
    const TElementClass* ElementClass() const { return static_cast<const TElementClass*>(ClassType()); }

    explicit TElement(TScheme* scheme);
    ~TElement() override;

    TScheme* Scheme() const { return FScheme; }
    int32_t ID() const { return FID; }
    uint8_t State() const { return FState; }
    uint8_t Options() const { return FOptions; }
    bool IsDestroying() const { return (FState & esDestroying) != 0; }
    // The element's own check messages, or nullptr while it has none.
    TElementMessages* Messages() const { return FMessages.get(); }

    // The parent when it is an element.
    TElement* ParentElement() const;

    // Class-level operations (see TElementClass).
    static bool CanInsertInto(const TElementClass* cls, const TElement* parent);
    static QString XmlName(const TElementClass* cls);
    static const TElementClass* UnacceptedClass();

    // Virtual operations.
    virtual bool NeedsCheck() const;
    virtual void RestoreRedoState(TKnot* knot);
    virtual void RestoreUndoState(TKnot* knot);
    virtual void CheckContent();
    virtual void GetAcceptedClasses(TElementClassList& list);
    virtual bool IsFilled() const;
    virtual bool IsDefault() const;
    virtual void InitializeNew(TPaletteItem* item);
    virtual void OptionsChanged(uint8_t oldOptions);
    virtual void GetPartAcceptedClasses(TElement* part, TElementClassList& list);
    virtual void GetPartHint(TElement* part, QString& text);
    virtual void GetPartPaletteItems(TElement* part, QList<TPaletteItem*>& list);
    virtual QString GetPartKnotName(TElement* part, uint8_t filerMode);
    virtual void FilledChanged();
    virtual void IDChanged(int32_t oldID);
    virtual void DefaultChanged();
    virtual void ValidityChanged();
    virtual void ParentElementChanged();
    virtual bool ShouldSavePart(TSchemeFiler* filer, TElement* part);
    // A parent may answer a tree message of a child before the child handles it; `data` is the
    // message's result slot.
    virtual bool ChildMessage(TElement* child, int msg, void* param, void* data);
    virtual void DeferredCheck();
    virtual void PartPaletteCommand(TElement* part, TPaletteItem* item, intptr_t data);
    virtual void Changed();
    virtual void LoadFromKnot(TSchemeLoader* filer, TKnot* knot);
    virtual void SaveToKnot(TSchemeSaver* filer, TKnot* knot);
    // Appends the element's plain text (the parts' texts by default).
    virtual void AppendText(QString& builder);
    // With saver flag 0x80 an element may write something else in its place and return true.
    virtual bool SaveSubstitute(TSchemeSaver* filer, TKnot* knot);
    virtual bool StoresInParentKnot(TSchemeFiler* filer) const;
    virtual QString GetKnotName(TSchemeFiler* filer);

    // Non-virtual operations.
    void SetOptions(uint8_t options);
    // Recomputes the filled and default states (running FilledChanged / DefaultChanged when they
    // change), then Check.
    void Update();
    // Runs the check now, or queues it while the scheme is inside an update bracket.
    void Check();
    // Broadcasts tree message 4 over the element and its subtree, in document order.
    void InitializeNewTree(TPaletteItem* item);
    // GetAcceptedClasses less every class that refuses this element as parent (CanInsertInto).
    TElementClassList AcceptedClasses();
    // The nearest element, starting with this one, that is not a part.
    TElement* PartOwner();
    // Loads through a loader for the element's scheme reporting to the scheme's messages.
    void LoadFrom(TKnot* knot, uint8_t filerMode, uint8_t filerFlags);
    // Saves through a saver on the knot.
    void SaveTo(TKnot* knot, uint8_t filerMode, uint8_t filerFlags);
    TElementMessages* GetMessages();
    // No message of the kinds 2 to 5.
    bool IsValid() const;

    // Creates a part of class `cls` under `owner` before `before` (null: at the end); the owner owns
    // it. Nothing is left behind when inserting fails.
    static TElement* CreatePart(const TElementClass* cls, TElement* owner, TElement* before = nullptr);
    template <class C>
    C* CreatePart(TElement* before = nullptr)
    {
        return static_cast<C*>(CreatePart(C::StaticClass(), this, before));
    }

    // Sets or clears state bits that other classes own (the sheet's multiple selection).
    void SetStateBits(uint8_t bits, bool on);

    bool HandleMessage(int msg, void* param, void* data) override;

    // The process-wide ID counter: the next ID (the first is 1), and raising the counter so that it
    // never hands out `id` or anything below again. Thread-safe.
    static int32_t NextID();
    static void RaiseIDCounter(int32_t id);

protected:
    void BeforeDestruction() override;
    void ParentChanged() override;

    // Offers a tree message to the parents (ChildMessage); true when one handled it.
    virtual bool OfferMessage(int msg, void* param, void* data);

private:
    friend class TScheme;

    TScheme* FScheme;
    int32_t FID = 0;
    uint8_t FState = 0;
    uint8_t FOptions = 0;
    std::unique_ptr<TElementMessages> FMessages;
    // Position in the scheme's registration list (maintained by TScheme).
    qsizetype FRegistration = -1;
};

template <class C>
TNodePtr<TNode> TElementClassImpl<C>::CreateNode() const
{
    return TNodePtr<TNode>(CreateElement(nullptr).release());
}

} // namespace qv
