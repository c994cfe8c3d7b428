#pragma once

#include "elements/drop_down_list.h"
#include "elements/element_operation.h"
#include "fields/textor_edit_operation.h"
#include "fields/textor_element.h"
#include "naming/namespace.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace qv {

class TCustomReferenceElement;
class TElementPaletteItem;
class TReferenceIndex;

// An id path stored by a snapshot, with each element id mapped to the id the loader gave it.
QString MapIdPath(TSchemeLoader* loader, const QString& path);

// Options of a reference field.
enum TReferenceOption : uint8_t
{
    roAllowText = 0x01,       // text that does not resolve is plain text, not a broken reference
    roShowTargetImage = 0x02, // the target's image is drawn before the text
};
using TReferenceOptions = uint8_t;

// The link of a reference field: a new target re-runs the field's content handling, a new cyclic
// state re-checks it.
class TCustomReferenceElementReference : public TReference
{
public:
    explicit TCustomReferenceElementReference(TCustomReferenceElement* field) : FField(field) {}

    TCustomReferenceElement* Field() const { return FField; }
    void TargetChanged() override;
    void CyclicChanged() override;

private:
    TCustomReferenceElement* FField;
};

// A text field whose text is a name. The text is the truth (files and the clipboard carry only the
// text); the target is derived by lookup and kept in step with the namespace: a renamed target
// rewrites the text, a removed one leaves the text and reports it until the name is back.
// Undo data and snapshots carry the target's id path ("Link") so that undo binds the very item.
class TCustomReferenceElement : public TTextorElement
{
    QV_CLASS(TCustomReferenceElement, TTextorElement)

    explicit TCustomReferenceElement(TScheme* scheme);
    ~TCustomReferenceElement() override;

    TCustomReferenceElementReference* Reference() const { return FReference.get(); }
    TNamespaceItem* Target() const { return FReference->Target(); }
    TNamespace* Namespace() const { return FNamespace; }
    TReferenceOptions ReferenceOptions() const { return FReferenceOptions; }
    void SetReferenceOptions(TReferenceOptions value);
    bool Rebinding() const { return FRebinding; }
    TElementPaletteItem* CreateItem() const { return FCreateItem; }
    void SetCreateItem(TElementPaletteItem* item) { FCreateItem = item; }
    TElementPaletteItem* CreateHereItem() const { return FCreateHereItem; }
    void SetCreateHereItem(TElementPaletteItem* item) { FCreateHereItem = item; }

    void SetNamespace(TNamespace* ns);
    // The target becomes the first accepted item named exactly like the text, or none.
    void Resolve();
    // Chooses `item` (or none) as one undoable step: the text becomes its name.
    void Rebind(TNamespaceItem* item);
    // Not undoable.
    void SetTarget(TNamespaceItem* item);
    // Whether `item` may be the target: AcceptsTarget, then tree message 200 to the field.
    bool Accepts(TNamespaceItem* item);

    virtual TNamespace* GetNamespace();
    virtual int TargetImageIndex();
    virtual bool AcceptsTarget(TNamespaceItem* item);
    // A notification of the namespace about `item`, routed here by the namespace's reference
    // index (only to the references of the item and to fields whose text is its name).
    virtual void NamespaceNotify(int code, TNamespaceItem* item);

    // Notifications delivered to reference fields, process-wide: the work count of renames.
    static int64_t NotifyCount();
    // The keyboard state the drop-down reads (Shift shows hidden names); tests replace it.
    static std::function<Qt::KeyboardModifiers()>& KeyboardModifiers();

    bool IsFilled() const override;
    void ContentChangedHook() override;
    void CheckContent() override;
    void ParentElementChanged() override;
    bool HandleMessage(int msg, void* param, void* data) override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;
    void RestoreUndoState(TKnot* knot) override;
    void RestoreRedoState(TKnot* knot) override;
    TNodePtr<TTextorEditOperation> CreateEditOperation(int target) override;
    TDropDownItem* FillDropDown(TDropDownItem* root) override;
    bool SelectItem(TDropDownItem* item) override;

protected:
    void BeforeDestruction() override;

private:
    friend class TReferenceIndex;
    friend class TReferenceOperation;
    friend class TReferenceElementTextorEditOperation;

