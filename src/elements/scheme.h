#pragma once

#include "core/errors.h"
#include "core/itf_object.h"
#include "core/meta_class.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

namespace qv {

class TElement;
class TElementClass;
class TElementMessages;
class TKnot;
class TUndoRedo;
class TScheme;

// Finds the scheme of another document by file name (the document manager supplies it). Returns the
// scheme or nullptr; may raise an error, which callers count as no result.
using TOpenSchemeEvent = std::function<TScheme*(TScheme* scheme, const QString& fileName)>;

// Notifications of a scheme (Notify kinds, no parameters).
enum TSchemeNotification : int
{
    snFileNameChanged = 1,
    snRootReplaced = 2,
    snReadOnlyChanged = 3,
    snLoadedInPartChanged = 4,
};

// Leaving code mode refused: the text is not knot text. The message says where and what; Line and
// Column (from 1, the column in UTF-16 units) point at the place in the code-mode text.
class ECodeModeSyntaxError : public EQvError
{
public:
    ECodeModeSyntaxError(QString message, int line, int column)
        : EQvError(std::move(message)), FLine(line), FColumn(column)
    {}
    int Line() const { return FLine; }
    int Column() const { return FColumn; }

private:
    int FLine;
    int FColumn;
};

// Read-only levels of a scheme.
enum TSchemeReadOnlyLevel : uint8_t
{
    rolEditable = 0,
    rolReadOnly = 1,
    rolBusy = 2, // a processing run is going on
};

// The element model of one document: owns the root element, registers every element by ID, defers
// checks during update brackets and knows where loading and checking report.
//
// Thread: the user-interface thread, except that a generation run builds and uses its own private
// scheme on its thread. RegisterElement only touches this scheme's list and the atomic ID counter.
class TScheme : public TItfObject
{
public:
    // Creates the root of `rootClass` when one is given.
    explicit TScheme(const TElementClass* rootClass = nullptr, const QString& rootName = QString(),
                     const TElementClass* codeModeRootClass = nullptr);
    ~TScheme() override;

    const QString& FileName() const { return FFileName; }
    // On a change (compared exactly): stores it and notifies 1.
    void SetFileName(const QString& fileName);
    // The last LoadFromFile read the file only in part: it was corrupt, of a newer format, or held
    // nodes nothing read. Saving would then drop what could not be read. Changes
    // notify snLoadedInPartChanged.
    bool LoadedInPart() const { return FLoadedInPart; }
    // False also forgets NodesNotRead.
    void SetLoadedInPart(bool value);
    // How many knots of the file could not be read (those lost after a syntax error
    // are counted by their start tags); sets LoadedInPart when `count` is above 0.
    int NodesNotRead() const { return FNodesNotRead; }
    void AddNodesNotRead(int count);

    // Every live element created with this scheme, in registration order.
    QList<TElement*> Elements() const;
    int ElementCount() const { return FElementCount; }
    const QList<TElement*>& PendingChecks() const { return FPendingChecks; }

    // Where loading and checking report; not owned.
    TElementMessages* Messages() const { return FMessages; }
    void SetMessages(TElementMessages* messages) { FMessages = messages; }

    TElement* Root() const { return FRoot.get(); }
    // Installs `root` in place of the present root, which is handed back to the caller.
    TNodePtr<TElement> ReplaceRoot(TNodePtr<TElement> root);
    const TElementClass* RootClass() const { return FRootClass; }
    const TElementClass* CodeModeRootClass() const { return FCodeModeRootClass; }
    bool CodeMode() const { return FCodeMode; }
    const QString& RootName() const { return FRootName; }
    void SetRootName(const QString& rootName) { FRootName = rootName; }

    uint8_t ReadOnlyLevel() const { return FReadOnlyLevel; }
    // On a change: stores it and notifies 3.
    void SetReadOnlyLevel(uint8_t level);

    // Further folders for relative file names, searched last first.
    QStringList& SearchFolders() { return FSearchFolders; }
    const QStringList& SearchFolders() const { return FSearchFolders; }

    TUndoRedo* UndoRedo() const { return FUndoRedo; }
    void SetUndoRedo(TUndoRedo* undoRedo) { FUndoRedo = undoRedo; }

    // Set by the scheme's owner; empty when no other document can be reached.
    void SetOpenScheme(TOpenSchemeEvent event) { FOpenScheme = std::move(event); }
    const TOpenSchemeEvent& OpenScheme() const { return FOpenScheme; }

