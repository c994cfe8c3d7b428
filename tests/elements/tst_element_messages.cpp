#include "elements/element_messages.h"

#include "core/knot.h"
#include "core/property.h"
#include "elements/log_settings.h"
#include "support/printers.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <gtest/gtest.h>

#include <stdexcept>

namespace qv {
namespace {

using TParts = QList<TElementMessagePart>;

TEST(ElementMessages, SplitsTheLinkAtTheFirstBracketPair)
{
    struct TRow
    {
        const char* Name;
        QString Text;
        TParts Expected;
    };
    const QString ids = QStringLiteral("17");
    const TRow rows[] = {
        {"link in the middle",
         QStringLiteral("The value must be [set]"),
         {{mpText, QStringLiteral("The value must be "), {}}, {mpElements, QStringLiteral("set"), ids}}},
        {"no brackets: the whole text is the link",
         QStringLiteral("Node \"A.B\" was not read"),
         {{mpElements, QStringLiteral("Node \"A.B\" was not read"), ids}}},
        {"text on both sides",
         QStringLiteral("a [b] c"),
         {{mpText, QStringLiteral("a "), {}},
          {mpElements, QStringLiteral("b"), ids},
          {mpText, QStringLiteral(" c"), {}}}},
        {"only the link", QStringLiteral("[x]"), {{mpElements, QStringLiteral("x"), ids}}},
        // A "]" before the "[" is plain text: the link ends at the first "]" after the "[".
        {"closing bracket first",
         QStringLiteral("a ] b [c] d"),
         {{mpText, QStringLiteral("a ] b "), {}},
          {mpElements, QStringLiteral("c"), ids},
          {mpText, QStringLiteral(" d"), {}}}},
        {"unclosed link",
         QStringLiteral("see [here"),
         {{mpText, QStringLiteral("see "), {}}, {mpElements, QStringLiteral("here"), ids}}},
        {"second pair stays text",
         QStringLiteral("[a] and [b]"),
         {{mpElements, QStringLiteral("a"), ids}, {mpText, QStringLiteral(" and [b]"), {}}}},
    };
    for (const TRow& row : rows) {
        TElementMessages messages;
        const TElementMessage* message = messages.AddElementsMessage(mkValueMissing, row.Text, ids);
        ASSERT_NE(message, nullptr) << row.Name;
        EXPECT_EQ(message->Kind(), mkValueMissing) << row.Name;
        EXPECT_EQ(message->Parts(), row.Expected) << row.Name;
    }
}

TEST(ElementMessages, FileAndSettingsLinksCarryTheirKind)
{
    TElementMessages messages;
    const TElementMessage* file = messages.AddFileMessage(
        mkInformation, QStringLiteral("File created: [a.txt]"), QStringLiteral("/tmp/a.txt"));
    const TElementMessage* settings =
        messages.AddSettingsMessage(mkHint, QStringLiteral("[Settings]"), QStringLiteral("rs"));
    ASSERT_EQ(messages.Count(), 2);
    EXPECT_EQ(file->Parts().last(),
              (TElementMessagePart{mpFile, QStringLiteral("a.txt"), QStringLiteral("/tmp/a.txt")}));
    EXPECT_EQ(settings->Parts(), (TParts{{mpSettings, QStringLiteral("Settings"), QStringLiteral("rs")}}));
    EXPECT_EQ(file->GetText(), QStringLiteral("File created: a.txt"));
}

TEST(ElementMessages, SeverityAndKindSets)
{
    struct TRow
    {
        QList<uint8_t> Kinds;
        int Severity;
    };
    const TRow rows[] = {
        {{}, 0},
        {{mkInformation}, 0},
        {{mkInformation, mkHint}, 1},
        {{mkHint, mkError}, 2},
        {{mkValueMissing}, 2},
        {{mkInvalidContent, mkHint}, 2},
        {{mkError, mkFatal, mkHint}, 3},
    };
    for (const TRow& row : rows) {
        TElementMessages messages;
        for (uint8_t kind : row.Kinds)
            messages.AddText(kind, QStringLiteral("m"));
        EXPECT_EQ(messages.Severity(), row.Severity) << row.Kinds.size();
    }

    TElementMessages messages;
    messages.AddText(mkHint, QStringLiteral("hint"));
    messages.AddText(9, QStringLiteral("a kind above 7"));
    EXPECT_TRUE(messages.HasKinds(1u << mkHint));
    EXPECT_FALSE(messages.HasKinds((1u << mkError) | (1u << mkFatal)));
    // Kinds above 7 are never members of a set.
    EXPECT_FALSE(messages.HasKinds(1u << 9));
    EXPECT_FALSE(messages.HasKinds(0xFFFFFFFFu & ~(1u << mkHint)));
}

TEST(ElementMessages, DisplayPathsKeepTheirIndexes)
{
    const QString fffd(QChar(0xFFFD));
    EXPECT_EQ(MessagePathText(QStringLiteral("FreeText.Chars[3].B\x01")),
              QStringLiteral("FreeText.Chars[3].B") + fffd);
    EXPECT_EQ(MessagePathText(QString(200, u'x')), QString(200, u'x'));
    EXPECT_EQ(MessagePathText(QString(201, u'x')), QString(197, u'x') + QStringLiteral("..."));
}

struct TEvents
{
    int Clears = 0;
    QStringList Added;
    QList<QThread*> AddThreads;
    QList<QThread*> ClearThreads;

