// Declarations, routines and modules of the Pascal source model: golden text, the grouping of local
// variables, dead stores and unique names.

#include "schemes/program/pascal_test_support.h"

#include "support/printers.h"

#include <gtest/gtest.h>

#include <functional>

namespace qv {
namespace {

TPascalVariable* AddVariable(TPascalNode* parent, const char* name, const char* type)
{
    auto* variable = AddNamed<TPascalVariable>(parent, name);
    if (type != nullptr)
        variable->Type()->AddText(U(type));
    return variable;
}

// Gives a heading its kind, parameters of type Integer and a result type.
TPascalMethodHead* Head(TPascalMethodHead* head, TPascalMethodKind kind,
                        std::initializer_list<const char*> integers, const char* resultType = nullptr)
{
    head->SetKind(kind);
    for (const char* name : integers)
        head->Parameters()->Add(U(name))->Type()->AddText(U("Integer"));
    if (resultType != nullptr)
        head->ResultType()->AddText(U(resultType));
    return head;
}

TPascalLet* Assign(TPascalCommands* list, TPascalNamedNode* target, int value)
{
    TPascalLet* let = list->AddLet();
    let->Target()->AddCall(target);
    let->Value()->AddInteger(value);
    return let;
}

// ---------------------------------------------------------------------------------------------
// Directives, comments and sections

TEST(PascalDeclarations, DirectivesAreNeverWrapped)
{
    TNodePtr<TPascalDeclarations> list(new TPascalDeclarations);
    auto* include = list->AddChild<TPascalResourceInclude>();
    include->SetFileName(U("my file.res"));
    list->AddChild<TPascalResourceInclude>()->SetFileName(U("main.res"));
    TPascalCustomCompilerDirective* custom = list->AddDirective(U("DEFINE ") + QString(90, u'X') + U(" , Y"));
    custom->SetEmptyLineBefore(true);
    custom->SetEmptyLineAfter(true);
    list->AddComment(U("after"));
    EXPECT_EQ(PascalText(*list), U("{$R 'my file.res'}\n{$R main.res}\n\n{$DEFINE ") + QString(90, u'X') +
                                     U(" , Y}\n\n{ after }\n"));
}

TEST(PascalDeclarations, AttachedCommentsTakeTheirNeighboursSection)
{
    TNodePtr<TPascalDeclarations> list(new TPascalDeclarations);
    const auto comment = [&](const char* text, TPascalCommentAttach attach) {
        TPascalComment* result = list->AddComment(U(text));
        result->SetAttachTo(attach);
        return result;
    };
    TPascalComment* loose = list->AddComment(U("loose"));
    TPascalComment* beforeType = comment("chained", caNext);
    TPascalComment* chained = comment("about T", caNext);
    AddNamed<TPascalTypeAlias>(list.get(), "T")->Type()->AddText(U("Integer"));
    TPascalComment* afterType = comment("after T", caPrevious);
    // Two comments attached to each other, and one attached to nothing, belong nowhere.
    TPascalComment* circleA = comment("A", caNext);
    TPascalComment* circleB = comment("B", caPrevious);
    TPascalComment* last = comment("last", caNext);

    const std::pair<TPascalNode*, TPascalSectionKind> rows[] = {
        {loose, skNone},   {beforeType, skType}, {chained, skType}, {afterType, skType},
        {circleA, skNone}, {circleB, skNone},    {last, skNone},
    };
    for (const auto& [node, kind] : rows)
        EXPECT_EQ(SectionKindOf(node), kind) << static_cast<TPascalComment*>(node)->Text().toStdString();
    EXPECT_EQ(SectionKindOf(list->AddChild<TPascalMethodDeclaration>()), skOther);
    EXPECT_EQ(SectionKindOf(list->AddDirective(U("H+"))), skNone);
}

TEST(PascalDeclarations, SectionsOfAUnitClause)
{
    TNodePtr<TPascalUnitClause> clause(new TPascalUnitClause);
    TPascalDeclarations* list = clause->Declarations();
    TPascalComment* note = list->AddComment(U("limits"));
    note->SetAttachTo(caNext);
    auto* max = AddNamed<TPascalConstant>(list, "Max");
    max->Value()->AddInteger(10);
    auto* pi = AddNamed<TPascalConstant>(list, "Pi2");
    pi->Type()->AddText(U("Double"));
    pi->Value()->AddText(U("6.28"));
    AddNamed<TPascalTypeAlias>(list, "TName")->Type()->AddText(U("string"));
    AddNamed<TPascalPointer>(list, "PName")->TargetType()->AddText(U("TName"));
    AddVariable(list, "A", "Integer");
    list->AddDirective(U("H+"));
    AddVariable(list, "B", "Integer")->InitialValue()->AddInteger(0);
    AddNamed<TPascalMethodDeclaration>(list, "Run");
    EXPECT_EQ(PascalText(*clause), U("const\n"
                                     "  { limits }\n"
                                     "  Max = 10;\n"
                                     "  Pi2: Double = 6.28;\n"
                                     "\n"
                                     "type\n"
                                     "  TName = string;\n"
                                     "\n"
                                     "  PName = ^TName;\n"
                                     "\n"
                                     "var\n"
                                     "  A: Integer;\n"
                                     "{$H+}\n"
                                     "var\n"
                                     "  B: Integer = 0;\n"
                                     "\n"
                                     "procedure Run;\n"));
}

// ---------------------------------------------------------------------------------------------
// Types

TEST(PascalDeclarations, TypeDeclarations)
{
    TNodePtr<TPascalDeclarations> list(new TPascalDeclarations);
    list->SetSpacedSections(0);
    auto* kinds = AddNamed<TPascalEnum>(list.get(), "TColorKind");
    kinds->SetComment(U("never written"));
    kinds->Add(U("ckRed"));
    TPascalEnumItem* green = kinds->Add(U("ckGreen"));
    green->Value()->AddInteger(3);
    green->SetComment(U("three"));
    AddNamed<TPascalSetOf>(list.get(), "TKinds")->ItemType()->AddCall(kinds);
    auto* point = AddNamed<TPascalRecord>(list.get(), "TPoint");
    point->SetComment(U("pt"));
    point->Add(U("X"))->Type()->AddText(U("Integer"));
    point->Add(U("Y"))->Type()->AddText(U("Integer"));
    AddNamed<TPascalArray>(list.get(), "TInts")->ItemType()->AddText(U("Integer"));
    auto* buffer = AddNamed<TPascalArray>(list.get(), "TBuf");
    buffer->SetDynamic(false);
    buffer->LowBound()->AddInteger(0);
    buffer->HighBound()->AddInteger(15);
    buffer->ItemType()->AddText(U("Byte"));
    auto* alias = AddNamed<TPascalTypeAlias>(list.get(), "TName");
    alias->Type()->AddText(U("string"));
    alias->SetComment(U("alias"));
    AddNamed<TPascalClassPredeclaration>(list.get(), "TShape");
    AddNamed<TPascalInterfacePredeclaration>(list.get(), "IShape");
    AddNamed<TPascalClassOf>(list.get(), "TShapeClass")->ClassTypeExpression()->AddText(U("TShape"));
    auto* notify = AddNamed<TPascalMethodType>(list.get(), "TNotify");
    notify->SetOfObject(true);
    notify->Heading()->Parameters()->Add(U("Sender"))->Type()->AddText(U("TObject"));
    notify->Heading()->SetDirectives(pdStdcall);
    auto* func = AddNamed<TPascalMethodType>(list.get(), "TFunc");
    Head(func->Heading(), pmFunction, {}, "Integer")->SetDirectives(pdCdecl);

    EXPECT_EQ(PascalText(*list), U("TColorKind = (ckRed, ckGreen = 3 { three });\n"
                                   "TKinds = set of TColorKind;\n"
                                   "TPoint = record { pt }\n"
                                   "  X: Integer;\n"
                                   "  Y: Integer;\n"
                                   "end;\n"
                                   "TInts = array of Integer;\n"
                                   "TBuf = array[0..15] of Byte;\n"
                                   "TName = string; { alias }\n"
                                   "TShape = class;\n"
                                   "IShape = interface;\n"
                                   "TShapeClass = class of TShape;\n"
                                   "TNotify = procedure(Sender: TObject) of object; stdcall;\n"
                                   "TFunc = function: Integer; cdecl;\n"));
}

TEST(PascalDeclarations, ClassSections)
{
    TNodePtr<TPascalClass> cls(new TPascalClass);
    cls->SetName(U("TFoo"));
    cls->SetAbstract(true);
    cls->ParentType()->AddText(U("TObject"));
    AddVariable(cls->GetSections(csPrivate), "G", "Integer");
    TPascalDeclarations* open = cls->GetSections(csPublic);
    AddNamed<TPascalConstant>(open, "C")->Value()->AddInteger(1);
    AddVariable(open, "F", "Integer");
    auto* run = AddNamed<TPascalMethodDeclaration>(open, "Run");
    run->SetComment(U("runs"));
    run->Heading()->SetDirectives(pdVirtual | pdAbstract);
    auto* property = AddNamed<TPascalClassProperty>(open, "Items");
    property->Parameters()->Add(U("Index"))->Type()->AddText(U("Integer"));
    property->Type()->AddText(U("string"));
    property->Read()->AddText(U("GetItem"));
    property->SetDefaultProperty(true);
    auto* count = AddNamed<TPascalClassProperty>(cls->GetSections(csPublished), "Count");
    count->Type()->AddText(U("Integer"));
    count->SetHasIndex(true);
    count->SetIndex(2);
    count->Read()->AddText(U("GetCount"));
    count->Write()->AddText(U("SetCount"));
    count->Default()->AddInteger(0);
    count->Stored()->AddText(U("IsStored"));

    EXPECT_EQ(PascalText(*cls),
              U("TFoo = class abstract(TObject)\n"
                "private\n"
                "  G: Integer;\n"
                "public\n"
                "const\n"
                "  C = 1;\n"
                "var\n"
                "  F: Integer;\n"
                "  { runs }\n"
                "  procedure Run; virtual; abstract;\n"
                "  property Items[Index: Integer]: string read GetItem; default;\n"
                "published\n"
                "  property Count: Integer index 2 read GetCount write SetCount stored IsStored "
                "default 0;\n"
                "end;\n"
                "\n"));
}

TEST(PascalDeclarations, ParametersShareTheirTypes)
{
    TNodePtr<TPascalMethodDeclaration> declaration(new TPascalMethodDeclaration);
    declaration->SetName(U("P"));
    TPascalMethodParameters* parameters = declaration->Heading()->Parameters();
    parameters->Add(U("A"))->Type()->AddText(U("Integer"));
    parameters->Add(U("B"))->Type()->AddText(U("Integer"));
    parameters->Add(U("C"), puVar)->Type()->AddText(U("string"));
    parameters->Add(U("D"), puVar)->Type()->AddText(U("string"));
    TPascalMethodParameter* e = parameters->Add(U("E"));
    e->Type()->AddText(U("Integer"));
    e->DefaultValue()->AddInteger(1);
    parameters->Add(U("F"), puOut);
    parameters->Add(U("G"), puConst)->Type()->AddText(U("Integer"));
    EXPECT_EQ(PascalText(*declaration, 200),
              U("procedure P(A, B: Integer; var C, D: string; E: Integer = 1; out F; const G: Integer);\n"));

    // A long heading breaks after a separator.
    parameters->Add(U("SomeRatherLongParameterName"))->Type()->AddText(U("TSomeRatherLongTypeName"));
    EXPECT_EQ(PascalText(*declaration),
              U("procedure P(A, B: Integer; var C, D: string; E: Integer = 1; out F; const G: Integer; \n"
                "  SomeRatherLongParameterName: TSomeRatherLongTypeName);\n"));
}

// ---------------------------------------------------------------------------------------------
// Routines

class PascalRoutine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FUnit->SetName(U("Main"));
        FGlobals = FUnit->ImplementationClause()->Declarations();
        FRoutine = AddNamed<TPascalMethodWithImplementation>(FGlobals, "Run");
        Head(FRoutine->Heading(), pmFunction, {"A"}, "Integer");
    }