    // Schemes holding a namespace connection whose source lies in this scheme; one entry per
    // connection.
    const QList<TScheme*>& Dependants() const { return FDependants; }
    void AddDependant(TScheme* scheme);
    void RemoveDependant(TScheme* scheme);

    // Appends the element to the registration list and returns the next process-wide ID.
    int32_t RegisterElement(TElement* element);
    // Removes it from the registration list and, when queued, from the pending checks.
    void UnregisterElement(TElement* element);
    // The first registered element with that ID, or nullptr.
    TElement* FindElementByID(int32_t id) const;

    // Update bracket: while open, checks are queued; when the outermost bracket closes (and the
    // scheme has a root) the queued checks run in queue order.
    void BeginUpdate();
    void EndUpdate();
    bool IsUpdating() const { return FUpdateCount > 0; }
    int UpdateCount() const { return FUpdateCount; }
    // Appends to the pending checks unless the element is already queued.
    void QueueCheck(TElement* element);

    // The update bracket of Messages, when there is one.
    void BeginMessagesUpdate();
    void EndMessagesUpdate();

    // With an undo manager: opens and closes one undo group whose outermost operation is a scheme
    // grouping operation with this caption (clearing the messages when asked); without one, nothing.
    void BeginGroup(const QString& caption, bool clearMessages);
    void EndGroup();

    // Loads `element` from `knot` through a loader with Messages, the mode and flags 0; the loader's
    // end reports what was not read.
    void LoadFromKnot(TElement* element, uint8_t mode, TKnot* knot);
    // Names the knot RootName, writes "FormatVersion" and saves `element` into it.
    void SaveToKnot(TElement* element, uint8_t mode, TKnot* knot, uint8_t flags);
    // Sets the file name and loads the root from the file; raises "File not found: %1" for a
    // missing file and the system's reason for other read errors. A syntax error is reported to
    // Messages with the file, line and column, and what could not be read marks the scheme loaded in
    // part.
    void LoadFromFile(const QString& fileName);
    // Writes the document through a temporary file renamed over the target; the target is never
    // damaged. Raises an error when the file cannot be written. Afterwards the scheme has the new
    // file name, or the old one again on failure or when `asCopy` is set.
    void SaveToFile(const QString& fileName, bool asCopy = false);
    // The bytes SaveToFile writes: UTF-8 with byte order mark, CR LF line ends.
    QByteArray SaveToBytes();

    // Posts an undoable switch into or out of code mode when `value` differs from CodeMode.
    void SetCodeMode(bool value);
    // Replaces the root by one of CodeModeRootClass (entering) or RootClass (leaving). With a knot
    // the new root is restored from that snapshot; otherwise entering gives the new root the XML text
    // of the document, and leaving parses the text and loads the new root from it, reporting to
    // Messages as a file load does. Text that does not parse is refused with ECodeModeSyntaxError
    // and the scheme stays as it was. The new root takes the old one's place on the sheet; the old root
    // is freed and notification 2 sent.
    void SwitchCodeMode(bool value, TKnot* knot);

private:
    void RunPendingChecks();
    QByteArray CodeModeTextToBytes();
    void CompactElements();

    QString FFileName;
    std::vector<TElement*> FElements; // registration order; freed slots are null until compacted
    int FElementCount = 0;
    QList<TElement*> FPendingChecks;
    TElementMessages* FMessages = nullptr;
    TNodePtr<TElement> FRoot;
    const TElementClass* FRootClass = nullptr;
    const TElementClass* FCodeModeRootClass = nullptr;
    bool FCodeMode = false;
    bool FLoadedInPart = false;
    int FNodesNotRead = 0;
    QString FRootName;
    uint8_t FReadOnlyLevel = rolEditable;
    QStringList FSearchFolders;
    TUndoRedo* FUndoRedo = nullptr;
    int FUpdateCount = 0;
    TOpenSchemeEvent FOpenScheme;
    QList<TScheme*> FDependants;
};

// Opens an undo group of a scheme (if any) for its lifetime.
class [[nodiscard]] TSchemeGroupGuard
{
public:
    TSchemeGroupGuard(TScheme* scheme, const QString& caption, bool clearMessages) : FScheme(scheme)
    {
        if (FScheme != nullptr)
            FScheme->BeginGroup(caption, clearMessages);
    }
    ~TSchemeGroupGuard()
    {
        if (FScheme != nullptr)
            FScheme->EndGroup();
    }
    TSchemeGroupGuard(const TSchemeGroupGuard&) = delete;
    TSchemeGroupGuard& operator=(const TSchemeGroupGuard&) = delete;

private:
    TScheme* FScheme;
};

} // namespace qv
