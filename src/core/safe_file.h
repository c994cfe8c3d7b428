#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace qv {

// What a write does with a symbolic link at the path it is given.
enum TLinkMode : uint8_t
{
    lmFollow,  // the file at the end of the chain of links is replaced (a document saved through a link)
    lmReplace, // the link itself is replaced by the new file, its target is never touched (an output)
};

// Writes `data` to `fileName` without ever damaging the file that is there:
//  1. with lmFollow, a chain of symbolic links is followed to the file it ends at, and that file is
//     replaced (the links stay links); a link that points nowhere or a chain that loops (more than 40
//     links) is an error, never a reason to put a new file in place of a link; with lmReplace, a link
//     at `fileName` is itself replaced by the new file;
//  2. the bytes go to a new temporary file "Rplc<n>.tmp" in that file's folder, created exclusively,
//     n being the smallest free number from 1;
//  3. every write, the sync to the disk and the close are checked;
//  4. the temporary file is renamed over the target in one step, then the folder is synced so that the
//     new name survives a power cut. The rename is the last step that can fail the write: the folder's
//     sync is done as far as the file system allows, since the old file is gone by then;
//  5. after the rename, stale "Rplc<n>.tmp" files of earlier saves into that folder (left by a save that
//     was killed) are removed: only regular files of exactly that name, owned by this user, older than
//     the running save's own temporary file and not held by a running save (each save holds a lock on
//     its temporary file while it writes).
// A replaced file keeps its permissions plus the owner's write permission (a read-only target is
// replaced as well), and its owner and group where the process may change them (a privileged user
// saving another user's file). A new file gets the permissions `open` gives it (0666 less the umask,
// or the folder's default access list). On failure the old file is untouched, the temporary file is
// removed, `error` (when given) receives the reason (the system's, or "File not found" for a link that
// points nowhere) and the result is false.
bool WriteFileSafely(const QString& fileName, const QByteArray& data, QString* error = nullptr,
                     TLinkMode links = lmFollow);

// Copies `source` to `copyName` as WriteFileSafely writes a file; the copy gets the permissions, owner
// and group of `source` (owner and group where the process may). A source that does not exist is not
// an error: nothing is written. Any other failure to reach or read it is, so that a backup whose need
// cannot be decided is never skipped silently.
bool CopyFileSafely(const QString& source, const QString& copyName, QString* error = nullptr,
                    TLinkMode links = lmFollow);

// The steps of WriteFileSafely and CopyFileSafely, for the test seam below.
enum TSaveStep : uint8_t
{
    ssOpen,       // creating the temporary file
    ssWrite,      // one low-level write (data is written in pieces of at most 64 KiB)
    ssFlush,      // closing the temporary file, which flushes what the file system still holds
    ssSync,       // syncing the temporary file to the disk
    ssRename,     // renaming the temporary file over the target
    ssSyncFolder, // syncing the target's folder after the rename
    ssBackup,     // reaching and reading the file that CopyFileSafely copies
    ssStepCount
};

// Test seam: from now on, the `n`-th time `step` is done (counting from 1, over every call) fails as the
// system would: a write writes half of its bytes and fails as a full disk does, the close closes and
// reports an input/output error, every other step reports an error without being done. A failing folder
// sync is not reported (see WriteFileSafely). 0 switches the fault off. One fault is armed at a time.
// Thread-safe.
void FailSaveStepForTesting(TSaveStep step, int n);
// The same for ssWrite (kept for the tests that only break writes).
void FailNthFileWriteForTesting(int n);
// How many times `step` was done or attempted since the program started (for tests that count work).
int SaveStepCountForTesting(TSaveStep step);

} // namespace qv