    TPascalVariable* Local(const char* name, const char* type = "Integer")
    {
        return AddVariable(FRoutine->LocalDeclarations(), name, type);
    }
    TPascalCommands* Body() const { return FRoutine->Commands(); }
    TPascalVariable* Result() const { return FRoutine->ResultVariable(); }

    TNodePtr<TPascalUnit> FUnit{new TPascalUnit};
    TPascalDeclarations* FGlobals = nullptr;
    TPascalMethodWithImplementation* FRoutine = nullptr;
};

TEST_F(PascalRoutine, WritesHeadingLocalsCommentAndBody)
{
    auto* declaration =
        AddNamed<TPascalMethodDeclaration>(FUnit->InterfaceClause()->Declarations(), "Compute");
    FRoutine->SetDeclaration(declaration);
    FRoutine->SetClassName(U("TCalc"));
    FRoutine->SetComment(U("adds"));
    FRoutine->Heading()->SetDirectives(pdInline);
    Local("I");
    Assign(Body(), Result(), 1);
    EXPECT_EQ(PascalText(*FRoutine), U("function TCalc.Compute(A: Integer): Integer; inline;\n"
                                       "var\n"
                                       "  I: Integer;\n"
                                       "begin\n"
                                       "  { adds }\n"
                                       "  Result := 1;\n"
                                       "end;\n"
                                       "\n"));
    // The linked declaration names the implementation; without it, the routine's own name.
    declaration->Free();
    EXPECT_EQ(FRoutine->HeadingName(), U("Run"));
}

