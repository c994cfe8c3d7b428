#pragma once

#include "elements/scheme_descriptor.h"
#include "library/named_element.h"
#include "roots/root.h"
#include "schemes/structured/structured_writers.h"

#include <functional>

namespace qv {

class TElement_Node;

// The names of nodes and attributes, drawn with a picture of the structure strip. Their namespace is
// the one of the nearest enclosing node (see the two subclasses).
class TParametrizedStructureNameField : public TTitledNameField
{
    QV_CLASS(TParametrizedStructureNameField, TTitledNameField)

    using TTitledNameField::TTitledNameField;

    // The nearest node that holds `element` in its content, or null.
    static TElement_Node* EnclosingNode(TElement* element);
};

// A node's name: registered in the "NodesNamespace" of the enclosing node (a top-level node uses the
// document's general namespace). Names may repeat, as XML elements may.
class TParametrizedStructureNodeNameField : public TParametrizedStructureNameField
{
    QV_CLASS(TParametrizedStructureNodeNameField, TParametrizedStructureNameField)

    explicit TParametrizedStructureNodeNameField(TScheme* scheme);

    TNamespace* GetNamespace() override;
};

// An attribute's name: registered in the "AttributesNamespace" of the enclosing node; an attribute
// outside any node registers no name. Names may repeat unless a generator asks otherwise.
class TParametrizedStructureAttributeNameField : public TParametrizedStructureNameField
{
    QV_CLASS(TParametrizedStructureAttributeNameField, TParametrizedStructureNameField)

    explicit TParametrizedStructureAttributeNameField(TScheme* scheme);

    TNamespace* GetNamespace() override;
};

// The content of a node: elements only, each on its own line; takes nodes, attributes and the block
// elements (comments, frames).
class TParametrizedStructureNodeContainer : public TTitledTextContainer
{
    QV_CLASS(TParametrizedStructureNodeContainer, TTitledTextContainer)

    explicit TParametrizedStructureNodeContainer(TScheme* scheme);

    void GetAcceptedClasses(TElementClassList& list) override;
    // The whole box takes clicks, its indent and an empty content too: the content holds only
    // elements, so there is little text area to hit.
    bool ContainsPoint(const QPoint& point) override;
    // The import command appends here.
    void GetPaletteItems(QList<TPaletteItem*>& list) override;
    // Typed text is refused here with what to insert instead.
    QString InputRefusedHint() override;
};

// The value of an attribute: any text with links and embedded value elements.
class TParametrizedStructureAttributeValueContainer : public TTextorElement
{
    QV_CLASS(TParametrizedStructureAttributeValueContainer, TTextorElement)

    explicit TParametrizedStructureAttributeValueContainer(TScheme* scheme);
};

// A named node of the tree: an XML element or an INI section. Parts: the expand button
// ("Expanded"), the name ("Name"), the description, the content ("Content") and the namespaces of
// the attribute names and node names inside it.
class TElement_Node : public TNamedElement
{
    QV_CLASS(TElement_Node, TNamedElement)

    explicit TElement_Node(TScheme* scheme);

    TParametrizedStructureNodeContainer* Container() const { return FContainer; }
    TNamespace* AttributesNamespace() const { return FAttributesNamespace; }
    TNamespace* NodesNamespace() const { return FNodesNamespace; }

    TVisualElement* ContentContainer() override;
    void BuildTitle(TTitleWriter& writer) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    void GetHint(QString& text) override;

private:
    TParametrizedStructureNodeContainer* FContainer = nullptr; // a part
    TNamespace* FAttributesNamespace = nullptr;                // a part
    TNamespace* FNodesNamespace = nullptr;                     // a part
};

// A named text value of a node: an XML attribute or an INI key. Parts: the name ("Name"), the
// description and the value ("Value").
class TElement_Attribute : public TNamedElement
{
    QV_CLASS(TElement_Attribute, TNamedElement)

    explicit TElement_Attribute(TScheme* scheme);

    TParametrizedStructureAttributeValueContainer* ValueField() const { return FValue; }

    void BuildTitle(TTitleWriter& writer) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    void GetHint(QString& text) override;

private:
    TParametrizedStructureAttributeValueContainer* FValue = nullptr; // a part
};

// The root of Structured Data documents: generators, nodes and what every processed document holds.
class TParametrizedStructureRoot : public TRootWithProcessing
{
    QV_CLASS(TParametrizedStructureRoot, TRootWithProcessing)

    explicit TParametrizedStructureRoot(TScheme* scheme);

    void GetAcceptedClasses(TElementClassList& list) override;
    // The import command appends at the end of the document.
    void GetPaletteItems(QList<TPaletteItem*>& list) override;
};

// The Structured Data document type: "strucd" files with the root node "StructuredData".
class TParametrizedStructureSchemeDescriptor : public TSchemeWithProcessingDescriptor
{
    QV_CLASS(TParametrizedStructureSchemeDescriptor, TSchemeWithProcessingDescriptor)

    static QString GetTitle(TDescriptor cls);
    static QString GetDescription(TDescriptor cls);
    static QString GetExtension(TDescriptor cls);
    static QString GetRootName(TDescriptor cls);
    static int GetIconId(TDescriptor cls);
    static int GetSortValue(TDescriptor cls);
    static const TElementClass* GetRootClass(TDescriptor cls);
};

// The order in which StructuredTreeOf resolves a node's fields.
enum TStructuredWalk : uint8_t
{
    // The name; the attributes from the last to the first, the value only of one whose name is
    // valid; then the other elements of the content in order, inner nodes walked into.
    swXml,
    // The name; then each element of the content in order (an attribute: its name and its value);
    // inner nodes are only passed to `other`.
    swIni,
};

// The tree of `node` for the writers, from the plain texts of the names and values. `resolve` (may be
// empty) runs on each name and value field before its text is taken and says whether it is valid;
// `other` (may be empty) is told of each element of a content that is neither node nor attribute.
TStructuredNode StructuredTreeOf(TElement_Node* node,
                                 const std::function<bool(TElement* field)>& resolve = {},
                                 const std::function<void(TElement* element)>& other = {},
                                 TStructuredWalk walk = swXml);

// Registers the Structured Data document type with its elements, generators, palette items and the
// import command. Start-up only (user-interface thread); later calls do nothing.
void RegisterStructuredScheme();
// The "From XML" command (made by RegisterStructuredScheme).
TPaletteItem* XmlImportPaletteItem();

} // namespace qv
