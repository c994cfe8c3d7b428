#pragma once

#include "generation/importer.h"

namespace qv {

// The importers of Structured Data documents.
class TParametrizedStructureImporter : public TSchemeImporter
{
    QV_CLASS(TParametrizedStructureImporter, TSchemeImporter)

    using TSchemeImporter::TSchemeImporter;
};

// "From XML": reads an XML file into one new node appended to the Target text field (the document
// root or a node's content). Elements become nodes, their attributes attributes in document order,
// text and CDATA an attribute "NodeTextValue"; comments, processing instructions and whitespace
// between elements are skipped. What the XML generator would not write back as it was read (text
// beside nodes, comments, processing instructions, a document type) is told in one message (kind 2)
// on the new node.
//
// Any file is read safely: the file is parsed completely before the document changes, so a file
// that is not well-formed changes nothing and gives a fatal message; a file that declares entities
// is refused before any is expanded, and so is one that uses entities it does not declare; nodes
// nested deeper than MaxDepth are refused.
class TXmlImporter : public TParametrizedStructureImporter
{
    QV_CLASS(TXmlImporter, TParametrizedStructureImporter)

    using TParametrizedStructureImporter::TParametrizedStructureImporter;

    static constexpr int MaxDepth = 256;
    // Files with a tag of more attributes are refused.
    static constexpr int MaxAttributes = 1024;

    static void FileFilters(const TSchemeImporterClass* cls, TFileDialogFilters& filters, bool& multiSelect);
    void ImportFile(const QString& fileName) override;
};

} // namespace qv