TEST_F(PascalRoutine, GroupsLocalsOfOneType)
{
    Local("A1");
    Local("B", "string");
    Local("C");
    Local("D")->SetComment(U("counted"));
    Local("E", "string");
    Local("F")->InitialValue()->AddInteger(1);
    Local("G");
    // Grouping stops at other declarations.
    FRoutine->LocalDeclarations()->AddDirective(U("H+"));
    Local("H");
    FRoutine->Optimize();
    EXPECT_EQ(PascalText(*FRoutine->LocalDeclarations()), U("var\n"
                                                            "  A1, C, G: Integer;\n"
                                                            "  B, E: string;\n"
                                                            "  D: Integer; { counted }\n"
                                                            "  F: Integer = 1;\n"
                                                            "{$H+}\n"
                                                            "var\n"
                                                            "  H: Integer;\n"));
}

struct TDeadStoreRow
{
    const char* Name;
    // Builds the body; gets the local V, the result variable and a global G.
    std::function<void(TPascalCommands*, TPascalVariable*, TPascalVariable*, TPascalVariable*)> Build;
    const char* Optimized;
};

// "V := 1; <between>; V := 2" where <between> is one call of the given text.
void AroundCall(TPascalCommands* l, TPascalVariable* v, const QString& prefix, const QString& suffix)
{
    Assign(l, v, 1);
    if (suffix.isNull())
        l->AddCall(prefix);
    else
        l->AddCall(prefix, v, suffix);
    Assign(l, v, 2);
}

