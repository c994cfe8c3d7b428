#pragma once

#include "core/text_utils.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QThread;

namespace qv {

// Kinds of messages. Stored as one byte and exchanged between classes; keep the numbers.
enum TElementMessageKind : uint8_t
{
    mkInformation = 0,
    mkHint = 1,
    mkError = 2, // does not stop the work
    mkFatal = 3, // ended the work; a processor run with such a message has failed
    mkValueMissing = 4,
    mkInvalidContent = 5,
};

// Kinds of message parts: what the part's Data holds.
enum TElementMessagePartKind : uint8_t
{
    mpText = 0,     // nothing; plain text
    mpElements = 1, // element IDs, decimal, separated by commas
    mpFile = 2,     // a full file or folder path
    mpSettings = 3, // the key of a settings page
};

struct TElementMessagePart
{
    uint8_t Kind = mpText;
    QString Text; // shown
    QString Data; // the link target

    bool operator==(const TElementMessagePart&) const = default;
};

// One message: its kind and its parts in reading order.
class TElementMessage
{
public:
    explicit TElementMessage(uint8_t kind = mkInformation) : FKind(kind) {}

    uint8_t Kind() const { return FKind; }
    void SetKind(uint8_t kind) { FKind = kind; }
    QList<TElementMessagePart>& Parts() { return FParts; }
    const QList<TElementMessagePart>& Parts() const { return FParts; }
    // The concatenation of the parts' texts.
    QString GetText() const;

private:
    uint8_t FKind;
    QList<TElementMessagePart> FParts;
};

// A list of messages: an element's own check messages, or a document's log. Owned by whoever
// created it.
//
// Threads: the list is not locked. While a worker thread is attached (SetThread), that worker is
// the only thread adding to the list; OnAdd and OnClear then run on the user-interface thread (the
// thread of the QCoreApplication) while the worker waits, so they arrive in the order the messages
// were added and may read the list safely. The user-interface thread must keep its event loop
// running while a worker is attached and must never wait for the worker from inside a slot.
class TElementMessages
{
public:
    using TClearEvent = std::function<void()>;
    using TAddEvent = std::function<void(TElementMessage* message)>;
    // Returns whether the message is accepted; a refused message is freed.
    using TFilterEvent = std::function<bool(const TElementMessage& message)>;
    // May rewrite the data and the text of a part as it is added.
    using TPartEvent =
        std::function<void(TElementMessage* message, QString& data, QString& text, uint8_t partKind)>;

    TElementMessages() = default;
    TElementMessages(const TElementMessages&) = delete;
    TElementMessages& operator=(const TElementMessages&) = delete;
    ~TElementMessages();

    // Appends the message unless OnFilter refuses it. Returns the message, or nullptr when it was
    // refused (and freed). An error raised by OnAdd removes and frees the message and passes on.
    TElementMessage* AddMessage(std::unique_ptr<TElementMessage> message);
    TElementMessage* AddText(uint8_t kind, const QString& text);
    // The text is split at its first "[" and the first "]" after it: the words between are the link
    // part (with `ids` as its data), the text around it plain parts (left out when empty). Without a
    // "[", the whole text is the link.
    TElementMessage* AddElementsMessage(uint8_t kind, const QString& text, const QString& ids);
    TElementMessage* AddFileMessage(uint8_t kind, const QString& text, const QString& fileName);
    TElementMessage* AddSettingsMessage(uint8_t kind, const QString& text, const QString& key);
    // A message of exactly one part of the given kind, the whole text being that part; for texts
    // whose substituted values may contain brackets (display paths with "[n]").
    TElementMessage* AddWholeMessage(uint8_t kind, uint8_t partKind, const QString& text,
                                     const QString& data);
    // Appends a copy of every message of `source`, in order, through OnPart and AddMessage. With a
    // `subject` (the words that name the element the messages are about), each copy begins with it
    // as a link to `ids` and ": ".
    void AddCopies(const TElementMessages& source, const QString& subject = QString(),
                   const QString& ids = QString());

    // Frees every message; OnClear runs when there was a list to clear.
    void Clear();
    // The outermost BeginUpdate starts a fresh set of messages: it clears the list first.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    int Count() const { return static_cast<int>(FItems.size()); }
    bool IsEmpty() const { return FItems.empty(); }
    TElementMessage* Items(int index) const { return FItems[static_cast<size_t>(index)].get(); }

    // True when some message's kind k (k ≤ 7) has bit k set in `mask`.
    bool HasKinds(uint32_t mask) const;
    // 3 with a fatal message, else 2 with an error-like one (kinds 2, 4, 5), else 1 with a hint, else 0.
    int Severity() const;

    QThread* Thread() const { return FThread; }
    void SetThread(QThread* thread) { FThread = thread; }

    // One handler each, set by the list's owner; an empty function removes it.
    void SetOnClear(TClearEvent event) { FOnClear = std::move(event); }
    void SetOnAdd(TAddEvent event) { FOnAdd = std::move(event); }
    void SetOnFilter(TFilterEvent event) { FOnFilter = std::move(event); }
    void SetOnPart(TPartEvent event) { FOnPart = std::move(event); }

private:
    TElementMessage* AddSplitMessage(uint8_t kind, uint8_t partKind, const QString& text,
                                     const QString& data);
    void AddPart(TElementMessage* message, uint8_t partKind, QString text, QString data);
    // Runs `call` on the user-interface thread when a worker is attached and this is not that thread.
    template <class F>
    void Synchronize(F call);

    std::vector<std::unique_ptr<TElementMessage>> FItems;
    bool FHasList = false; // a list was started (by the first addition) and not cleared since
    int FUpdateCount = 0;
    QThread* FThread = nullptr;
    TClearEvent FOnClear;
    TAddEvent FOnAdd;
    TFilterEvent FOnFilter;
    TPartEvent FOnPart;
};

// A display path quoted in a message: shortened like MessageValueText (core/text_utils.h), but only
// control characters are replaced, because paths need their "[n]".
QString MessagePathText(const QString& text);

} // namespace qv
