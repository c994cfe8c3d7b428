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
    // How many nodes come before it in its node's content: where an element's text stands among them.
    qsizetype NodesBefore = 0;
};

struct TStructuredNode
{
    QString Name;
    // False when the name failed its check: XML writes "Node" instead.
    bool NameValid = true;
    QList<TStructuredAttribute> Attributes; // in document order, "NodeTextValue" ones included
    QList<TStructuredNode> Children;
    TElement* Source = nullptr;
};

// A message of a writer about the entry made from `source` (kind 2).
using TStructuredReport = std::function<void(TElement* source, const QString& text)>;

// The attribute that holds an element's text: the XML import stores the text there, and the XML
// writer writes it back as the element's text, in its place among the element's child nodes.
QString NodeTextValueName();

// Whether `name` is an XML 1.0 Name: letters of any script, digits, ".", "-", "_", ":" and the
// combining marks, beginning with a letter, "_" or ":".
bool IsStructuredXmlName(const QString& name);
// Whether `name` can name an INI section without changing the lines of the file: not empty, no line
// break, no "]".
bool IsIniSectionName(const QString& name);
// Whether `name` can name an INI key: not empty, no line break, no "=", not beginning with "[" or ";".
bool IsIniKeyName(const QString& name);
// Whether `value` stays on its key's line: no line break.
bool IsIniValue(const QString& value);

// `text` without the characters XML 1.0 cannot hold (control characters other than tab, CR and LF,
// unpaired surrogates, U+FFFE and U+FFFF); `removed` tells whether there were any.
QString XmlStorableText(const QString& text, bool& removed);

// The XML document of `root` (UTF-8, version 1.0, indented unless `packet`): each node's attributes
// come first in the order a document model gets them when they are set from the last to the first
// (so a, b are written b, a), a name met twice keeping the value of its first occurrence; entries
// with invalid names are left out, nodes with invalid names are written as "Node". Values keep
// their line ends (CR LF is written "&#13;&#10;"). "NodeTextValue" entries are written as the text
// of the element, with LF line ends. Always well-formed: characters XML cannot hold are left out and
// reported.
QByteArray WriteStructuredXml(const TStructuredNode& root, bool packet, const TStructuredReport& report = {});

// The INI text of `sections`: "[name]", then "key=value" lines, an empty line between sections.
// Children of sections are not written (the caller reports them); invalid entries are left out (a
// section with its keys), and so is whatever would change the lines of the file (see IsIniSectionName,
// IsIniKeyName, IsIniValue). A name equal to an earlier one of its list is left out and reported; a
// name equal to an earlier one but for case is written and reported, since readers that ignore case
// take them for one.
QString WriteStructuredIni(const QList<TStructuredNode>& sections, const TStructuredReport& report = {});

} // namespace qv