// clang-format off
const TDeadStoreRow DeadStoreRows[] = {
    {"OverwrittenStoreGoes", [](auto* l, auto* v, auto*, auto*) { Assign(l, v, 1); Assign(l, v, 2); l->AddCall(U("Use("), v, U(")")); },
     "V := 2;\nUse(V);\n"},
    {"ReadStoreStays", [](auto* l, auto* v, auto*, auto*) { AroundCall(l, v, U("Use("), U(")")); }, "V := 1;\nUse(V);\nV := 2;\n"},
    {"ReadInTheNewValueStays", [](auto* l, auto* v, auto*, auto*) {
         Assign(l, v, 1);
         TPascalLet* let = l->AddLet();
         let->Target()->AddCall(v);
         auto* sum = let->Value()->AddOperation(poAdd);
         sum->Left()->AddCall(v);
         sum->Right()->AddInteger(1); }, "V := 1;\nV := V + 1;\n"},
    {"BothBranchesOverwrite", [](auto* l, auto*, auto* r, auto*) {
         Assign(l, r, 0);
         TPascalIf* s = l->AddIf();
         s->Condition()->AddCall(U("C"));
         Assign(s->ThenCommands(), r, 1);
         Assign(s->ElseCommands(), r, 2); }, "if C then\n  Result := 1\nelse\n  Result := 2;\n"},
    {"OneBranchOverwrites", [](auto* l, auto*, auto* r, auto*) {
         Assign(l, r, 0);
         TPascalIf* s = l->AddIf();
         s->Condition()->AddCall(U("C"));
         Assign(s->ThenCommands(), r, 1); }, "Result := 0;\nif C then\n  Result := 1;\n"},
    {"FieldOfTheVariableReads", [](auto* l, auto* v, auto*, auto*) { AroundCall(l, v, U("Use("), U(".X)")); }, "V := 1;\nUse(V.X);\nV := 2;\n"},
    {"CallTextMentionReads", [](auto* l, auto* v, auto*, auto*) { AroundCall(l, v, U("Use(V)"), QString()); }, "V := 1;\nUse(V);\nV := 2;\n"},
    {"OutArgumentOverwrites", [](auto* l, auto* v, auto*, auto*) {
         Assign(l, v, 1);
         l->AddCall(U("Fill"))->Arguments()->Add(puOut)->AddCall(v); }, "Fill(V);\n"},
    {"VarArgumentReads", [](auto* l, auto* v, auto*, auto*) {
         Assign(l, v, 1);
         l->AddCall(U("Inc"))->Arguments()->Add(puVar)->AddCall(v); }, "V := 1;\nInc(V);\n"},
    {"WhileBodyMayNotRun", [](auto* l, auto* v, auto*, auto*) {
         Assign(l, v, 1);
         TPascalWhile* loop = l->AddWhile();
         loop->Condition()->AddCall(U("C"));
         Assign(loop->Commands(), v, 2);
         Assign(l, v, 3); }, "while C do\n  V := 2;\nV := 3;\n"},
    {"CaseWithElseOverwritesEverywhere", [](auto* l, auto* v, auto*, auto*) {
         Assign(l, v, 1);
         TPascalCase* s = l->AddCase();
         s->Selector()->AddCall(U("K"));
         TPascalCaseItem* branch = s->Items()->Add();
         branch->Value()->AddInteger(0);
         Assign(branch->Commands(), v, 2);
         Assign(s->ElseCommands(), v, 3); }, "case K of\n  0:\n    V := 2;\nelse\n  V := 3;\nend;\n"},
    // Stores the scan cannot prove dead stay.
    {"GlobalVariableStays", [](auto* l, auto*, auto*, auto* g) { Assign(l, g, 1); l->AddCall(U("Report")); Assign(l, g, 2); },
     "G := 1;\nReport;\nG := 2;\n"},
    {"LoopBoundsReadBeforeTheLoopVariable", [](auto* l, auto* v, auto*, auto*) {
         Assign(l, v, 5);
         TPascalFor* loop = l->AddFor();
         loop->Variable()->AddCall(v);
         loop->LowBound()->AddInteger(1);
         loop->HighBound()->AddCall(v);
         loop->Commands()->AddCall(U("Step")); }, "V := 5;\nfor V := 1 to V do\n  Step;\n"},
    {"FreeTextMentionReads", [](auto* l, auto* v, auto*, auto*) {
         Assign(l, v, 1);
         l->AddText(U("Writeln(v)"));
         l->AddText(U("Writeln(VV)"));
         Assign(l, v, 2); }, "V := 1;\nWriteln(v);\nWriteln(VV);\nV := 2;\n"},
    {"FreeTextWithoutMentionDoesNotRead", [](auto* l, auto* v, auto*, auto*) {
         Assign(l, v, 1);
         l->AddText(U("Writeln(VV)"));
         Assign(l, v, 2); }, "Writeln(VV);\nV := 2;\n"},
    {"StoreOfACallStays", [](auto* l, auto* v, auto*, auto*) {
         l->AddLet()->Target()->AddCall(v);
         static_cast<TPascalLet*>(l->LastChild())->Value()->AddCall(U("ReadNext"));
         TPascalLet* second = l->AddLet();
         second->Target()->AddCall(v);
         second->Value()->AddText(U("Compute(1)"));
         Assign(l, v, 3); }, "V := ReadNext;\nV := Compute(1);\nV := 3;\n"},
    {"StoreOfAnotherVariableGoes", [](auto* l, auto* v, auto* r, auto*) {
         TPascalLet* copy = l->AddLet();
         copy->Target()->AddCall(r);
         auto* sum = copy->Value()->AddOperation(poAdd);
         sum->Left()->AddCall(v);
         sum->Right()->AddText(U("SizeOf"));
         Assign(l, r, 3); }, "Result := 3;\n"},
    {"InsideTryStays", [](auto* l, auto* v, auto*, auto*) {
         TPascalTryExcept* t = l->AddTryExcept();
         Assign(t->TryCommands(), v, 1);
         t->TryCommands()->AddCall(U("Risky"));
         Assign(t->TryCommands(), v, 2);
         t->ElseCommands()->AddCall(U("Use("), v, U(")")); }, "try\n  V := 1;\n  Risky;\n  V := 2;\nexcept\n  Use(V);\nend;\n"},
};
// clang-format on

