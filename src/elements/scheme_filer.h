#pragma once

#include "core/update_guard.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace qv {

class TElement;
class TElementMessages;
class TKnot;
class TScheme;
class TSchemeLoader;
class TNode;

// The nodes under `root`, itself included; iterative, since a document may nest deeply.
qint64 CountKnots(const TNode* root);

// Filer modes.
enum TFilerMode : uint8_t
{
    fmFile = 0,      // document files; text a generation run writes into a field
    fmClipboard = 1, // as files, but elements with visual option 0x1000 are left out
    fmSnapshot = 2,  // undo, code mode, generation copies: IDs and transient parts, nothing reported
    fmReserved = 3,
};

// Filer flags.
enum TFilerFlag : uint8_t
{
    ffGenerationCopy = 0x01, // loaded elements get state 0x04
    ffFileSave = 0x02,
    ffClipboard = 0x04,
    ffNoPosition = 0x08,  // no "Left"/"Top"; a text field reads "Br" specially
    ffNoDisabled = 0x10,  // disabled visual children are left out
    ffNoForeign = 0x20,   // eoForeign children are left out
    ffNoOptional = 0x40,  // eoOptional children are left out
    ffSubstitutes = 0x80, // SaveSubstitute may stand in for an element
};

// The format version this program writes, and its value as major × 1000 + minor.
inline constexpr char formatVersionText[] = "1.2";
constexpr int formatVersion = 1200;

// "FormatVersion" as major × 1000 + minor: missing → 1200; "a.b" → int(a) × 1000 (1 when a is not a
// number) + int(b right-padded with "0" to three digits) (0 when not a number); "a" → int(a) × 1000
// (1 when not a number).
int ParseFormatVersion(const QString* text);

// The type name a stored node name stands for (old names of renamed element classes).
QString TranslateElementTypeName(const QString& name);

// What savers and loaders share: the mode, the flags and the knot they work on.
class TSchemeFiler
{
public:
    TSchemeFiler(uint8_t mode, TKnot* knot, uint8_t flags);
    TSchemeFiler(const TSchemeFiler&) = delete;
    TSchemeFiler& operator=(const TSchemeFiler&) = delete;
    virtual ~TSchemeFiler();

    uint8_t Mode() const { return FMode; }
    uint8_t Flags() const { return FFlags; }
    TKnot* Knot() const { return FKnot; }

protected:
    uint8_t FMode;
    uint8_t FFlags;
    TKnot* FKnot;
    std::unique_ptr<TKnot> FOwnKnot; // when the filer made its own knot
};

// Writes elements into a knot tree. Always works on a node whose name the caller has set.
class TSchemeSaver : public TSchemeFiler
{
public:
    // Without a knot the saver makes and owns one.
    TSchemeSaver(uint8_t mode, TKnot* knot, uint8_t flags);
    // Writes "FormatVersion"="1.2" on the saver's node.
    void WriteFormatVersion();
};

// Work deferred to the end of a load: called with (element, loader, knot) once all elements exist.
using TLoadedProc = void (*)(TElement* element, TSchemeLoader* loader, TKnot* knot);

// Reads elements out of a knot tree into a scheme. Holds the scheme's update bracket from creation
// to Finish, so a loaded tree is checked once, after loading.
//
// Finish (called by the destructor when the owner did not) runs the deferred procedures, closes the
// bracket and reports what was not read. Call Finish explicitly where errors may pass on; the
// destructor never throws.
class TSchemeLoader : public TSchemeFiler
{
public:
    // Reads the format version, opens the scheme's update bracket and reports a corrupt or newer
    // text to `messages` (when given).
    TSchemeLoader(TScheme* scheme, TElementMessages* messages, TKnot* knot, uint8_t flags, uint8_t mode);
    ~TSchemeLoader() override;

    TScheme* Scheme() const { return FScheme; }
    TElementMessages* Messages() const { return FMessages; }
    // The file's format version, as major × 1000 + minor.
    int Version() const { return FVersion; }

    // Records an (old, new) pair of an element that stores its ID, when the two differ.
    void MapID(int32_t storedID, int32_t newID);
    // The new ID of a stored one, or `storedID` when it was not mapped.
    int32_t MappedID(int32_t storedID) const;
    void AddLoadedProc(TKnot* knot, TLoadedProc proc, TElement* element);

    void Finish();
    // After Finish: the knots nothing read, each with its descendants.
    int NotRead() const { return FNotRead; }

private:
    // Runs the deferred procedures of the elements still alive, in the order they were added.
    void RunLoadedProcs();
    void ReportUnread();

    struct TLoadedProcEntry
    {
        TLoadedProc Proc;
        TElement* Element;
        int32_t ElementID;
        TKnot* Knot;
    };

    TScheme* FScheme;
    TUpdateGuard<TScheme> FSchemeUpdate; // moved out and closed by Finish
    TElementMessages* FMessages;
    int FVersion = formatVersion;
    std::vector<TLoadedProcEntry> FLoadedProcs;
    QList<int32_t> FStoredIDs;
    QList<int32_t> FNewIDs;
    bool FFinished = false;
    int FNotRead = 0;
};

} // namespace qv
