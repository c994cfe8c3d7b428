#pragma once

#include "core/itf_object.h"

#include <QString>

#include <memory>

namespace qv {

class TKnot;
class TUndoRedo;

// One open file (or one new, unsaved file) with its undo history. The document manager
// (TDocumentor) owns documents and drives them through the virtual operations below; the default
// implementations are those of a document without content.
//
// User-interface thread only.
class TDocument : public TItfObject
{
public:
    TDocument();
    ~TDocument() override;

    // Full path; empty for a new document.
    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& fileName) { FFileName = fileName; }
    // The document is the manager's current document.
    bool Active() const { return FActive; }
    void SetActive(bool value) { FActive = value; }
    // Owned; its modified flag is the document's modified state.
    TUndoRedo* UndoRedo() const { return FUndoRedo.get(); }
    bool Modified() const;
    // A backup copy of the file was made since the document was opened.
    bool BackupMade() const { return FBackupMade; }
    void SetBackupMade(bool value) { FBackupMade = value; }

    // Set by the manager: called after every save (OnSaved), and after a save or when the title may
    // have changed (OnChanged). The sender is the document.
    TItfNotifyEvent OnSaved;
    TItfNotifyEvent OnChanged;

    virtual bool CanClose();
    virtual void AfterCreate();
    virtual void AfterOpen();
    virtual void InitializeNew();
    // "Untitled" by default.
    virtual QString GetDefaultTitle();
    // The file name without folder and extension, or GetDefaultTitle without a file.
    virtual QString GetTitle();
    // View state kept in a recent-files entry (the "File" knot).
    virtual void LoadState(TKnot* entry);
    virtual void SaveState(TKnot* entry);
    virtual void LoadFromFile(const QString& fileName);
    // The file could be read only in part, so saving over it drops what could not be read (the
    // number of nodes); Save asks first. A save clears the mark.
    virtual bool LoadedInPart();
    virtual int NodesNotRead();
    // Writes the document to `fileName`. False when the save was declined (nothing was written and
    // the caller must not treat the document as saved); errors are raised as EQvError.
    virtual bool SaveToFile(const QString& fileName);
    virtual void ModifiedChanged();
    virtual void BeforeActiveChange();
    virtual void AfterActiveChange();
    // Calls OnChanged.
    virtual void Saved();

private:
    QString FFileName;
    bool FActive = false;
    std::unique_ptr<TUndoRedo> FUndoRedo;
    bool FBackupMade = false;
};

} // namespace qv
