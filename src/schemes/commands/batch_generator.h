#pragma once

#include "core/code_writer.h"
#include "generation/generator_worker.h"
#include "generation/processor_element.h"

#include <QString>

namespace qv {

class TElement_Call;
class TTextorElement;

// The console code page batch files are written in when nothing else is chosen.
inline constexpr char16_t batchDefaultCodePage[] = u"IBM850";

// Writes the commands of a Command File as a batch file: the header lines as "@rem" lines, then one
// or more lines per command in document order. The whole file is in one console code page, with CR LF
// line ends (the command interpreter needs them to find labels). Texts shown to the user are escaped
// so that the interpreter prints them as they are; program arguments are written as the user wrote
// them. Paths are written with "\", as the interpreter reads them. A command that cannot be written
// so that the interpreter runs what the document names (a line break in any of its texts, a program
// name the interpreter would read otherwise) is reported on its field, and then the file is not
// written and the run fails.
class TBatchGeneratorWorker : public TSchemeGeneratorWorker
{
public:
    // A name QStringEncoder knows.
    QString CodePage = QString::fromUtf16(batchDefaultCodePage);

    // Label names of the copy are checked as batch labels: Latin letters, digits and "_", beginning
    // with a letter or "_".
    void Initialize() override;
    // The header, then the walk of the top-level elements, then the file.
    void Generate() override;
    // The four commands; anything else is reported as unexpected.
    void VisitOther(TElement* element) override;
    // The path with "\" for "/".
    QString PathValue(TElement* pathElement) override;
    // "SourcePath" with "\" for "/"; the other values as every worker resolves them.
    bool ResolveValueOf(TElement* substitution, TElement* target) override;

    // The lines written so far, each character one byte of the code page.
    const TBatchCodeWriter& Writer() const { return FWriter; }
    // The program part of a call: the path with "\" for "/" (a URL stays as it is), doubled "\"
    // reduced and "\..\" collapsed with the folder before it, "%" doubled, in double quotes.
    static QString QuotedProgram(const QString& path);

private:
    // Resolves the field and returns its text.
    QString FieldText(TTextorElement* field);
    // False, with a report on the field, when `text` would break the line of a command.
    bool FitsOnLine(TTextorElement* field, const QString& text);
    // Reports `text` (kind 2) on the field; the file will not be written.
    void Refuse(const QString& text, TElement* field);
    void WriteCall(TElement_Call* call);
    void WriteLine(const QString& oemLine) { FWriter.WriteLn(oemLine); }
    QString Oem(const QString& text) const { return TBatchCodeWriter::ToCodePage(text, CodePage); }

    TBatchCodeWriter FWriter;
    bool FRefused = false;
};

// The generator of Command Files ("BatchGenerator"): one ".bat" file, no encoding field.
class TElement_BatchGenerator : public TGeneratorElement
{
    QV_CLASS(TElement_BatchGenerator, TGeneratorElement)

    explicit TElement_BatchGenerator(TScheme* scheme);

    std::unique_ptr<TSchemeGeneratorWorker> CreateWorker() override;
    QString DefaultExtension() override;
    QString FileFilter() override;
    QString TitleCaption() override;
    void GetHint(QString& text) override;
};

// Adds the generator to the class group `group` (the Command File type's) and to the processors of
// the palette. Called once at start-up; later calls do nothing.
void RegisterBatchGenerator(int group);

} // namespace qv
