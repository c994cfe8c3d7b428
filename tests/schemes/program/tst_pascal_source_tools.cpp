// Pascal source trees compiled by a real compiler: a program, a unit with a program using it, and a
// library must compile, and the programs must print what their trees say. Each check skips, with
// the reason printed, when the compiler is not installed.

#include "schemes/program/pascal_test_support.h"

#include "support/printers.h"
#include "support/tool_runner.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace {

TPascalMethodHead* SetHead(TPascalMethodHead* head, TPascalMethodKind kind, const char* resultType = nullptr)
{
    head->SetKind(kind);
    if (resultType != nullptr)
        head->ResultType()->AddText(U(resultType));
    return head;
}

void AddParameter(TPascalMethodHead* head, const char* name, const char* type,
                  TPascalUsage modifier = puValue)
{
    head->Parameters()->Add(U(name), modifier)->Type()->AddText(U(type));
}

// "Writeln(arguments)" with each argument one item.
TPascalCallInCommands* Writeln(TPascalCommands* list)
{
    return list->AddCall(U("Writeln"));
}

TPascalLet* Let(TPascalCommands* list, TPascalNamedNode* target)
{
    TPascalLet* let = list->AddLet();
    let->Target()->AddCall(target);
    return let;
}

class PascalCompiles : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }

    // Runs both passes, writes the module into `fileName` and returns the text.
    QString Save(TPascalModule& module, const QString& fileName)
    {
        module.Optimize();
        module.MakeUniqueNames();
        TPascalCodeWriter w;
        module.WriteTo(w);
        EXPECT_TRUE(WriteFile(FDir.filePath(fileName), w.Text().toUtf8()));
        return w.Text();
    }

    TToolResult Compile(const QString& fpc, const QString& source)
    {
        return RunTool(fpc, {U("-Mdelphi"), U("-vew"), source}, FDir.path());
    }

    QTemporaryDir FDir;
};

// ---------------------------------------------------------------------------------------------

