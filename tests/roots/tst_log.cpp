#include "roots/log_root.h"

#include "core/errors.h"
#include "core/knot.h"
#include "elements/log_settings.h"
#include "elements/scheme.h"
#include "textor/sheet_canvas.h"
#include "textor/textor_paragraph.h"
#include "textor/textor_row.h"

#include "support/fake_user_interface.h"
#include "support/printers.h"
#include "support/test_elements.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace {

using namespace qv::test;

// A document's log: its own scheme, read-only, whose root owns the document's messages.
struct Log : ::testing::Test
{
    void SetUp() override
    {
        LogScheme.SetReadOnlyLevel(rolReadOnly);
        Root()->OnLogChanged = [this] {
            ++Changes;
        };
    }

    TLogRoot* Root() const { return static_cast<TLogRoot*>(LogScheme.Root()); }
    TElementMessages& Messages() { return Root()->LogMessages(); }

    // Each run of the text as "text" or "text->target" for links, and "<sign k>" for signs, by
    // paragraph.
    QStringList Runs() const
    {
        QStringList paragraphs;
        for (TParagraph* p = Root()->Textor()->FirstParagraph(); p != nullptr; p = p->Next()) {
            QStringList runs;
            for (TPortion* portion = p->FirstPortion(); portion != nullptr; portion = portion->Next()) {
                if (auto* sign = dynamic_cast<TElement_Sign*>(TTextorElement::EmbeddedElement(portion))) {
                    runs.append(QStringLiteral("<sign %1>").arg(sign->Kind()));
                    continue;
                }
                QString text(portion->Length(), QChar());
                portion->CopyText(0, portion->Length(), text.data());
                if (portion->Attributes() != nullptr && portion->Attributes()->IsLink())
                    text += QStringLiteral("->") + portion->Attributes()->LinkTarget();
                runs.append(text);
            }
            paragraphs.append(runs.join(u'|'));
        }
        return paragraphs;
    }

    TPortion* FindRun(const QString& text) const
    {
        for (TParagraph* p = Root()->Textor()->FirstParagraph(); p != nullptr; p = p->Next()) {
            for (TPortion* portion = p->FirstPortion(); portion != nullptr; portion = portion->Next()) {
                QString chars(portion->Length(), QChar());
                portion->CopyText(0, portion->Length(), chars.data());
                if (chars == text)
                    return portion;
            }
        }
        return nullptr;
    }

    TScheme LogScheme{TLogRoot::StaticClass()};
    int Changes = 0;
};

TEST_F(Log, MessagesAppendAsLinesWithSignsAndLinks)
{
    Messages().AddText(mkInformation, QStringLiteral("Loaded"));
    Messages().AddElementsMessage(mkValueMissing, QStringLiteral("The value must be [set]"),
                                  QStringLiteral("17"));
    Messages().AddFileMessage(mkError, QStringLiteral("Can not create file: [out.txt]"),
                              QStringLiteral("/tmp/out.txt"));
    Messages().AddSettingsMessage(mkHint, QStringLiteral("Change it in [the settings]"),
                                  QStringLiteral("rs"));

    EXPECT_EQ(Runs(),
              QStringList({QStringLiteral("Loaded"), QStringLiteral("<sign 4>| The value must be |set->E17"),
                           QStringLiteral("<sign 2>| Can not create file: |out.txt->F/tmp/out.txt"),
                           QStringLiteral("<sign 1>| Change it in |the settings->Srs")}))
        << "the first message has no line break before it";
    EXPECT_EQ(Changes, 4);

    Messages().Clear();
    EXPECT_EQ(Root()->GetText(), QString());
    EXPECT_TRUE(Root()->CollectAll<TElement_Sign>().empty());
    EXPECT_EQ(Changes, 5);
    Messages().AddText(mkFatal, QStringLiteral("Stopped"));
    EXPECT_EQ(Runs(), QStringList{QStringLiteral("<sign 3>| Stopped")}) << "a cleared log starts afresh";
}

TEST_F(Log, SignsStandOnTheBaseLineOfTheirLine)
{
    TFakeSheet sheet;
    Root()->SetVisualParent(sheet.TopElement());
    Messages().AddText(mkError, QStringLiteral("Something failed"));
    const auto signs = Root()->CollectAll<TElement_Sign>();
    ASSERT_EQ(signs.size(), 1u);
    const TRow* row = Root()->Textor()->FirstParagraph()->FirstRow();
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(signs.front()->Top() + signs.front()->Height(), Root()->GetPadding().top() + row->Baseline());
    Root()->SetVisualParent(nullptr);
}

TEST_F(Log, TheLogSettingsFilterWhatIsWritten)
{
    TProperty settings(nullptr, QStringLiteral("Settings"));
    auto* logSettings = new TLogSettings(&settings);
    logSettings->WriteHints()->SetValue(false);
    logSettings->WriteInformation()->SetValue(false);
    Root()->SetLogSettings(logSettings);
    EXPECT_EQ(Messages().AddText(mkHint, QStringLiteral("unused")), nullptr);
    EXPECT_EQ(Messages().AddText(mkInformation, QStringLiteral("created")), nullptr);
    Messages().AddText(mkFatal, QStringLiteral("failed"));
    Messages().AddText(mkInvalidContent, QStringLiteral("wrong"));
    EXPECT_EQ(Messages().Count(), 2);
    EXPECT_EQ(Root()->GetText(), QStringLiteral(" failed\r\n wrong"));
    Root()->SetLogSettings(nullptr);
}

