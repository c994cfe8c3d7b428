#include "documents/document.h"

#include "core/strings.h"
#include "core/undo_redo.h"

#include <QFileInfo>

namespace qv {

TDocument::TDocument() : FUndoRedo(std::make_unique<TUndoRedo>()) {}

TDocument::~TDocument() = default;

bool TDocument::Modified() const
{
    return FUndoRedo->Modified();
}

bool TDocument::CanClose()
{
    return true;
}

void TDocument::AfterCreate() {}

void TDocument::AfterOpen() {}

void TDocument::InitializeNew() {}

QString TDocument::GetDefaultTitle()
{
    return LoadStr(2071);
}

QString TDocument::GetTitle()
{
    if (FFileName.isEmpty())
        return GetDefaultTitle();
    return QFileInfo(FFileName).completeBaseName();
}

void TDocument::LoadState(TKnot*) {}

void TDocument::SaveState(TKnot*) {}

void TDocument::LoadFromFile(const QString&) {}

bool TDocument::SaveToFile(const QString&)
{
    return true;
}

void TDocument::ModifiedChanged() {}

void TDocument::BeforeActiveChange() {}

void TDocument::AfterActiveChange() {}

bool TDocument::LoadedInPart()
{
    return false;
}

int TDocument::NodesNotRead()
{
    return 0;
}

void TDocument::Saved()
{
    if (OnChanged)
        OnChanged(this, 0, 0, 0);
}

} // namespace qv