TEST_F(PascalCompiles, ProgramPrintsWhatItsTreeSays)
{
    FIND_TOOL_OR_SKIP(fpc, "fpc");
    TPascalProgram program;
    program.SetName(U("Demo"));
    program.Clause()->UsedUnits()->Add(U("SysUtils"));
    TPascalDeclarations* globals = program.Clause()->Declarations();

    // A class with a field, a method and a property, and types of every kind.
    auto* counter = AddNamed<TPascalClass>(globals, "TCounter");
    counter->ParentType()->AddText(U("TObject"));
    auto* count = AddNamed<TPascalVariable>(counter->GetSections(csStrictPrivate), "FCount");
    count->Type()->AddText(U("Integer"));
    auto* add = AddNamed<TPascalMethodDeclaration>(counter->GetSections(csPublic), "Add");
    AddParameter(add->Heading(), "Step", "Integer");
    auto* countProperty = AddNamed<TPascalClassProperty>(counter->GetSections(csPublic), "Count");
    countProperty->Type()->AddText(U("Integer"));
    countProperty->Read()->AddCall(count);

    auto* kind = AddNamed<TPascalEnum>(globals, "TKind");
    kind->Add(U("kNone"));
    kind->Add(U("kBig"))->Value()->AddInteger(5);
    AddNamed<TPascalSetOf>(globals, "TKinds")->ItemType()->AddCall(kind);
    auto* point = AddNamed<TPascalRecord>(globals, "TPoint2");
    point->Add(U("X"))->Type()->AddText(U("Integer"));
    point->Add(U("Y"))->Type()->AddText(U("Integer"));
    AddNamed<TPascalPointer>(globals, "PPoint2")->TargetType()->AddCall(point);
    auto* buffer = AddNamed<TPascalArray>(globals, "TBuf");
    buffer->SetDynamic(false);
    buffer->LowBound()->AddInteger(0);
    buffer->HighBound()->AddInteger(3);
    buffer->ItemType()->AddText(U("Integer"));
    AddNamed<TPascalArray>(globals, "TInts")->ItemType()->AddText(U("Integer"));
    AddNamed<TPascalClassOf>(globals, "TCounterClass")->ClassTypeExpression()->AddCall(counter);
    auto* event = AddNamed<TPascalMethodType>(globals, "TStepEvent");
    event->SetOfObject(true);
    event->Heading()->SetDirectives(pdRegister);
    AddParameter(event->Heading(), "Step", "Integer");

    // A class with indexed, stored and default properties.
    auto* store = AddNamed<TPascalClass>(globals, "TStore");
    TPascalDeclarations* hidden = store->GetSections(csPrivate);
    auto* values = AddNamed<TPascalVariable>(hidden, "FValues");
    values->Type()->AddCall(buffer);
    auto* getValue = AddNamed<TPascalMethodDeclaration>(hidden, "GetValue");
    SetHead(getValue->Heading(), pmFunction, "Integer");
    AddParameter(getValue->Heading(), "Index", "Integer");
    auto* setValue = AddNamed<TPascalMethodDeclaration>(hidden, "SetValue");
    AddParameter(setValue->Heading(), "Index", "Integer");
    AddParameter(setValue->Heading(), "Value", "Integer");
    auto* isStored = AddNamed<TPascalMethodDeclaration>(hidden, "IsStored");
    SetHead(isStored->Heading(), pmFunction, "Boolean");
    AddParameter(isStored->Heading(), "Index",
                 "Integer"); // stored functions of indexed properties take the index
    TPascalDeclarations* open = store->GetSections(csPublic);
    auto* first = AddNamed<TPascalClassProperty>(open, "First");
    first->Type()->AddText(U("Integer"));
    first->SetHasIndex(true);
    first->SetIndex(1);
    first->Read()->AddCall(getValue);
    first->Write()->AddCall(setValue);
    first->Default()->AddInteger(0);
    first->Stored()->AddCall(isStored);
    auto* items = AddNamed<TPascalClassProperty>(open, "Items");
    items->Parameters()->Add(U("Index"))->Type()->AddText(U("Integer"));
    items->Type()->AddText(U("Integer"));
    items->Read()->AddCall(getValue);
    items->Write()->AddCall(setValue);
    items->SetDefaultProperty(true);

    const auto implement = [&](TPascalClass* cls, TPascalMethodDeclaration* declaration,
                               TPascalMethodKind kind, const char* resultType) {
        auto* body = globals->AddChild<TPascalMethodWithImplementation>();
        body->SetDeclaration(declaration);
        body->SetClassName(cls->Name());
        SetHead(body->Heading(), kind, resultType);
        for (TNode* p = declaration->Heading()->Parameters()->FirstChild(); p != nullptr;
             p = p->NextSibling()) {
            auto* parameter = static_cast<TPascalMethodParameter*>(p);
            AddParameter(body->Heading(), parameter->Name().toUtf8().constData(), "Integer");
        }
        return body;
    };
    // FCount := FCount + Step
    TPascalLet* increment = Let(implement(counter, add, pmProcedure, nullptr)->Commands(), count);
    auto* sum = increment->Value()->AddOperation(poAdd);
    sum->Left()->AddCall(count);
    sum->Right()->AddCall(U("Step"));
    // Result := FValues[Index]
    TPascalMethodWithImplementation* getBody = implement(store, getValue, pmFunction, "Integer");
    auto* element = Let(getBody->Commands(), getBody->ResultVariable())->Value()->AddCall(values);
    element->SetBrackets(pbSquare);
    element->Arguments()->Add()->AddCall(U("Index"));
    // FValues[Index] := Value
    TPascalLet* put = implement(store, setValue, pmProcedure, nullptr)->Commands()->AddLet();
    auto* slot = put->Target()->AddCall(values);
    slot->SetBrackets(pbSquare);
    slot->Arguments()->Add()->AddCall(U("Index"));
    put->Value()->AddCall(U("Value"));
    TPascalMethodWithImplementation* storedBody = implement(store, isStored, pmFunction, "Boolean");
    Let(storedBody->Commands(), storedBody->ResultVariable())->Value()->AddBoolean(true);

    // function Classify(N: Integer): string; a case with a branch list and an else.
    auto* classify = AddNamed<TPascalMethodWithImplementation>(globals, "Classify");
    SetHead(classify->Heading(), pmFunction, "string");
    AddParameter(classify->Heading(), "N", "Integer");
    TPascalCase* choice = classify->Commands()->AddCase();
    choice->Selector()->AddCall(U("N"));
    TPascalCaseItem* zero = choice->Items()->Add();
    zero->Value()->AddInteger(0);
    Let(zero->Commands(), classify->ResultVariable())->Value()->AddString(U("zero"));
    TPascalCaseItem* small = choice->Items()->Add();
    small->Value()->AddText(U("1, 2"));
    Let(small->Commands(), classify->ResultVariable())->Value()->AddString(U("small"));
    Let(choice->ElseCommands(), classify->ResultVariable())->Value()->AddString(U("big"));

    // function Compute(A, B, C: Integer): Integer; Result := A - ((B + C) * 2) div (A - C)
    auto* compute = AddNamed<TPascalMethodWithImplementation>(globals, "Compute");
    SetHead(compute->Heading(), pmFunction, "Integer");
    for (const char* name : {"A", "B", "C"})
        AddParameter(compute->Heading(), name, "Integer");
    auto* difference = Let(compute->Commands(), compute->ResultVariable())->Value()->AddOperation(poSubtract);
    difference->Left()->AddCall(U("A"));
    auto* quotient = difference->Right()->AddOperation(poDiv);
    auto* product = quotient->Left()->AddOperation(poMultiply);
    auto* inner = product->Left()->AddOperation(poAdd);
    inner->Left()->AddCall(U("B"));
    inner->Right()->AddCall(U("C"));
    product->Right()->AddInteger(2);
    auto* divisor = quotient->Right()->AddOperation(poSubtract);
    divisor->Left()->AddCall(U("A"));
    divisor->Right()->AddCall(U("C"));

    // function Check(Flag: Boolean): string; a dead store, then "in" beside "and".
    auto* check = AddNamed<TPascalMethodWithImplementation>(globals, "Check");
    SetHead(check->Heading(), pmFunction, "string");
    AddParameter(check->Heading(), "Flag", "Boolean");
    Let(check->Commands(), check->ResultVariable())->Value()->AddString(U("unused"));
    TPascalIf* inSet = check->Commands()->AddIf();
    auto* both = inSet->Condition()->AddCompare(pcAnd);
    auto* member = both->Left()->AddItemInSet();
    member->Item()->AddInteger(2);
    auto* set = member->Set()->AddSetValue(pbSquare);
    set->Values()->AddInteger(1);
    set->Values()->AddInteger(2);
    both->Right()->AddCall(U("Flag"));
    Let(inSet->ThenCommands(), check->ResultVariable())->Value()->AddString(U("in"));
    Let(inSet->ElseCommands(), check->ResultVariable())->Value()->AddString(U("out"));

    // Globals: two generated names I become I and J.
    auto* theCounter = AddNamed<TPascalVariable>(globals, "Counter");
    theCounter->Type()->AddCall(counter);
    auto* i = AddNamed<TPascalVariable>(globals, "I");
    i->Type()->AddText(U("Integer"));
    i->SetMakeUnique(true);
    auto* j = AddNamed<TPascalVariable>(globals, "I");
    j->Type()->AddText(U("Integer"));
    j->SetMakeUnique(true);
    auto* theStore = AddNamed<TPascalVariable>(globals, "Store");
    theStore->Type()->AddCall(store);

    TPascalCommands* main = program.Commands();
    Let(main, theCounter)->Value()->AddCall(U(""), counter, U(".Create"));
    TPascalTryFinally* guarded = main->AddTryFinally();
    TPascalFor* loop = guarded->TryCommands()->AddFor();
    loop->SetBackward(true);
    loop->Variable()->AddCall(i);
    loop->LowBound()->AddInteger(1);
    loop->HighBound()->AddInteger(3);
    loop->Commands()->AddCall(U(""), theCounter, U(".Add"))->Arguments()->Add()->AddCall(i);
    Writeln(guarded->TryCommands())->Arguments()->Add()->AddCall(U(""), theCounter, U(".Count"));
    guarded->FinallyCommands()->AddCall(U(""), theCounter, U(".Free"));

    TPascalCallInCommands* classes = Writeln(main);
    for (int n : {0, 2, 7}) {
        if (n != 0)
            classes->Arguments()->Add()->AddString(U(" "));
        classes->Arguments()->Add()->AddCall(classify)->Arguments()->Add()->AddInteger(n);
    }
    auto* computed = Writeln(main)->Arguments()->Add()->AddCall(compute);
    for (int n : {10, 2, 3})
        computed->Arguments()->Add()->AddInteger(n);
    TPascalCallInCommands* checks = Writeln(main);
    checks->Arguments()->Add()->AddCall(check)->Arguments()->Add()->AddBoolean(true);
    checks->Arguments()->Add()->AddString(U(" "));
    checks->Arguments()->Add()->AddCall(check)->Arguments()->Add()->AddBoolean(false);

    // Stored, indexed and default properties.
    Let(main, theStore)->Value()->AddCall(U(""), store, U(".Create"));
    TPascalLet* setFirst = main->AddLet();
    setFirst->Target()->AddCall(U(""), theStore, U(".First"));
    setFirst->Value()->AddInteger(4);
    auto* readFirst = Writeln(main)->Arguments()->Add()->AddCall(theStore);
    readFirst->SetBrackets(pbSquare);
    readFirst->Arguments()->Add()->AddInteger(1);

    // try/except with a handler.
    TPascalTryExcept* failing = main->AddTryExcept();
    failing->TryCommands()->AddText(U("raise Exception.Create('boom')"));
    TPascalTryExceptItem* handler = failing->Handlers()->Add();
    handler->SetVariableName(U("E"));
    handler->ExceptionType()->AddText(U("Exception"));
    Writeln(handler->Commands())->Arguments()->Add()->AddText(U("E.Message"));

    // J := 5; if not (J = 0) then Writeln('nonzero') else Writeln('zero')
    Let(main, j)->Value()->AddInteger(5);
    TPascalIf* nonzero = main->AddIf();
    auto* equal = nonzero->Condition()->AddNot()->Operand()->AddCompare(pcEqual);
    equal->Left()->AddCall(j);
    equal->Right()->AddInteger(0);
    Writeln(nonzero->ThenCommands())->Arguments()->Add()->AddString(U("nonzero"));
    Writeln(nonzero->ElseCommands())->Arguments()->Add()->AddString(U("zero"));
    // Constant conditions.
    TPascalWhile* never = main->AddWhile();
    never->Condition()->AddBoolean(false);
    Writeln(never->Commands())->Arguments()->Add()->AddString(U("never"));
    TPascalIf* always = main->AddIf();
    always->Condition()->AddBoolean(true);
    Writeln(always->ThenCommands())->Arguments()->Add()->AddString(U("always"));
    Writeln(always->ElseCommands())->Arguments()->Add()->AddString(U("not always"));

    // if J > 0 then while J > 3 do J := J - 1 else Writeln('negative'); Writeln(J)
    TPascalIf* positive = main->AddIf();
    auto* greater = positive->Condition()->AddCompare(pcGreater);
    greater->Left()->AddCall(j);
    greater->Right()->AddInteger(0);
    TPascalWhile* down = positive->ThenCommands()->AddWhile();
    auto* above = down->Condition()->AddCompare(pcGreater);
    above->Left()->AddCall(j);
    above->Right()->AddInteger(3);
    auto* decrement = Let(down->Commands(), j)->Value()->AddOperation(poSubtract);
    decrement->Left()->AddCall(j);
    decrement->Right()->AddInteger(1);
    Writeln(positive->ElseCommands())->Arguments()->Add()->AddString(U("negative"));
    Writeln(main)->Arguments()->Add()->AddCall(j);

    // if J = 3 then for I := 1 to 1 do if J = 4 then Writeln('inner') else Writeln('outer'):
    // the else belongs to the outer if, so nothing is printed.
    TPascalIf* outer = main->AddIf();
    auto* isThree = outer->Condition()->AddCompare(pcEqual);
    isThree->Left()->AddCall(j);
    isThree->Right()->AddInteger(3);
    TPascalFor* once = outer->ThenCommands()->AddFor();
    once->Variable()->AddCall(i);
    once->LowBound()->AddInteger(1);
    once->HighBound()->AddInteger(1);
    TPascalIf* innerIf = once->Commands()->AddIf();
    auto* isFour = innerIf->Condition()->AddCompare(pcEqual);
    isFour->Left()->AddCall(j);
    isFour->Right()->AddInteger(4);
    Writeln(innerIf->ThenCommands())->Arguments()->Add()->AddString(U("inner"));
    Writeln(outer->ElseCommands())->Arguments()->Add()->AddString(U("outer"));
    Writeln(main)->Arguments()->Add()->AddString(U("done"));

    const QString text = Save(program, U("demo.pas"));
    EXPECT_EQ(j->Name(), U("J"));
    EXPECT_FALSE(text.contains(U("unused")));
    EXPECT_FALSE(text.contains(U("never")));
    EXPECT_TRUE(text.contains(U("if J <> 0 then")));
    EXPECT_TRUE(text.contains(U("(2 in [1, 2]) and Flag")));
    EXPECT_TRUE(text.contains(U("A - ((B + C) * 2) div (A - C)")));

    const TToolResult compiled = Compile(fpc, U("demo.pas"));
    ASSERT_TRUE(compiled.Started);
    ASSERT_EQ(compiled.ExitCode, 0) << compiled.Output.toStdString() << text.toStdString();
    const TToolResult run = RunTool(FDir.filePath(U("demo")), {}, FDir.path());
    ASSERT_EQ(run.ExitCode, 0);
    EXPECT_EQ(QString::fromUtf8(run.Output),
              U("6\nzero small big\n9\nin out\n4\nboom\nnonzero\nalways\n3\ndone\n"));
}

