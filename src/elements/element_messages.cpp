#include "elements/element_messages.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <exception>

namespace qv {

QString TElementMessage::GetText() const
{
    QString text;
    for (const TElementMessagePart& part : FParts)
        text += part.Text;
    return text;
}

TElementMessages::~TElementMessages() = default;

template <class F>
void TElementMessages::Synchronize(F call)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (FThread == nullptr || app == nullptr || QThread::currentThread() == app->thread()) {
        call();
        return;
    }
    // The worker waits while the user-interface thread runs the call; an error raised there is
    // carried back and raised again on the worker, so nothing crosses the thread boundary.
    std::exception_ptr error;
    QMetaObject::invokeMethod(
        app,
        [&call, &error] {
            try {
                call();
            } catch (...) {
                error = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (error)
        std::rethrow_exception(error);
}

TElementMessage* TElementMessages::AddMessage(std::unique_ptr<TElementMessage> message)
{
    if (!message)
        return nullptr;
    if (FOnFilter && !FOnFilter(*message))
        return nullptr;
    TElementMessage* added = message.get();
    FItems.push_back(std::move(message));
    FHasList = true;
    if (FOnAdd) {
        try {
            Synchronize([this, added] { FOnAdd(added); });
        } catch (...) {
            // The message being appended is freed; the error passes on.
            for (auto it = FItems.begin(); it != FItems.end(); ++it) {
                if (it->get() == added) {
                    FItems.erase(it);
                    break;
                }
            }
            throw;
        }
    }
    return added;
}

void TElementMessages::AddPart(TElementMessage* message, uint8_t partKind, QString text, QString data)
{
    if (FOnPart)
        FOnPart(message, data, text, partKind);
    message->Parts().append(TElementMessagePart{partKind, std::move(text), std::move(data)});
}

TElementMessage* TElementMessages::AddText(uint8_t kind, const QString& text)
{
    auto message = std::make_unique<TElementMessage>(kind);
    AddPart(message.get(), mpText, text, QString());
    return AddMessage(std::move(message));
}

TElementMessage* TElementMessages::AddSplitMessage(uint8_t kind, uint8_t partKind, const QString& text,
                                                   const QString& data)
{
    auto message = std::make_unique<TElementMessage>(kind);
    const qsizetype open = text.indexOf(u'[');
    if (open < 0) {
        AddPart(message.get(), partKind, text, data);
    } else {
        // The "]" is looked for only after the "[": one before it would give the link a negative
        // length. A missing "]" makes the rest of the text the link.
        qsizetype close = text.indexOf(u']', open + 1);
        if (close < 0)
            close = text.size();
        const QString before = text.left(open);
        const QString link = text.mid(open + 1, close - open - 1);
        const QString after = close < text.size() ? text.mid(close + 1) : QString();
        if (!before.isEmpty())
            AddPart(message.get(), mpText, before, QString());
        AddPart(message.get(), partKind, link, data);
        if (!after.isEmpty())
            AddPart(message.get(), mpText, after, QString());
    }
    return AddMessage(std::move(message));
}

TElementMessage* TElementMessages::AddElementsMessage(uint8_t kind, const QString& text, const QString& ids)
{
    return AddSplitMessage(kind, mpElements, text, ids);
}

TElementMessage* TElementMessages::AddFileMessage(uint8_t kind, const QString& text, const QString& fileName)
{
    return AddSplitMessage(kind, mpFile, text, fileName);
}

TElementMessage* TElementMessages::AddSettingsMessage(uint8_t kind, const QString& text, const QString& key)
{
    return AddSplitMessage(kind, mpSettings, text, key);
}

TElementMessage* TElementMessages::AddWholeMessage(uint8_t kind, uint8_t partKind, const QString& text,
                                                   const QString& data)
{
    auto message = std::make_unique<TElementMessage>(kind);
    AddPart(message.get(), partKind, text, data);
    return AddMessage(std::move(message));
}

void TElementMessages::AddCopies(const TElementMessages& source, const QString& subject, const QString& ids)
{
    // Copy first: `source` may be this list.
    std::vector<std::unique_ptr<TElementMessage>> copies;
    copies.reserve(source.FItems.size());
    for (const auto& item : source.FItems) {
        auto copy = std::make_unique<TElementMessage>(item->Kind());
        if (!subject.isEmpty()) {
            AddPart(copy.get(), mpElements, subject, ids);
            AddPart(copy.get(), mpText, QStringLiteral(": "), QString());
        }
        for (const TElementMessagePart& part : item->Parts())
            AddPart(copy.get(), part.Kind, part.Text, part.Data);
        copies.push_back(std::move(copy));
    }
    for (auto& copy : copies)
        AddMessage(std::move(copy));
}

void TElementMessages::Clear()
{
    FItems.clear();
    if (!FHasList)
        return;
    FHasList = false;
    if (FOnClear)
        Synchronize([this] { FOnClear(); });
}

void TElementMessages::BeginUpdate()
{
    if (FUpdateCount == 0)
        Clear();
    ++FUpdateCount;
}

void TElementMessages::EndUpdate()
{
    if (FUpdateCount > 0)
        --FUpdateCount;
}

bool TElementMessages::HasKinds(uint32_t mask) const
{
    for (const auto& item : FItems) {
        const uint8_t kind = item->Kind();
        if (kind <= 7 && (mask & (1u << kind)) != 0)
            return true;
    }
    return false;
}

int TElementMessages::Severity() const
{
    if (HasKinds(1u << mkFatal))
        return 3;
    if (HasKinds((1u << mkError) | (1u << mkValueMissing) | (1u << mkInvalidContent)))
        return 2;
    if (HasKinds(1u << mkHint))
        return 1;
    return 0;
}

QString MessagePathText(const QString& text)
{
    QString result = text;
    if (result.size() > messageValueMax) {
        qsizetype keep = messageValueKeep;
        // A surrogate pair is never cut in two.
        if (result[keep - 1].isHighSurrogate())
            --keep;
        result = result.left(keep) + QStringLiteral("...");
    }
    for (QChar& c : result) {
        if (c.unicode() < 0x20)
            c = QChar(0xFFFD);
    }
    return result;
}

} // namespace qv
