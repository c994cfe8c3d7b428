// The text of the Pascal source model: layout of statements, parentheses, declarations and modules,
// compared with golden text.

#include "schemes/program/pascal_test_support.h"

#include "support/printers.h"

#include <gtest/gtest.h>

#include <functional>

namespace qv {
namespace {

// ---------------------------------------------------------------------------------------------
// Classes and structure

TEST(PascalNode, FloatingIsAPropertyOfTheClass)
{
    using TClasses = std::initializer_list<const TPascalNodeClass*>;
    for (const TPascalNodeClass* c : TClasses{
             TPascalNode::StaticClass(), TPascalDeclarations::StaticClass(), TPascalExpression::StaticClass(),
             TPascalSetValues::StaticClass(), TPascalCommands::StaticClass(), TPascalCaseItems::StaticClass(),
             TPascalTryExceptItems::StaticClass(), TPascalCallParameterValues::StaticClass(),
             TPascalMethodParameters::StaticClass(), TPascalMethodHead::StaticClass(),
             TPascalUsedUnits::StaticClass(), TPascalUnitClause::StaticClass(),
             TPascalLibraryExports::StaticClass(), TPascalMethodResultVariable::StaticClass()})
        EXPECT_FALSE(c->IsFloating()) << c->Name();
    for (const TPascalNodeClass* c :
         TClasses{TPascalFloatingNode::StaticClass(), TPascalComment::StaticClass(),
                  TPascalCustomCompilerDirective::StaticClass(), TPascalVariable::StaticClass(),
                  TPascalCallInExpression::StaticClass(), TPascalCallInCommands::StaticClass(),
                  TPascalIf::StaticClass(), TPascalIfDef::StaticClass(), TPascalUnit::StaticClass(),
                  TPascalNotExpressionItem::StaticClass()})
        EXPECT_TRUE(c->IsFloating()) << c->Name();
}

TEST(PascalNode, ConstructorsCreateTheirPartsFirstAndInOrder)
{
    TNodePtr<TPascalMethodWithImplementation> routine(new TPascalMethodWithImplementation);
    routine->LocalDeclarations()->AddDirective(U("H+"));
    ASSERT_EQ(routine->ChildCount(), 4);
    EXPECT_EQ(routine->ChildAt(0), routine->Heading());
    EXPECT_EQ(routine->ChildAt(1), routine->LocalDeclarations());
    EXPECT_EQ(routine->ChildAt(2), routine->ResultVariable());
    EXPECT_EQ(routine->ChildAt(3), routine->Commands());
    EXPECT_EQ(routine->ResultVariable()->Name(), U("Result"));

    TNodePtr<TPascalClass> cls(new TPascalClass);
    ASSERT_EQ(cls->ChildCount(), 7);
    EXPECT_EQ(cls->ChildAt(0), cls->ParentType());
    for (int i = 0; i < PascalClassSectionCount; ++i)
        EXPECT_EQ(cls->ChildAt(i + 1), cls->GetSections(TPascalClassSection(i)));

    // Created through the class used as a value, inserted before a given sibling.
    TNodePtr<TPascalCommands> list(new TPascalCommands);
    TPascalNode* last = list->AddText(U("B"));
    TPascalNode* first = list->AddChild(TPascalIf::StaticClass(), last);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(list->FirstChild(), first);
    EXPECT_EQ(first->ChildCount(), 3);
    EXPECT_EQ(list->AddChild(TPascalCompilerDirective::StaticClass()), nullptr); // abstract
}

TEST(PascalNode, CallsFollowRenamesAndForgetFreedTargets)
{
    TNodePtr<TPascalDeclarations> declarations(new TPascalDeclarations);
    auto* variable = declarations->AddChild<TPascalVariable>();
    variable->SetName(U("Count"));
    TNodePtr<TPascalCommands> list(new TPascalCommands);
    TPascalCallInCommands* call = list->AddCall(U("Inc("), variable, U(")"));
    EXPECT_EQ(PascalText(*list), U("Inc(Count);\n"));
    variable->SetName(U("Total"));
    EXPECT_EQ(PascalText(*list), U("Inc(Total);\n"));
    EXPECT_EQ(declarations->FindNamed(U("Total")), variable);
    EXPECT_EQ(declarations->FindNamed(U("total")), nullptr);

    variable->Free();
    EXPECT_EQ(call->Target(), nullptr);
    EXPECT_EQ(PascalText(*list), U("Inc();\n"));
}

// ---------------------------------------------------------------------------------------------
// Expressions and parentheses

using TExpressionBuilder = std::function<void(TPascalExpression*)>;

struct TExpressionRow
{
    const char* Name;
    TExpressionBuilder Build;
    const char* Text;
    const char* Optimized; // nullptr: as Text
};

// Two operands given as plain names.
template <class TItem>
TItem* Binary(TItem* item, const char* left, const char* right)
{
    if (left != nullptr)
        item->Left()->AddCall(U(left));
    if (right != nullptr)
        item->Right()->AddCall(U(right));
    return item;
}

// "A <kind> True" or "A <kind> False".
TPascalCompareExpressionItem* WithBoolean(TPascalExpression* e, TPascalCompareKind kind, bool value)
{
    TPascalCompareExpressionItem* compare = Binary(e->AddCompare(kind), "A", nullptr);
    compare->Right()->AddBoolean(value);
    return compare;
}

using E = TPascalExpression*;

// clang-format off
const TExpressionRow ExpressionRows[] = {
    {"SumInDifferenceRight", [](E e) { Binary(Binary(e->AddOperation(poSubtract), "A", nullptr)->Right()->AddOperation(poAdd), "B", "C"); }, "A - (B + C)", nullptr},
    {"ProductInSumLeft", [](E e) { Binary(Binary(e->AddOperation(poAdd), nullptr, "C")->Left()->AddOperation(poMultiply), "A", "B"); }, "A * B + C", nullptr},
    {"SumInDifferenceLeft", [](E e) { Binary(Binary(e->AddOperation(poSubtract), nullptr, "C")->Left()->AddOperation(poAdd), "A", "B"); }, "(A + B) - C", nullptr},
    {"DifferenceInSumRight", [](E e) { Binary(Binary(e->AddOperation(poAdd), "A", nullptr)->Right()->AddOperation(poSubtract), "B", "C"); }, "A + B - C", nullptr},
    {"ProductInQuotient", [](E e) { Binary(Binary(e->AddOperation(poDivide), "A", nullptr)->Right()->AddOperation(poMultiply), "B", "C"); }, "A / (B * C)", nullptr},
    {"ProductInProduct", [](E e) { Binary(Binary(e->AddOperation(poMultiply), "A", nullptr)->Right()->AddOperation(poMultiply), "B", "C"); }, "A * B * C", nullptr},
    {"SumInModulo", [](E e) { Binary(Binary(e->AddOperation(poMod), nullptr, "C")->Left()->AddOperation(poAdd), "A", "B"); }, "(A + B) mod C", nullptr},
    {"FurtherOperands", [](E e) { Binary(e->AddOperation(poAdd), "A", "B")->AddOperand()->AddInteger(-3); }, "A + B + -3", nullptr},
    {"SumInEquality", [](E e) { Binary(Binary(e->AddCompare(pcEqual), "A", nullptr)->Right()->AddOperation(poAdd), "B", "C"); }, "A = B + C", nullptr},
    {"ComparisonsInAnd", [](E e) {
         auto* both = e->AddCompare(pcAnd);
         Binary(both->Left()->AddCompare(pcEqual), "A", "B");
         Binary(both->Right()->AddCompare(pcLess), "C", "D"); }, "(A = B) and (C < D)", nullptr},
    {"SumInOr", [](E e) { Binary(Binary(e->AddCompare(pcOr), "A", nullptr)->Right()->AddOperation(poAdd), "B", "C"); }, "A or (B + C)", nullptr},
    {"NotInAnd", [](E e) { Binary(e->AddCompare(pcAnd), nullptr, "B")->Left()->AddNot()->Operand()->AddCall(U("A")); }, "(not A) and B", nullptr},
    {"IsInOr", [](E e) {
         auto* is = Binary(e->AddCompare(pcOr), nullptr, "B")->Left()->AddIsType();
         is->Operand()->AddCall(U("A"));
         is->Type()->AddText(U("TFoo")); }, "(A is TFoo) or B", nullptr},
    {"InSetInAnd", [](E e) {
         auto* in = Binary(e->AddCompare(pcAnd), nullptr, "B")->Left()->AddItemInSet();
         in->Item()->AddCall(U("X"));
         auto* set = in->Set()->AddSetValue(pbSquare);
         set->Values()->AddInteger(1);
         set->Values()->AddInteger(2); }, "(X in [1, 2]) and B", nullptr},
    {"InSetInEquality", [](E e) {
         auto* in = Binary(e->AddCompare(pcEqual), nullptr, "B")->Left()->AddItemInSet();
         in->Item()->AddCall(U("X"));
         in->Set()->AddCall(U("S")); }, "X in S = B", nullptr},
    {"CastOfSum", [](E e) {
         auto* cast = e->AddToType();
         cast->Type()->AddText(U("Byte"));
         Binary(cast->Operand()->AddOperation(poAdd), "A", "B"); }, "Byte(A + B)", nullptr},
    {"CallWithArguments", [](E e) {
         auto* call = e->AddCall(U("Max"));
         call->Arguments()->Add()->AddInteger(1);
         Binary(call->Arguments()->Add()->AddOperation(poAdd), "A", "B"); }, "Max(1, A + B)", nullptr},
    {"IndexInSquareBrackets", [](E e) {
         auto* call = e->AddCall(U("Items"));
         call->SetBrackets(pbSquare);
         call->Arguments()->Add()->AddCall(U("I")); }, "Items[I]", nullptr},
    {"LiteralsAndComments", [](E e) {
         e->AddString(U("It's"))->SetComment(U("text"));
         e->AddText(U(" + "));
         e->AddBoolean(true); }, "'It''s' { text } + True", nullptr},
    // Optimization
    {"NotEquality", [](E e) { Binary(e->AddNot()->Operand()->AddCompare(pcEqual), "A", "B"); }, "not (A = B)", "A <> B"},
    {"NotGreater", [](E e) { Binary(e->AddNot()->Operand()->AddCompare(pcGreater), "A", "B"); }, "not (A > B)", "A <= B"},
    {"NotGreaterEqual", [](E e) { Binary(e->AddNot()->Operand()->AddCompare(pcGreaterEqual), "A", "B"); }, "not (A >= B)", "A < B"},
    {"NotAndStays", [](E e) { Binary(e->AddNot()->Operand()->AddCompare(pcAnd), "A", "B"); }, "not (A and B)", nullptr},
    {"DoubleNot", [](E e) { e->AddNot()->Operand()->AddNot()->Operand()->AddCall(U("A")); }, "not (not A)", "A"},
    {"EqualTrue", [](E e) { WithBoolean(e, pcEqual, true); }, "A = True", "A"},
    {"EqualFalse", [](E e) { WithBoolean(e, pcEqual, false); }, "A = False", "not A"},
    {"NotEqualTrue", [](E e) { WithBoolean(e, pcNotEqual, true); }, "A <> True", "not A"},
    {"NotEqualFalse", [](E e) { WithBoolean(e, pcNotEqual, false); }, "A <> False", "A"},
    {"AndTrue", [](E e) { WithBoolean(e, pcAnd, true); }, "A and True", "A"},
    {"AndFalse", [](E e) { WithBoolean(e, pcAnd, false); }, "A and False", "False"},
    {"OrTrue", [](E e) { WithBoolean(e, pcOr, true); }, "A or True", "True"},
    {"OrFalse", [](E e) { WithBoolean(e, pcOr, false); }, "A or False", "A"},
    {"GreaterTrueStays", [](E e) { WithBoolean(e, pcGreater, true); }, "A > True", nullptr},
    {"FurtherOperandStays", [](E e) { WithBoolean(e, pcAnd, true)->AddOperand()->AddCall(U("B")); }, "A and True and B", nullptr},
    {"NotTrue", [](E e) { e->AddNot()->Operand()->AddBoolean(true); }, "not True", "False"},
    {"NotOfEqualTrue", [](E e) { WithBoolean(e->AddNot()->Operand(), pcEqual, true); }, "not (A = True)", "not A"},
    {"NotEqualTrueAfterInversion", [](E e) { WithBoolean(e->AddNot()->Operand(), pcNotEqual, false); }, "not (A <> False)", "not A"},
};
// clang-format on

class PascalExpressionText : public ::testing::TestWithParam<TExpressionRow>
{
};

TEST_P(PascalExpressionText, WritesAndOptimizes)
{
    const TExpressionRow& row = GetParam();
    TNodePtr<TPascalExpression> expression(new TPascalExpression);
    row.Build(expression.get());
    EXPECT_EQ(PascalText(*expression), U(row.Text));
    expression->Optimize();
    EXPECT_EQ(PascalText(*expression), U(row.Optimized != nullptr ? row.Optimized : row.Text));
}

INSTANTIATE_TEST_SUITE_P(Rows, PascalExpressionText, ::testing::ValuesIn(ExpressionRows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(PascalExpression, EqualTypes)
{
    TNodePtr<TPascalDeclarations> owner(new TPascalDeclarations);
    auto* typeA = owner->AddChild<TPascalTypeAlias>();
    auto* typeB = owner->AddChild<TPascalTypeAlias>();
    const auto make = [&](const std::function<void(TPascalExpression*)>& fill) {
        auto* holder = owner->AddChild<TPascalTypeAlias>();
        fill(holder->Type());
        return holder->Type();
    };
    EXPECT_TRUE(EqualTypes(make([](auto*) {}), make([](auto*) {})));
    EXPECT_TRUE(EqualTypes(make([](auto* e) { e->AddText(U("Integer")); }),
                           make([](auto* e) { e->AddText(U("Integer")); })));
    EXPECT_FALSE(EqualTypes(make([](auto* e) { e->AddText(U("Integer")); }),
                            make([](auto* e) { e->AddText(U("integer")); })));
    EXPECT_FALSE(EqualTypes(make([](auto* e) { e->AddText(U("Integer")); }), make([](auto*) {})));
    EXPECT_TRUE(
        EqualTypes(make([&](auto* e) { e->AddCall(typeA); }), make([&](auto* e) { e->AddCall(typeA); })));
    EXPECT_FALSE(
        EqualTypes(make([&](auto* e) { e->AddCall(typeA); }), make([&](auto* e) { e->AddCall(typeB); })));
    EXPECT_FALSE(EqualTypes(make([&](auto* e) { e->AddCall(typeA)->Arguments()->Add()->AddInteger(1); }),
                            make([&](auto* e) { e->AddCall(typeA)->Arguments()->Add()->AddInteger(1); })));
    // Only free text of exactly that class counts, not a literal that looks the same.
    EXPECT_FALSE(
        EqualTypes(make([](auto* e) { e->AddInteger(1); }), make([](auto* e) { e->AddInteger(1); })));
}

TEST(PascalExpression, IfDefAndSets)
{
    TNodePtr<TPascalExpression> expression(new TPascalExpression);
    TPascalIfDef* ifDef = expression->AddIfDef();
    ifDef->Condition()->AddText(U("UNICODE"));
    ifDef->ThenPart()->AddText(U("WideChar"));
    ifDef->ElsePart()->AddText(U("AnsiChar"));
    EXPECT_EQ(PascalText(*expression), U("{$IFDEF UNICODE}WideChar{$ELSE}AnsiChar{$ENDIF}"));
    ifDef->SetNewLinesInside(true);
    ifDef->SetIndentBranches(true);
    EXPECT_EQ(PascalText(*expression), U("{$IFDEF UNICODE}\n  WideChar\n{$ELSE}\n  AnsiChar\n{$ENDIF}"));

    TNodePtr<TPascalExpression> set(new TPascalExpression);
    TPascalSetValueExpressionItem* item = set->AddSetValue(pbParentheses);
    item->Values()->AddInteger(1);
    item->Values()->AddInteger(2);
    item->SetComment(U("pair"));
    EXPECT_EQ(PascalText(*set), U("(1, 2) { pair }"));
    item->SetMultiLine(true);
    item->SetNewLineBeforeClose(true);
    item->Values()->SetOnePerLine(true);
    EXPECT_EQ(PascalText(*set), U("( { pair }\n  1, \n  2\n)"));
}

TEST(PascalExpression, FreeTextWithAQuoteIsNeverBroken)
{
    TNodePtr<TPascalExpression> expression(new TPascalExpression);
    expression->AddText(U("Format('%d items, %d left', [N, M])"));
    expression->AddText(U(" + Some more words that may break"));
    EXPECT_EQ(PascalText(*expression, 20),
              U("Format('%d items, %d left', [N, M]) +\n   Some more words that\n   may break"));
}

TEST(PascalExpression, LongExpressionsBreakAfterOperators)
{
    TNodePtr<TPascalExpression> expression(new TPascalExpression);
    auto* sum = expression->AddOperation(poAdd);
    sum->Left()->AddCall(U("FirstRatherLongName"));
    sum->Right()->AddCall(U("SecondRatherLongName"));
    sum->AddOperand()->AddCall(U("Third"));
    EXPECT_EQ(PascalText(*expression, 40), U("FirstRatherLongName + SecondRatherLongName + \n  Third"));
}

// ---------------------------------------------------------------------------------------------
// Statements

using TCommandsBuilder = std::function<void(TPascalCommands*)>;

struct TCommandsRow
{
    const char* Name;
    TCommandsBuilder Build;
    const char* Text;
    const char* Optimized; // nullptr: as Text
};

TPascalIf* AddIf(TPascalCommands* list, const char* condition)
{
    TPascalIf* statement = list->AddIf();
    statement->Condition()->AddCall(U(condition));
    return statement;
}

TPascalFor* AddFor(TPascalCommands* list, const char* variable, int low, int high)
{
    TPascalFor* loop = list->AddFor();
    loop->Variable()->AddCall(U(variable));
    loop->LowBound()->AddInteger(low);
    loop->HighBound()->AddInteger(high);
    return loop;
}

using L = TPascalCommands*;

// clang-format off
const TCommandsRow CommandRows[] = {
    {"EmptyThenWithElse", [](L l) { AddIf(l, "A")->ElseCommands()->AddCall(U("B")); }, "if A then\nbegin\nend\nelse\n  B;\n", nullptr},
    {"IfWithoutElse", [](L l) { AddIf(l, "A")->ThenCommands()->AddCall(U("B")); }, "if A then\n  B;\n", nullptr},
    {"EmptyIf", [](L l) { AddIf(l, "A"); }, "if A then\nbegin\nend;\n", nullptr},
    {"ThenBeforeElseHasNoSemicolon", [](L l) {
         TPascalIf* s = AddIf(l, "A");
         s->ThenCommands()->AddCall(U("B"));
         s->ElseCommands()->AddCall(U("C")); }, "if A then\n  B\nelse\n  C;\n", nullptr},
    {"OpenIfInThenGetsBeginEnd", [](L l) {
         TPascalIf* s = AddIf(l, "A");
         AddIf(s->ThenCommands(), "B")->ThenCommands()->AddCall(U("C"));
         s->ElseCommands()->AddCall(U("D")); }, "if A then\nbegin\n  if B then\n    C;\nend\nelse\n  D;\n", nullptr},
    {"NestedIfsWithElse", [](L l) {
         TPascalIf* s = AddIf(l, "A");
         TPascalIf* inner = AddIf(s->ThenCommands(), "B");
         inner->ThenCommands()->AddCall(U("C"));
         inner->ElseCommands()->AddCall(U("D"));
         s->ElseCommands()->AddCall(U("E")); }, "if A then\n  if B then\n    C\n  else\n    D\nelse\n  E;\n", nullptr},
    {"SeveralStatementsInBothBranches", [](L l) {
         TPascalIf* s = AddIf(l, "A");
         for (const char* name : {"B", "C"}) s->ThenCommands()->AddCall(U(name));
         for (const char* name : {"D", "E"}) s->ElseCommands()->AddCall(U(name)); },
     "if A then\nbegin\n  B;\n  C;\nend\nelse begin\n  D;\n  E;\nend;\n", nullptr},
    {"ElseIfChainIsWrapped", [](L l) {
         TPascalIf* s = AddIf(l, "A");
         s->ThenCommands()->AddCall(U("B"));
         AddIf(s->ElseCommands(), "C")->ThenCommands()->AddCall(U("D")); }, "if A then\n  B\nelse begin\n  if C then\n    D;\nend;\n", nullptr},
    {"LoopBeforeElseHasNoSemicolon", [](L l) {
         TPascalIf* s = AddIf(l, "A");
         TPascalWhile* loop = s->ThenCommands()->AddWhile();
         loop->Condition()->AddCall(U("B"));
         loop->Commands()->AddCall(U("C"));
         s->ElseCommands()->AddCall(U("D")); }, "if A then\n  while B do\n    C\nelse\n  D;\n", nullptr},
    {"LoopEndingInOpenIfGetsBeginEnd", [](L l) {
         TPascalIf* s = AddIf(l, "A");
         TPascalFor* loop = AddFor(s->ThenCommands(), "I", 1, 2);
         AddIf(loop->Commands(), "B")->ThenCommands()->AddCall(U("C"));
         s->ElseCommands()->AddCall(U("D")); },
     "if A then\nbegin\n  for I := 1 to 2 do\n    if B then\n      C;\nend\nelse\n  D;\n", nullptr},
    {"BackwardFor", [](L l) {
         TPascalFor* loop = AddFor(l, "I", 1, 10);
         loop->SetBackward(true);
         for (const char* name : {"A", "B"}) loop->Commands()->AddCall(U(name)); },
     "for I := 10 downto 1 do\nbegin\n  A;\n  B;\nend;\n", nullptr},
    {"WhileWithEmptyBody", [](L l) { l->AddWhile()->Condition()->AddCall(U("Busy")); }, "while Busy do\nbegin\nend;\n", nullptr},
    {"Case", [](L l) {
         TPascalCase* s = l->AddCase();
         s->Selector()->AddCall(U("K"));
         TPascalCaseItem* one = s->Items()->Add();
         one->Value()->AddInteger(1);
         one->Commands()->AddCall(U("A"));
         TPascalCaseItem* two = s->Items()->Add();
         two->Value()->AddText(U("2, 3"));
         for (const char* name : {"B", "C"}) two->Commands()->AddCall(U(name));
         s->ElseCommands()->AddCall(U("D")); },
     "case K of\n  1:\n    A;\n  2, 3:\n  begin\n    B;\n    C;\n  end;\nelse\n  D;\nend;\n", nullptr},
    {"CaseElseBlock", [](L l) {
         TPascalCase* s = l->AddCase();
         s->Selector()->AddCall(U("K"));
         s->Items()->Add()->Value()->AddInteger(0);
         for (const char* name : {"A", "B"}) s->ElseCommands()->AddCall(U(name)); },
     "case K of\n  0:\n  begin\n  end;\nelse\n  begin\n    A;\n    B;\n  end;\nend;\n", nullptr},
    {"TryFinally", [](L l) {
         TPascalTryFinally* s = l->AddTryFinally();
         s->TryCommands()->AddCall(U("A"));
         s->FinallyCommands()->AddCall(U("B")); }, "try\n  A;\nfinally\n  B;\nend;\n", nullptr},
    {"TryExceptWithHandlersAndElse", [](L l) {
         TPascalTryExcept* s = l->AddTryExcept();
         s->TryCommands()->AddCall(U("A"));
         TPascalTryExceptItem* first = s->Handlers()->Add();
         first->SetVariableName(U("E"));
         first->ExceptionType()->AddText(U("EConvertError"));
         first->Commands()->AddCall(U("B"));
         TPascalTryExceptItem* second = s->Handlers()->Add();
         second->ExceptionType()->AddText(U("EAbort"));
         for (const char* name : {"C", "D"}) second->Commands()->AddCall(U(name));
         s->ElseCommands()->AddCall(U("F")); },
     "try\n  A;\nexcept\n  on E: EConvertError do B;\n  on EAbort do\n  begin\n    C;\n    D;\n  end;\nelse\n  F;\nend;\n", nullptr},
    {"TryExceptWithoutHandlers", [](L l) {
         TPascalTryExcept* s = l->AddTryExcept();
         s->TryCommands()->AddCall(U("A"));
         for (const char* name : {"B", "C"}) s->ElseCommands()->AddCall(U(name)); },
     "try\n  A;\nexcept\n  B;\n  C;\nend;\n", nullptr},
    {"CustomCommandsAndLet", [](L l) {
         l->AddText(U("Inc(N)"));
         l->AddText(U("{ no terminator }"))->SetTerminated(false);
         TPascalLet* let = l->AddLet();
         let->Target()->AddCall(U("X"));
         let->Value()->AddInteger(1); }, "Inc(N);\n{ no terminator }\nX := 1;\n", nullptr},
    {"IfDefStatementNeedsBeginEnd", [](L l) {
         TPascalIfDef* ifDef = AddIf(l, "A")->ThenCommands()->AddChild<TPascalIfDef>();
         ifDef->Condition()->AddText(U("DEBUG"));
         ifDef->ThenPart()->AddText(U("Log;"));
         ifDef->SetNewLineAfter(true); }, "if A then\nbegin\n  {$IFDEF DEBUG}Log;{$ENDIF}\nend;\n", nullptr},
    // Optimization
    {"ConstantTrueIfKeepsThen", [](L l) {
         TPascalIf* s = l->AddIf();
         s->Condition()->AddNot()->Operand()->AddBoolean(false);
         for (const char* name : {"A", "B"}) s->ThenCommands()->AddCall(U(name));
         s->ElseCommands()->AddCall(U("C"));
         l->AddCall(U("D")); }, "if not False then\nbegin\n  A;\n  B;\nend\nelse\n  C;\nD;\n", "A;\nB;\nD;\n"},
    {"ConstantFalseIfKeepsElse", [](L l) {
         TPascalIf* s = l->AddIf();
         s->Condition()->AddBoolean(false);
         s->ThenCommands()->AddCall(U("A"));
         s->ElseCommands()->AddCall(U("C")); }, "if False then\n  A\nelse\n  C;\n", "C;\n"},
    {"WhileFalseDisappears", [](L l) {
         TPascalWhile* s = l->AddWhile();
         s->Condition()->AddBoolean(false);
         s->Commands()->AddCall(U("A"));
         l->AddCall(U("B")); }, "while False do\n  A;\nB;\n", "B;\n"},
};
// clang-format on

class PascalCommandsText : public ::testing::TestWithParam<TCommandsRow>
{
};

TEST_P(PascalCommandsText, WritesAndOptimizes)
{
    const TCommandsRow& row = GetParam();
    TNodePtr<TPascalCommands> list(new TPascalCommands);
    row.Build(list.get());
    EXPECT_EQ(PascalText(*list), U(row.Text));
    list->Optimize();
    EXPECT_EQ(PascalText(*list), U(row.Optimized != nullptr ? row.Optimized : row.Text));
}

INSTANTIATE_TEST_SUITE_P(Rows, PascalCommandsText, ::testing::ValuesIn(CommandRows),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace qv
