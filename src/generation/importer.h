#pragma once

#include "core/meta_class.h"
#include "elements/palette.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <type_traits>

namespace qv {

class TElement;
class TElementClass;
class TElementMessages;
class TFileDialogFilters;
class TKnot;
class TScheme;
class TSchemeImporter;
class TTextorElement;

// The metaclass of importers: an importer class used as a value (by its palette item) says which
// files it reads and creates importers.
class TSchemeImporterClass : public TMetaClass
{
public:
    using TMetaClass::TMetaClass;

    TNodePtr<TNode> CreateNode() const override { return nullptr; }
    // A new importer for the document, or null for an abstract class.
    virtual std::unique_ptr<TSchemeImporter> CreateImporter(TScheme* scheme,
                                                            TElementMessages* messages) const = 0;
    // Adds the file dialog's filters; `multiSelect` starts true.
    virtual void FileFilters(TFileDialogFilters& filters, bool& multiSelect) const = 0;
};

template <class C>
class TSchemeImporterClassImpl : public TSchemeImporterClass
{
public:
    using TSchemeImporterClass::TSchemeImporterClass;

    static constexpr bool Concrete =
        !std::is_abstract_v<C> && std::is_constructible_v<C, TScheme*, TElementMessages*>;

    bool IsAbstract() const override { return !Concrete; }
    std::unique_ptr<TSchemeImporter> CreateImporter(TScheme* scheme,
                                                    TElementMessages* messages) const override
    {
        if constexpr (Concrete)
            return std::make_unique<C>(scheme, messages);
        else
            return nullptr;
    }
    void FileFilters(TFileDialogFilters& filters, bool& multiSelect) const override
    {
        C::FileFilters(this, filters, multiSelect);
    }
};

// Brings the data of files into a document: created for one run of an import command, it reads each
// chosen file and adds elements to, or fills fields of, the element the command ran on (Target).
// Problems are messages in Messages; an error raised while reading a file becomes a fatal message.
class TSchemeImporter
{
public:
    template <class C>
    using TMetaFor = TSchemeImporterClassImpl<C>;
    using TMetaType = TMetaFor<TSchemeImporter>;
    static const TMetaType* StaticClass() noexcept;
    virtual const TMetaClass* ClassType() const noexcept;

    TSchemeImporter(TScheme* scheme, TElementMessages* messages);
    virtual ~TSchemeImporter() = default;
    TSchemeImporter(const TSchemeImporter&) = delete;
    TSchemeImporter& operator=(const TSchemeImporter&) = delete;

    TScheme* Scheme = nullptr;
    TElementMessages* Messages = nullptr;
    TElement* Target = nullptr;
    QStringList Files;

    // Class-level: no filters by default.
    static void FileFilters(const TSchemeImporterClass* cls, TFileDialogFilters& filters, bool& multiSelect);

    // ImportFile for each file in order; an error raised by one becomes a fatal message with the
    // error's text, and the next file follows.
    virtual void Import();
    // Reads one file; raises EQvError when it cannot. Nothing by default.
    virtual void ImportFile(const QString& fileName);
    virtual bool CanImport() { return true; }

    // Reports a problem on `element`, led by a link to it that names it (MessageSubject). One import
    // reports the first MaxWarnings of them; the rest are only counted, and Import ends with one
    // message giving their number, so that a huge file cannot flood the log.
    void AddWarning(uint8_t kind, const QString& text, TElement* element);
    static constexpr int MaxWarnings = 100;

    // Creates an element of `cls`, makes it the last child of `parent` (may be null: it stays
    // detached and is returned for the caller to own), lets a new subtree initialise itself when
    // asked, and places it at the end of `field`'s content when a text field is given. Not undoable:
    // for building elements before AddElements.
    TElement* AddElement(const TElementClass* cls, TElement* parent, bool initializeNew,
                         TTextorElement* field);
    // Appends the elements (they are freed) at the end of the Target text field as one undo step.
    void AddElements(const QList<TElement*>& elements);
    // Appends a content node of the document format (element nodes and "Br"s, file mode) at the end
    // of the Target text field as one undo step, which takes the content over. Returns false when
    // Target is no text field.
    bool AddContent(std::unique_ptr<TKnot> content);

private:
    int FWarnings = 0;
};

// A palette command that runs an importer class on the element it is executed on.
class TImporterPaletteItem : public TSchemePaletteItem
{
    QV_CLASS(TImporterPaletteItem, TSchemePaletteItem)

    explicit TImporterPaletteItem(TNode* parent = nullptr, uint16_t flags = 0, int32_t image = -1,
                                  int32_t hint = 0, int32_t caption = 0,
                                  const TSchemeImporterClass* importerClass = nullptr, int32_t order = 0);

    const TSchemeImporterClass* ImporterClass() const { return FImporterClass; }

    // RunImporter on the element.
    bool Execute(TVisualElement* element, bool value) override;

private:
    const TSchemeImporterClass* FImporterClass;
};

// The palette group "Import" of the import commands, created on first use (start-up).
TPaletteGroup* ImportPaletteGroup();

// Runs an import on `target`: asks for the files through the user interface ("Choosing File for
// Import", with the class's filters), then, when the importer CanImport, imports them with the wait
// cursor inside one scheme update bracket and one undo group (captioned `caption`) that clears the
// document's messages. Returns false when nothing was chosen.
bool RunImporter(const TSchemeImporterClass* importerClass, TElement* target, const QString& caption);

} // namespace qv
