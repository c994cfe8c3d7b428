// Comments, logic frames and signs: collapsing, the substitute saver, the Disable item, class groups
// and storage in a Plain Text document.

#include "core/knot.h"
#include "core/strings.h"
#include "core/undo_redo.h"
#include "elements/classes_groups.h"
#include "elements/palette.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/sheet.h"
#include "library/comment_element.h"
#include "library/expand_button.h"
#include "roots/root.h"
#include "textor/sheet_settings.h"

#include "support/printers.h"
#include "support/textor_fakes.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

class Comments : public TTextorFixture
{
protected:
    void SetUp() override
    {
        TTextorFixture::SetUp();
        RegisterCommentElements();
        Scheme.SetUndoRedo(&Undo);
        Sheet.SetPageSize(QSize(800, 600));
        Root->SetVisualParent(Sheet.TopElement());
        Root->SetBounds(0, 0, 3, 600, 800);
    }
    void TearDown() override
    {
        Undo.Clear();
        if (Root->VisualParent() != nullptr)
            Root->SetVisualParent(nullptr);
        TTextorFixture::TearDown();
    }

    TElement_LogicFrame* InsertFrame()
    {
        return static_cast<TElement_LogicFrame*>(
            Root->InsertNewElement(TElement_LogicFrame::StaticClass(), nullptr, nullptr));
    }

    QString Save(uint8_t flags)
    {
        TKnot knot;
        Scheme.SaveToKnot(Root, fmFile, &knot, flags);
        return knot.SaveToText();
    }

    TSheetSettings Settings;
    TScheme Scheme{TPlainTextRoot::StaticClass(), QStringLiteral("FreeText")};
    TUndoRedo Undo;
    TSheet Sheet{&Settings};
    TPlainTextRoot* Root = static_cast<TPlainTextRoot*>(Scheme.Root());
};

TEST_F(Comments, PartsStandInTreeOrderWithTheirNamesAndOptions)
{
    TElement_LogicFrame* frame = InsertFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->FirstChild(), frame->ExpandButton());
    EXPECT_EQ(frame->ExpandButton()->NextSibling(), frame->Caption());
    EXPECT_EQ(frame->Caption()->NextSibling(), frame->Content());
    EXPECT_TRUE(frame->ExpandButton()->Controls(frame->Content()));
    EXPECT_EQ(frame->ExpandButton()->ButtonFlags(), ebfDefaultExpanded | ebfLogicFrameLook);
    EXPECT_EQ(frame->GetPartKnotName(frame->Caption(), fmFile), QStringLiteral("Caption"));
    EXPECT_EQ(frame->GetPartKnotName(frame->Content(), fmFile), QStringLiteral("Content"));
    EXPECT_EQ(frame->GetPartKnotName(frame->ExpandButton(), fmFile), QStringLiteral("Expanded"));
    EXPECT_TRUE(frame->Content()->HasBehaviour(tboInPlace));
    EXPECT_EQ(frame->Caption()->BehaviourOptions() & 0x80400u, 0x80400u);
    QString hint;
    frame->GetPartHint(frame->Caption(), hint);
    EXPECT_EQ(hint, LoadStr(2824));

    TElement_Comment comment(&Scheme);
    EXPECT_EQ(comment.BehaviourOptions() & 0x100400u, 0x100400u);
    EXPECT_TRUE(comment.HasVisualOption(voCanDisable));
}

TEST_F(Comments, NewFrameIsExpandedAndCollapsingHidesContentAndPadding)
{
    TElement_LogicFrame* frame = InsertFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->IsExpanded());
    EXPECT_TRUE(frame->Content()->IsShown());
    EXPECT_TRUE(frame->Caption()->IsShown());
    const QMargins expandedPadding = frame->GetPadding();

    frame->ExpandButton()->Press();
    EXPECT_FALSE(frame->IsExpanded());
    EXPECT_FALSE(frame->Content()->IsShown());
    EXPECT_TRUE(frame->Caption()->IsShown()) << "the caption band stays";
    EXPECT_TRUE(frame->ExpandButton()->IsShown());
    EXPECT_EQ(frame->GetPadding(), QMargins());

    ASSERT_TRUE(Undo.Undo());
    EXPECT_TRUE(frame->Content()->IsShown());
    EXPECT_EQ(frame->GetPadding(), expandedPadding);
}

