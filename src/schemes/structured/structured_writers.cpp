#include "schemes/structured/structured_writers.h"

#include <QBuffer>
#include <QHash>
#include <QXmlStreamWriter>

namespace qv {

namespace {

bool IsNameChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
}

// The node's attributes as written: the last occurrence in document order fixes nothing, the first
// one fixes both the place (counted from the end) and the value.
QList<const TStructuredAttribute*> OrderedAttributes(const TStructuredNode& node)
{
    QList<const TStructuredAttribute*> ordered;
    QHash<QString, qsizetype> places;
    for (qsizetype i = node.Attributes.size() - 1; i >= 0; --i) {
        const TStructuredAttribute& attribute = node.Attributes[i];
        if (!attribute.Valid || !IsStructuredXmlName(attribute.Name))
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
    writer.writeStartElement(node.NameValid && IsStructuredXmlName(node.Name) ? node.Name
                                                                              : QStringLiteral("Node"));
    for (const TStructuredAttribute* attribute : OrderedAttributes(node)) {
        bool removed = false;
        // Paragraphs of a value are separated by CR LF; XML ends lines with LF.
        QString value = attribute->Value;
        value.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        writer.writeAttribute(attribute->Name, XmlStorableText(value, removed));
        if (removed && report)
            report(attribute->Source);
    }
    for (const TStructuredNode& child : node.Children)
        WriteNode(writer, child, report);
    writer.writeEndElement();
}

// `text` on one line: CR and LF are left out.
QString IniText(const QString& text, bool& removed)
{
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        if (c == u'\r' || c == u'\n')
            removed = true;
        else
            result.append(c);
    }
    return result;
}

} // namespace

bool IsStructuredXmlName(const QString& name)
{
    if (name.isEmpty() || (name[0] >= u'0' && name[0] <= u'9'))
        return false;
    return std::all_of(name.begin(), name.end(), IsNameChar);
}

bool IsStructuredIniName(const QString& name)
{
    return !name.isEmpty() && std::all_of(name.begin(), name.end(), IsNameChar);
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
    for (const TStructuredNode& section : sections) {
        if (!section.NameValid || !IsStructuredIniName(section.Name))
            continue;
        if (!text.isEmpty())
            text += QStringLiteral("\r\n");
        text += u'[' + section.Name + QStringLiteral("]\r\n");
        for (const TStructuredAttribute& attribute : section.Attributes) {
            if (!attribute.Valid || !IsStructuredIniName(attribute.Name))
                continue;
            bool removed = false;
            text += attribute.Name + u'=' + IniText(attribute.Value, removed) + QStringLiteral("\r\n");
            if (removed && report)
                report(attribute.Source);
        }
    }
    return text;
}

} // namespace qv