class PascalDeadStores : public PascalRoutine, public ::testing::WithParamInterface<TDeadStoreRow>
{
};

TEST_P(PascalDeadStores, RemovesOnlyStoresNobodyReads)
{
    TPascalVariable* v = Local("V");
    TPascalVariable* g = AddVariable(FGlobals, "G", "Integer");
    GetParam().Build(Body(), v, Result(), g);
    FUnit->Optimize();
    EXPECT_EQ(PascalText(*Body()), U(GetParam().Optimized));
}

INSTANTIATE_TEST_SUITE_P(Rows, PascalDeadStores, ::testing::ValuesIn(DeadStoreRows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(PascalRoutine, NestedRoutinesKeepStores)
{
    TPascalVariable* v = Local("V");
    AddNamed<TPascalMethodWithImplementation>(FRoutine->LocalDeclarations(), "Inner");
    Assign(Body(), v, 1);
    Body()->AddCall(U("Inner"));
    Assign(Body(), v, 2);
    FUnit->Optimize();
    EXPECT_EQ(PascalText(*Body()), U("V := 1;\nInner;\nV := 2;\n"));
}

// ---------------------------------------------------------------------------------------------
// Unique names

struct TNamesRow
{
    const char* Name;
    std::vector<std::pair<const char*, bool>> Locals; // name, MakeUnique
    std::vector<const char*> Expected;
};

const TNamesRow NamesRows[] = {
    {"TwoCapitalI", {{"I", true}, {"I", true}}, {"I", "J"}},
    {"TwoSmallI", {{"i", true}, {"i", true}}, {"i", "i1"}},
    {"Result", {{"Result", true}}, {"Result1"}},
    {"Parameter", {{"a", true}}, {"a1"}},
    {"ModuleWithoutCase", {{"MAIN", true}}, {"MAIN1"}},
    {"Routine", {{"Run", true}}, {"Run1"}},
    {"FixedNameWins", {{"x", true}, {"X", false}}, {"x1", "X"}},
    {"LettersRunOutAtZ", {{"Y", true}, {"Y", true}, {"Y", true}}, {"Y", "Z", "Y1"}},
    {"ZStartsNumbering", {{"Z", true}, {"Z", true}, {"Z", true}}, {"Z", "Z1", "Z2"}},
    {"Numbered", {{"Tmp", true}, {"Tmp", true}, {"Tmp1", false}}, {"Tmp", "Tmp2", "Tmp1"}},
    {"NothingToDo", {{"I", false}, {"I", false}}, {"I", "I"}},
};

class PascalUniqueNames : public PascalRoutine, public ::testing::WithParamInterface<TNamesRow>
{
};

TEST_P(PascalUniqueNames, GivesGeneratedNamesFreeOnes)
{
    std::vector<TPascalVariable*> locals;
    for (const auto& [name, makeUnique] : GetParam().Locals) {
        locals.push_back(Local(name));
        locals.back()->SetMakeUnique(makeUnique);
    }
    FUnit->MakeUniqueNames();
    ASSERT_EQ(locals.size(), GetParam().Expected.size());
    for (size_t i = 0; i < locals.size(); ++i) {
        EXPECT_EQ(locals[i]->Name(), U(GetParam().Expected[i])) << i;
        EXPECT_FALSE(locals[i]->MakeUnique());
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, PascalUniqueNames, ::testing::ValuesIn(NamesRows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(PascalRoutine, GeneratedParametersGetFreeNames)
{
    TPascalMethodParameters* parameters = FRoutine->Heading()->Parameters();
    TPascalMethodParameter* x = parameters->Add(U("X"));
    TPascalMethodParameter* y = parameters->Add(U("X"));
    TPascalMethodParameter* a = parameters->Add(U("a"));
    for (TPascalMethodParameter* p : {x, y, a})
        p->SetMakeUnique(true);
    TPascalVariable* local = Local("Y");
    local->SetMakeUnique(true);
    FUnit->MakeUniqueNames();
    EXPECT_EQ(x->Name(), U("X"));
    EXPECT_EQ(y->Name(), U("Y"));
    EXPECT_EQ(a->Name(), U("a1")); // the fixed parameter A
    EXPECT_EQ(local->Name(), U("Z"));
}

TEST_F(PascalRoutine, UniqueNamesSeeOnlyTheirScope)
{
    // Locals of two routines do not meet; a global is seen from inside the routine.
    auto* other = AddNamed<TPascalMethodWithImplementation>(FGlobals, "Other");
    TPascalVariable* mine = Local("I");
    TPascalVariable* theirs = AddVariable(other->LocalDeclarations(), "I", "Integer");
    TPascalVariable* global = AddVariable(FGlobals, "Count", "Integer");
    TPascalVariable* local = Local("Count");
    for (TPascalVariable* v : {mine, theirs, local})
        v->SetMakeUnique(true);
    FUnit->MakeUniqueNames();
    EXPECT_EQ(mine->Name(), U("I"));
    EXPECT_EQ(theirs->Name(), U("I"));
    EXPECT_EQ(global->Name(), U("Count"));
    EXPECT_EQ(local->Name(), U("Count1"));
}

// ---------------------------------------------------------------------------------------------
// Modules

TEST(PascalModule, Unit)
{
    TNodePtr<TPascalUnit> unit(new TPascalUnit);
    unit->SetName(U("Shapes"));
    TPascalUnitClause* front = unit->GetClauses(upInterface);
    front->UsedUnits()->Add(U("SysUtils"));
    front->UsedUnits()->Add(U("Classes"));
    AddNamed<TPascalConstant>(front->Declarations(), "MaxCount")->Value()->AddInteger(10);
    auto* kinds = AddNamed<TPascalEnum>(front->Declarations(), "TKind");
    kinds->Add(U("kNone"));
    kinds->Add(U("kBig"))->Value()->AddInteger(5);
    auto* shape = AddNamed<TPascalClass>(front->Declarations(), "TShape");
    shape->ParentType()->AddText(U("TObject"));
    auto* name = AddVariable(shape->GetSections(csPrivate), "FName", "string");
    auto* property = AddNamed<TPascalClassProperty>(shape->GetSections(csPublic), "Name");
    property->Type()->AddText(U("string"));
    property->Read()->AddCall(name);
    auto* area = AddNamed<TPascalMethodDeclaration>(front->Declarations(), "Area");
    Head(area->Heading(), pmFunction, {"W", "H"}, "Integer");

    TPascalDeclarations* back = unit->GetClauses(upImplementation)->Declarations();
    TPascalVariable* counter = AddVariable(back, "Counter", "Integer");
    auto* areaBody = back->AddChild<TPascalMethodWithImplementation>();
    areaBody->SetDeclaration(area);
    Head(areaBody->Heading(), pmFunction, {"W", "H"}, "Integer");
    TPascalLet* product = areaBody->Commands()->AddLet();
    product->Target()->AddCall(areaBody->ResultVariable());
    auto* times = product->Value()->AddOperation(poMultiply);
    times->Left()->AddCall(U("W"));
    times->Right()->AddCall(U("H"));

    const QString head = U("unit Shapes;\n"
                           "\n"
                           "interface\n"
                           "\n"
                           "uses\n"
                           "  SysUtils, Classes;\n"
                           "\n"
                           "const\n"
                           "  MaxCount = 10;\n"
                           "\n"
                           "type\n"
                           "  TKind = (kNone, kBig = 5);\n"
                           "\n"
                           "  TShape = class(TObject)\n"
                           "  private\n"
                           "    FName: string;\n"
                           "  public\n"
                           "    property Name: string read FName;\n"
                           "  end;\n"
                           "\n"
                           "function Area(W, H: Integer): Integer;\n"
                           "\n"
                           "implementation\n"
                           "\n"
                           "var\n"
                           "  Counter: Integer;\n"
                           "\n"
                           "function Area(W, H: Integer): Integer;\n"
                           "begin\n"
                           "  Result := W * H;\n"
                           "end;\n"
                           "\n");
    // Without initialization and finalization commands there is no "initialization" line.
    EXPECT_EQ(PascalText(*unit), head + U("end.\n"));

    // Only finalization commands: an empty initialization section comes first.
    Assign(unit->FinalizationCommands(), counter, 0);
    EXPECT_EQ(PascalText(*unit), head + U("initialization\n\nfinalization\n  Counter := 0;\n\nend.\n"));

    Assign(unit->InitializationCommands(), counter, 1);
    EXPECT_EQ(PascalText(*unit),
              head + U("initialization\n  Counter := 1;\n\nfinalization\n  Counter := 0;\n\nend.\n"));
}

TEST(PascalModule, ProgramAndLibrary)
{
    TNodePtr<TPascalProgram> program(new TPascalProgram);
    program->SetName(U("Hello"));
    program->SetComment(U("Greets"));
    program->Clause()->UsedUnits()->Add(U("SysUtils"))->SetComment(U("Format"));
    program->Commands()->AddCall(U("Writeln"))->Arguments()->Add()->AddString(U("Hi"));
    EXPECT_EQ(PascalText(*program), U("program Hello;\n"
                                      "{ Greets }\n"
                                      "uses\n"
                                      "  SysUtils { Format };\n"
                                      "\n"
                                      "begin\n"
                                      "  Writeln('Hi');\n"
                                      "end.\n"));

    TNodePtr<TPascalLibrary> library(new TPascalLibrary);
    library->SetName(U("Calc"));
    auto* add = AddNamed<TPascalMethodWithImplementation>(library->Clause()->Declarations(), "Add");
    Head(add->Heading(), pmFunction, {"A", "B"}, "Integer")->SetDirectives(pdCdecl);
    library->Exports()->Add()->AddCall(add);
    TPascalExpression* renamed = library->Exports()->Add();
    renamed->AddCall(add);
    renamed->AddText(U(" name 'plus'"));
    EXPECT_EQ(PascalText(*library), U("library Calc;\n"
                                      "\n"
                                      "function Add(A, B: Integer): Integer; cdecl;\n"
                                      "begin\n"
                                      "end;\n"
                                      "\n"
                                      "exports\n"
                                      "  Add, \n"
                                      "  Add name 'plus';\n"
                                      "\n"
                                      "begin\n"
                                      "end.\n"));
}

} // namespace
} // namespace qv
