#pragma once

#include "core/meta_class.h"

#include <QKeySequence>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

namespace qv {

class IElementSheet;
class TElement;
class TElementClass;
class TScheme;
class TSchemeDescriptor;

// Command-line verbs of a document type: each name with its command index.
using TCommandLineVerbs = QList<QPair<QString, int>>;

// The metaclass of scheme descriptors: a document type is a descriptor class, never instantiated;
// its class-level operations answer what the type is. A class "overrides" an operation by redefining
// the static member function of the same name (see TSchemeDescriptorClassImpl); each takes the
// class it is asked on, so defaults can call other operations of that class.
class TSchemeDescriptorClass : public TMetaClass
{
public:
    using TMetaClass::TMetaClass;

    TNodePtr<TNode> CreateNode() const override { return nullptr; }
    bool IsAbstract() const override { return true; }

    virtual QString GetTitle() const = 0;
    // Caption of the type's File › New item.
    virtual QString GetMenuCaption() const = 0;
    // One sentence; the New item's hint.
    virtual QString GetDescription() const = 0;
    // Title of a new, unsaved document.
    virtual QString GetDefaultDocumentTitle() const = 0;
    // File extension without the dot.
    virtual QString GetExtension() const = 0;
    // Name of the top node of the type's files.
    virtual QString GetRootName() const = 0;
    virtual void GetVerbParameters(int verbIndex, QStringList& names) const = 0;
    virtual void GetCommandLineVerbs(TCommandLineVerbs& list) const = 0;
    virtual void GetVerb(int index, QString& caption, QKeySequence& shortCut) const = 0;
    // The element the editing sheet shows.
    virtual TElement* GetVisualRoot(TScheme* scheme) const = 0;
    virtual int GetIconId() const = 0;
    virtual void InitializeNewScheme(TScheme* scheme) const = 0;
    // Documents of the type may be created and opened.
    virtual bool CanCreate() const = 0;
    // Position in the registration list and the New menu; larger first.
    virtual int GetSortValue() const = 0;
    virtual const TElementClass* GetRootClass() const = 0;
    // Called once when the editing sheet is created.
    virtual void PrepareSheet(IElementSheet* sheet) const = 0;
    // Asked before a New that the user chose; false cancels.
    virtual bool ConfirmNew() const = 0;
    // Runs a command on a document's root; `parameters` holds "name=value" texts, or is null.
    virtual void ExecuteVerb(TElement* root, int index, const QStringList* parameters) const = 0;
    virtual int GetVerbCount() const = 0;
    // Creation needs the user (skipped by the automatic New at start).
    virtual bool AsksOnCreation() const = 0;

    // The type's own group in the application's class groups, appended the first time it is asked
    // for. Start-up (one thread) only.
    int ClassesGroup() const;

private:
    mutable int FClassesGroup = -1;
};

template <class C>
class TSchemeDescriptorClassImpl : public TSchemeDescriptorClass
{
public:
    using TSchemeDescriptorClass::TSchemeDescriptorClass;

    QString GetTitle() const override { return C::GetTitle(this); }
    QString GetMenuCaption() const override { return C::GetMenuCaption(this); }
    QString GetDescription() const override { return C::GetDescription(this); }
    QString GetDefaultDocumentTitle() const override { return C::GetDefaultDocumentTitle(this); }
    QString GetExtension() const override { return C::GetExtension(this); }
    QString GetRootName() const override { return C::GetRootName(this); }
    void GetVerbParameters(int verbIndex, QStringList& names) const override
    {
        C::GetVerbParameters(this, verbIndex, names);
    }
    void GetCommandLineVerbs(TCommandLineVerbs& list) const override { C::GetCommandLineVerbs(this, list); }
    void GetVerb(int index, QString& caption, QKeySequence& shortCut) const override
    {
        C::GetVerb(this, index, caption, shortCut);
    }
    TElement* GetVisualRoot(TScheme* scheme) const override { return C::GetVisualRoot(this, scheme); }
    int GetIconId() const override { return C::GetIconId(this); }
    void InitializeNewScheme(TScheme* scheme) const override { C::InitializeNewScheme(this, scheme); }
    bool CanCreate() const override { return C::CanCreate(this); }
    int GetSortValue() const override { return C::GetSortValue(this); }
    const TElementClass* GetRootClass() const override { return C::GetRootClass(this); }
    void PrepareSheet(IElementSheet* sheet) const override { C::PrepareSheet(this, sheet); }
    bool ConfirmNew() const override { return C::ConfirmNew(this); }
    void ExecuteVerb(TElement* root, int index, const QStringList* parameters) const override
    {
        C::ExecuteVerb(this, root, index, parameters);
    }
    int GetVerbCount() const override { return C::GetVerbCount(this); }
    bool AsksOnCreation() const override { return C::AsksOnCreation(this); }
};

using TDescriptor = const TSchemeDescriptorClass*;

// The base of every document type. Declare a type with QV_CLASS(TMyDescriptor, TSchemeDescriptor)
// and redefine the static operations it answers differently.
class TSchemeDescriptor
{
public:
    template <class C>
    using TMetaFor = TSchemeDescriptorClassImpl<C>;
    using TMetaType = TMetaFor<TSchemeDescriptor>;
    static const TMetaType* StaticClass() noexcept;
    virtual const TMetaClass* ClassType() const noexcept;

