#pragma once

// The XML input of the Structured Data benches: a catalogue of items, each with attributes, a text
// description with an entity and a list of tags, repeated until the text reaches `targetBytes`.

#include <QByteArray>

namespace qv {

inline QByteArray CatalogueXml(qint64 targetBytes)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<catalogue version=\"1\">\n";
    for (int i = 0; xml.size() < targetBytes; ++i) {
        const QByteArray n = QByteArray::number(i);
        xml += "  <item id=\"" + n + "\" name=\"Item number " + n + "\" price=\"" +
               QByteArray::number(i % 997) +
               ".50\" available=\"true\">\n"
               "    <description>A plain description of item " +
               n +
               ", long enough to be a sentence or two of real text &amp; an entity.</description>\n"
               "    <tags><tag value=\"red\"/><tag value=\"large\"/><tag value=\"t" +
               n + "\"/></tags>\n  </item>\n";
    }
    xml += "</catalogue>\n";
    return xml;
}

} // namespace qv
