#include "schemes/structured/xml_importer.h"

#include "core/errors.h"
#include "core/knot.h"
#include "core/strings.h"
#include "core/text_utils.h"
#include "elements/element_messages.h"
#include "fields/textor_element.h"
#include "library/path_element.h"
#include "schemes/structured/structured_elements.h"

#include <QFile>
#include <QXmlStreamReader>

namespace qv {

QV_IMPLEMENT_CLASS(TParametrizedStructureImporter)
QV_IMPLEMENT_CLASS(TXmlImporter)

namespace {

bool IsXmlWhitespace(const QString& text)
{
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; });
}

// Builds the content of the document format that the import appends: nodes with their names and
// contents, attributes with their values, each element on a line of its own.
class TStructureKnotBuilder
{
public:
    TStructureKnotBuilder() : FRoot(std::make_unique<TKnot>(QString::fromUtf16(textorContentName))) {}

    const TKnot& Root() const { return *FRoot; }
    // Hands the content over; the builder is done.
    std::unique_ptr<TKnot> TakeRoot() { return std::move(FRoot); }
    int Depth() const { return int(FLevels.size()); }

    void StartNode(const QString& name)
    {
        TKnot* node = AddElement(QStringLiteral("Node"));
        node->AddKnot(QStringLiteral("Name"))->WriteString(QStringLiteral("Value"), name);
        FLevels.append({node->AddKnot(QStringLiteral("Content")), false});
    }
    void EndNode()
    {
        if (!FLevels.isEmpty())
            FLevels.removeLast();
    }
    void AddAttribute(const QString& name, const QString& value)
    {
        TKnot* attribute = AddElement(QStringLiteral("Attribute"));
        attribute->AddKnot(QStringLiteral("Name"))->WriteString(QStringLiteral("Value"), name);
        TKnot* field = attribute->AddKnot(QStringLiteral("Value"));
        // The field's content: runs of characters with a break for each line end.
        qsizetype start = 0;
        const qsizetype n = value.size();
        for (qsizetype i = 0; i <= n; ++i) {
            if (i < n && value[i] != u'\r' && value[i] != u'\n')
                continue;
            if (i > start)
                field->AddKnot(QStringLiteral("Chars"))
                    ->WriteString(QStringLiteral("Value"), value.mid(start, i - start));
            if (i < n) {
                field->AddKnot(QStringLiteral("Br"));
                if (value[i] == u'\r' && i + 1 < n && value[i + 1] == u'\n')
                    ++i;
            }
            start = i + 1;
        }
    }

private:
    struct TLevel
    {
        TKnot* Content;
        bool HasElements;
    };

    TKnot* AddElement(const QString& name)
    {
        TKnot* content = FRoot.get();
        bool* hasElements = &FRootHasElements;
        if (!FLevels.isEmpty()) {
            content = FLevels.last().Content;
            hasElements = &FLevels.last().HasElements;
        }
        if (*hasElements)
            content->AddKnot(QStringLiteral("Br"));
        *hasElements = true;
        return content->AddKnot(name);
    }

    std::unique_ptr<TKnot> FRoot;
    bool FRootHasElements = false;
    QList<TLevel> FLevels;
};

// What of a file does not come back when the imported node is generated as XML.
class TRoundTripLosses
{
public:
    void AddElement()
    {
        if (!FOpen.isEmpty())
            FOpen.last().HasNodes = true;
        FOpen.append(TOpenElement());
    }
    // `name` is the element's name.
    void EndElement(const QString& name)
    {
        if (FOpen.isEmpty())
            return;
        if (FOpen.last().HasText && FOpen.last().HasNodes && FMixed++ == 0)
            FFirstMixed = name;
        FOpen.removeLast();
    }
    void AddText()
    {
        if (!FOpen.isEmpty())
            FOpen.last().HasText = true;
    }
    void AddComment() { ++FComments; }
    void AddProcessingInstruction() { ++FInstructions; }
    void AddDocumentType() { FDocumentType = true; }

