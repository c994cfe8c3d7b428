#pragma once

#include "core/node.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

namespace qv {

class TKnot;

// The first rule a knot text broke, for telling the user where and what.
enum TKnotSyntax : uint8_t
{
    ksNone = 0,
    ksStart,     // "<" expected where the text starts
    ksName,      // a name expected after "<" or before "="
    ksTagEnd,    // ">" or "/>" expected to close a tag
    ksEndTag,    // the end tag of the open knot expected (Expected: its name)
    ksValue,     // a value without its closing quote
    ksText,      // text between tags
    ksEndOfText, // the text ended inside a knot (Expected: the open knot's name, if any)
    ksTooDeep,   // knots nested too deeply
    ksAfterRoot, // something other than white space after the root knot
};

struct TKnotParseError
{
    TKnotSyntax What = ksNone;
    // Of the place the rule was broken: line from 1, column from 1 in UTF-16 units.
    int Line = 0;
    int Column = 0;
    QString Expected;
    // Knots of the text that the parse could not keep: the start tags after the place where it
    // stopped and each run of text it skipped.
    int KnotsLost = 0;

    // "line %1, column %2: what is wrong", in the user interface's language.
    QString Text() const;
};

// Options of a knot. The numbers are stored with the code that sets them; keep them.
enum TKnotOption : uint16_t
{
    koIndexed = 0x01,      // in paths every child is followed by "[n]", its 1-based position
    koUniqueParams = 0x02, // writing an attribute replaces one of that name instead of appending
    koSkipEmpty = 0x04,    // the writer leaves out empty child knots
    koUnquoted = 0x08,     // the writer leaves out the quotes of values that need none
    koNoIndent = 0x10,     // no indentation while this knot is written
    koNoBreaks = 0x20,     // no line breaks while this knot is written
    koSameLine = 0x40,     // no line break between the previous sibling and this knot
    koQuoteMode = 0x80,    // quotes in values are doubled instead of written as references
};

// What an attribute holds.
enum TKnotParamKind : uint8_t
{
    kpNone = 0,      // a name only, written without "="
    kpText = 1,      // text
    kpStream = 2,    // bytes owned by the attribute
    kpStreamRef = 3, // bytes owned by the caller, who keeps them alive as long as the attribute
};

// Byte encodings of knot text. keAnsi is the system's code page of settings, session and
// recent-files files, which is UTF-8 without a byte order mark here; the others write their mark.
enum TKnotEncoding : uint8_t
{
    keAnsi = 0,
    keUtf8 = 1,
    keUtf16LE = 2,
    keUtf16BE = 3,
};

// A window's placement as a session file keeps it. The flags describe the window; the window code
// fills them in and converts to and from its own geometry.
struct TFormPlacement
{
    bool Sizeable = true;    // the border lets the user size the window
    bool Maximizable = true; // the window has a maximize button
    bool Maximized = false;
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// The name of a knot or an attribute. Names come from a small vocabulary (element classes, their
// fields, settings keys) and a large document repeats each of them thousands of times, so the text of
// a name is kept once, for the life of the program, in a table shared by all threads; a knot holds a
// pointer to it. Once the table is full (a hostile stream of distinct names) a name keeps a copy of
// its own.
class TKnotName
{
public:
    TKnotName() = default; // the empty name
    explicit TKnotName(QStringView text);
    // `utf8` is converted as TextFromUtf8 does.
    static TKnotName FromUtf8(QByteArrayView utf8);
    TKnotName(const TKnotName& other) : FBits(other.FBits)
    {
        if (FBits & ownedBit)
            CopyOwned();
    }
    TKnotName& operator=(const TKnotName& other)
    {
        if (((FBits | other.FBits) & ownedBit) == 0)
            FBits = other.FBits;
        else
            AssignSlow(other);
        return *this;
    }
    ~TKnotName()
    {
        if (FBits & ownedBit)
            ReleaseOwned();
    }

    const QString& Text() const { return Entry()->Text; }
    // The same as UTF-8 bytes (QString::toUtf8), for writers.
    QByteArrayView Utf8() const { return Entry()->Utf8; }

private:
    // The text of a name in both forms.
    struct TEntry
    {
        QString Text;
        QByteArray Utf8;
    };
    static constexpr uintptr_t ownedBit = 1;
    static const TEntry FEmpty;

