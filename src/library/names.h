#pragma once

#include "fields/textor_element.h"
#include "naming/namespace.h"

#include <QString>

#include <cstdint>

namespace qv {

class TNameElement;
class TNameField;
class TReferenceSignElement;

// The item of a name element: forwards its questions to the element.
class TNameElementNamespaceItem : public TNamespaceOwnItem
{
public:
    TNameElementNamespaceItem(TNamespace* ns, TNameElement* owner);

    TNameElement* Holder() const;
    int ImageIndex() const override;
    QString Description() const override;
    QString TypeName() const override;
    bool IsEnabled() const override;
    QString Name() const override;
    TNameFlags Flags() const override;
    bool MustBeUnique() const override;
    void CollectDependencies(QList<TReference*>& list) override;
    TNameVisibility Visibility() const override;
};

// A name that no user types: built-in values, reserved types, hidden parameters. Registered while
// it has a namespace, is Registered and is not being destroyed.
class TNameElement : public TElement
{
    QV_CLASS(TNameElement, TElement)

    explicit TNameElement(TScheme* scheme);

    bool Registered() const { return FRegistered; }
    void SetRegistered(bool value);
    TNamespace* Namespace() const { return FNamespace; }
    void SetNamespace(TNamespace* ns);
    TNameElementNamespaceItem* Item() const { return FItem.get(); }

    // The parent when it is a namespace; else the namespace of the nearest general elements owner.
    virtual TNamespace* GetNamespace();
    virtual int ImageIndex() const { return -1; }
    virtual QString Description() const { return QString(); }
    virtual QString TypeName() const { return QString(); }
    virtual bool IsEnabled() const { return true; }
    virtual QString Name() const { return QString(); }
    virtual bool MustBeUnique() const { return true; }
    virtual TNameFlags Flags() const { return 0; }
    virtual void CollectDependencies(QList<TReference*>&) {}
    virtual TNameVisibility Visibility() const { return nvPublic; }
    // Creates or frees the item to match the conditions.
    virtual void NamespaceChanged();
    virtual void ItemCreated() {}
    virtual void ItemDestroying() {}

    void ParentElementChanged() override;
    bool HandleMessage(int msg, void* param, void* data) override;

protected:
    void BeforeDestruction() override;

private:
    void UpdateNamespace();

    bool FRegistered = true;
    TNamespace* FNamespace = nullptr;
    TNamespaceItemPtr<TNameElementNamespaceItem> FItem;
};

// Options of a name field.
enum TNameFieldOption : uint8_t
{
    nfoNamed = 0x01,             // the field registers its name
    nfoOfferAutoName = 0x02,     // the palette offers "Autoname"
    nfoImageWithTextOnly = 0x04, // the image is drawn only while the text is not empty
    nfoMustBeUnique = 0x08,      // the item takes part in the uniqueness check
    nfoSyncExpand = 0x10,        // the owner's expand button announces nnItemExpandedChanged
};
using TNameFieldOptions = uint8_t;

// The item of a name field: forwards to the field; its Element is the element owning the field.
class TNameFieldNamespaceItem : public TNamespaceOwnItem
{
public:
    TNameFieldNamespaceItem(TNamespace* ns, TNameField* field);

    TNameField* Field() const;
    TElement* Element() const override;
    int ImageIndex() const override;
    QString Description() const override;
    QString TypeName() const override;
    bool IsEnabled() const override;
    QString Name() const override;
    TNameFlags Flags() const override;
    bool MustBeUnique() const override;
    void CollectDependencies(QList<TReference*>& list) override;
    TNameVisibility Visibility() const override;
    void StateChanged() override;
    void AddReference(TReference* reference) override;
    void RemoveReference(TReference* reference) override;
};

// The one-line field holding an element's name. It has an item exactly while it has a namespace,
// is nfoNamed, is not being destroyed and its text is not empty; a rename announces nnItemRenamed.
class TNameField : public TTextorElement
{
    QV_CLASS(TNameField, TTextorElement)

    explicit TNameField(TScheme* scheme);

    TNameFieldOptions NameOptions() const { return FNameOptions; }
    void SetNameOptions(TNameFieldOptions value);
    int FieldImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    TNamespace* Namespace() const { return FNamespace; }
    void SetNamespace(TNamespace* ns);
    TNameFieldNamespaceItem* Item() const { return FItem.get(); }
    TReferenceSignElement* Sign() const { return FSign; }
    // The sign exists while the item is referenced (counted), the field is shown and in a sheet.
    void UpdateSign();

    virtual QString GetAutoName() { return QString(); }
    virtual bool CanAutoName() { return true; }
    // The namespace of the nearest general elements owner of the field's owning element.
    virtual TNamespace* GetNamespace();
    virtual int ImageIndex() const { return FImageIndex; }
    virtual QString Description() const { return QString(); }
    virtual QString TypeName() const { return QString(); }
    virtual bool IsEnabled() const;
    virtual QString Name() const;
    virtual bool MustBeUnique() const { return (FNameOptions & nfoMustBeUnique) != 0; }
    virtual TNameFlags Flags() const { return 0; }
    virtual void CollectDependencies(QList<TReference*>&) {}
    virtual TNameVisibility Visibility() const { return nvPublic; }
    virtual void ItemCreated() {}
    virtual void ItemDestroying() {}
    virtual void VisibilityChanged();

    // The element the name stands for: the owner of the field when it is a part.
    TElement* NamedElement();

    // Names draw with the theme element of names.
    bool GetFrameElement(int& element) override;
    void ContentChangedHook() override;
    void CheckContent() override;
    void IDChanged(int32_t oldID) override;
    void EffectiveDisabledChanged() override;
    void ParentElementChanged() override;
    bool HandleMessage(int msg, void* param, void* data) override;
    void GetHint(QString& text) override;
    void ShownChanged() override;
    // The sign belongs to the sheet's top element: it goes when the field leaves its sheet.
    void SheetChanging() override;
    void BoundsChanged(const QRect& oldBounds, int oldDescent) override;
    void PositionChanged() override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    // With nfoOfferAutoName: "Autoname", enabled while CanAutoName.
    void GetPaletteItems(QList<TPaletteItem*>& list) override;
    void GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state) override;
    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;

protected:
    void BeforeDestruction() override;

private:
    void UpdateNamespace();
    // Creates or frees the item to match the conditions.
    void UpdateItem();
    void PlaceSign();

    TNameFieldOptions FNameOptions = nfoNamed | nfoMustBeUnique;
    int FImageIndex = -1;
    TNamespace* FNamespace = nullptr;
    TNamespaceItemPtr<TNameFieldNamespaceItem> FItem;
    TReferenceSignElement* FSign = nullptr;
    QString FLastText;
};

// The small sign at the lower left of a referenced name field; its hint gives the count.
class TReferenceSignElement : public TVisualElement
{
    QV_CLASS(TReferenceSignElement, TVisualElement)

    explicit TReferenceSignElement(TScheme* scheme);

    TNameField* Field() const { return FField; }
    void SetField(TNameField* field) { FField = field; }

    void Paint(TCanvas* canvas) override;
    void GetHint(QString& text) override;

private:
    TNameField* FField = nullptr;
};

// Registers the name and reference classes and their palette commands; idempotent.
void RegisterNameElements();

} // namespace qv