    // The losses as one sentence for the message 5629; empty when there are none.
    QString Summary() const
    {
        QStringList parts;
        if (FMixed > 0)
            parts.append(LoadStr(5630, {QString::number(FMixed), MessageValueText(FFirstMixed)}));
        if (FComments > 0)
            parts.append(LoadStr(5631, {QString::number(FComments)}));
        if (FInstructions > 0)
            parts.append(LoadStr(5632, {QString::number(FInstructions)}));
        if (FDocumentType)
            parts.append(LoadStr(5633));
        return parts.join(QStringLiteral("; "));
    }

private:
    struct TOpenElement
    {
        bool HasText = false;
        bool HasNodes = false;
    };
    QList<TOpenElement> FOpen;
    int FMixed = 0;
    QString FFirstMixed;
    int FComments = 0;
    int FInstructions = 0;
    bool FDocumentType = false;
};

} // namespace

void TXmlImporter::FileFilters(const TSchemeImporterClass*, TFileDialogFilters& filters, bool&)
{
    filters.Add(LoadStr(5606), QStringLiteral("xml"));
}

void TXmlImporter::ImportFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        RaiseStr(2077, {fileName});

    QXmlStreamReader reader(&file);
    reader.setNamespaceProcessing(false);
    TStructureKnotBuilder builder;
    TRoundTripLosses losses;
    QString text;
    auto flushText = [&] {
        if (!IsXmlWhitespace(text) && builder.Depth() > 0) {
            builder.AddAttribute(NodeTextValueName(), text);
            losses.AddText();
        }
        text.clear();
    };
    auto fail = [&](const QString& reason) {
        RaiseStr(5618, {fileName, QString::number(reader.lineNumber()),
                        QString::number(reader.columnNumber()), reason});
    };

    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token != QXmlStreamReader::Characters)
            flushText();
        switch (token) {
        case QXmlStreamReader::DTD:
            // Refused before anything is expanded: entity declarations are how a small file grows
            // into a huge one, or reaches for other files.
            if (!reader.entityDeclarations().isEmpty())
                fail(LoadStr(5619));
            losses.AddDocumentType();
            break;
        case QXmlStreamReader::EntityReference:
            fail(LoadStr(5621));
            break;
        case QXmlStreamReader::StartElement: {
            if (builder.Depth() >= MaxDepth)
                fail(LoadStr(5620, {QString::number(MaxDepth)}));
            builder.StartNode(reader.qualifiedName().toString());
            losses.AddElement();
            const QXmlStreamAttributes attributes = reader.attributes();
            for (const QXmlStreamAttribute& attribute : attributes)
                builder.AddAttribute(attribute.qualifiedName().toString(), attribute.value().toString());
            break;
        }
        case QXmlStreamReader::EndElement:
            builder.EndNode();
            losses.EndElement(reader.qualifiedName().toString());
            break;
        case QXmlStreamReader::Characters:
            // A CDATA section is a value of its own, as it is a node of its own in a document model.
            if (reader.isCDATA()) {
                flushText();
                text = reader.text().toString();
                flushText();
            } else {
                text += reader.text();
            }
            break;
        case QXmlStreamReader::Comment:
            losses.AddComment();
            break;
        case QXmlStreamReader::ProcessingInstruction:
            losses.AddProcessingInstruction();
            break;
        default:
            // The document's start and end.
            break;
        }
    }
    if (reader.hasError())
        fail(reader.errorString());
    file.close();

    const int32_t lastBefore = Target != nullptr && Target->LastChild() != nullptr
                                   ? static_cast<TElement*>(Target->LastChild())->ID()
                                   : 0;
    if (builder.Root().IsEmpty() || !AddContent(builder.TakeRoot()))
        return;
    auto* node = Target->LastChild() != nullptr ? dynamic_cast<TElement_Node*>(Target->LastChild()) : nullptr;
    const QString lost = losses.Summary();
    if (node == nullptr || node->ID() == lastBefore || lost.isEmpty() || Messages == nullptr)
        return;
    // One message for the file, on the node it became.
    Messages->AddElementsMessage(mkError, LoadStr(5629, {MessagePathText(fileName), lost}),
                                 QString::number(node->ID()));
}

} // namespace qv
