#pragma once

#include "generation/generator_worker.h"
#include "generation/processor_element.h"
#include "schemes/structured/structured_writers.h"

namespace qv {

class TCheckBoxField;
class TElement_Node;

// Writes the first top-level node as an XML file (indented unless "Packet" is checked). Further
// top-level nodes are reported (5610); without a node nothing is written (5609). Names that are not
// XML names are reported by their fields' checks: such a node is written as "Node", such an
// attribute is left out.
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
// and the section's other keys still written.
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

    // The name fields of the copy take only XML names.
    void Initialize() override;
    void Generate() override;
    void VisitOther(TElement* element) override;
};

// The worker of the INI generator.
class TIniGeneratorWorker : public TSchemeGeneratorWorker
{
public:
    QList<TStructuredNode> Sections;

    // The name fields of the copy take only INI names and must be unique; values stay on one line.
    void Initialize() override;
    void Generate() override;
    void VisitOther(TElement* element) override;
};

// Adds the two generators to the document type's classes and to the palette; called by
// RegisterStructuredScheme.
void RegisterStructuredGenerators();

} // namespace qv
