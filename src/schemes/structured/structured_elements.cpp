#include "schemes/structured/structured_elements.h"

#include "core/strings.h"
#include "elements/classes_groups.h"
#include "elements/palette.h"
#include "elements/scheme_images.h"
#include "generation/importer.h"
#include "generation/value_elements.h"
#include "naming/namespace.h"
#include "schemes/structured/structured_generators.h"
#include "schemes/structured/xml_importer.h"

namespace qv {

QV_IMPLEMENT_CLASS(TParametrizedStructureNameField)
QV_IMPLEMENT_CLASS(TParametrizedStructureNodeNameField)
QV_IMPLEMENT_CLASS(TParametrizedStructureAttributeNameField)
QV_IMPLEMENT_CLASS(TParametrizedStructureNodeContainer)
QV_IMPLEMENT_CLASS(TParametrizedStructureAttributeValueContainer)
QV_IMPLEMENT_CLASS(TElement_Node)
QV_IMPLEMENT_CLASS(TElement_Attribute)
QV_IMPLEMENT_CLASS(TParametrizedStructureRoot)
QV_IMPLEMENT_CLASS(TParametrizedStructureSchemeDescriptor)

namespace {

const QString structureCharImages = QStringLiteral("diParametrizedStructureCharImages");
const QString structureSmallImages = QStringLiteral("diParametrizedStructureSmallImages");

// Pictures of the node (0) and the attribute (1): in names, and on the palette.
int StructureCharImage(int position)
{
    return StripImage(CharImages(), structureCharImages, position);
}

int StructureSmallImage(int position)
{
    return StripImage(SmallImages(), structureSmallImages, position);
}

} // namespace

// TParametrizedStructureNameField

TElement_Node* TParametrizedStructureNameField::EnclosingNode(TElement* element)
{
    for (TElement* parent = element != nullptr ? element->ParentElement() : nullptr; parent != nullptr;
         parent = parent->ParentElement()) {
        if (auto* node = dynamic_cast<TElement_Node*>(parent))
            return node;
    }
    return nullptr;
}

TParametrizedStructureNodeNameField::TParametrizedStructureNodeNameField(TScheme* scheme)
    : TParametrizedStructureNameField(scheme)
{
    SetNameOptions(NameOptions() & ~nfoMustBeUnique);
    static const int image = StructureCharImage(0);
    SetImageIndex(image);
}

TNamespace* TParametrizedStructureNodeNameField::GetNamespace()
{
    if (TElement_Node* node = EnclosingNode(NamedElement()))
        return node->NodesNamespace();
    return inherited::GetNamespace();
}

TParametrizedStructureAttributeNameField::TParametrizedStructureAttributeNameField(TScheme* scheme)
    : TParametrizedStructureNameField(scheme)
{
    // Unique only where a generator asks for it (INI); XML keeps the first of equal names.
    SetNameOptions(NameOptions() & ~nfoMustBeUnique);
    static const int image = StructureCharImage(1);
    SetImageIndex(image);
}

TNamespace* TParametrizedStructureAttributeNameField::GetNamespace()
{
    TElement_Node* node = EnclosingNode(NamedElement());
    return node != nullptr ? node->AttributesNamespace() : nullptr;
}

// TParametrizedStructureNodeContainer

TParametrizedStructureNodeContainer::TParametrizedStructureNodeContainer(TScheme* scheme)
    : TTitledTextContainer(scheme)
{
    SetBehaviourOptions(BehaviourOptions() | tboElements | tboElementsOnOwnLine | tboIndent | tboWrap720);
    SetContentOptions(tcoParagraphs);
}

void TParametrizedStructureNodeContainer::GetAcceptedClasses(TElementClassList& list)
{
    list.append(TElement_Node::StaticClass());
    list.append(TElement_Attribute::StaticClass());
    inherited::GetAcceptedClasses(list);
}

bool TParametrizedStructureNodeContainer::ContainsPoint(const QPoint& point)
{
    return BoundsRect().contains(point);
}

void TParametrizedStructureNodeContainer::GetPaletteItems(QList<TPaletteItem*>& list)
{
    inherited::GetPaletteItems(list);
    list.append(XmlImportPaletteItem());
}

QString TParametrizedStructureNodeContainer::InputRefusedHint()
{
    return IsReadOnly() ? inherited::InputRefusedHint() : LoadStr(4853);
}

// TParametrizedStructureAttributeValueContainer

TParametrizedStructureAttributeValueContainer::TParametrizedStructureAttributeValueContainer(TScheme* scheme)
    : TTextorElement(scheme)
{
    SetBehaviourOptions(BehaviourOptions() | tboElements | tboLinks | tboEmptyWidth | tboContainerFrame |
                        tboArtFont | tboWrap480);
    SetContentOptions(tcoAnything);
}

// TElement_Node

TElement_Node::TElement_Node(TScheme* scheme)
    : TNamedElement(scheme, 0, TParametrizedStructureNodeNameField::StaticClass())
{
    FContainer = CreatePart<TParametrizedStructureNodeContainer>();
    FContainer->SetVisualParent(this);
    CreateExpandButton(true);
    CreateDescription();
    FAttributesNamespace = CreatePart<TNamespace>();
    FNodesNamespace = CreatePart<TNamespace>();
}

TVisualElement* TElement_Node::ContentContainer()
{
    return FContainer;
}

void TElement_Node::BuildTitle(TTitleWriter& writer)
{
    inherited::BuildTitle(writer);
    if (IsExpanded()) {
        writer.EndRow();
        writer.AddContent(FContainer);
    }
}

QString TElement_Node::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part != nullptr && part == FContainer)
        return QStringLiteral("Content");
    if (part != nullptr && part == FAttributesNamespace)
        return QStringLiteral("AttributesNamespace");
    if (part != nullptr && part == FNodesNamespace)
        return QStringLiteral("NodesNamespace");
    return inherited::GetPartKnotName(part, filerMode);
}