    const TEntry* Entry() const { return reinterpret_cast<const TEntry*>(FBits & ~ownedBit); }

    void CopyOwned();
    void AssignSlow(const TKnotName& other);
    void ReleaseOwned() noexcept;

    // The address of the entry; with ownedBit set, one this name allocated.
    uintptr_t FBits = reinterpret_cast<uintptr_t>(&FEmpty);
};

// An attribute of a knot: a name and a value of one of the kinds above. Attributes form a singly
// linked list in insertion order, owned by their knot; the last one links back to the knot.
//
// Text is kept as UTF-8, up to 15 bytes inside the attribute itself: documents hold hundreds of
// thousands of attributes, most of them short. Text() converts on every call. A lone UTF-16
// surrogate, which UTF-8 cannot carry, is stored as "?".
class TKnotParam
{
public:
    TKnotParam(const TKnotParam&) = delete;
    TKnotParam& operator=(const TKnotParam&) = delete;

    // From a pool of blocks (see TBlockPool).
    static void* operator new(size_t size);
    static void operator delete(void* block, size_t size) noexcept;

    // Walks to the end of the list: for reports, not for loops over attributes.
    TKnot* Owner() const;
    TKnotParam* Next() const { return FLink & lkOwner ? nullptr : reinterpret_cast<TKnotParam*>(FLink); }
    const QString& Name() const { return FName.Text(); }
    // The name as UTF-8 bytes, for writers.
    QByteArrayView NameUtf8() const { return FName.Utf8(); }
    TKnotParamKind Kind() const { return TKnotParamKind(FTag & tgKind); }
    bool Read() const { return (FTag & tgRead) != 0; }
    void SetRead(bool value) { FTag = uint8_t(value ? FTag | tgRead : FTag & ~tgRead); }

    // The text of a kpText attribute; empty for the other kinds.
    QString Text() const;
    // The same as UTF-8 bytes, valid until the attribute changes.
    QByteArrayView TextUtf8() const;
    // The bytes of a kpStream or kpStreamRef attribute; nullptr for the other kinds.
    const QByteArray* Stream() const;
    // The value as knot text holds it: the text, or the bytes as upper-case hexadecimal digits.
    QString ValueText() const;

    void SetNone();
    void SetText(const QString& text);
    void SetTextUtf8(QByteArrayView utf8);
    void SetStream(const QByteArray& stream);
    void SetStreamRef(const QByteArray* stream);

private:
    friend class TKnot;
    friend class TKnotParser;

    // FTag: the kind, the read mark and, for inline text, its length.
    enum : uint8_t
    {
        tgKind = 0x03,
        tgRead = 0x04,
        tgInline = 0x08,
        tgSizeShift = 4,
    };
    static constexpr qsizetype inlineCapacity = 15;
    // FLink: the next attribute or, with this bit, the owning knot.
    static constexpr uintptr_t lkOwner = 1;

    explicit TKnotParam(const TKnotName& name) : FName(name) {}
    ~TKnotParam();
    void ReleaseValue();
    void SetKind(TKnotParamKind kind, uint8_t extra = 0) { FTag = uint8_t((FTag & tgRead) | kind | extra); }
    // Sets the text of an attribute that holds no value yet.
    void InitTextUtf8(QByteArrayView utf8);
    char* HeapText() const;
    QByteArray* OwnedStream() const;
    void LinkNext(TKnotParam* next) { FLink = reinterpret_cast<uintptr_t>(next); }
    void LinkOwner(TKnot* owner) { FLink = reinterpret_cast<uintptr_t>(owner) | lkOwner; }

