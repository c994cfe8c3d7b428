#include "schemes/structured/structured_writers.h"

#include "core/strings.h"
#include "core/text_utils.h"

#include <QBuffer>
#include <QHash>
#include <QXmlStreamWriter>

namespace qv {

namespace {

bool IsXmlNameStart(char32_t c)
{
    return c == U':' || c == U'_' || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) ||
           (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsXmlNameChar(char32_t c)
{
    return IsXmlNameStart(c) || c == U'-' || c == U'.' || (c >= U'0' && c <= U'9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

bool HasLineBreak(const QString& text)
{
    return text.contains(u'\r') || text.contains(u'\n');
}

bool IsTextValue(const TStructuredAttribute& attribute)
{
    return attribute.Name == NodeTextValueName();
}

// The node's attributes as written: the last occurrence in document order fixes nothing, the first
// one fixes both the place (counted from the end) and the value.
QList<const TStructuredAttribute*> OrderedAttributes(const TStructuredNode& node)
{
    QList<const TStructuredAttribute*> ordered;
    QHash<QString, qsizetype> places;
    for (qsizetype i = node.Attributes.size() - 1; i >= 0; --i) {
        const TStructuredAttribute& attribute = node.Attributes[i];
        if (!attribute.Valid || IsTextValue(attribute) || !IsStructuredXmlName(attribute.Name))
            continue;
        const auto place = places.constFind(attribute.Name);
        if (place == places.cend()) {
            places.insert(attribute.Name, ordered.size());
            ordered.append(&attribute);
        } else {
            ordered[*place] = &attribute;
        }
    }
    return ordered;
}

void WriteNode(QXmlStreamWriter& writer, const TStructuredNode& node, const TStructuredReport& report)
{
    auto storable = [&report](const TStructuredAttribute& attribute, const QString& value) {
        bool removed = false;
        QString text = XmlStorableText(value, removed);
        if (removed && report)
            report(attribute.Source, LoadStr(5617));
        return text;
    };
    writer.writeStartElement(node.NameValid && IsStructuredXmlName(node.Name) ? node.Name
                                                                              : QStringLiteral("Node"));
    for (const TStructuredAttribute* attribute : OrderedAttributes(node))
        writer.writeAttribute(attribute->Name, storable(*attribute, attribute->Value));
    // The texts stand where they stood among the child nodes; a line break of the value is a line end.
    qsizetype text = 0;
    auto writeTexts = [&](qsizetype nodesBefore) {
        for (; text < node.Attributes.size() && node.Attributes[text].NodesBefore <= nodesBefore; ++text) {
            const TStructuredAttribute& attribute = node.Attributes[text];
            if (!attribute.Valid || !IsTextValue(attribute))
                continue;
            QString value = attribute.Value;
            value.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
            writer.writeCharacters(storable(attribute, value));
        }
    };
    for (qsizetype i = 0; i < node.Children.size(); ++i) {
        writeTexts(i);
        WriteNode(writer, node.Children[i], report);
    }
    writeTexts(node.Children.size());
    writer.writeEndElement();
}

// Whether `name` is new in `names` (names written so far, case kept); reports an equal name (and
// refuses it) or a name equal but for case (and takes it).
bool TakeIniName(QHash<QString, QString>& names, const QString& name, TElement* source,
                 const TStructuredReport& report)
{
    const QString folded = name.toCaseFolded();
    const auto found = names.constFind(folded);
    if (found == names.cend()) {
        names.insert(folded, name);
        return true;
    }
    if (*found == name) {
        if (report)
            report(source, LoadStr(2726, {MessageValueText(name)}));
        return false;
    }
    if (report)
        report(source, LoadStr(5628, {MessageValueText(*found), MessageValueText(name)}));
    return true;
}

} // namespace

QString NodeTextValueName()
{
    return QStringLiteral("NodeTextValue");
}

bool IsStructuredXmlName(const QString& name)
{
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const bool first = i == 0;
        char32_t c = name[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && name[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(name[i].unicode(), name[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(c))
            return false;
        if (!(first ? IsXmlNameStart(c) : IsXmlNameChar(c)))
            return false;
    }
    return n > 0;
}

bool IsIniSectionName(const QString& name)
{
    return !name.isEmpty() && !HasLineBreak(name) && !name.contains(u']');
}

bool IsIniKeyName(const QString& name)
{
    return !name.isEmpty() && !HasLineBreak(name) && !name.contains(u'=') && !name.startsWith(u'[') &&
           !name.startsWith(u';');
}

bool IsIniValue(const QString& value)
{
    return !HasLineBreak(value);
}

QString XmlStorableText(const QString& text, bool& removed)
{
    QString result;
    result.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            result.append(text[i]);
            result.append(text[++i]);
            continue;
        }
        const bool allowed = c == 0x9 || c == 0xA || c == 0xD ||
                             (c >= 0x20 && c <= 0xFFFD && !QChar::isSurrogate(c) && c != 0xFFFE);
        if (allowed)
            result.append(QChar(c));
        else
            removed = true;
    }
    return result;
}

QByteArray WriteStructuredXml(const TStructuredNode& root, bool packet, const TStructuredReport& report)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter writer(&buffer);
    writer.setAutoFormatting(!packet);
    writer.writeStartDocument(QStringLiteral("1.0"));
    WriteNode(writer, root, report);
    writer.writeEndDocument();
    return bytes;
}

QString WriteStructuredIni(const QList<TStructuredNode>& sections, const TStructuredReport& report)
{
    QString text;
    QHash<QString, QString> sectionNames;
    for (const TStructuredNode& section : sections) {
        if (!section.NameValid || !IsIniSectionName(section.Name) ||
            !TakeIniName(sectionNames, section.Name, section.Source, report))
            continue;
        if (!text.isEmpty())
            text += QStringLiteral("\r\n");
        text += u'[' + section.Name + QStringLiteral("]\r\n");
        QHash<QString, QString> keys;
        for (const TStructuredAttribute& attribute : section.Attributes) {
            if (!attribute.Valid || !IsIniKeyName(attribute.Name) || !IsIniValue(attribute.Value) ||
                !TakeIniName(keys, attribute.Name, attribute.Source, report))
                continue;
            text += attribute.Name + u'=' + attribute.Value + QStringLiteral("\r\n");
        }
    }
    return text;
}

} // namespace qv
