#pragma once

#include "generation/generator_worker.h"
#include "generation/processor_element.h"
#include "schemes/structured/structured_writers.h"

namespace qv {

class TCheckBoxField;
class TElement_Node;

// Writes the first top-level node as an XML file (indented unless "Packet" is checked). Without a
// node (5609) or with further top-level nodes (5610) nothing is written and the run fails. Names
// that are not XML names are reported: such a node is written as "Node", such an attribute is left
// out. Attributes named "NodeTextValue" are written as the element's text.
class TElement_XmlGenerator : public TGeneratorElement
{
    QV_CLASS(TElement_XmlGenerator, TGeneratorElement)

    explicit TElement_XmlGenerator(TScheme* scheme);

    TCheckBoxField* PacketField() const { return FPacket; }

    std::unique_ptr<TSchemeGeneratorWorker> CreateWorker() override;
    QString DefaultExtension() override;
    QString FileFilter() override;
    QString TitleCaption() override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    void GetPartHint(TElement* part, QString& text) override;
    void BuildTitle(TTitleWriter& writer) override;
    void GetHint(QString& text) override;

private:
    TCheckBoxField* FPacket = nullptr; // a part
};

// Writes each top-level node as an INI section of its attributes. Nested nodes are reported (5613)
// and the section's other keys still written. Names and values are written as they are, except
// what would change the lines of the file (reported and left out); a UTF-16 or UTF-32 file begins
// with its byte order mark.
class TElement_IniGenerator : public TGeneratorElement
{
    QV_CLASS(TElement_IniGenerator, TGeneratorElement)

    using TGeneratorElement::TGeneratorElement;

    std::unique_ptr<TSchemeGeneratorWorker> CreateWorker() override;
    QString DefaultExtension() override;
    QString FileFilter() override;
    QString TitleCaption() override;
    void GetHint(QString& text) override;
};

// The worker of the XML generator.
class TXmlGeneratorWorker : public TSchemeGeneratorWorker
{
public:
    bool Packet = false;
    // The document element's node: the first top-level node.
    TElement_Node* RootNode = nullptr;

    // Top-level nodes after the first.
    int FurtherRoots = 0;

    // The name and value fields of the copy are checked by ResolveField instead of their own rules.
    void Initialize() override;
    void Generate() override;
    void VisitOther(TElement* element) override;
    // Resolve, and for a name the check that it is an XML name (reported on its node or attribute).
    bool ResolveField(TElement* field);
};

// The worker of the INI generator.
class TIniGeneratorWorker : public TSchemeGeneratorWorker
{
public:
    QList<TStructuredNode> Sections;

    // The name and value fields of the copy are checked by ResolveField instead of their own rules.
    void Initialize() override;
    void Generate() override;
    void VisitOther(TElement* element) override;
    // Resolve, and the check that the name or value keeps the lines of the file (reported on its
    // section or key).
    bool ResolveField(TElement* field);
};

// Adds the two generators to the document type's classes and to the palette; called by
// RegisterStructuredScheme.
void RegisterStructuredGenerators();

} // namespace qv
