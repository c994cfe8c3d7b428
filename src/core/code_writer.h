#pragma once

#include "core/colors.h"
#include "core/meta_class.h"
#include "core/strings.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <initializer_list>
#include <memory>

namespace qv {

class TCodeWriter;

// The metaclass of code writers: a writer class used as a value can create a writer of its kind.
// Writers are not tree nodes, so CreateNode always gives nullptr; CreateWriter is their virtual
// constructor.
class TCodeWriterClass : public TMetaClass
{
public:
    using TMetaClass::TMetaClass;

    TNodePtr<TNode> CreateNode() const override { return nullptr; }
    // A new writer with the class's defaults, or nullptr for an abstract class.
    virtual std::unique_ptr<TCodeWriter> CreateWriter() const = 0;
};

template <class C>
class TCodeWriterClassImpl : public TCodeWriterClass
{
public:
    using TCodeWriterClass::TCodeWriterClass;

    bool IsAbstract() const override { return std::is_abstract_v<C>; }

    std::unique_ptr<TCodeWriter> CreateWriter() const override
    {
        if constexpr (std::is_abstract_v<C>)
            return nullptr;
        else
            return std::make_unique<C>();
    }
};

// Collects generated text as a list of lines and keeps an indentation level. Generators decide what
// to write; the writer classes know how each target language spells it. A writer belongs to one
// generation worker and is used by one thread at a time.
//
// Lengths, widths and indentation are counted in UTF-16 code units.
class TCodeWriter
{
public:
    template <class C>
    using TMetaFor = TCodeWriterClassImpl<C>;
    using TMetaType = TMetaFor<TCodeWriter>;
    static const TMetaType* StaticClass() noexcept;
    virtual const TMetaClass* ClassType() const noexcept;

    TCodeWriter() = default;
    TCodeWriter(const TCodeWriter&) = delete;
    TCodeWriter& operator=(const TCodeWriter&) = delete;
    virtual ~TCodeWriter() = default;

    // Appends text to the last line (creating a first line when there is none). An empty last line
    // first receives the indentation when AutoIndent is set. An empty text writes nothing, not even
    // the indentation.
    virtual void Write(const QString& text);
    // Write of FormatStr(format, args): %s, %d, %u, %x, %X, %f with flags, widths and precisions.
    void WriteFmt(const QString& format, std::initializer_list<TFormatArg> args);
    // Appends an empty line; does nothing while LineBreaks is off.
    void NewLine();
    void WriteLn(const QString& text);
    void WriteLnFmt(const QString& format, std::initializer_list<TFormatArg> args);
    void Indent() { ++FIndentLevel; }
    // No lower bound: a negative level indents nothing.
    void Unindent() { --FIndentLevel; }

    const QStringList& Lines() const { return FLines; }
    QStringList& Lines() { return FLines; }
    // The lines joined with CR LF, as generated files are saved.
    QString Text() const;

    int IndentSize() const { return FIndentSize; }
    void SetIndentSize(int value) { FIndentSize = value; }
    QChar IndentChar() const { return FIndentChar; }
    void SetIndentChar(QChar value) { FIndentChar = value; }
    int IndentLevel() const { return FIndentLevel; }
    void SetIndentLevel(int value) { FIndentLevel = value; }
    bool AutoIndent() const { return FAutoIndent; }
    void SetAutoIndent(bool value) { FAutoIndent = value; }
    bool LineBreaks() const { return FLineBreaks; }
    void SetLineBreaks(bool value) { FLineBreaks = value; }

protected:
    // IndentSize × levels copies of IndentChar (nothing for a level below 1).
    QString Indentation(int levels) const;
    // The last line, created when there is none; an empty one receives the indentation when
    // AutoIndent is set. The caller stores the finished line with SetLastLine.
    QString StartLastLine();
    void SetLastLine(const QString& line);
    // Appends a line whatever LineBreaks says (wrapping needs it).
    void AppendLine(const QString& line) { FLines.append(line); }

private:
    QStringList FLines;
    int FIndentSize = 0;
    QChar FIndentChar = QChar(0);
    int FIndentLevel = 0;
    bool FAutoIndent = true;
    bool FLineBreaks = true;
};

// Windows batch files.
class TBatchCodeWriter : public TCodeWriter
{
    QV_CLASS(TBatchCodeWriter, TCodeWriter)