// ---------------------------------------------------------------------------------------------

TEST_F(PascalCompiles, UnitWithInitializationServesAProgram)
{
    FIND_TOOL_OR_SKIP(fpc, "fpc");
    TPascalUnit unit;
    unit.SetName(U("Shapes"));
    unit.SetComment(U("shapes and their areas"));
    TPascalUnitClause* front = unit.GetClauses(upInterface);
    front->UsedUnits()->Add(U("SysUtils"));
    auto* shape = AddNamed<TPascalClass>(front->Declarations(), "TShape");
    shape->ParentType()->AddText(U("TObject"));
    auto* name = AddNamed<TPascalVariable>(shape->GetSections(csPrivate), "FName");
    name->Type()->AddText(U("string"));
    auto* create = AddNamed<TPascalMethodDeclaration>(shape->GetSections(csPublic), "Create");
    SetHead(create->Heading(), pmConstructor);
    AddParameter(create->Heading(), "AName", "string", puConst);
    auto* describe = AddNamed<TPascalMethodDeclaration>(shape->GetSections(csPublic), "Describe");
    SetHead(describe->Heading(), pmFunction, "string");
    describe->Heading()->SetDirectives(pdVirtual);
    auto* property = AddNamed<TPascalClassProperty>(shape->GetSections(csPublic), "Name");
    property->Type()->AddText(U("string"));
    property->Read()->AddCall(name);
    auto* area = AddNamed<TPascalMethodDeclaration>(front->Declarations(), "Area");
    SetHead(area->Heading(), pmFunction, "Integer");
    AddParameter(area->Heading(), "W", "Integer");
    AddParameter(area->Heading(), "H", "Integer");
    auto* created = AddNamed<TPascalVariable>(front->Declarations(), "Created");
    created->Type()->AddText(U("Integer"));

    TPascalDeclarations* back = unit.GetClauses(upImplementation)->Declarations();
    back->AddComment(U("bodies"));
    auto* createBody = back->AddChild<TPascalMethodWithImplementation>();
    createBody->SetDeclaration(create);
    createBody->SetClassName(U("TShape"));
    SetHead(createBody->Heading(), pmConstructor);
    AddParameter(createBody->Heading(), "AName", "string", puConst);
    Let(createBody->Commands(), name)->Value()->AddCall(U("AName"));
    createBody->Commands()->AddCall(U("Inc"))->Arguments()->Add(puVar)->AddCall(created);
    auto* describeBody = back->AddChild<TPascalMethodWithImplementation>();
    describeBody->SetDeclaration(describe);
    describeBody->SetClassName(U("TShape"));
    SetHead(describeBody->Heading(), pmFunction, "string");
    auto* text = Let(describeBody->Commands(), describeBody->ResultVariable())->Value();
    auto* joined = text->AddOperation(poAdd);
    joined->Left()->AddString(U("shape '"));
    joined->Right()->AddCall(name);
    joined->AddOperand()->AddString(U("'"));
    auto* areaBody = back->AddChild<TPascalMethodWithImplementation>();
    areaBody->SetDeclaration(area);
    SetHead(areaBody->Heading(), pmFunction, "Integer");
    AddParameter(areaBody->Heading(), "W", "Integer");
    AddParameter(areaBody->Heading(), "H", "Integer");
    auto* times = Let(areaBody->Commands(), areaBody->ResultVariable())->Value()->AddOperation(poMultiply);
    times->Left()->AddCall(U("W"));
    times->Right()->AddCall(U("H"));
    Let(unit.InitializationCommands(), created)->Value()->AddInteger(100);
    unit.FinalizationCommands()->AddText(U("Created := 0"));
    // Renaming the declaration after the bodies were linked renames the implementation too.
    area->SetName(U("RectArea"));
    Save(unit, U("shapes.pas"));

    TPascalProgram program;
    program.SetName(U("UseShapes"));
    program.Clause()->UsedUnits()->Add(U("Shapes"));
    TPascalCommands* main = program.Commands();
    TPascalCallInCommands* line = Writeln(main);
    auto* call = line->Arguments()->Add()->AddCall(U("RectArea"));
    call->Arguments()->Add()->AddInteger(3);
    call->Arguments()->Add()->AddInteger(4);
    Writeln(main)->Arguments()->Add()->AddText(U("TShape.Create('sq').Describe"));
    Writeln(main)->Arguments()->Add()->AddText(U("Created"));
    const QString source = Save(program, U("useshapes.pas"));

    const TToolResult compiled = Compile(fpc, U("useshapes.pas"));
    ASSERT_TRUE(compiled.Started);
    ASSERT_EQ(compiled.ExitCode, 0) << compiled.Output.toStdString() << source.toStdString();
    const TToolResult run = RunTool(FDir.filePath(U("useshapes")), {}, FDir.path());
    ASSERT_EQ(run.ExitCode, 0);
    EXPECT_EQ(QString::fromUtf8(run.Output), U("12\nshape 'sq'\n101\n"));
}