void TElement_Node::GetHint(QString& text)
{
    text = LoadStr(5603);
    inherited::GetHint(text);
}

// TElement_Attribute

TElement_Attribute::TElement_Attribute(TScheme* scheme)
    : TNamedElement(scheme, 0, TParametrizedStructureAttributeNameField::StaticClass())
{
    CreateDescription();
    FValue = CreatePart<TParametrizedStructureAttributeValueContainer>();
    FValue->SetVisualParent(this);
}

void TElement_Attribute::BuildTitle(TTitleWriter& writer)
{
    inherited::BuildTitle(writer);
    writer.AddGap(6);
    writer.AddElement(FValue, tiaCentre);
}

QString TElement_Attribute::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part != nullptr && part == FValue)
        return QStringLiteral("Value");
    return inherited::GetPartKnotName(part, filerMode);
}

void TElement_Attribute::GetHint(QString& text)
{
    text = LoadStr(5605);
    inherited::GetHint(text);
}

// TParametrizedStructureRoot

TParametrizedStructureRoot::TParametrizedStructureRoot(TScheme* scheme) : TRootWithProcessing(scheme) {}

void TParametrizedStructureRoot::GetAcceptedClasses(TElementClassList& list)
{
    // The generators and the node, registered into the document type's group.
    TClassesGroups& groups = ApplicationClassesGroups();
    groups.AddGroupTo(list, TParametrizedStructureSchemeDescriptor::StaticClass()->ClassesGroup());
    if (ValueElementsGroup() >= 0)
        groups.AddGroupTo(list, ValueElementsGroup());
    inherited::GetAcceptedClasses(list);
}

void TParametrizedStructureRoot::GetPaletteItems(QList<TPaletteItem*>& list)
{
    inherited::GetPaletteItems(list);
    list.append(XmlImportPaletteItem());
}

// TParametrizedStructureSchemeDescriptor

QString TParametrizedStructureSchemeDescriptor::GetTitle(TDescriptor)
{
    return LoadStr(5600);
}

QString TParametrizedStructureSchemeDescriptor::GetDescription(TDescriptor)
{
    return LoadStr(5601);
}

QString TParametrizedStructureSchemeDescriptor::GetExtension(TDescriptor)
{
    return QStringLiteral("strucd");
}