    void Listen(TElementMessages& messages)
    {
        messages.SetOnClear([this] {
            ++Clears;
            ClearThreads.append(QThread::currentThread());
        });
        messages.SetOnAdd([this](TElementMessage* message) {
            Added.append(message->GetText());
            AddThreads.append(QThread::currentThread());
        });
    }
};

TEST(ElementMessages, UpdateBracketsStartAFreshSetOnce)
{
    TElementMessages messages;
    TEvents events;
    events.Listen(messages);
    messages.Clear();
    EXPECT_EQ(events.Clears, 0) << "no list yet: nothing to clear";

    messages.AddText(mkHint, QStringLiteral("old"));
    messages.BeginUpdate();
    EXPECT_EQ(messages.Count(), 0);
    messages.AddText(mkHint, QStringLiteral("a"));
    messages.BeginUpdate(); // nested: no clearing
    messages.AddText(mkHint, QStringLiteral("b"));
    messages.EndUpdate();
    messages.EndUpdate();
    EXPECT_EQ(messages.Count(), 2);
    EXPECT_EQ(events.Clears, 1);

    messages.BeginUpdate(); // a second bracket in a row starts empty again
    EXPECT_EQ(messages.Count(), 0);
    messages.EndUpdate();
    EXPECT_EQ(events.Clears, 2);
    EXPECT_EQ(messages.UpdateCount(), 0);
}

TEST(ElementMessages, CopiesPassThroughThePartHook)
{
    TElementMessages source;
    source.AddElementsMessage(mkError, QStringLiteral("Bad [name]"), QStringLiteral("5,6"));
    source.AddText(mkHint, QStringLiteral("plain"));

    TElementMessages target;
    // The generator translates IDs of its private copy this way.
    target.SetOnPart([](TElementMessage*, QString& data, QString& text, uint8_t kind) {
        if (kind == mpElements) {
            data = QStringLiteral("105,106");
            text = text.toUpper();
        }
    });
    target.AddCopies(source);
    ASSERT_EQ(target.Count(), 2);
    EXPECT_EQ(target.Items(0)->Parts().last(),
              (TElementMessagePart{mpElements, QStringLiteral("NAME"), QStringLiteral("105,106")}));
    EXPECT_EQ(target.Items(1)->GetText(), QStringLiteral("plain"));
    EXPECT_EQ(source.Items(0)->Parts().last().Data, QStringLiteral("5,6")) << "the source is untouched";
}

TEST(ElementMessages, AFailingAddHandlerDropsTheMessage)
{
    TElementMessages messages;
    messages.SetOnAdd([](TElementMessage* message) {
        if (message->GetText() == QStringLiteral("bad"))
            throw std::runtime_error("log full");
    });
    messages.AddText(mkHint, QStringLiteral("good"));
    EXPECT_THROW(messages.AddText(mkHint, QStringLiteral("bad")), std::runtime_error);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Items(0)->GetText(), QStringLiteral("good"));
}

// The "Log" settings filter what reaches the log; fatal errors, missing values and invalid content
// always pass.
TEST(ElementMessages, LogSettingsFilterByKind)
{
    TProperty root(nullptr, QStringLiteral("Settings"));
    auto* log = new TLogSettings(&root);
    TElementMessages messages;
    messages.SetOnFilter(log->Filter());

    struct TRow
    {
        bool Information, Hints, Warnings;
        QList<uint8_t> Passing;
    };
    const TRow rows[] = {
        {true, true, true, {0, 1, 2, 3, 4, 5}},
        {true, false, true, {0, 2, 3, 4, 5}},
        {false, true, false, {1, 3, 4, 5}},
        {false, false, false, {3, 4, 5}},
    };
    for (const TRow& row : rows) {
        log->WriteInformation()->SetValue(row.Information);
        log->WriteHints()->SetValue(row.Hints);
        log->WriteWarnings()->SetValue(row.Warnings);
        messages.Clear();
        QList<uint8_t> passed;
        for (uint8_t kind = 0; kind <= 5; ++kind) {
            if (messages.AddText(kind, QStringLiteral("m")) != nullptr)
                passed.append(kind);
        }
        EXPECT_EQ(passed, row.Passing);
        EXPECT_EQ(messages.Count(), row.Passing.size());
    }

    // Stored as the settings node "Log"; only values that differ from the defaults are written.
    log->WriteHints()->SetValue(true);
    TKnot knot(QStringLiteral("app"));
    root.SaveToKnot(knot);
    TKnot* hints = knot.KnotByPath(QStringLiteral("Log.WriteHints"), false);
    TKnot* warnings = knot.KnotByPath(QStringLiteral("Log.WriteWarnings"), false);
    EXPECT_EQ(hints, nullptr);
    ASSERT_NE(warnings, nullptr);
    EXPECT_EQ(warnings->ReadString(QStringLiteral("Value")), QStringLiteral("0"));
}

// A worker thread adds messages while the user-interface thread keeps its event loop running: the
// handlers run on the user-interface thread, in the order the messages were added.
TEST(ElementMessages, MessagesFromAWorkerArriveInOrderOnTheUserInterfaceThread)
{
    TElementMessages messages;
    TEvents events;
    events.Listen(messages);
    constexpr int count = 300;

    QThread* worker = QThread::create([&messages] {
        messages.AddText(mkInformation, QStringLiteral("first"));
        messages.Clear();
        for (int i = 0; i < count; ++i)
            messages.AddText(mkInformation, QString::number(i));
    });
    messages.SetThread(worker);
    QEventLoop loop;
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    messages.SetThread(nullptr);
    delete worker;

    QStringList expected;
    expected.append(QStringLiteral("first"));
    for (int i = 0; i < count; ++i)
        expected.append(QString::number(i));
    EXPECT_EQ(events.Added, expected);
    EXPECT_EQ(events.Clears, 1);
    QThread* ui = QCoreApplication::instance()->thread();
    EXPECT_EQ(events.AddThreads.count(ui), events.AddThreads.size());
    EXPECT_EQ(events.ClearThreads, QList<QThread*>{ui});
    EXPECT_EQ(messages.Count(), count);

    // On the user-interface thread itself the handlers run directly.
    messages.SetThread(QThread::currentThread());
    messages.AddText(mkHint, QStringLiteral("direct"));
    EXPECT_EQ(events.Added.last(), QStringLiteral("direct"));
}

} // namespace
} // namespace qv