// Links report their targets; the clicked run then looks visited, unless the log changed meanwhile.
TEST_F(Log, LinksReportTheirTargetsAndLookVisited)
{
    TFakeUserInterface ui;
    TScopedUserInterface scope(&ui);
    Messages().AddElementsMessage(mkError, QStringLiteral("[Elements] 3 and 5"), QStringLiteral("3, 5,x"));
    Messages().AddSettingsMessage(mkHint, QStringLiteral("[Settings]"), QStringLiteral("tx"));

    QList<int> followed;
    Root()->OnElementsLink = [&](const QList<int>& ids) {
        followed = ids;
    };
    TPortion* elements = FindRun(QStringLiteral("Elements"));
    ASSERT_NE(elements, nullptr);
    const TAttributesRef<TTextAttributes> link(elements->Attributes());
    Root()->LinkClicked(elements);
    EXPECT_EQ(followed, (QList<int>{3, 5}));
    EXPECT_NE(elements->Attributes(), link.get());
    EXPECT_EQ(elements->Attributes(), Root()->VisitedLinkAttributes(*link).get());
    EXPECT_EQ(elements->Attributes()->LinkTarget(), QStringLiteral("E3, 5,x")) << "still the same link";

    // Without a settings window a settings link only beeps.
    Root()->LinkClicked(FindRun(QStringLiteral("Settings")));
    EXPECT_EQ(ui.Calls, QStringList{QStringLiteral("Beep")});

    // A handler that writes to the log frees the clicked run: it must not be touched afterwards.
    Root()->OnElementsLink = [&](const QList<int>&) {
        Messages().Clear();
    };
    Root()->LinkClicked(FindRun(QStringLiteral("Elements")));
    EXPECT_EQ(Root()->GetText(), QString());
}

// A file link opens the file with its program; a missing file is reported as an error.
TEST_F(Log, FileLinksOpenTheirFile)
{
    TFakeUserInterface ui;
    TScopedUserInterface scope(&ui);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("out.txt"));
    Messages().AddFileMessage(mkInformation, QStringLiteral("File created: [out.txt]"), file);
    TPortion* run = FindRun(QStringLiteral("out.txt"));
    ASSERT_NE(run, nullptr);
    EXPECT_THROW(Root()->LinkClicked(run), EQvError) << "the file does not exist";

    QFile(file).open(QIODevice::WriteOnly);
    Root()->LinkClicked(FindRun(QStringLiteral("out.txt")));
    ASSERT_FALSE(ui.Calls.isEmpty());
    EXPECT_TRUE(ui.Calls.last().startsWith(QStringLiteral("OpenFile: ") + file));
}

// Check All copies every element's messages into the log in document order, the root's first, and
// replaces what the log held.
TEST(CheckAll, CopiesTheMessagesOfEveryElementInDocumentOrder)
{
    TScheme logScheme(TLogRoot::StaticClass());
    TElementMessages& log = static_cast<TLogRoot*>(logScheme.Root())->LogMessages();
    TScheme scheme(TTestRoot::StaticClass());
    scheme.SetMessages(&log);
    auto* root = static_cast<TTestRoot*>(scheme.Root());
    auto* first = new TElement_Rockfall(&scheme);
    auto* second = new TElement_Rockfall(&scheme);
    root->AppendElement(first);
    root->AppendElement(second);
    first->Condition()->SetText(QString());
    second->Condition()->SetText(QString());
    root->GetMessages()->AddText(mkHint, QStringLiteral("root"));
    log.AddText(mkInformation, QStringLiteral("old"));

    CollectAllMessages(&scheme);
    ASSERT_EQ(log.Count(), 3);
    EXPECT_EQ(log.Items(0)->GetText(), QStringLiteral("root"));
    EXPECT_EQ(log.Items(1)->Parts().last().Data, QString::number(first->Condition()->ID()));
    EXPECT_EQ(log.Items(2)->Parts().last().Data, QString::number(second->Condition()->ID()));
    EXPECT_EQ(log.UpdateCount(), 0);
    scheme.SetMessages(nullptr);
}

TEST(LogSign, PaintsThePictureOfItsKind)
{
    EXPECT_EQ(TElement_Sign::ImageIndex(mkInformation), -1);
    EXPECT_EQ(TElement_Sign::ImageIndex(mkHint), 0);
    EXPECT_EQ(TElement_Sign::ImageIndex(mkError), 1);
    EXPECT_EQ(TElement_Sign::ImageIndex(mkFatal), 2);
    EXPECT_EQ(TElement_Sign::ImageIndex(mkValueMissing), 1);
    EXPECT_EQ(TElement_Sign::ImageIndex(mkInvalidContent), 1);
    EXPECT_EQ(TElement_Sign::ImageIndex(6), -1);

    TElement_Sign sign(nullptr);
    EXPECT_EQ(sign.BoundsRect().size(), QSize(9, 9));
    TSheetCanvas canvas;
    for (int kind : {0, 3}) {
        sign.SetKind(kind);
        canvas.BeginPaint(QRect(0, 0, 9, 9));
        const QRgb window = canvas.Bitmap().pixel(1, 4);
        sign.Paint(&canvas);
        const QImage image = canvas.EndPaint();
        EXPECT_EQ(image.pixel(1, 4) != window, kind != 0) << kind;
    }
}

} // namespace
} // namespace qv
