#pragma once

#include "library/custom_titled_element.h"
#include "library/named_element.h"
#include "library/path_element.h"
#include "library/references.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace qv {

class TExpandButton;
class TReferenceField;
class TSchemeGeneratorWorker;
class TSchemeProcessor;
class TTextorElement;

// The "Conditions" box of a processor: one check box per condition name of the document (elements of
// the class registered under the node name "Condition").
class TProcessorElementConditions : public TCheckNamesBox
{
    QV_CLASS(TProcessorElementConditions, TCheckNamesBox)

    explicit TProcessorElementConditions(TScheme* scheme);

    bool AcceptsItem(TNamespaceItem* item) override;
};

// The base of every processor: an element describing one output of a processed document. Its palette
// offers "Execute", which runs this processor alone.
class TProcessorElement : public TTitledElement
{
    QV_CLASS(TProcessorElement, TTitledElement)

    explicit TProcessorElement(TScheme* scheme);

    TProcessorElementConditions* Conditions() const { return FConditions; }

    // The run of this processor (on the user-interface thread, with the user's element); null: the
    // processor cannot run (reported as a failure of that processor).
    virtual std::unique_ptr<TSchemeProcessor> CreateProcessor();
    // The text the title shows after the expand button (the kind of processor); empty by default.
    virtual QString TitleCaption();

    // A processor may not stand inside an "If".
    static bool CanInsertInto(const TElementClass* cls, const TElement* parent);

    void BuildTitle(TTitleWriter& writer) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    void GetPaletteItems(QList<TPaletteItem*>& list) override;
    void GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state) override;
    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;

private:
    TProcessorElementConditions* FConditions; // a part
};

// A one-line field of text and substitutions naming where a generator writes; re-checked when a
// substitution inside it changes.
class TGeneratorElementOutputField : public TTextorElement
{
    QV_CLASS(TGeneratorElementOutputField, TTextorElement)

    explicit TGeneratorElementOutputField(TScheme* scheme);

    // Whether the field holds its default content (the substitutions of the default output).
    bool IsAtDefault();
    // Fills the field with the default output: a substitution of "SourcePath" (and, for a file field,
    // of "SourceName" followed by "." and the default extension when there is one). Without the
    // substitution class, the field gets the plain text "SourcePath" + "SourceName" + "." + extension.
    virtual void FillDefault();

    // The default output is stored as no "Output" node at all; an emptied field as an empty one.
    bool IsDefault() const override;

    void GetAcceptedClasses(TElementClassList& list) override;
    void GetHint(QString& text) override;
};

// The output file of a generator (with folder and extension).
class TGeneratorElementOutputFileField : public TGeneratorElementOutputField
{
    QV_CLASS(TGeneratorElementOutputFileField, TGeneratorElementOutputField)

    explicit TGeneratorElementOutputFileField(TScheme* scheme);

    void GetHint(QString& text) override;
};

// The output folder of a generator.
class TGeneratorElementOutputPathField : public TGeneratorElementOutputField
{
    QV_CLASS(TGeneratorElementOutputPathField, TGeneratorElementOutputField)

    explicit TGeneratorElementOutputPathField(TScheme* scheme);

    void FillDefault() override;
    void GetHint(QString& text) override;
};

// An entry of the generated list: a folder (ends with "/") …
class TElement_GeneratedPath : public TCustomPathElement
{
    QV_CLASS(TElement_GeneratedPath, TCustomPathElement)

    explicit TElement_GeneratedPath(TScheme* scheme);

    TSheetThemeElement FrameElement() const override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
};

// … or a file. Entries are read-only; their paths resolve against the document's folder only.
class TElement_GeneratedFile : public TCustomFileNameElement
{
    QV_CLASS(TElement_GeneratedFile, TCustomFileNameElement)

    explicit TElement_GeneratedFile(TScheme* scheme);

    TSheetThemeElement FrameElement() const override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
};

// The "Generated" list of a generator: read-only, holds generated entries only.
class TGeneratorElementGenerated : public TTitledTextContainer
{
    QV_CLASS(TGeneratorElementGenerated, TTitledTextContainer)

    explicit TGeneratorElementGenerated(TScheme* scheme);

    // The absolute paths of the entries, in order (folders end with "/"). Relative stored entries are
    // resolved against the document's folder only; an entry that is still not absolute is left out.
    QStringList Paths();

    void GetAcceptedClasses(TElementClassList& list) override;
};

// The language of generation: accepts languages only.
class TGeneratorElementLanguageField : public TReferenceField
{
    QV_CLASS(TGeneratorElementLanguageField, TReferenceField)

    explicit TGeneratorElementLanguageField(TScheme* scheme);

    bool AcceptsTarget(TNamespaceItem* item) override;
    void GetHint(QString& text) override;
};

// Which fields a generator has: the class of each, or null for none. A generator class that wants
// other fields passes its own to the protected constructor of TGeneratorElement.
struct TGeneratorFieldClasses
{
    const TElementClass* Output = nullptr;   // default: TGeneratorElementOutputFileField
    const TElementClass* Language = nullptr; // default: TReferenceField
    const TElementClass* Encoding = nullptr; // default: a one-line text field
    bool HasOutput = true;
    bool HasLanguage = true;
    bool HasEncoding = true;
};

// A processor that writes files. A generator class overrides CreateWorker, DefaultExtension and
// FileFilter; to leave out a field it passes TGeneratorFieldClasses with Has… false to the protected
// constructor.
class TGeneratorElement : public TProcessorElement
{
    QV_CLASS(TGeneratorElement, TProcessorElement)

    explicit TGeneratorElement(TScheme* scheme);

    TGeneratorElementOutputField* OutputField() const { return FOutputField; }
    TReferenceField* LanguageField() const { return FLanguageField; }
    TTextorElement* EncodingField() const { return FEncodingField; }
    TGeneratorElementGenerated* Generated() const { return FGenerated; }
    TExpandButton* GeneratedExpandButton() const { return FGeneratedExpanded; }

    // The worker of this generator (called in the run's thread on the copy's element).
    virtual std::unique_ptr<TSchemeGeneratorWorker> CreateWorker();
    // The extension of the default output file, without the dot; empty: none.
    virtual QString DefaultExtension();
    // The file dialog filter of the output ("Batch files (*.bat)").
    virtual QString FileFilter();

    // The absolute paths of the generated list (see TGeneratorElementGenerated::Paths).
    QStringList GeneratedPaths();
    // Replaces the entries by `paths` as one undoable operation (nothing when they are equal).
    void SetGeneratedPaths(const QStringList& paths);

    std::unique_ptr<TSchemeProcessor> CreateProcessor() override;
    void InitializeNew(TPaletteItem* item) override;
    // A generator stored without an "Output" node has the default output.
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    void GetPartHint(TElement* part, QString& text) override;
    void BuildTitle(TTitleWriter& writer) override;

protected:
    TGeneratorElement(TScheme* scheme, const TGeneratorFieldClasses& fields);

private:
    TGeneratorElementOutputField* FOutputField = nullptr; // parts, or null
    TReferenceField* FLanguageField = nullptr;
    TTextorElement* FEncodingField = nullptr;
    TGeneratorElementGenerated* FGenerated = nullptr;
    TExpandButton* FGeneratedExpanded = nullptr;
};

// The element class stored under `nodeName` ("Condition", "Substitution"), found by name because
// other families define it; null while it is not registered.
const TElementClass* ElementClassByNodeName(const QString& nodeName);

// Registers the processor and generator classes and the "Execute" palette command; idempotent.
void RegisterProcessorElements();

} // namespace qv