// ---------------------------------------------------------------------------------------------

TEST_F(PascalCompiles, LibraryWithExports)
{
    FIND_TOOL_OR_SKIP(fpc, "fpc");
    TPascalLibrary library;
    library.SetName(U("Calc"));
    TPascalDeclarations* globals = library.Clause()->Declarations();
    globals->AddDirective(U("H+"))->SetEmptyLineAfter(true);
    auto* add = AddNamed<TPascalMethodWithImplementation>(globals, "Add");
    SetHead(add->Heading(), pmFunction, "Integer")->SetDirectives(pdCdecl);
    AddParameter(add->Heading(), "A", "Integer");
    AddParameter(add->Heading(), "B", "Integer");
    auto* sum = Let(add->Commands(), add->ResultVariable())->Value()->AddOperation(poAdd);
    sum->Left()->AddCall(U("A"));
    sum->Right()->AddCall(U("B"));
    auto* negate = AddNamed<TPascalMethodWithImplementation>(globals, "Negate");
    SetHead(negate->Heading(), pmFunction, "Integer")->SetDirectives(pdCdecl);
    AddParameter(negate->Heading(), "A", "Integer");
    auto* difference = Let(negate->Commands(), negate->ResultVariable())->Value()->AddOperation(poSubtract);
    difference->Left()->AddInteger(0);
    difference->Right()->AddCall(U("A"));
    library.Exports()->Add()->AddCall(add);
    TPascalExpression* renamed = library.Exports()->Add();
    renamed->AddCall(negate);
    renamed->AddText(U(" name 'neg'"));
    const QString source = Save(library, U("calc.pas"));

    const TToolResult compiled = Compile(fpc, U("calc.pas"));
    ASSERT_TRUE(compiled.Started);
    ASSERT_EQ(compiled.ExitCode, 0) << compiled.Output.toStdString() << source.toStdString();
    // The shared library exports both names.
    FIND_TOOL_OR_SKIP(nm, "nm");
    const TToolResult symbols = RunTool(nm, {U("-D"), U("libcalc.so")}, FDir.path());
    ASSERT_EQ(symbols.ExitCode, 0) << symbols.Errors.toStdString();
    EXPECT_TRUE(symbols.Output.contains(" T Add\n")) << symbols.Output.toStdString();
    EXPECT_TRUE(symbols.Output.contains(" T neg\n")) << symbols.Output.toStdString();
}

} // namespace
} // namespace qv