    // Sets the text without resolving (the target is set by the caller).
    void SetTextRebinding(const QString& text);
    void TryBind(TNamespaceItem* item);
    // Stores the target's id path with the executing element operation so that undoing it binds
    // the same item again.
    void RecordUndoLink();
    bool HasEmbeddedElement();
    void UpdateListening();
    void BindLink(const QString& path);
    void CreateAndBind();
    void CreateHere();

    std::unique_ptr<TCustomReferenceElementReference> FReference;
    TNamespace* FNamespace = nullptr;
    TReferenceOptions FReferenceOptions = roShowTargetImage;
    bool FRebinding = false;
    TElementPaletteItem* FCreateItem = nullptr;
    TElementPaletteItem* FCreateHereItem = nullptr;
    // Registered with the index of FNamespace under this text.
    TReferenceIndex* FIndex = nullptr;
    QString FIndexedText;
};

// A reference drawn as a field.
class TReferenceField : public TCustomReferenceElement
{
    QV_CLASS(TReferenceField, TCustomReferenceElement)

    explicit TReferenceField(TScheme* scheme);
};

// A reference drawn as a substitution inside text.
class TReferenceElement : public TCustomReferenceElement
{
    QV_CLASS(TReferenceElement, TCustomReferenceElement)

    explicit TReferenceElement(TScheme* scheme);

    bool GetFrameElement(int& element) override;
};

// An undoable choice of a reference's target: the text becomes the target's name.
class TReferenceOperation : public TElementOperation
{
    QV_CLASS(TReferenceOperation, TElementOperation)

    explicit TReferenceOperation(TCustomReferenceElement* field = nullptr, TNamespaceItem* item = nullptr);
    ~TReferenceOperation() override;

    const QString& NewTargetPath() const { return FNewTargetPath; }
    const QString& NewTargetName() const { return FNewTargetName; }
    const QString& OldTargetPath() const { return FOldTargetPath; }

protected:
    void DoOnElement(TElement* element) override;
    void UndoOnElement(TElement* element) override;

private:
    QString FNewTargetPath;
    QString FNewTargetName;
    QString FOldTargetPath;
    std::unique_ptr<TKnot> FOldContent; // "ZivorEredadContent"
    bool FExecuted = false;
};

// A typed edit of a reference field: undoing it binds the target the field had when the edit was
// recorded, even among items of the same name.
class TReferenceElementTextorEditOperation : public TTextorEditOperation
{
    QV_CLASS(TReferenceElementTextorEditOperation, TTextorEditOperation)

    explicit TReferenceElementTextorEditOperation(TTextorElement* element = nullptr);

    const QString& SavedTargetPath() const { return FSavedTargetPath; }
    void RevertEdit(TTextorElement* element) override;

protected:
    void DoOnElement(TElement* element) override;

private:
    QString FSavedTargetPath;
    bool FSaved = false;
};

// An entry of a reference's drop-down: an item (by id path) or one of the create commands.
class TReferenceDropDownItem : public TDropDownItem
{
    QV_CLASS(TReferenceDropDownItem, TDropDownItem)

    enum TKind : uint8_t
    {
        rdkItem,
        rdkCreate,
        rdkCreateHere,
    };

    TReferenceDropDownItem() = default;

    TKind Kind() const { return FKind; }
    void SetKind(TKind kind) { FKind = kind; }
    const QString& ItemPath() const { return FItemPath; }
    void SetItemPath(const QString& path) { FItemPath = path; }

private:
    TKind FKind = rdkItem;
    QString FItemPath;
};

} // namespace qv
