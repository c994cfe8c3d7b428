#include "schemes/structured/xml_importer.h"

#include "core/errors.h"
#include "core/knot.h"
#include "core/memory_budget.h"
#include "core/strings.h"
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

const QString nodeTextValueName = QStringLiteral("NodeTextValue");
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
    // The document-order numbers (among all attributes) of the "NodeTextValue" attributes.
    const QList<int>& TextAttributes() const { return FTextAttributes; }

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
    void AddAttribute(const QString& name, const QString& value, bool text)
    {
        if (text)
            FTextAttributes.append(FAttributeCount);
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
    int FAttributeCount = 0;
    qint64 FNodeCount = 0;
    QList<int> FTextAttributes;
};

// The attributes inside `node`, in document order.
void CollectAttributes(TElement_Node* node, QList<TElement_Attribute*>& list)
{
    for (TNode* child = node->Container()->FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (auto* attribute = dynamic_cast<TElement_Attribute*>(child))
            list.append(attribute);
        else if (auto* inner = dynamic_cast<TElement_Node*>(child))
            CollectAttributes(inner, list);
    }
}

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
    QString text;
    auto flushText = [&] {
        if (!IsXmlWhitespace(text) && builder.Depth() > 0)
            builder.AddAttribute(nodeTextValueName, text, true);
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
            break;
        case QXmlStreamReader::EntityReference:
            fail(LoadStr(5621));
            break;
        case QXmlStreamReader::StartElement: {
            if (builder.Depth() >= MaxDepth)
                fail(LoadStr(5620, {QString::number(MaxDepth)}));
            builder.StartNode(reader.qualifiedName().toString());
            const QXmlStreamAttributes attributes = reader.attributes();
            for (const QXmlStreamAttribute& attribute : attributes)
                builder.AddAttribute(attribute.qualifiedName().toString(), attribute.value().toString(),
                                     false);
            if (budget.Exceeded(builder.ElementCount() * knotsPerElement * TMemoryBudget::BytesPerKnot))
                fail(LoadStr(2086, {TMemoryBudget::FormatSize(budget.Bytes())}));
            break;
        }
        case QXmlStreamReader::EndElement:
            builder.EndNode();
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
        default:
            // Comments, processing instructions and the document's start and end.
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
    if (node == nullptr || node->ID() == lastBefore || builder.TextAttributes().isEmpty() ||
        Messages == nullptr)
        return;
    QList<TElement_Attribute*> attributes;
    CollectAttributes(node, attributes);
    const QString warning = LoadStr(5616, {nodeTextValueName});
    for (int index : builder.TextAttributes()) {
        if (index < attributes.size())
            AddWarning(mkError, warning, QString::number(attributes[index]->ID()));
    }
}

} // namespace qv
