#include "support/textor_fakes.h"

#include "textor/rich_text_attributes.h"

#include "support/printers.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace qv {
namespace {

using Attributes = TTextorFixture;

TEST_F(Attributes, EqualValuesShareOneObject)
{
    const int before = TAttributesRegistry::Count();
    {
        TRichTextAttributes a;
        a.SetSize(12);
        a.SetColor(0x112233);
        TRichTextAttributes b;
        b.SetColor(0x112233);
        b.SetSize(12);
        auto sharedA = Intern(a);
        auto sharedB = Intern(b);
        EXPECT_EQ(sharedA.get(), sharedB.get());
        EXPECT_TRUE(sharedA->Shared());
        EXPECT_EQ(sharedA->RefCount(), 2);
        EXPECT_EQ(sharedA->GetShared(), sharedA.get());
        b.SetIsLink(true);
        auto sharedC = Intern(b);
        EXPECT_NE(sharedC.get(), sharedA.get());
        EXPECT_EQ(TAttributesRegistry::Count(), before + 2);
        // A paragraph attributes value never equals a text attributes value.
        TRichParagraphAttributes paragraph;
        EXPECT_FALSE(paragraph.Equals(a));
        EXPECT_FALSE(a.Equals(paragraph));
    }
    // The last reference frees the value and takes it out of the registry.
    EXPECT_EQ(TAttributesRegistry::Count(), before);
}

TEST_F(Attributes, ClassesAreValues)
{
    TTestTextor textor;
    EXPECT_EQ(textor.TextAttributesClass(), TTextAttributes::StaticClass());
    EXPECT_EQ(textor.TextAttributesClass()->CreateAttributes(), nullptr); // abstract
    std::unique_ptr<TAttributes> created(TRichTextAttributes::StaticClass()->CreateAttributes());
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->ClassType(), TRichTextAttributes::StaticClass());
    EXPECT_TRUE(created->ClassType()->InheritsFrom(TTextAttributes::StaticClass()));
    EXPECT_TRUE(created->Equals(*TRichTextAttributes::Default()));
}

TEST_F(Attributes, ReplacingTheMeasuringContextDropsCachedMetrics)
{
    TFixedFontSpec big;
    big.Ascent = 30;
    TRichTextAttributes scratch;
    auto shared = Intern(scratch);
    EXPECT_EQ(shared->Ascent(), 10);
    Install(big);
    EXPECT_EQ(shared->Ascent(), 30);
    EXPECT_EQ(TRichTextAttributes::Default()->Ascent(), 30);
}

TEST_F(Attributes, InterningIsSafeFromSeveralThreads)
{
    const int before = TAttributesRegistry::Count();
    auto work = [] {
        for (int i = 0; i < 2000; ++i) {
            TRichTextAttributes scratch;
            scratch.SetSize(100 + i % 7);
            auto shared = Intern(scratch);
            auto again = Intern(scratch);
            if (shared.get() != again.get())
                std::abort();
        }
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back(work);
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(TAttributesRegistry::Count(), before);
}

TEST_F(Attributes, SizeZeroStillMeasures)
{
    TRichTextAttributes scratch;
    scratch.SetSize(0);
    EXPECT_EQ(scratch.FontRequest().Size, 8);
    EXPECT_EQ(PointsToPixels(0, 96), 1);
    EXPECT_EQ(PointsToPixels(11, 96), 15);
    EXPECT_EQ(PointsToPixels(8, 96), 11);
    EXPECT_EQ(PointsToPixels(9, 96), 12);
}

} // namespace
} // namespace qv
