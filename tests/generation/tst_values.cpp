// Value elements: the replacement over runs (with per-character case folding), the storage of every
// element in one golden document, the text types, cycles between texts, and their resolution by a
// generator worker.

#include "core/knot.h"
#include "core/strings.h"
#include "core/undo_redo.h"
#include "elements/classes_groups.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "generation/generator_worker.h"
#include "generation/processor_element.h"
#include "generation/replacement.h"
#include "generation/value_elements.h"
#include "library/data_element.h"
#include "roots/application_namespace.h"
#include "roots/root.h"
#include "textor/textor_paragraph.h"
#include "textor/textor_portion.h"

#include "support/textor_fakes.h"

#include <QFile>

#include <thread>

#include <gtest/gtest.h>

namespace qv {

namespace test {

// A language of the document, found by the decisions through its class name as the real one will be.
class TElement_Language : public TNamedElement
{
    QV_CLASS(TElement_Language, TNamedElement)

    using TNamedElement::TNamedElement;
};

// The conditions of the test generator: one check box per condition.
class TValuesConditionsBox : public TCheckNamesBox
{
    QV_CLASS(TValuesConditionsBox, TCheckNamesBox)

    using TCheckNamesBox::TCheckNamesBox;
    bool AcceptsItem(TNamespaceItem* item) override
    {
        return dynamic_cast<TElement_Condition*>(item->Element()) != nullptr;
    }
};

// What a worker reads from its generator: the conditions box and the language field.
class TElement_ValuesGenerator : public TVisualElement
{
    QV_CLASS(TElement_ValuesGenerator, TVisualElement)

    explicit TElement_ValuesGenerator(TScheme* scheme) : TVisualElement(scheme)
    {
        Conditions = CreatePart<TValuesConditionsBox>();
        Language = CreatePart<TGeneratorElementLanguageField>();
        Conditions->SetVisualParent(this);
        Language->SetVisualParent(this);
    }
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override
    {
        if (part == Conditions)
            return QStringLiteral("Conditions");
        if (part == Language)
            return QStringLiteral("Language");
        return inherited::GetPartKnotName(part, filerMode);
    }

    TValuesConditionsBox* Conditions;
    TGeneratorElementLanguageField* Language;
};

QV_IMPLEMENT_CLASS(TElement_Language)
QV_IMPLEMENT_CLASS(TValuesConditionsBox)
QV_IMPLEMENT_CLASS(TElement_ValuesGenerator)

} // namespace test

// A processed document that holds texts and conditions at its top level.
class TValuesTestRoot : public TRootWithProcessing
{
    QV_CLASS(TValuesTestRoot, TRootWithProcessing)

