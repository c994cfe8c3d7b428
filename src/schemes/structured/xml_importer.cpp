#include "schemes/structured/xml_importer.h"

#include "core/errors.h"
#include "core/knot.h"
#include "core/memory_budget.h"
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

// The knots of the document format that one imported node or attribute makes, with its name, its
// content or value and the break after it: what its elements cost in memory.
constexpr qint64 knotsPerElement = 5;

bool IsXmlWhitespace(const QString& text)
{
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; });
}

// The most attributes that one start tag of the bytes holds: its "=" outside quoted values. The
// characters looked for are single bytes in UTF-8 and among the bytes of UTF-16. One linear pass that skips
// comments, CDATA sections, declarations and end tags; it only has to find the tags a parser would take long
// over, not to parse them.
qsizetype MostAttributesInATag(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    qsizetype most = 0;
    auto skipPast = [&](qsizetype from, QByteArrayView end) {
        const qsizetype at = bytes.indexOf(end, from);
        return at < 0 ? n : at + end.size();
    };
    for (qsizetype i = bytes.indexOf('<'); i >= 0 && i < n; i = bytes.indexOf('<', i)) {
        const QByteArrayView rest = bytes.sliced(i);
        if (rest.startsWith("<!--")) {
            i = skipPast(i + 4, "-->");
            continue;
        }
        if (rest.startsWith("<![CDATA[")) {
            i = skipPast(i + 9, "]]>");
            continue;
        }
        qsizetype count = 0;
        char quote = 0;
        qsizetype j = i + 1;
        for (; j < n; ++j) {
            const char c = bytes[j];
            if (quote != 0) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '=') {
                ++count;
            } else if (c == '>') {
                break;
            }
        }
        most = std::max(most, count);
        i = j;
    }
    return most;
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
    // The nodes and attributes added.
    qint64 ElementCount() const { return FNodeCount + FAttributeCount; }

    void StartNode(const QString& name)
    {
        ++FNodeCount;
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
        ++FAttributeCount;
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
    qint64 FAttributeCount = 0;
    qint64 FNodeCount = 0;
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
    // The elements are estimated as the file is read: a file they would not fit in is refused
    // before they are made, a file that would not fit itself before it is read.
    const TMemoryBudget budget;
    budget.CheckFile(fileName, file.size() * TMemoryBudget::KnotBytesPerFileByte);
    // The reader compares each attribute of a tag with all before it: a tag of very many attributes
    // takes it a time that grows with their square, so such a file is refused before it is read.
    const QByteArray bytes = file.readAll();
    file.close();
    if (MostAttributesInATag(bytes) > MaxAttributes)
        RaiseStr(2088, {fileName, QString::number(MaxAttributes)});

    QXmlStreamReader reader(bytes);
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
            if (budget.Exceeded(builder.ElementCount() * knotsPerElement * TMemoryBudget::BytesPerKnot))
                fail(LoadStr(2086, {TMemoryBudget::FormatSize(budget.Bytes())}));
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
    AddWarning(mkError, LoadStr(5629, {MessagePathText(fileName), lost}), node);
}

} // namespace qv
