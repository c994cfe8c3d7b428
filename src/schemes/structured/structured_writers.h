#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace qv {

class TElement;

// A node tree with resolved names and plain-text values, as the generators hand it to the writers.
// `Source` is the document element an entry came from (messages link to it); it may be null.
struct TStructuredAttribute
{
    QString Name;
    QString Value;
    // False when the name (or, for INI, the value) failed its check: the entry is left out.
    bool Valid = true;
    TElement* Source = nullptr;
};

struct TStructuredNode
{
    QString Name;
    // False when the name failed its check: XML writes "Node" instead.
    bool NameValid = true;
    QList<TStructuredAttribute> Attributes; // in document order
    QList<TStructuredNode> Children;
    TElement* Source = nullptr;
};

// Called for an entry whose value held characters the output cannot carry; they were left out.
using TStructuredReport = std::function<void(TElement* source)>;

// Whether `name` may name an XML element or attribute here: Latin letters, digits and "_", not
// beginning with a digit.
bool IsStructuredXmlName(const QString& name);
// Whether `name` may name an INI section or key: Latin letters, digits and "_".
bool IsStructuredIniName(const QString& name);

// `text` without the characters XML 1.0 cannot hold (control characters other than tab, CR and LF,
// unpaired surrogates, U+FFFE and U+FFFF); `removed` tells whether there were any.
QString XmlStorableText(const QString& text, bool& removed);

// The XML document of `root` (UTF-8, version 1.0, indented unless `packet`): each node's attributes
// come first in the order a document model gets them when they are set from the last to the first
// (so a, b are written b, a), a name met twice keeping the value of its first occurrence; entries
// with invalid names are left out, nodes with invalid names are written as "Node". Always
// well-formed: characters XML cannot hold are left out and reported.
QByteArray WriteStructuredXml(const TStructuredNode& root, bool packet, const TStructuredReport& report = {});

// The INI text of `sections`: "[name]", then "key=value" lines, an empty line between sections.
// Children of sections are not written (the caller reports them); invalid entries are left out, a
// section with an invalid name with its keys. Line breaks cannot be carried: they are left out and
// reported.
QString WriteStructuredIni(const QList<TStructuredNode>& sections, const TStructuredReport& report = {});

} // namespace qv