    using TRootWithProcessing::TRootWithProcessing;
    void GetAcceptedClasses(TElementClassList& list) override
    {
        ApplicationClassesGroups().AddGroupTo(list, ValueElementsGroup());
        list.append(test::TElement_Language::StaticClass());
        list.append(test::TElement_ValuesGenerator::StaticClass());
        inherited::GetAcceptedClasses(list);
    }
};
QV_IMPLEMENT_CLASS(TValuesTestRoot)

namespace {

// ---------------------------------------------------------------------------------------------------
// The replacement over runs

struct TReplacementRow
{
    const char* Name;
    QStringList Runs;
    QString Find;
    QString Replace;
    TReplacementMode Mode;
    bool CaseInsensitive;
    QStringList Expected;
};

class RunReplacement : public ::testing::TestWithParam<TReplacementRow>
{
};

TEST_P(RunReplacement, ReplacesWhatTheModeAsks)
{
    const TReplacementRow& row = GetParam();
    EXPECT_EQ(ReplaceInRuns(row.Runs, row.Find, row.Replace, row.Mode, row.CaseInsensitive), row.Expected);
}

const QString sharpS = QString::fromUtf8("\u00DF");
const QString capitalSharpS = QString::fromUtf8("\u1E9E");

// Expected values as Python's str.replace (all), str.replace(..., 1) (first) and rpartition (last)
// give them per run, with case-folded matching where asked.
INSTANTIATE_TEST_SUITE_P(
    Rows, RunReplacement,
    ::testing::Values(
        TReplacementRow{"First", {"banana"}, "a", "b", rmFirst, false, {"bbnana"}},
        TReplacementRow{"Last", {"banana"}, "a", "b", rmLast, false, {"bananb"}},
        TReplacementRow{"All", {"banana"}, "a", "b", rmAll, false, {"bbnbnb"}},
        TReplacementRow{"GrowingReplacementEnds", {"banana"}, "a", "aa", rmAll, false, {"baanaanaa"}},
        TReplacementRow{"CaseInsensitive", {"Foo bar"}, "FOO", "x", rmAll, true, {"x bar"}},
        TReplacementRow{"CaseSensitive", {"Foo bar"}, "FOO", "x", rmAll, false, {"Foo bar"}},
        TReplacementRow{"MatchesStayInsideRuns", {"xba", "nana"}, "an", "_", rmAll, false, {"xba", "n_a"}},
        TReplacementRow{
            "FirstOfTheFirstRunWithOne", {"xyz", "ab", "a"}, "a", "1", rmFirst, false, {"xyz", "1b", "a"}},
        TReplacementRow{
            "LastOfTheLastRunWithOne", {"a", "ab", "xyz"}, "a", "1", rmLast, false, {"a", "1b", "xyz"}},
        TReplacementRow{"EmptyFindChangesNothing", {"abc"}, "", "x", rmAll, false, {"abc"}},
        // Upper-casing "ß" gives "SS": positions after it would shift and "SS" would match it.
        TReplacementRow{"SharpSKeepsPositions",
                        {sharpS + "a" + sharpS + "A"},
                        "a",
                        "x",
                        rmAll,
                        true,
                        {sharpS + "x" + sharpS + "x"}},
        TReplacementRow{
            "SharpSIsNotDoubleS", {"Stra" + sharpS + "e"}, "SS", "x", rmAll, true, {"Stra" + sharpS + "e"}},
        TReplacementRow{"CapitalSharpSFoldsToSharpS",
                        {"STRA" + capitalSharpS + "E"},
                        "stra" + sharpS + "e",
                        "x",
                        rmAll,
                        true,
                        {"x"}},
        TReplacementRow{"SurrogatePairsMatchWhole",
                        {QString::fromUtf8("\U0001D400a\U0001D400")},
                        QString::fromUtf8("\U0001D400"),
                        "-",
                        rmLast,
                        false,
                        {QString::fromUtf8("\U0001D400a-")}}),
    [](const ::testing::TestParamInfo<TReplacementRow>& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------------------------------------------
// Documents of value elements

class Values : public TTextorFixture
{
protected:
    void SetUp() override
    {
        TTextorFixture::SetUp();
        RegisterValueElements();
        CreateApplicationNamespace();
    }
    void TearDown() override
    {
        Undo.Clear();
        Schemes.clear();
        FreeApplicationNamespace();
        TTextorFixture::TearDown();
    }

    // A document loaded from the elements' file text.
    TScheme* Load(const QString& body)
    {
        TKnot knot;
        EXPECT_TRUE(knot.LoadFromText(QStringLiteral("<Values FormatVersion=\"1.2\">") + body +
                                      QStringLiteral("</Values>")));
        return LoadKnot(knot);
    }
    TScheme* LoadKnot(TKnot& knot)
    {
        Schemes.push_back(
            std::make_unique<TScheme>(TValuesTestRoot::StaticClass(), QStringLiteral("Values")));
        TScheme* scheme = Schemes.back().get();
        scheme->SetUndoRedo(&Undo);
        scheme->LoadFromKnot(scheme->Root(), fmFile, &knot);
        return scheme;
    }
    // The elements of a class in document order.
    template <class C>
    static QList<C*> All(TScheme* scheme)
    {
        QList<C*> found;
        for (TElement* element : scheme->Elements()) {
            if (auto* typed = dynamic_cast<C*>(element))
                found.append(typed);
        }
        return found;
    }
    static QStringList MessageTexts(TElement* element)
    {
        QStringList texts;
        if (TElementMessages* messages = element->Messages()) {
            for (int i = 0; i < messages->Count(); ++i)
                texts.append(messages->Items(i)->GetText());
        }
        return texts;
    }
    static QString Shown(const QString& text) { return QString(text).remove(u'[').remove(u']'); }

    TUndoRedo Undo;
    std::vector<std::unique_ptr<TScheme>> Schemes;
};

// Every element with its settings away from the defaults, as saving writes it.
TEST_F(Values, GoldenDocumentRoundTripsByteForByte)
{
    QFile file(QStringLiteral(TEST_DATA_DIR "/values.qvv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray golden = file.readAll();
    TKnot knot;
    knot.LoadFromStream(golden);
    TScheme* scheme = LoadKnot(knot);
    EXPECT_EQ(scheme->SaveToBytes(), golden);

    const QList<TElement_Text*> texts = All<TElement_Text>(scheme);
    ASSERT_EQ(texts.size(), 4);
    EXPECT_EQ(texts[1]->TextType(), ttCaption);
    EXPECT_EQ(texts[2]->TextType(), ttCode);
    EXPECT_EQ(texts[2]->Visibility(), nvPrivate);
    EXPECT_EQ(All<TElement_Substitution>(scheme).size(), 3);
    const QList<TElement_Replacement*> replacements = All<TElement_Replacement>(scheme);
    ASSERT_EQ(replacements.size(), 1);
    EXPECT_EQ(replacements[0]->Mode(), rmLast);
    EXPECT_TRUE(replacements[0]->CaseInsensitive());
    const QList<TElement_If*> ifs = All<TElement_If>(scheme);
    ASSERT_EQ(ifs.size(), 2);
    EXPECT_NE(ifs[0]->Condition()->Target(), nullptr);
    EXPECT_EQ(All<TElement_IsEmpty>(scheme).size(), 1);
    EXPECT_EQ(All<TElement_ProcessingDateTime>(scheme).size(), 1);
    const QList<TElement_Data*> data = All<TElement_Data>(scheme);
    ASSERT_EQ(data.size(), 1);
    EXPECT_EQ(data[0]->Data()->Data(), QByteArray("hi"));
}

TEST_F(Values, TypeLoadsWithoutLatinCaseAndUnknownKeepsTheType)
{
    TScheme* scheme =
        Load(QStringLiteral("<Text Type=\"hint\"/><Text Type=\"CODE\"/><Text Type=\"Tooltip\"/>"));
    const QList<TElement_Text*> texts = All<TElement_Text>(scheme);
    ASSERT_EQ(texts.size(), 3);
    EXPECT_EQ(texts[0]->TextType(), ttHint);
    EXPECT_EQ(texts[1]->TextType(), ttCode);
    EXPECT_EQ(texts[2]->TextType(), ttText);

    // The palette's type commands are one undo step each.
    ASSERT_TRUE(texts[2]->ExecutePaletteItem(ValuePaletteItems().TextTypes[ttMessage], true));
    EXPECT_EQ(texts[2]->TextType(), ttMessage);
    TPaletteItemState state;
    texts[2]->GetPaletteItemState(ValuePaletteItems().TextTypes[ttMessage], state);
    EXPECT_TRUE(state.Checked);
    Undo.Undo();
    EXPECT_EQ(texts[2]->TextType(), ttText);
}

TEST_F(Values, ReplacementCommandsAreUndoable)
{
    TScheme* scheme = Load(QStringLiteral("<Text><Value><Replacement Mode=\"first\"/></Value></Text>"));
    TElement_Replacement* replacement = All<TElement_Replacement>(scheme).value(0);
    ASSERT_NE(replacement, nullptr);
    EXPECT_EQ(replacement->Mode(), rmFirst);
    const TReplacementPaletteItems& items = ReplacementPaletteItems();
    replacement->ExecutePaletteItem(items.Modes[rmLast], true);
    replacement->ExecutePaletteItem(items.CaseInsensitive, true);
    EXPECT_EQ(replacement->Mode(), rmLast);
    EXPECT_TRUE(replacement->CaseInsensitive());
    Undo.Undo();
    Undo.Undo();
    EXPECT_EQ(replacement->Mode(), rmFirst);
    EXPECT_FALSE(replacement->CaseInsensitive());
}

TEST_F(Values, TextsSubstitutingEachOtherAreCyclic)
{
    TScheme* scheme = Load(QStringLiteral(
        "<Text><Name Value=\"A\"/><Value><Substitution Value=\"B\"/></Value></Text>"
        "<Text><Name Value=\"B\"/><Value><Chars Value=\"b \"/><Substitution Value=\"A\"/></Value></Text>"
        "<Text><Name Value=\"C\"/><Value><Substitution Value=\"A\"/></Value></Text>"));
    const QList<TElement_Substitution*> substitutions = All<TElement_Substitution>(scheme);
    ASSERT_EQ(substitutions.size(), 3);
    for (TElement_Substitution* substitution : substitutions.mid(0, 2)) {
        ASSERT_NE(substitution->Target(), nullptr);
        EXPECT_EQ(MessageTexts(substitution), QStringList{Shown(LoadStr(2728))});
    }
    // A condition is no value; a built-in value is.
    TScheme* other = Load(QStringLiteral("<Condition><Name Value=\"Debug\"/></Condition>"
                                         "<Text><Value><Substitution Value=\"Debug\"/>"
                                         "<Substitution Value=\"ApplicationName\"/></Value></Text>"));
    const QList<TElement_Substitution*> more = All<TElement_Substitution>(other);
    ASSERT_EQ(more.size(), 2);
    EXPECT_EQ(more[0]->Target(), nullptr);
    EXPECT_NE(more[1]->Target(), nullptr);
}

TEST_F(Values, ConditionsStayOutOfDecisions)
{
    TScheme* scheme = Load(QStringLiteral("<If><Content><Condition/></Content></If>"));
    TElement_If* decision = All<TElement_If>(scheme).value(0);
    ASSERT_NE(decision, nullptr);
    EXPECT_TRUE(All<TElement_Condition>(scheme).isEmpty());
    EXPECT_FALSE(decision->Content()->AcceptedClasses().contains(TElement_Condition::StaticClass()));
    EXPECT_TRUE(scheme->Root()->AcceptedClasses().contains(TElement_Condition::StaticClass()));
    EXPECT_EQ(decision->Condition()->AcceptedClasses(), TElementClassList{TElement_IsEmpty::StaticClass()});
}

TEST_F(Values, CopyLoadedOnAnotherThreadFindsTheBuiltInValuesByName)
{
    TScheme* scheme =
        Load(QStringLiteral("<Text><Value><Substitution Value=\"ApplicationName\"/></Value></Text>"));
    // Saved and loaded as a generation run copies a document; the run's thread has its own values.
    TKnot snapshot;
    scheme->SaveToKnot(scheme->Root(), fmSnapshot, &snapshot, 0xED);
    bool bound = false;
    std::thread([&] {
        TScheme copy(TValuesTestRoot::StaticClass(), QStringLiteral("Values"));
        copy.Root()->LoadFrom(&snapshot, fmSnapshot, 0x19);
        const QList<TElement_Substitution*> substitutions = All<TElement_Substitution>(&copy);
        bound = substitutions.size() == 1 && substitutions[0]->Target() != nullptr &&
                substitutions[0]->Target()->Element()->Scheme() != scheme->Root()->Scheme();
    }).join();
    EXPECT_TRUE(bound);
}

// ---------------------------------------------------------------------------------------------------
// Resolution by a worker

class Resolution : public Values
{
protected:
    // Loads the document and runs the worker's walk over it.
    TScheme* Generate(const QString& body, const QString& language = QString())
    {
        return Run(Load(body), language);
    }
    TScheme* Run(TScheme* scheme, const QString& language = QString())
    {
        auto* generator = All<test::TElement_ValuesGenerator>(scheme).value(0);
        Worker.Root = scheme->Root();
        Worker.Log = &Log;
        Worker.ProcessingTime = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7));
        if (generator != nullptr) {
            Worker.Conditions = generator->Conditions;
            Worker.LanguageField = generator->Language;
            generator->Language->SetText(language);
            for (TElement_Condition* condition : All<TElement_Condition>(scheme))
                generator->Conditions->SetCheckedElement(condition, condition->Name().startsWith(u'+'));
        }
        Worker.Generate();
        return scheme;
    }
    // The resolved values of the texts, "name=value" in document order.
    static QStringList TextValues(TScheme* scheme)
    {
        QStringList values;
        for (TElement_Text* text : All<TElement_Text>(scheme))
            values.append(text->Name() + u'=' + text->Value()->GetText());
        return values;
    }
    QStringList LogTexts() const
    {
        QStringList texts;
        for (int i = 0; i < Log.Count(); ++i)
            texts.append(Log.Items(i)->GetText());
        return texts;
    }
    static QString Text(const QString& name, const QString& value)
    {
        return QStringLiteral("<Text><Name Value=\"%1\"/><Value>%2</Value></Text>").arg(name, value);
    }
    static QString Chars(const QString& text) { return QStringLiteral("<Chars Value=\"%1\"/>").arg(text); }
    static QString Use(const QString& name)
    {
        return QStringLiteral("<Substitution Value=\"%1\"/>").arg(name);
    }

    TElementMessages Log;
    TSchemeGeneratorWorker Worker;
};

TEST_F(Resolution, NestedSubstitutionsResolveFully)
{
    TScheme* scheme = Generate(Text("A", Chars("x") + Use("B") + Chars("y")) +
                               Text("B", Chars("[") + Use("C") + Chars("]")) +
                               Text("C", Use("ApplicationName") + Chars(" ") + Use("SourceName")));
    const QString c = LoadStr(4000) + QStringLiteral(" Unsaved");
    EXPECT_EQ(TextValues(scheme), (QStringList{"A=x[" + c + "]y", "B=[" + c + "]", "C=" + c}));
    EXPECT_TRUE(All<TElement_Substitution>(scheme).isEmpty());
}

TEST_F(Resolution, CyclesAndMissingTargetsGiveTheTypedNames)
{
    TScheme* scheme = Load(Text("A", Use("B")) + Text("B", Chars("b") + Use("A")) + Text("Gone", Chars("g")) +
                           Text("C", Use("Gone")));
    // The target goes as the user deletes it: one edit of the document's text.
    TElement_Text* gone = All<TElement_Text>(scheme)[2];
    auto* root = static_cast<TTextorElement*>(scheme->Root());
    TTextorRange range;
    for (TParagraph* p = root->Textor()->FirstParagraph(); p != nullptr; p = p->Next()) {
        int offset = 0;
        for (TPortion* portion = p->FirstPortion(); portion != nullptr; portion = portion->Next()) {
            if (TTextorElement::EmbeddedElement(portion) == gone)
                range = {p->PositionAt(offset), p->PositionAt(offset + 1)};
            offset += portion->Length();
        }
    }
    root->ReplaceWithText(tetRange, &range, false, QString());
    ASSERT_EQ(All<TElement_Text>(scheme).size(), 3);
    Run(scheme);
    EXPECT_EQ(TextValues(scheme), (QStringList{"A=B", "B=bA", "C=Gone"}));
    EXPECT_EQ(LogTexts().filter(Shown(LoadStr(2728))).size(), 2);
    EXPECT_EQ(LogTexts().filter(QStringLiteral("Gone")).size(), 1);
}

struct TDecisionRow
{
    const char* Name;
    QString Condition; // the content of the condition field
    QString Language;  // the generator's language
    QString Expected;
};

class Decisions : public Resolution, public ::testing::WithParamInterface<TDecisionRow>
{
};

// Conditions whose names start with "+" are checked in the generator.
TEST_P(Decisions, ChooseTheBranch)
{
    const TDecisionRow& row = GetParam();
    TScheme* scheme = Generate(
        QStringLiteral(
            "<Condition><Name Value=\"+On\"/></Condition><Condition><Name Value=\"Off\"/></Condition>"
            "<Language><Name Value=\"German\"/></Language><Language><Name Value=\"French\"/></Language>"
            "<ValuesGenerator/>"
            "<Text><Name Value=\"Empty\"/></Text>") +
            Text("T", QStringLiteral(
                          "<If><Condition>%1</Condition><Content>%2</Content><ContentElse>%3</ContentElse>"
                          "</If>")
                          .arg(row.Condition, Chars("then"), Chars("else"))),
        row.Language);
    EXPECT_EQ(TextValues(scheme).last(), "T=" + row.Expected);
    EXPECT_TRUE(All<TElement_If>(scheme).isEmpty());
}

const QString isEmptyOf = QStringLiteral("<IsEmpty><Value>%1</Value></IsEmpty>");

INSTANTIATE_TEST_SUITE_P(
    Rows, Decisions,
    ::testing::Values(
        TDecisionRow{"Checked", "<Chars Value=\"+On\"/>", "", "then"},
        TDecisionRow{"Unchecked", "<Chars Value=\"Off\"/>", "", "else"},
        TDecisionRow{"InvalidCondition", "<Chars Value=\"Nope\"/>", "", "then"},
        TDecisionRow{"NoCondition", "", "", "then"},
        TDecisionRow{"IsEmptyOfNothing", isEmptyOf.arg("<Substitution Value=\"Empty\"/>"), "", "then"},
        TDecisionRow{"IsEmptyOfText", isEmptyOf.arg("<Chars Value=\"x\"/>"), "", "else"},
        TDecisionRow{"LanguageWithoutGeneratorLanguage", "<Chars Value=\"German\"/>", "", "then"},
        TDecisionRow{"GeneratorLanguage", "<Chars Value=\"German\"/>", "German", "then"},
        TDecisionRow{"OtherLanguage", "<Chars Value=\"German\"/>", "French", "else"}),
    [](const ::testing::TestParamInfo<TDecisionRow>& info) { return std::string(info.param.Name); });

TEST_F(Resolution, ReplacementsAndDatesResolveInPlace)
{
    const QString replacement =
        QStringLiteral("<Replacement Mode=\"Last\" CaseInsensitive=\"1\"><FindValue>%1</FindValue>"
                       "<ReplaceValue>%2</ReplaceValue><Content>%3</Content></Replacement>");
    TScheme* scheme = Generate(
        Text("Word", Chars("Banana")) +
        Text("R", replacement.arg(Chars("A"), Use("Word"), Chars("a|") + Use("Word") + Chars("|xa"))) +
        Text("D", QStringLiteral("<ProcessingDateTime Value=\"dd.mm.yyyy hh:nn:ss\"/>")));
    EXPECT_EQ(TextValues(scheme),
              (QStringList{"Word=Banana", "R=a|Banana|xBanana", "D=04.03.2026 05:06:07"}));
}

} // namespace
} // namespace qv