    // Text for an "echo" or "rem" line of a batch file in the console code page `codePage` (a name
    // QStringEncoder knows, such as "IBM850"; an unknown name falls back to Latin-1). Each character
    // of the result is one byte of that code page (U+0000…U+00FF): save such lines with
    // QString::toLatin1 to get the bytes back. A character the code page lacks becomes "?".
    // "%" is doubled, and "^" is put before "<", ">", "^", "|" and "&" outside double-quoted runs
    // (inside one the interpreter takes them as they are), so that the command interpreter shows the
    // text as it is; control characters but the tab become "?", so the text stays on its line. The
    // text is shown as it is while delayed expansion is off, the interpreter's default ("!" is kept).
    static QString ToOemText(const QString& text, const QString& codePage);
    // The same conversion without escaping, for the parts of a command line that the interpreter is
    // meant to read as they are (program arguments, labels).
    static QString ToCodePage(const QString& text, const QString& codePage);
    // Whether `oemText` (one byte per character) holds a control character but the tab: a line
    // break, or what the interpreter may take for one or for the end of the file.
    static bool BreaksLine(const QString& oemText);
};

// XML and HTML: tags and attributes, all written through Write. Indented by one tab per level.
class TCustomXmlCodeWriter : public TCodeWriter
{
    QV_CLASS(TCustomXmlCodeWriter, TCodeWriter)

    TCustomXmlCodeWriter();

    void WriteTagStart(const QString& name);      // <name
    void WriteEndTag(const QString& name);        // </name>
    void CloseTag();                              // >
    void CloseEmptyTag();                         // />
    void WriteStartTag(const QString& name);      // <name>
    void WriteEmptyTag(const QString& name);      // <name/>
    void WriteAttributeName(const QString& name); // " name", an attribute without value
    // " name=value", the value as it is.
    void WriteAttributeRaw(const QString& name, const QString& value);
    // " name="value"", the value as it is.
    void WriteAttributeQuoted(const QString& name, const QString& value);
    // " name="value"", the value passed through EscapeText.
    void WriteAttribute(const QString& name, const QString& value);

    // The value encoding of core/value_encoding.h, reached through the writer class.
    static QString EncodeValue(const QString& text, bool relaxed, bool* needsQuotes = nullptr);
    static QString DecodeValue(const QString& text, int quoteCount, bool decodeEntities);
    static QString EscapeText(const QString& text);
};

class TXmlCodeWriter : public TCustomXmlCodeWriter
{
    QV_CLASS(TXmlCodeWriter, TCustomXmlCodeWriter)
};

// Behaves as TXmlCodeWriter; the class tells HTML output apart.
class THtmlCodeWriter : public TCustomXmlCodeWriter
{
    QV_CLASS(THtmlCodeWriter, TCustomXmlCodeWriter)
};

// Program sources: wraps long lines at permitted break points and writes string literals that may
// span lines. Widths are checked on the unquoted text, so a line may end up longer than
// MaxLineLength once quotes and escapes are added.
class TSourceCodeWriter : public TCodeWriter
{
    QV_CLASS(TSourceCodeWriter, TCodeWriter)

    TSourceCodeWriter();

    // With WrapLines: WriteWrapped (text, no suffix, IndentSize copies of IndentChar as the
    // continuation prefix); otherwise the plain Write.
    void Write(const QString& text) override;

    // Whether a line may be broken before `ch`, whose neighbours are `prev` and `next` (NUL outside
    // the text).
    virtual bool CanBreak(QChar ch, QChar prev, QChar next) const;
    // The literal of one piece of a string. `continued`: an earlier piece of the same string stands
    // on the line before; `last`: no piece follows.
    virtual QString QuoteString(const QString& text, bool continued, bool last) const = 0;
    // An inline comment; false (and nothing written) for an empty text.
    virtual bool WriteComment(const QString& text) = 0;
    // A comment on lines of its own, wrapped, followed by NewLine; false (and nothing written) for
    // an empty text.
    virtual bool WriteLineComment(const QString& text) = 0;

    // Writes text, breaking it at the first permitted place at or after the width. Every stored line
    // but the last gets `suffix`; every new line starts with the indentation (with AutoIndent) and
    // `continuationPrefix`. A space at a break point moves to the start of the next line.
    void WriteWrapped(const QString& text, const QString& suffix, const QString& continuationPrefix);
    // Writes text as a string literal that may span lines; pieces are quoted with QuoteString. A
    // remainder of MinTail characters or fewer stays with the piece before it. With
    // `indentContinuation` the continuation lines are indented one level deeper. A surrogate pair
    // is never split between pieces.
    void WriteString(const QString& text, bool indentContinuation);
    // Afterwards the writer stands on an empty line that follows an empty line (or on the only
    // line). Nothing happens without lines.
    void EnsureBlankLine();
    // When the last line is at least MaxLineLength long, starts a continuation line one level
    // deeper (with AutoIndent) or a new line. Returns whether a line was started.
    bool BreakIfLong();

