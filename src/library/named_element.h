#pragma once

#include "elements/element_operation.h"
#include "library/check_box_field.h"
#include "library/custom_titled_element.h"
#include "library/names.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace qv {

class TNamedElement;
class TPaletteItem;

// The name field of a named element: its description, dependencies and visibility are the
// element's, and it tells the element about its name and item.
class TTitledNameField : public TNameField
{
    QV_CLASS(TTitledNameField, TNameField)

    explicit TTitledNameField(TScheme* scheme);

    TNamedElement* NamedOwner() const;

    QString Description() const override;
    void CollectDependencies(QList<TReference*>& list) override;
    TNameVisibility Visibility() const override;
    // A plain name in mode 0, else the look of the current visibility.
    bool GetFrameElement(int& element) override;
    void ItemCreated() override;
    void ItemDestroying() override;
    void ContentChangedHook() override;
};

// A titled element whose title carries a name ("Name") and, in the visibility modes that have one,
// a public or private visibility:
//   0 public, fixed, drawn as a plain name; 1 public, fixed; 2 private, fixed;
//   3 public at creation, changeable; 4 private at creation, changeable.
// Only modes 3 and 4 store "Visibility" ("Private" or nothing).
class TNamedElement : public TTitledElement
{
    QV_CLASS(TNamedElement, TTitledElement)

    explicit TNamedElement(TScheme* scheme);

    TTitledNameField* NameField() const { return FNameField; }
    uint8_t VisibilityMode() const { return FVisibilityMode; }
    TNameVisibility Visibility() const { return FVisibility; }
    // Not undoable; calls VisibilityChanged when the value changes.
    void SetVisibilityValue(TNameVisibility value);
    // Posts a TNamedElementVisibilityOperation.
    void SetVisibility(TNameVisibility value);
    // Names the element from its type name, unique in its namespace (when naming new elements is on).
    void AutoName();
    QString Name() const;

    virtual void CollectDependencies(TNameField* field, QList<TReference*>& list);
    // Name := the node name of the element's class; numberFirst unchanged.
    virtual void GetDefaultName(QString& name, bool& numberFirst);
    virtual void NameChanged() {}
    virtual void NameItemCreated() {}
    virtual void NameItemDestroying() {}
    virtual void VisibilityChanged();

    void InitializeNew(TPaletteItem* item) override;
    // With nfoSyncExpand the name announces the new state to the elements mirroring it.
    void ExpandChanged(TExpandButton* button) override;
    void BuildTitle(TTitleWriter& writer) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;
    void GetPaletteItems(QList<TPaletteItem*>& list) override;
    void GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state) override;
    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;

protected:
    // `visibilityMode` 0 to 4 (3 by default); modes 2 and 4 start private.
    TNamedElement(TScheme* scheme, uint8_t visibilityMode, const TElementClass* nameFieldClass = nullptr);

private:
    TTitledNameField* FNameField;
    uint8_t FVisibilityMode;
    TNameVisibility FVisibility;
};

// How a message in the log names the element it is about: the nearest element, `element` or an
// ancestor, that is named or has a palette item, as the item's caption (else its node name) with its
// name in quotes when it has one: 'Node "item"', 'Jump'. Empty when none is found (the root).
QString MessageSubject(TElement* element);

// A named element with a content container ("Content") under its title.
class TNamedElementWithContent : public TNamedElement
{
    QV_CLASS(TNamedElementWithContent, TNamedElement)

    explicit TNamedElementWithContent(TScheme* scheme);

    TTitledTextContainer* Container() const { return FContainer; }

    TVisualElement* ContentContainer() override;
    void BuildTitle(TTitleWriter& writer) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;

protected:
    TNamedElementWithContent(TScheme* scheme, uint8_t visibilityMode);

private:
    TTitledTextContainer* FContainer;
};

// Sets a named element's visibility; undo sets the old one back.
class TNamedElementVisibilityOperation : public TElementOperation
{
    QV_CLASS(TNamedElementVisibilityOperation, TElementOperation)

    explicit TNamedElementVisibilityOperation(TNamedElement* element = nullptr,
                                              TNameVisibility value = nvPublic);

protected:
    void DoOnElement(TElement* element) override;
    void UndoOnElement(TElement* element) override;

private:
    TNameVisibility FNewValue;
    TNameVisibility FOldValue = nvPublic;
};

// The reference a child of a TChildrenByNamespaceElement holds to its item.
class TChildReference : public TReference
{
public:
    explicit TChildReference(TElement* child) : FChild(child) {}
    TElement* Child() const { return FChild; }

private:
    TElement* FChild;
};

