#pragma once

#include <QString>

namespace qv {

// Relative and absolute paths as documents store them. Paths use "/"; names compare
// case-sensitively. Both routines work on the text alone and never look at the file system.

// `target` relative to the folder `base`: "../" for every part of `base` that `target` does not
// share, or "./" when `target` lies below `base`, followed by the rest of `target`; "." for equal
// paths. `target` stays as it is when either path is empty or when one is absolute and the other is
// not (they have no common root). A trailing "/" of `target` is kept.
//   base "/a/b", target "/a/c/d.txt" → "../c/d.txt";  base "/a", target "/a/b/f.txt" → "./b/f.txt"
QString MakeRelativePath(const QString& base, const QString& target);

// `relative` applied to the folder `base`: empty parts and "." are skipped, ".." removes the last
// part (never above the root of an absolute `base`; a relative `base` keeps the ".." it cannot
// remove), other parts are appended. An absolute `relative` is returned as it is; an empty one gives
// `base`. The result ends with "/" only when `relative` does.
QString ExpandRelativePath(const QString& base, const QString& relative);

// The name of the one-time backup copy of a file: "~" before its extension, in the same folder.
//   "/a/notes.frt" → "/a/notes.~frt";  "/a/notes" → "/a/notes.~"
QString BackupFileName(const QString& fileName);

} // namespace qv
