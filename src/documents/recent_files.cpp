#include "documents/recent_files.h"

#include "core/knot.h"

namespace qv {

namespace {

const QString fileNodeName = QStringLiteral("File");
const QString fileNameParam = QStringLiteral("FileName");

} // namespace

TRecentFiles::TRecentFiles(TKnot* sessionKnot, const QString& knotPath)
    : FSessionKnot(sessionKnot), FKnotPath(knotPath)
{}

TKnot* TRecentFiles::ListKnot(bool create)
{
    if (FSessionKnot == nullptr)
        return nullptr;
    if (FKnotPath.isEmpty())
        return FSessionKnot;
    return FSessionKnot->KnotByPath(FKnotPath, create);
}

TKnot* TRecentFiles::GetFileKnot(const QString& fileName)
{
    TKnot* list = ListKnot(false);
    if (list == nullptr || fileName.isEmpty())
        return nullptr;
    for (TKnot* entry = list->FindKnot(fileNodeName); entry != nullptr;
         entry = entry->FindNextKnot(fileNodeName)) {
        if (entry->ReadString(fileNameParam) == fileName)
            return entry;
    }
    return nullptr;
}

TKnot* TRecentFiles::AddFile(const QString& fileName)
{
    if (FMaxStoredCount <= 0)
        return nullptr;
    TKnot* list = ListKnot(true);
    if (list == nullptr)
        return nullptr;
    if (TKnot* old = GetFileKnot(fileName))
        old->Free();
    auto* entry = new TKnot(fileNodeName);
    entry->SetOptions(list->Options());
    // Before the first "File" entry, so that other knots kept under the list stay where they are.
    TKnot* first = list->FindKnot(fileNodeName);
    entry->SetParent(list, first);
    entry->WriteString(fileNameParam, fileName);
    entry->AddKnot(QStringLiteral("SheetData"));
    Trim();
    Changed();
    return entry;
}

void TRecentFiles::RemoveFile(const QString& fileName)
{
    if (TKnot* entry = GetFileKnot(fileName)) {
        entry->Free();
        Changed();
    }
}

QStringList TRecentFiles::FileNames()
{
    QStringList names;
    TKnot* list = ListKnot(false);
    if (list == nullptr)
        return names;
    for (TKnot* entry = list->FindKnot(fileNodeName); entry != nullptr;
         entry = entry->FindNextKnot(fileNodeName))
        names.append(entry->ReadString(fileNameParam));
    return names;
}

void TRecentFiles::SetMaxStoredCount(int count)
{
    FMaxStoredCount = count;
    if (Trim())
        Changed();
}

bool TRecentFiles::Trim()
{
    TKnot* list = ListKnot(false);
    if (list == nullptr)
        return false;
    const int keep = qMax(FMaxStoredCount, 0);
    int count = 0;
    bool dropped = false;
    TKnot* entry = list->FindKnot(fileNodeName);
    while (entry != nullptr) {
        TKnot* next = entry->FindNextKnot(fileNodeName);
        if (++count > keep) {
            entry->Free();
            dropped = true;
        }
        entry = next;
    }
    return dropped;
}

void TRecentFiles::Changed()
{
    if (OnReopenChange)
        OnReopenChange();
}

} // namespace qv