    uintptr_t FLink = 0;
    TKnotName FName;
    // The value: inline UTF-8 text; or a UTF-8 block of its own (pointer, then uint32 size); or a
    // QByteArray pointer (owned for kpStream). Kept as bytes so that the attribute stays 32 bytes.
    alignas(8) char FCell[inlineCapacity] = {};
    uint8_t FTag = tgInline; // kpNone, empty inline text
};

// The program's own XML node: a name, attributes (TKnotParam) and child knots, with its own reader
// and writer of knot text and marks that record what a loader read.
//
// Options: Options() is inherited (copied from the parent whenever the knot gets a new parent, and
// set on a whole subtree by SetOptions); OptionsExclude/OptionsInclude are this knot's own changes.
// EffectiveOptions() = (Options without OptionsExclude) with OptionsInclude.
//
// Every operation that returns a child, a sibling or the parent marks the returned knot as read;
// reading an attribute's value marks the attribute. The children of a knot are knots. Not
// thread-safe: one thread at a time per tree.
class TKnot : public TNode
{
    QV_CLASS(TKnot, TNode)

public:
    TKnot() = default;
    explicit TKnot(const QString& name) : FName(name) {}
    ~TKnot() override;

    // From a pool of blocks (see TBlockPool); classes derived from TKnot use the ordinary heap.
    static void* operator new(size_t size);
    static void operator delete(void* block, size_t size) noexcept;

    const QString& Name() const { return FName.Text(); }
    // The name as UTF-8 bytes, for writers.
    QByteArrayView NameUtf8() const { return FName.Utf8(); }
    void SetName(const QString& name) { FName = TKnotName(name); }

    uint16_t Options() const { return FOptions; }
    uint16_t OptionsExclude() const { return FOptionsExclude; }
    uint16_t OptionsInclude() const { return FOptionsInclude; }
    void SetOptionsExclude(uint16_t value) { FOptionsExclude = value; }
    void SetOptionsInclude(uint16_t value) { FOptionsInclude = value; }
    uint16_t EffectiveOptions() const { return uint16_t((FOptions & ~FOptionsExclude) | FOptionsInclude); }
    bool HasOption(TKnotOption option) const { return (EffectiveOptions() & option) != 0; }
    // Sets Options on this knot and every descendant.
    void SetOptions(uint16_t value);

    bool Read() const { return FRead; }
    void SetRead(bool value) { FRead = value; }
    // Set on the knot that was parsed when the text broke a rule; what was parsed before stays.
    bool Corrupt() const { return FCorrupt; }

    // --- Child knots ----------------------------------------------------------------------------
    TKnot* AddKnot(const QString& name);
    // The first child named `name`, or a new one at the end.
    TKnot* GetKnot(const QString& name);
    // The first child named `name` (case matters), or nullptr.
    TKnot* FindKnot(const QString& name);
    // The next sibling after this knot named `name`, or nullptr.
    TKnot* FindNextKnot(const QString& name);
    // Walks names separated by "."; with `create`, missing knots are appended on the way.
    TKnot* KnotByPath(const QString& path, bool create);
    TKnot* FirstKnot();
    TKnot* LastKnot();
    TKnot* NextKnot();
    TKnot* PrevKnot();
    TKnot* ParentKnot();
    int KnotCount() const { return ChildCount(); }

    // Copies name, option masks, attributes (values copied; a referenced stream becomes an owned
    // copy) and, recursively, the children. What this knot held before is dropped.
    void Assign(const TKnot& source);
    // Empties name, option masks, attributes and children; clears Read and Corrupt. Options stays.
    void Clear();
    // The names from the root joined by "."; a knot whose parent is indexed gets "[n]" (1-based).
    QString Path() const;
    // No attributes, and every child (if any) empty as well.
    bool IsEmpty() const;

    // --- Attributes -----------------------------------------------------------------------------
    TKnotParam* FirstParam() const { return FFirstParam; }
    int ParamCount() const;
    // The first attribute named `name`, or nullptr; does not mark it.
    TKnotParam* FindParam(const QString& name) const;
    // Whether the attribute exists; marks it when it does.
    bool HasParam(const QString& name);
    // Appends a kpNone attribute (even when the name exists).
    TKnotParam* AddParam(const QString& name);
    // Removes and frees the attribute (which must belong to this knot).
    void DeleteParam(TKnotParam* param);

    // The value as text (a stream as hexadecimal digits), or `def` when the attribute is missing.
    QString ReadString(const QString& name, const QString& def = QString());
    // "1" is true, "0" false; anything else, or a missing attribute, gives `def`.
    bool ReadBool(const QString& name, bool def);
    // A decimal integer (an optional sign and digits, nothing else) or `def`. When max != min, a
    // value outside [min, max] gives `def` too.
    int ReadInt(const QString& name, int def, int max = 0, int min = 0);
    // True when the attribute is missing (stream untouched) or its value decodes completely; a text
    // value must be hexadecimal digits (either case) in pairs. On failure `stream` is emptied.
    bool ReadStream(const QString& name, QByteArray& stream);