QString TParametrizedStructureSchemeDescriptor::GetRootName(TDescriptor)
{
    return QStringLiteral("StructuredData");
}

int TParametrizedStructureSchemeDescriptor::GetIconId(TDescriptor)
{
    return 60;
}

int TParametrizedStructureSchemeDescriptor::GetSortValue(TDescriptor)
{
    return 60;
}

const TElementClass* TParametrizedStructureSchemeDescriptor::GetRootClass(TDescriptor)
{
    return TParametrizedStructureRoot::StaticClass();
}

// The tree for the writers

TStructuredNode StructuredTreeOf(TElement_Node* node, const std::function<bool(TElement* field)>& resolve,
                                 const std::function<void(TElement* element)>& other, TStructuredWalk walk)
{
    auto valid = [&resolve](TElement* field) {
        return !resolve || resolve(field);
    };
    TStructuredNode result;
    result.Source = node;
    result.NameValid = valid(node->NameField());
    result.Name = node->Name();
    QList<TElement_Attribute*> attributes;
    QList<TElement*> others; // the other elements of the content, inner nodes included
    qsizetype nodes = 0;
    for (TNode* child = node->Container()->FirstChild(); child != nullptr; child = child->NextSibling()) {
        auto* element = dynamic_cast<TElement*>(child);
        if (element == nullptr || (element->Options() & eoPart) != 0)
            continue;
        auto* attribute = dynamic_cast<TElement_Attribute*>(element);
        if (attribute == nullptr) {
            others.append(element);
            if (dynamic_cast<TElement_Node*>(element) != nullptr)
                ++nodes;
            if (walk == swIni && other)
                other(element);
            continue;
        }
        TStructuredAttribute entry;
        entry.Source = attribute;
        entry.NodesBefore = nodes;
        if (walk == swIni) {
            entry.Valid = valid(attribute->NameField());
            entry.Valid = valid(attribute->ValueField()) && entry.Valid;
        }
        result.Attributes.append(std::move(entry));
        attributes.append(attribute);
    }
    if (walk == swXml) {
        for (qsizetype i = attributes.size() - 1; i >= 0; --i) {
            result.Attributes[i].Valid =
                valid(attributes[i]->NameField()) && valid(attributes[i]->ValueField());
        }
        for (TElement* element : std::as_const(others)) {
            if (auto* inner = dynamic_cast<TElement_Node*>(element))
                result.Children.append(StructuredTreeOf(inner, resolve, other, walk));
            else if (other)
                other(element);
        }
    }
    // Taken once resolved: resolving replaces the embedded values by their texts.
    for (qsizetype i = 0; i < attributes.size(); ++i) {
        result.Attributes[i].Name = attributes[i]->Name();
        result.Attributes[i].Value = attributes[i]->ValueField()->GetText();
    }
    return result;
}

// Registration

TPaletteItem* XmlImportPaletteItem()
{
    static TPaletteItem* const item = new TImporterPaletteItem(
        ImportPaletteGroup(), 0, -1, QV_STR(5615), QV_STR(5614), TXmlImporter::StaticClass(), 850);
    return item;
}

void RegisterStructuredScheme()
{
    static const bool registered = [] {
        // Attribute values and generator outputs hold value elements.
        RegisterValueElements();
        TDescriptor descriptor = TParametrizedStructureSchemeDescriptor::StaticClass();
        RegisterScheme(descriptor);
        ApplicationClassesGroups().GetGroup(descriptor->ClassesGroup()).append(TElement_Node::StaticClass());

        TPalette& palette = Palette();
        new TElementPaletteItem(palette.InsertGroup(), piBlock, StructureSmallImage(0), QV_STR(5603),
                                QV_STR(5602), TElement_Node::StaticClass(), 20);
        new TElementPaletteItem(palette.InsertGroup(), piBlock, StructureSmallImage(1), QV_STR(5605),
                                QV_STR(5604), TElement_Attribute::StaticClass(), 10);
        XmlImportPaletteItem();
        RegisterStructuredGenerators();
        return true;
    }();
    (void)registered;
}

} // namespace qv