    TSchemeDescriptor() = delete;
    virtual ~TSchemeDescriptor() = default;

    static QString GetTitle(TDescriptor cls);
    static QString GetMenuCaption(TDescriptor cls);
    static QString GetDescription(TDescriptor cls);
    static QString GetDefaultDocumentTitle(TDescriptor cls);
    static QString GetExtension(TDescriptor cls);
    static QString GetRootName(TDescriptor cls);
    static void GetVerbParameters(TDescriptor cls, int verbIndex, QStringList& names);
    static void GetCommandLineVerbs(TDescriptor cls, TCommandLineVerbs& list);
    static void GetVerb(TDescriptor cls, int index, QString& caption, QKeySequence& shortCut);
    static TElement* GetVisualRoot(TDescriptor cls, TScheme* scheme);
    static int GetIconId(TDescriptor cls);
    static void InitializeNewScheme(TDescriptor cls, TScheme* scheme);
    static bool CanCreate(TDescriptor cls);
    static int GetSortValue(TDescriptor cls);
    static const TElementClass* GetRootClass(TDescriptor cls);
    static void PrepareSheet(TDescriptor cls, IElementSheet* sheet);
    static bool ConfirmNew(TDescriptor cls);
    static void ExecuteVerb(TDescriptor cls, TElement* root, int index, const QStringList* parameters);
    static int GetVerbCount(TDescriptor cls);
    static bool AsksOnCreation(TDescriptor cls);
};

// Marks the document types whose root is a root with pre-processing.
class TSchemeWithPreProcessingDescriptor : public TSchemeDescriptor
{
    QV_CLASS(TSchemeWithPreProcessingDescriptor, TSchemeDescriptor)
};

// Every processing document type: the commands "Process" (F9) and "Remove Generated".
class TSchemeWithProcessingDescriptor : public TSchemeWithPreProcessingDescriptor
{
    QV_CLASS(TSchemeWithProcessingDescriptor, TSchemeWithPreProcessingDescriptor)

    enum TVerb : int
    {
        pvProcess = 0,
        pvRemoveGenerated = 1,
    };

    static void GetVerbParameters(TDescriptor cls, int verbIndex, QStringList& names);
    static void GetCommandLineVerbs(TDescriptor cls, TCommandLineVerbs& list);
    static void GetVerb(TDescriptor cls, int index, QString& caption, QKeySequence& shortCut);
    static int GetVerbCount(TDescriptor cls);
    // Process runs the processors the "processors" parameter picks (see PickProcessors), or every
    // enabled one; Remove Generated deletes what the generators made, as one undo step that clears the
    // document's messages. Both go through the installed processing service; a busy document, or one
    // without the service, only beeps.
    static void ExecuteVerb(TDescriptor cls, TElement* root, int index, const QStringList* parameters);

    // The processors the Process command runs, from its parameters ("name=value" texts, or null):
    // nothing when every enabled processor runs (no "processors" parameter, or an empty value);
    // otherwise the 0-based indices, in list order, of the picked processors among all
    // `processorCount` processor elements in document order (disabled ones included). The value is a
    // comma-separated list with quotes honoured; entries that are not integers count as 0 and only
    // 1 ≤ N ≤ processorCount picks. An empty result means "no processors".
    static std::optional<QList<int>> PickProcessors(const QStringList* parameters, int processorCount);
};

// The process-wide list of document types, larger sort values first.
class TSchemeRegistry
{
public:
    // Inserts the class before the first registered class with a smaller sort value, or appends it:
    // equal values keep their registration order.
    void RegisterScheme(TDescriptor cls);
    const QList<TDescriptor>& Descriptors() const { return FDescriptors; }
    // The last registered class whose extension equals the file's (without the dot, ignoring case),
    // or null.
    TDescriptor FindDescriptorByExtension(const QString& fileName) const;

private:
    QList<TDescriptor> FDescriptors;
};

// The application's registry; filled at start-up, lives until exit.
TSchemeRegistry& SchemeRegistry();
inline void RegisterScheme(TDescriptor cls)
{
    SchemeRegistry().RegisterScheme(cls);
}
inline TDescriptor FindDescriptorByExtension(const QString& fileName)
{
    return SchemeRegistry().FindDescriptorByExtension(fileName);
}

} // namespace qv