    // Under koUniqueParams these replace the value of an existing attribute of that name (keeping
    // its place); otherwise they append another attribute.
    void WriteString(const QString& name, const QString& value);
    void WriteInt(const QString& name, int value);
    void WriteBool(const QString& name, bool value);
    void WriteStream(const QString& name, const QByteArray& stream);
    // Refers to `stream` without copying it; the caller keeps it alive and unchanged until the knot
    // no longer needs it.
    void WriteStreamRef(const QString& name, const QByteArray* stream);

    // Window placement in "Maximized", "Left", "Top", "Width" and "Height". Reading keeps the values
    // in `place` that the knot does not replace and returns whether a stored placement was found;
    // the desktop size limits the position so that the window stays on the screen.
    bool ReadFormPlace(TFormPlacement& place, int desktopWidth, int desktopHeight);
    void WriteFormPlace(const TFormPlacement& place);

    // --- Text and files -------------------------------------------------------------------------
    // Parses `text` into this knot (cleared first). Never throws: on a rule violation the knot is
    // marked Corrupt, keeps what was parsed and the result is false.
    // `error`, when given, receives the first rule violation (What stays ksNone for a good text).
    bool LoadFromText(const QString& text, TKnotParseError* error = nullptr);
    // Decodes the bytes (byte order mark: UTF-8, UTF-16 LE or BE; none: UTF-8 when the bytes are
    // valid UTF-8, otherwise windows-1252) and parses them. Only the first mark is one: a U+FEFF after
    // it is text, which no knot text starts with. A failed parse only sets Corrupt.
    void LoadFromStream(const QByteArray& stream, TKnotParseError* error = nullptr);
    // Throws EQvError: "File not found: %1" for a missing file, the system's reason for other read
    // errors. A failed parse only sets Corrupt.
    void LoadFromFile(const QString& fileName, TKnotParseError* error = nullptr);

    // The knot text: tab indentation, CR LF after every line including the last.
    QString SaveToText() const;
    // Appends the encoded text, with the encoding's byte order mark, to `stream`.
    void SaveToStream(QByteArray& stream, TKnotEncoding encoding = keAnsi) const;
    // Writes through a temporary file renamed over the target; throws EQvError when that fails.
    void SaveToFile(const QString& fileName, TKnotEncoding encoding = keAnsi) const;

    // --- Read tracking --------------------------------------------------------------------------
    // Collects this knot's unread attributes, then every unread child as a whole (its descendants are
    // not visited) and, recursively, what read children did not read. True when anything was found.
    bool CollectUnread(std::vector<TKnot*>& knots, std::vector<TKnotParam*>& params);
    // Sets or clears the marks of this knot, its attributes and all descendants.
    void SetReadMarks(bool value);

protected:
    void ParentChanged() override;

private:
    friend class TKnotParser;

    // A new last child for the reader, with this knot's options (what ParentChanged gives it).
    TKnot* AppendParsedChild();
    TKnotParam* ParamForWrite(const QString& name);
    TKnotParam* ReadParam(const QString& name);
    void DeleteKnots();
    void DeleteParams();
    TKnot* Marked(TNode* node);
    // Links `param`, which belongs to no knot, after `last` (null: as the first attribute).
    void LinkParam(TKnotParam* param, TKnotParam* last)
    {
        param->LinkOwner(this);
        if (last != nullptr)
            last->LinkNext(param);
        else
            FFirstParam = param;
    }

    TKnotName FName;
    TKnotParam* FFirstParam = nullptr;
    uint16_t FOptions = 0;
    uint16_t FOptionsExclude = 0;
    uint16_t FOptionsInclude = 0;
    bool FRead = false;
    bool FCorrupt = false;
};

// Upper-case hexadecimal digits, two per byte.
QString StreamToHex(const QByteArray& stream);
// Both cases; false (and `stream` emptied) for an odd length or a character that is no digit.
bool HexToStream(QByteArrayView text, QByteArray& stream);

} // namespace qv
