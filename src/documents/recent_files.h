#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace qv {

class TKnot;

// The list of recently closed files: "File" knots, most recent first, each with the attribute
// "FileName" and the child "SheetData" (the document's view state), under the knot at KnotPath of
// the session file's knot (or that knot itself when KnotPath is empty). An open file is never in it.
//
// File names compare as the file system does here: exactly (case matters). User-interface thread
// only.
class TRecentFiles
{
public:
    // `sessionKnot` is the content of the file the list lives in; not owned, may be null (no list).
    explicit TRecentFiles(TKnot* sessionKnot = nullptr, const QString& knotPath = QString());

    TKnot* SessionKnot() const { return FSessionKnot; }
    void SetSessionKnot(TKnot* knot) { FSessionKnot = knot; }
    const QString& KnotPath() const { return FKnotPath; }
    void SetKnotPath(const QString& path) { FKnotPath = path; }

    int MaxStoredCount() const { return FMaxStoredCount; }
    // Trims the list; fires OnReopenChange when something was dropped.
    void SetMaxStoredCount(int count);

    // After every change of the list.
    std::function<void()> OnReopenChange;

    // The entry of a file, or null.
    TKnot* GetFileKnot(const QString& fileName);
    // Puts a fresh entry for the file first (an old entry of the file goes), drops the entries beyond
    // MaxStoredCount and returns the new entry; null without a session knot or when MaxStoredCount is
    // 0 or less.
    TKnot* AddFile(const QString& fileName);
    // Deletes the file's entry, if there is one.
    void RemoveFile(const QString& fileName);
    // The file names, most recent first.
    QStringList FileNames();

private:
    // The knot holding the "File" entries, created when `create` is set; null otherwise when missing.
    TKnot* ListKnot(bool create);
    // Frees "File" entries beyond MaxStoredCount; true when one went.
    bool Trim();
    void Changed();

    TKnot* FSessionKnot;
    QString FKnotPath;
    int FMaxStoredCount = 32;
};

} // namespace qv
