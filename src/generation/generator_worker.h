#pragma once

#include "generation/generation_files.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace qv {

class TCheckNamesBox;
class TElement;
class TElementClass;
class TElementMessages;
class TReferenceField;
class TScheme;

// The work of one generator in one run. A worker lives in the run's thread and touches only the run's
// private copy of the document: it resolves the value elements embedded in text fields (destructively,
// in place), walks the top-level elements and writes the output files through Files. Messages go to
// Log (the run's own list; the run maps element ids back to the user's document before they reach the
// user's log). Derived workers override Generate and VisitOther for the elements of their document
// type and write their main output with WriteMainOutput.
class TSchemeGeneratorWorker
{
public:
    TSchemeGeneratorWorker();
    virtual ~TSchemeGeneratorWorker();
    TSchemeGeneratorWorker(const TSchemeGeneratorWorker&) = delete;
    TSchemeGeneratorWorker& operator=(const TSchemeGeneratorWorker&) = delete;

    // Inputs, set by the run before Initialize.
    QString SourceName; // the document's file name without folder and extension ("Unsaved")
    QString SourceFile; // the document's full file name; empty for an unsaved document
    QStringList HeaderLines;
    QString Encoding;     // codec name; empty: UTF-8
    QString OutputFile;   // absolute, "/" separators; empty when the generator writes a folder
    QString OutputFolder; // absolute, ends with "/"; empty when the generator writes one file
    TCheckNamesBox* Conditions = nullptr; // the processor's box in the copy, or null
    QDateTime ProcessingTime;
    TElementMessages* Log = nullptr;
    TElement* Root = nullptr;                 // root of the copy
    TReferenceField* LanguageField = nullptr; // in the copy, or null
    QStringList* RunList = nullptr;           // shared by every generator of the run
    TGenerationFiles Files{nullptr, TGenerationOptions(), nullptr};
    const std::atomic<bool>* Cancel = nullptr; // set when the user asked to stop the run

    // Whether the user asked to stop the run.
    bool Cancelled() const { return Cancel != nullptr && Cancel->load(std::memory_order_relaxed); }

    virtual void Initialize();
    // Resolves the value elements embedded in `element` (once per element: later calls only report)
    // and copies the element's own check messages into Log. True when the element has no message of
    // the kinds 2 to 5.
    virtual bool Resolve(TElement* element);
    // Resolve(Root), then each top-level element of Root in order: processors are skipped, an element
    // of a class with a registered handler goes to its ResolveTopLevel, anything else to VisitOther.
    virtual void Generate();
    // A top-level element the worker does not know: "[Unexpected] element of type "%1"" (4421, kind 2).
    virtual void VisitOther(TElement* element);
    // Replaces one embedded element by what it stands for: through the handler registered for its
    // class; path and file name elements by their path text; anything else stays.
    virtual void ResolveChild(TElement* element);
    // Replaces `substitution` by the text its target stands for (the handler of the target's class);
    // false when the target has no value, and then the substitution stays for the caller to replace.
    virtual bool ResolveValueOf(TElement* substitution, TElement* target);
    // The absolute path text of a path or file name element ("/"-separated, folders end with "/").
    virtual QString PathValue(TElement* pathElement);
    // True for a named element that MustBeUsed accepts whose name is not referred to anywhere; `name`
    // is the name's text.
    virtual bool UnusedName(TElement* element, QString& name);
    // True for the elements whose names must be used ("FileConnection", "Language", "Multitext",
    // "Text").
    virtual bool MustBeUsed(TElement* element);
    // Copies the inputs of this worker into `sub` (a fresh worker of any class) and returns it; the
    // sub-worker starts with no created files and its own resolved set.
    virtual std::unique_ptr<TSchemeGeneratorWorker>
    CreateSubWorker(std::unique_ptr<TSchemeGeneratorWorker> sub);
    // Appends the sub-worker's created folders and files to this worker's.
    virtual void MergeResults(TSchemeGeneratorWorker& sub);

    template <class W>
    std::unique_ptr<W> CreateSubWorker()
    {
        auto sub = CreateSubWorker(std::make_unique<W>());
        return std::unique_ptr<W>(static_cast<W*>(sub.release()));
    }

    // The folder of OutputFile, else OutputFolder (ends with "/").
    QString GetOutputFolder() const;
    // True when the language field has content and no message of kinds 2 to 5; otherwise the field is
    // resolved once (so its problems reach the log) and the answer is false.
    bool HasLanguage();

    // Replaces `element` inside its text field by the content of `container` (a text field whose text
    // and embedded elements are copied; the ids of the copies are mapped back to the originals for the
    // log) or, when `container` is null, by the plain `text`.
    void ReplaceElement(TElement* element, TElement* container, const QString& text);
    // A message linked to the elements (their ids mapped back to the user's document). When the first
    // element lies in another document than the copy, a plain message "FILE: TEXT" without brackets.
    void ReportAt(uint8_t kind, const QString& text, const QList<TElement*>& elements);
    // The id the user's document knows for `id`: ids of content copied by ReplaceElement are followed
    // back to the element they were copied from.
    int32_t OriginalID(int32_t id) const;
    // Rewrites a comma list of ids with OriginalID.
    QString OriginalIDs(const QString& ids) const;
    // The header lines as comments in `prefix` style ("@rem ", "// ") each followed by a line break.
    QString HeaderComment(const QString& prefix, const QString& suffix = QString(),
                          const QString& lineBreak = QStringLiteral("\n")) const;
    // The main output: written through Files.WriteOutputFile to OutputFile (safely, registered, the
    // document's own file refused) and moved to the front of Files.CreatedFiles. The caller puts the
    // header lines into `bytes` in the comment syntax of the output (see HeaderComment). Nothing is
    // written once the run was stopped.
    bool WriteMainOutput(const QByteArray& bytes);
    // Encodes `text` with Encoding (UTF-8 when empty or unknown).
    QByteArray EncodeText(const QString& text) const;

    // Elements already resolved (ids of the copy).
    const QSet<int32_t>& ResolvedIds() const { return FResolvedIds; }

private:
    QSet<int32_t> FResolvedIds;
    // id of a copy made by ReplaceElement → id it was copied from; shared with the sub-workers.
    std::shared_ptr<QHash<int32_t, int32_t>> FIdMap;
};

// How the worker treats one class of value elements. Registered by the code that defines the class, at
// class registration on the user-interface thread before any run; read by workers of any thread.
struct TValueElementHandler
{
    const TElementClass* Class = nullptr; // matched with InheritsFrom; the last registered match wins
    // An embedded element of the class: replace it (ReplaceElement). Null: the element stays.
    std::function<void(TSchemeGeneratorWorker&, TElement*)> ResolveChild;
    // The text a substitution of an element of the class stands for; false: no value.
    std::function<bool(TSchemeGeneratorWorker&, TElement*, QString&)> ValueOf;
    // A top-level element of the class (Generate). Null: VisitOther.
    std::function<void(TSchemeGeneratorWorker&, TElement*)> ResolveTopLevel;
};

void RegisterValueElementHandler(TValueElementHandler handler);
// The handler of the nearest registered class of `cls`, or null.
const TValueElementHandler* FindValueElementHandler(const TElementClass* cls);
// The handlers of the built-in values of document roots ("SourcePath", "SourceName"); idempotent.
void RegisterSourceValueHandlers();

} // namespace qv