    int MaxLineLength() const { return FMaxLineLength; }
    void SetMaxLineLength(int value) { FMaxLineLength = value; }
    int MinTail() const { return FMinTail; }
    void SetMinTail(int value) { FMinTail = value; }
    bool WrapLines() const { return FWrapLines; }
    void SetWrapLines(bool value) { FWrapLines = value; }

protected:
    // The shared form of line comments: each line of `text` (split at CR LF, CR and LF) wrapped with
    // `prefix` in front of it and of its continuation lines, then NewLine. A comment line never ends
    // with `continuationMark` (which would carry the comment over the next line of code): " ." is
    // added after it.
    bool WriteCommentLines(const QString& text, const QString& prefix, const QString& continuationMark);

    // `open` + text + `close` through Write, each line of the text (split at CR LF, CR and LF) on a
    // line of its own.
    void WriteBlockComment(const QString& open, const QString& text, const QString& close);

private:
    qsizetype FindBreak(const QString& rest, qsizetype room) const;

    int FMaxLineLength = 80;
    int FMinTail = 3;
    bool FWrapLines = true;
};

// Basic modules. String literals are complete Basic expressions: "..." with doubled quotes, control
// characters as the language's constants (vbCrLf, vbCr, vbLf, vbTab, vbNullChar) or Chr(n), joined
// with " & "; a piece that is not the last ends with the line continuation " & _".
class TBasicCodeWriter : public TSourceCodeWriter
{
    QV_CLASS(TBasicCodeWriter, TSourceCodeWriter)

    QString QuoteString(const QString& text, bool continued, bool last) const override;
    // "' text", wrapped with "' " on its continuation lines.
    bool WriteComment(const QString& text) override;
    bool WriteLineComment(const QString& text) override;
};

// Pascal sources, two spaces per level.
class TPascalCodeWriter : public TSourceCodeWriter
{
    QV_CLASS(TPascalCodeWriter, TSourceCodeWriter)

    TPascalCodeWriter();

    // 'It''s'#13#10'x': every character below 32 as #n outside the quotes; " +" after a piece that
    // is not the last.
    QString QuoteString(const QString& text, bool continued, bool last) const override;
    // "{ text }"; braces inside the text are written as parentheses so that they cannot end or nest
    // the comment.
    bool WriteComment(const QString& text) override;
    // "// text", wrapped with "// " on its continuation lines.
    bool WriteLineComment(const QString& text) override;
};

// The C family: comments.
class TCustomCppCodeWriter : public TSourceCodeWriter
{
    QV_CLASS(TCustomCppCodeWriter, TSourceCodeWriter)

    // "/* text */"; a "*/" inside the text is written as "* /".
    bool WriteComment(const QString& text) override;
    // "// text", wrapped with "// " on its continuation lines; a line ending with a backslash gets
    // " ." after it so that it does not continue into the next line.
    bool WriteLineComment(const QString& text) override;
};

// C and C++ sources, four spaces per level.
class TCppCodeWriter : public TCustomCppCodeWriter
{
    QV_CLASS(TCppCodeWriter, TCustomCppCodeWriter)

    TCppCodeWriter();

    // "..." with \t, \n, \r, \\ and \"; other characters below 32 as three-digit octal escapes
    // (NUL is \000); the second "?" of "??" as \? (no trigraphs). A piece that is not the last ends
    // with " \" and a line break: the pieces are adjacent literals joined by a line splice, which
    // works both in expressions and inside #define.
    QString QuoteString(const QString& text, bool continued, bool last) const override;
};

// Resource scripts. IndentSize stays 0: a continued string carries on at the start of the next
// line, so any indentation would become part of the text.
class TRcCodeWriter : public TCustomCppCodeWriter
{
    QV_CLASS(TRcCodeWriter, TCustomCppCodeWriter)

    // The body of a wide string literal (the caller writes the L before it): \t, \n, \r and \\; the
    // double quote doubled; every other character below 32, every one above 127 and the second "?"
    // of "??" (no trigraphs) as \x and four upper-case hexadecimal digits (one UTF-16 code unit). The opening
    // quote is written only when the piece is not continued; a piece that is not the last ends with a
    // backslash (the string goes on at the start of the next line) instead of the closing quote.
    QString QuoteString(const QString& text, bool continued, bool last) const override;
};

// With `useNames`, one of the sixteen basic colours gives its name ("Red"); otherwise the colour as
// "RRGGBB" in upper case, with "#" in front when `withHash`. A system colour takes the value of the
// platform's classic default scheme, so that generated files do not depend on the desktop theme of
// the machine that generates them; clNone formats as FFFFFF. Safe on any thread.
QString ColorToHtml(TColor color, bool useNames, bool withHash);

} // namespace qv