TEST_F(Comments, SubstituteSaverWritesTheContentWithoutTheFrame)
{
    TElement_LogicFrame* frame = InsertFrame();
    ASSERT_NE(frame, nullptr);
    frame->Caption()->SetText(QStringLiteral("Group"));
    frame->Content()->SetText(QStringLiteral("inner"));

    const QString plain = Save(ffFileSave);
    EXPECT_TRUE(plain.contains(QStringLiteral("<LogicFrame"))) << plain.toStdString();
    EXPECT_TRUE(plain.contains(QStringLiteral("<Caption"))) << plain.toStdString();
    EXPECT_FALSE(plain.contains(QStringLiteral("Expanded="))) << "the default state is not stored";

    const QString substituted = Save(ffFileSave | ffSubstitutes);
    EXPECT_FALSE(substituted.contains(QStringLiteral("LogicFrame"))) << substituted.toStdString();
    EXPECT_FALSE(substituted.contains(QStringLiteral("Group")));
    EXPECT_TRUE(substituted.contains(QStringLiteral("<Chars Value=\"inner\"/>")))
        << substituted.toStdString();
}

TEST_F(Comments, SignsCannotBeDisabledAndBelongToTheirGroups)
{
    const TElementClassList signs = {TElement_Star::StaticClass(),     TElement_Information::StaticClass(),
                                     TElement_Question::StaticClass(), TElement_Important::StaticClass(),
                                     TElement_Stop::StaticClass(),     TElement_Ready::StaticClass()};
    const TClassesGroups& groups = ApplicationClassesGroups();
    TElementClassList accepted;
    Root->GetAcceptedClasses(accepted);
    for (const TElementClass* cls : signs) {
        SCOPED_TRACE(cls->ClassName().toStdString());
        const TNodePtr<TElement> sign = cls->CreateElement(&Scheme);
        auto* visual = static_cast<TVisualElement*>(sign.get());
        EXPECT_FALSE(visual->HasVisualOption(voCanDisable));
        QList<TPaletteItem*> items;
        visual->GetPaletteItems(items);
        EXPECT_FALSE(items.contains(Palette().DisableItem()));
        EXPECT_TRUE(groups.GetGroup(cgSignClasses).contains(cls));
        EXPECT_TRUE(groups.GetGroup(cgCommentContentClasses).contains(cls));
        EXPECT_TRUE(accepted.contains(cls));
        TElementPaletteItem* item = Palette().FindElementItem(cls);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Flags() & piNoCaption, piNoCaption);
        EXPECT_EQ(LoadStr(static_cast<TPaletteGroup*>(item->Parent())->Caption()), QStringLiteral("Signs"));
    }
    RegisterCommentElements();
    EXPECT_EQ(groups.GetGroup(cgSignClasses).size(), 6) << "registering twice adds nothing";
}

TEST_F(Comments, CommentAndFrameSurviveAStorageRoundTrip)
{
    auto* comment = static_cast<TElement_Comment*>(
        Root->InsertNewElement(TElement_Comment::StaticClass(), nullptr, nullptr));
    ASSERT_NE(comment, nullptr);
    comment->SetText(QStringLiteral("note"));
    TElement_LogicFrame* frame = InsertFrame();
    ASSERT_NE(frame, nullptr);
    frame->Caption()->SetText(QStringLiteral("Group"));
    frame->Content()->SetText(QStringLiteral("inner"));
    frame->ExpandButton()->SetExpanded(false);

    TKnot knot;
    Scheme.SaveToKnot(Root, fmFile, &knot, ffFileSave);
    TScheme copy(TPlainTextRoot::StaticClass(), QStringLiteral("FreeText"));
    copy.LoadFromKnot(copy.Root(), fmFile, &knot);
    auto* root = static_cast<TPlainTextRoot*>(copy.Root());
    auto comments = root->CollectAll<TElement_Comment>();
    auto frames = root->CollectAll<TElement_LogicFrame>();
    ASSERT_EQ(comments.size(), 1u);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(comments[0]->GetText(), QStringLiteral("note"));
    EXPECT_EQ(frames[0]->Caption()->GetText(), QStringLiteral("Group"));
    EXPECT_EQ(frames[0]->Content()->GetText(), QStringLiteral("inner"));
    EXPECT_FALSE(frames[0]->IsExpanded());
}

} // namespace
} // namespace qv