// An element whose children (of ChildClass) stand one for each accepted item of a namespace, in
// the name order, kept in step with the namespace's notifications.
class TChildrenByNamespaceElement : public TVisualElement
{
    QV_CLASS(TChildrenByNamespaceElement, TVisualElement)

    explicit TChildrenByNamespaceElement(TScheme* scheme);
    ~TChildrenByNamespaceElement() override;

    TNamespace* Namespace() const { return FNamespace; }
    void SetNamespace(TNamespace* ns);
    bool InNotification() const { return FInNotification; }
    // The child standing for `item`, or null.
    TElement* ChildFor(TNamespaceItem* item);

    virtual TNamespace* GetNamespace();
    virtual TReference* ChildReference(TElement* child);
    virtual TElement* AddChildFor(TNamespaceItem* item);
    virtual void Arrange();
    virtual void RemoveChildFor(TElement* child, TNamespaceItem* item);
    virtual void ChildRenamed(TElement* child, TNamespaceItem* item);
    virtual const TElementClass* ChildClass();
    virtual bool GetDeletedTargetName(TElement* child, QString& name);
    virtual bool AcceptsItem(TNamespaceItem* item);
    virtual bool KeepsOrphans() { return false; }
    virtual void NamespaceNotify(TItfObject* sender, int code, intptr_t param1, intptr_t param2);
    virtual void SetDeletedTargetName(TElement* child, const QString& name);
    // The child's own data in snapshots (its content); by default its node as saved.
    virtual void SaveChildState(TElement* child, TSchemeSaver* saver, TKnot* knot);
    virtual void LoadChildState(TElement* child, TSchemeLoader* loader, TKnot* knot);

    void ParentElementChanged() override;
    bool HandleMessage(int msg, void* param, void* data) override;
    bool ShouldSaveChild(TSchemeFiler* filer, TElement* child) override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;
    void ChildBoundsChanged(TVisualElement* child, const QRect& oldBounds, int oldDescent) override;
    void ShownChanged() override;
    // The state of a child freed by an operation comes back with its undo.
    void RestoreUndoState(TKnot* knot) override;

protected:
    void BeforeDestruction() override;
    // Children of ChildClass that stand for an item or are orphans.
    QList<TElement*> BoundChildren();
    void RequestArrange();

private:
    void Listen(bool on);
    void RecordDependent(TElement* child, int list);

    TNamespace* FNamespace = nullptr;
    bool FInNotification = false;
    bool FArranging = false;
};

// A check box standing for one name; its reference does not count as a use of the name.
class TCheckBoxForNameField : public TCheckBoxField
{
    QV_CLASS(TCheckBoxForNameField, TCheckBoxField)

    explicit TCheckBoxForNameField(TScheme* scheme);
    ~TCheckBoxForNameField() override;

    TReference* NameReference() const { return FReference.get(); }
    const QString& DeletedTargetName() const { return FDeletedTargetName; }
    void SetDeletedTargetName(const QString& name) { FDeletedTargetName = name; }

    void Press() override;

protected:
    void BeforeDestruction() override;

private:
    std::unique_ptr<TReference> FReference;
    QString FDeletedTargetName;
};

// A box of check boxes, one per accepted name, whose checked names are stored by name ("Checked",
// a strict comma text) in files and travel as the boxes' own states in snapshots.
class TCheckNamesBox : public TChildrenByNamespaceElement
{
    QV_CLASS(TCheckNamesBox, TChildrenByNamespaceElement)

    explicit TCheckNamesBox(TScheme* scheme);

    bool GetChecked(TNamespaceItem* item);
    void SetChecked(TNamespaceItem* item, bool value);
    bool GetCheckedElement(TElement* nameOwner);
    void SetCheckedElement(TElement* nameOwner, bool value);
    // The names of the checked boxes in child order.
    QStringList CheckedNames();

    TReference* ChildReference(TElement* child) override;
    TElement* AddChildFor(TNamespaceItem* item) override;
    void ChildRenamed(TElement* child, TNamespaceItem* item) override;
    const TElementClass* ChildClass() override;
    bool GetDeletedTargetName(TElement* child, QString& name) override;
    void SetDeletedTargetName(TElement* child, const QString& name) override;
    void Arrange() override;
    bool IsDefault() const override;
    void SaveChildState(TElement* child, TSchemeSaver* saver, TKnot* knot) override;
    void LoadChildState(TElement* child, TSchemeLoader* loader, TKnot* knot) override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;

private:
    void ApplyCheckedText(const QString& text);
};

// The strict comma text of "Checked": values containing a comma, a quote or a space are quoted
// with '"' (inner quotes doubled). SplitStrictCommaText fails (false) on text that is not of that
// form.
QString JoinStrictCommaText(const QStringList& values);
bool SplitStrictCommaText(const QString& text, QStringList& values);

} // namespace qv
