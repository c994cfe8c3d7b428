#include "schemes/program/pascal/pascal_command.h"

#include "core/code_writer.h"
#include "schemes/program/pascal/pascal_declaration.h"

namespace qv {

QV_IMPLEMENT_CLASS(TPascalCommand)
QV_IMPLEMENT_CLASS(TPascalCustomCommand)
QV_IMPLEMENT_CLASS(TPascalLet)
QV_IMPLEMENT_CLASS(TPascalCaseItem)
QV_IMPLEMENT_CLASS(TPascalCaseItems)
QV_IMPLEMENT_CLASS(TPascalCase)
QV_IMPLEMENT_CLASS(TPascalIf)
QV_IMPLEMENT_CLASS(TPascalTryFinally)
QV_IMPLEMENT_CLASS(TPascalTryExceptItem)
QV_IMPLEMENT_CLASS(TPascalTryExceptItems)
QV_IMPLEMENT_CLASS(TPascalTryExcept)
QV_IMPLEMENT_CLASS(TPascalWhile)
QV_IMPLEMENT_CLASS(TPascalFor)
QV_IMPLEMENT_CLASS(TPascalCallInCommands)
QV_IMPLEMENT_CLASS(TPascalCommands)

namespace {

// The body of a loop in a list that needs no begin/end: its only statement.
const TPascalCommands* LoopBody(const TPascalNode* statement)
{
    if (auto* loop = dynamic_cast<const TPascalWhile*>(statement))
        return loop->Commands();
    if (auto* loop = dynamic_cast<const TPascalFor*>(statement))
        return loop->Commands();
    return nullptr;
}

// Whether a following "else" would bind to an if inside the statement: an if without else, or a
// loop whose single-statement body ends with such an if.
bool EndsWithOpenIf(const TPascalNode* statement)
{
    if (auto* ifStatement = dynamic_cast<const TPascalIf*>(statement))
        return !ifStatement->HasElse();
    const TPascalCommands* body = LoopBody(statement);
    if (body == nullptr || body->NeedsBeginEnd())
        return false;
    return EndsWithOpenIf(body->FirstNode());
}

// Writes a statement list that stands where one statement may stand (loop bodies).
void WriteBody(TPascalCodeWriter& w, const TPascalNode* statement, const TPascalCommands* body)
{
    const bool block = body->NeedsBeginEnd();
    if (block)
        w.WriteLn(QStringLiteral("begin"));
    if (!body->IsEmpty()) {
        w.Indent();
        body->WriteTo(w);
        w.Unindent();
    }
    if (block) {
        w.Write(QStringLiteral("end"));
        WriteTerminator(w, statement);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Terminators

bool OmitsSemicolon(const TPascalNode* statement)
{
    const auto* list = dynamic_cast<const TPascalCommands*>(statement->ParentNode());
    if (list == nullptr || statement->PrevSibling() != nullptr || statement->NextSibling() != nullptr)
        return false;
    const TPascalNode* owner = list->EnclosingFloating();
    if (auto* ifStatement = dynamic_cast<const TPascalIf*>(owner)) {
        if (list == ifStatement->ThenCommands() && ifStatement->HasElse() && !list->NeedsBeginEnd())
            return true;
        return OmitsSemicolon(ifStatement);
    }
    // The body of a loop that ends without semicolon (before an "else") must not add one either.
    if (LoopBody(owner) == list)
        return OmitsSemicolon(owner);
    return false;
}

void WriteTerminator(TPascalCodeWriter& w, const TPascalNode* statement)
{
    if (OmitsSemicolon(statement))
        w.NewLine();
    else
        w.WriteLn(QStringLiteral(";"));
}

// ---------------------------------------------------------------------------------------------
// Simple statements

void TPascalCustomCommand::WriteTo(TPascalCodeWriter& w) const
{
    {
        TNoWrapGuard noWrap(w);
        w.Write(FText);
    }
    if (FTerminated)
        WriteTerminator(w, this);
    else
        w.NewLine();
}

TPascalLet::TPascalLet()
{
    FTarget = AddChild<TPascalExpression>();
    FTarget->SetUsage(puOut);
    FValue = AddChild<TPascalExpression>();
}

void TPascalLet::WriteTo(TPascalCodeWriter& w) const
{
    FTarget->WriteTo(w);
    w.Write(QStringLiteral(" := "));
    w.BreakIfLong();
    FValue->WriteTo(w);
    WriteTerminator(w, this);
}

void TPascalCallInCommands::WriteTo(TPascalCodeWriter& w) const
{
    WriteCall(w);
    WriteTerminator(w, this);
}

// ---------------------------------------------------------------------------------------------
// if, loops

TPascalIf::TPascalIf()
{
    FCondition = AddChild<TPascalExpression>();
    FThenCommands = AddChild<TPascalCommands>();
    FElseCommands = AddChild<TPascalCommands>();
}

bool TPascalIf::HasElse() const
{
    return !FElseCommands->IsEmpty();
}

void TPascalIf::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(QStringLiteral("if "));
    FCondition->WriteTo(w);
    w.WriteLn(QStringLiteral(" then"));
    const bool thenBlock = FThenCommands->NeedsBeginEnd();
    if (thenBlock)
        w.WriteLn(QStringLiteral("begin"));
    if (!FThenCommands->IsEmpty()) {
        w.Indent();
        FThenCommands->WriteTo(w);
        w.Unindent();
    }
    if (thenBlock) {
        if (HasElse()) {
            w.WriteLn(QStringLiteral("end"));
        } else {
            w.Write(QStringLiteral("end"));
            WriteTerminator(w, this);
        }
    }
    if (!HasElse())
        return;
    const bool elseBlock = FElseCommands->NeedsBeginEnd();
    w.WriteLn(elseBlock ? QStringLiteral("else begin") : QStringLiteral("else"));
    w.Indent();
    FElseCommands->WriteTo(w);
    w.Unindent();
    if (elseBlock) {
        w.Write(QStringLiteral("end"));
        WriteTerminator(w, this);
    }
}

TPascalWhile::TPascalWhile()
{
    FCondition = AddChild<TPascalExpression>();
    FCommands = AddChild<TPascalCommands>();
}

void TPascalWhile::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(QStringLiteral("while "));
    FCondition->WriteTo(w);
    w.WriteLn(QStringLiteral(" do"));
    WriteBody(w, this, FCommands);
}

TPascalFor::TPascalFor()
{
    FVariable = AddChild<TPascalExpression>();
    FVariable->SetUsage(puOut);
    FLowBound = AddChild<TPascalExpression>();
    FHighBound = AddChild<TPascalExpression>();
    FCommands = AddChild<TPascalCommands>();
}

void TPascalFor::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(QStringLiteral("for "));
    FVariable->WriteTo(w);
    w.Write(QStringLiteral(" := "));
    if (FBackward) {
        FHighBound->WriteTo(w);
        w.Write(QStringLiteral(" downto "));
        FLowBound->WriteTo(w);
    } else {
        FLowBound->WriteTo(w);
        w.Write(QStringLiteral(" to "));
        FHighBound->WriteTo(w);
    }
    w.WriteLn(QStringLiteral(" do"));
    WriteBody(w, this, FCommands);
}

// ---------------------------------------------------------------------------------------------
// case

TPascalCaseItem::TPascalCaseItem()
{
    FValue = AddChild<TPascalExpression>();
    FCommands = AddChild<TPascalCommands>();
}

void TPascalCaseItem::WriteTo(TPascalCodeWriter& w) const
{
    FValue->WriteTo(w);
    w.WriteLn(QStringLiteral(":"));
    const bool block = FCommands->NeedsBeginEnd();
    if (block)
        w.WriteLn(QStringLiteral("begin"));
    if (!FCommands->IsEmpty()) {
        w.Indent();
        FCommands->WriteTo(w);
        w.Unindent();
    }
    if (block)
        w.WriteLn(QStringLiteral("end;"));
}

TPascalCase::TPascalCase()
{
    FSelector = AddChild<TPascalExpression>();
    FItems = AddChild<TPascalCaseItems>();
    FElseCommands = AddChild<TPascalCommands>();
}

void TPascalCase::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(QStringLiteral("case "));
    FSelector->WriteTo(w);
    w.WriteLn(QStringLiteral(" of"));
    w.Indent();
    FItems->WriteTo(w);
    w.Unindent();
    if (!FElseCommands->IsEmpty()) {
        const bool block = FElseCommands->NeedsBeginEnd();
        w.WriteLn(QStringLiteral("else"));
        w.Indent();
        if (block) {
            w.WriteLn(QStringLiteral("begin"));
            w.Indent();
        }
        FElseCommands->WriteTo(w);
        if (block) {
            w.Unindent();
            w.WriteLn(QStringLiteral("end;"));
        }
        w.Unindent();
    }
    w.Write(QStringLiteral("end"));
    WriteTerminator(w, this);
}

// ---------------------------------------------------------------------------------------------
// try

TPascalTryFinally::TPascalTryFinally()
{
    FTryCommands = AddChild<TPascalCommands>();
    FFinallyCommands = AddChild<TPascalCommands>();
}

void TPascalTryFinally::WriteTo(TPascalCodeWriter& w) const
{
    w.WriteLn(QStringLiteral("try"));
    w.Indent();
    FTryCommands->WriteTo(w);
    w.Unindent();
    w.WriteLn(QStringLiteral("finally"));
    w.Indent();
    FFinallyCommands->WriteTo(w);
    w.Unindent();
    w.Write(QStringLiteral("end"));
    WriteTerminator(w, this);
}

TPascalTryExceptItem::TPascalTryExceptItem()
{
    FExceptionType = AddChild<TPascalExpression>();
    FCommands = AddChild<TPascalCommands>();
}

void TPascalTryExceptItem::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(QStringLiteral("on "));
    if (!FVariableName.isEmpty())
        w.Write(FVariableName + QStringLiteral(": "));
    FExceptionType->WriteTo(w);
    w.Write(QStringLiteral(" do"));
    if (FCommands->NeedsBeginEnd()) {
        w.NewLine();
        w.WriteLn(QStringLiteral("begin"));
        if (!FCommands->IsEmpty()) {
            w.Indent();
            FCommands->WriteTo(w);
            w.Unindent();
        }
        w.WriteLn(QStringLiteral("end;"));
    } else {
        w.Write(QStringLiteral(" "));
        FCommands->WriteTo(w);
    }
}

TPascalTryExcept::TPascalTryExcept()
{
    FTryCommands = AddChild<TPascalCommands>();
    FHandlers = AddChild<TPascalTryExceptItems>();
    FElseCommands = AddChild<TPascalCommands>();
}

void TPascalTryExcept::WriteTo(TPascalCodeWriter& w) const
{
    w.WriteLn(QStringLiteral("try"));
    w.Indent();
    FTryCommands->WriteTo(w);
    w.Unindent();
    w.WriteLn(QStringLiteral("except"));
    const bool handlers = FHandlers->FirstChild() != nullptr;
    if (handlers) {
        w.Indent();
        FHandlers->WriteTo(w);
        w.Unindent();
    }
    if (!FElseCommands->IsEmpty()) {
        const bool block = handlers && FElseCommands->NeedsBeginEnd();
        if (handlers)
            w.WriteLn(block ? QStringLiteral("else begin") : QStringLiteral("else"));
        w.Indent();
        FElseCommands->WriteTo(w);
        w.Unindent();
        if (block)
            w.WriteLn(QStringLiteral("end;"));
    }
    w.Write(QStringLiteral("end"));
    WriteTerminator(w, this);
}

// ---------------------------------------------------------------------------------------------
// Statement lists

bool TPascalCommands::NeedsBeginEnd() const
{
    const TNode* first = FirstChild();
    if (first == nullptr || first->NextSibling() != nullptr)
        return true;
    const TPascalNode* only = FirstNode();
    if (dynamic_cast<const TPascalIfDef*>(only) != nullptr)
        return true;
    return dynamic_cast<const TPascalIf*>(ParentNode()) != nullptr && EndsWithOpenIf(only);
}

TPascalCallInCommands* TPascalCommands::AddCall(const QString& prefix, TPascalNode* before)
{
    return AddCall(prefix, nullptr, QString(), before);
}

TPascalCallInCommands* TPascalCommands::AddCall(TPascalNamedNode* target, TPascalNode* before)
{
    return AddCall(QString(), target, QString(), before);
}

TPascalCallInCommands* TPascalCommands::AddCall(const QString& prefix, TPascalNamedNode* target,
                                                const QString& suffix, TPascalNode* before)
{
    return TPascalCall::AddTo<TPascalCallInCommands>(this, prefix, target, suffix, before);
}

TPascalCustomCommand* TPascalCommands::AddText(const QString& text, TPascalNode* before)
{
    auto* command = AddChild<TPascalCustomCommand>(before);
    command->SetText(text);
    return command;
}

void TPascalCommands::WriteTo(TPascalCodeWriter& w) const
{
    WriteChildren(w);
}

void TPascalCommands::Optimize()
{
    TPascalNode::Optimize();
    RemoveConstantBranches();
    RemoveDeadStores();
}

void TPascalCommands::RemoveConstantBranches()
{
    TNode* child = FirstChild();
    while (child != nullptr) {
        TNode* next = child->NextSibling();
        if (auto* ifStatement = dynamic_cast<TPascalIf*>(child)) {
            auto* literal =
                dynamic_cast<TPascalBooleanValueExpressionItem*>(ifStatement->Condition()->SingleItem());
            if (literal != nullptr) {
                TPascalCommands* kept =
                    literal->Value() ? ifStatement->ThenCommands() : ifStatement->ElseCommands();
                while (TNode* statement = kept->FirstChild())
                    statement->SetParent(this, ifStatement);
                ifStatement->Free();
            }
        } else if (auto* loop = dynamic_cast<TPascalWhile*>(child)) {
            auto* literal = dynamic_cast<TPascalBooleanValueExpressionItem*>(loop->Condition()->SingleItem());
            if (literal != nullptr && !literal->Value())
                loop->Free();
        }
        child = next;
    }
}

namespace {

// Whether evaluating the expression may do more than compute a value: it calls a routine, calls
// something by text alone, or holds free text with a call in it. Dropping such a store would drop
// the call too.
bool MayHaveEffects(const TPascalNode* node)
{
    if (node == nullptr)
        return false;
    if (auto* call = dynamic_cast<const TPascalCall*>(node)) {
        if (call->Target() == nullptr || call->HasArguments() ||
            dynamic_cast<const TPascalMethodEntry*>(call->Target()) != nullptr)
            return true;
    } else if (auto* text = dynamic_cast<const TPascalCustomExpressionItem*>(node)) {
        if (text->Text().contains(u'('))
            return true;
    }
    for (TNode* child = node->FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (MayHaveEffects(TPascalNode::AsPascal(child)))
            return true;
    }
    return false;
}

// A store may only be dropped when its value has no effects of its own and nothing but the
// statements that follow it in its list can see the value: the target is a variable of the routine the store
// stands in (its locals or its result), the routine has no nested routines that could read it, and no try
// statement of the routine could reach the value through an exception.
bool IsRemovableStore(const TPascalLet* let, const TPascalCallInExpression** reference)
{
    auto* call = dynamic_cast<const TPascalCallInExpression*>(let->Target()->SingleItem());
    if (call == nullptr)
        return false;
    auto* variable = dynamic_cast<const TPascalVariable*>(call->Target());
    if (variable == nullptr)
        return false;
    const auto* routine = let->FindAncestor<TPascalMethodWithImplementation>();
    if (routine == nullptr || variable->FindAncestor<TPascalMethodWithImplementation>() != routine)
        return false;
    if (variable != routine->ResultVariable() && variable->Parent() != routine->LocalDeclarations())
        return false;
    if (MayHaveEffects(let->Value()))
        return false;
    for (TNode* local = routine->LocalDeclarations()->FirstChild(); local != nullptr;
         local = local->NextSibling()) {
        if (dynamic_cast<const TPascalMethodWithImplementation*>(local) != nullptr)
            return false;
    }
    for (const TNode* node = let->Parent(); node != routine; node = node->Parent()) {
        if (dynamic_cast<const TPascalTryExcept*>(node) != nullptr ||
            dynamic_cast<const TPascalTryFinally*>(node) != nullptr)
            return false;
    }
    *reference = call;
    return true;
}

} // namespace

void TPascalCommands::RemoveDeadStores()
{
    TNode* child = FirstChild();
    while (child != nullptr) {
        TNode* next = child->NextSibling();
        const TPascalCallInExpression* reference = nullptr;
        if (auto* let = dynamic_cast<TPascalLet*>(child)) {
            if (IsRemovableStore(let, &reference) && ScanAccess(*reference, let) == paOverwritten)
                let->Free();
        }
        child = next;
    }
}

// ---------------------------------------------------------------------------------------------
// Dead store scan

namespace {

TPascalAccess ScanStatement(const TPascalCall& reference, const TPascalNode* statement);
TPascalAccess ScanExpression(const TPascalCall& reference, const TPascalExpression* expression);

// Whether free text mentions the variable: its text appears as a whole word, without case.
bool TextMentions(const QString& text, const QString& name)
{
    if (name.isEmpty())
        return false;
    const auto isWordChar = [](QChar c) {
        return c.isLetterOrNumber() || c == u'_';
    };
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(name, from, Qt::CaseInsensitive);
        if (at < 0)
            return false;
        const qsizetype end = at + name.size();
        const bool startsWord = at == 0 || !isWordChar(text[at - 1]) || !isWordChar(name.front());
        const bool endsWord = end >= text.size() || !isWordChar(text[end]) || !isWordChar(name.back());
        if (startsWord && endsWord)
            return true;
        from = at + 1;
    }
}

TPascalAccess ScanList(const TPascalCall& reference, const TPascalCommands* list)
{
    for (TNode* child = list->FirstChild(); child != nullptr; child = child->NextSibling()) {
        const TPascalAccess access = ScanStatement(reference, TPascalNode::AsPascal(child));
        if (access != paNone)
            return access;
    }
    return paNone;
}

TPascalAccess ScanArguments(const TPascalCall& reference, const TPascalCall* call)
{
    for (TNode* child = call->Arguments()->FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (auto* argument = dynamic_cast<const TPascalCallParameterValue*>(child)) {
            const TPascalAccess access = ScanExpression(reference, argument->Value());
            if (access != paNone)
                return access;
        }
    }
    return paNone;
}

// A call that names the variable, or a part of it ("V.Field"), reads it; so does one that links to
// the same target inside other text ("Use(" V ")"), or whose text mentions the variable.
bool CallReads(const TPascalCall& reference, const TPascalCall* call)
{
    if (call->SameReference(reference))
        return true;
    if (reference.Target() != nullptr && call->Target() == reference.Target())
        return true;
    return call->CallText().startsWith(reference.CallText() + u'.', Qt::CaseInsensitive) ||
           TextMentions(call->CallText(), reference.CallText());
}

// Every expression among the children of an item, in order.
TPascalAccess ScanItemParts(const TPascalCall& reference, const TPascalNode* item)
{
    for (TNode* child = item->FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (auto* expression = dynamic_cast<const TPascalExpression*>(child)) {
            const TPascalAccess access = ScanExpression(reference, expression);
            if (access != paNone)
                return access;
        }
    }
    return paNone;
}

TPascalAccess ScanExpression(const TPascalCall& reference, const TPascalExpression* expression)
{
    for (TNode* child = expression->FirstChild(); child != nullptr; child = child->NextSibling()) {
        TPascalAccess access = paNone;
        if (auto* call = dynamic_cast<const TPascalCall*>(child)) {
            access = ScanArguments(reference, call);
            if (access == paNone && call->SameReference(reference))
                access = expression->Usage() != puOut ? paRead
                         : call->HasArguments()       ? paNone
                                                      : paOverwritten;
            else if (access == paNone && CallReads(reference, call))
                access = paRead;
        } else if (auto* text = dynamic_cast<const TPascalCustomExpressionItem*>(child)) {
            if (TextMentions(text->Text(), reference.CallText()))
                access = paRead;
        } else if (const TPascalNode* item = TPascalNode::AsPascal(child)) {
            access = ScanItemParts(reference, item);
        }
        if (access != paNone)
            return access;
    }
    return paNone;
}

TPascalAccess ScanStatement(const TPascalCall& reference, const TPascalNode* statement)
{
    if (statement == nullptr)
        return paNone;
    if (auto* let = dynamic_cast<const TPascalLet*>(statement)) {
        const TPascalAccess access = ScanExpression(reference, let->Value());
        return access != paNone ? access : ScanExpression(reference, let->Target());
    }
    if (auto* call = dynamic_cast<const TPascalCallInCommands*>(statement)) {
        const TPascalAccess access = ScanArguments(reference, call);
        if (access != paNone)
            return access;
        return CallReads(reference, call) ? paRead : paNone;
    }
    if (auto* ifStatement = dynamic_cast<const TPascalIf*>(statement)) {
        const TPascalAccess condition = ScanExpression(reference, ifStatement->Condition());
        if (condition != paNone)
            return condition;
        const TPascalAccess thenAccess = ScanList(reference, ifStatement->ThenCommands());
        const TPascalAccess elseAccess = ScanList(reference, ifStatement->ElseCommands());
        if (thenAccess == paRead || elseAccess == paRead)
            return paRead;
        return thenAccess == paOverwritten && elseAccess == paOverwritten ? paOverwritten : paNone;
    }
    if (auto* caseStatement = dynamic_cast<const TPascalCase*>(statement)) {
        const TPascalAccess selector = ScanExpression(reference, caseStatement->Selector());
        if (selector != paNone)
            return selector;
        bool allOverwrite = true;
        for (TNode* child = caseStatement->Items()->FirstChild(); child != nullptr;
             child = child->NextSibling()) {
            auto* branch = dynamic_cast<const TPascalCaseItem*>(child);
            if (branch == nullptr)
                continue;
            if (ScanExpression(reference, branch->Value()) == paRead)
                return paRead;
            const TPascalAccess access = ScanList(reference, branch->Commands());
            if (access == paRead)
                return paRead;
            allOverwrite = allOverwrite && access == paOverwritten;
        }
        const TPascalAccess elseAccess = ScanList(reference, caseStatement->ElseCommands());
        if (elseAccess == paRead)
            return paRead;
        return allOverwrite && elseAccess == paOverwritten ? paOverwritten : paNone;
    }
    if (auto* loop = dynamic_cast<const TPascalFor*>(statement)) {
        // The bounds are evaluated before the loop variable is set.
        if (ScanExpression(reference, loop->LowBound()) == paRead ||
            ScanExpression(reference, loop->HighBound()) == paRead)
            return paRead;
        const TPascalAccess variable = ScanExpression(reference, loop->Variable());
        if (variable != paNone)
            return variable;
        return ScanList(reference, loop->Commands()) == paRead ? paRead : paNone;
    }
    if (auto* loop = dynamic_cast<const TPascalWhile*>(statement)) {
        const TPascalAccess condition = ScanExpression(reference, loop->Condition());
        if (condition != paNone)
            return condition;
        return ScanList(reference, loop->Commands()) == paRead ? paRead : paNone;
    }
    if (auto* tryStatement = dynamic_cast<const TPascalTryFinally*>(statement)) {
        const TPascalAccess access = ScanList(reference, tryStatement->TryCommands());
        return access != paNone ? access : ScanList(reference, tryStatement->FinallyCommands());
    }
    if (auto* tryStatement = dynamic_cast<const TPascalTryExcept*>(statement)) {
        const TPascalAccess access = ScanList(reference, tryStatement->TryCommands());
        if (access != paNone)
            return access;
        for (TNode* child = tryStatement->Handlers()->FirstChild(); child != nullptr;
             child = child->NextSibling()) {
            auto* handler = dynamic_cast<const TPascalTryExceptItem*>(child);
            if (handler != nullptr && ScanList(reference, handler->Commands()) == paRead)
                return paRead;
        }
        return ScanList(reference, tryStatement->ElseCommands()) == paRead ? paRead : paNone;
    }
    // Free text and conditional blocks may use the variable in ways the scan cannot follow.
    if (auto* text = dynamic_cast<const TPascalCustomCommand*>(statement))
        return TextMentions(text->Text(), reference.CallText()) ? paRead : paNone;
    if (auto* ifDef = dynamic_cast<const TPascalIfDef*>(statement))
        return ScanItemParts(reference, ifDef) != paNone ? paRead : paNone;
    return paNone;
}

} // namespace

TPascalAccess ScanAccess(const TPascalCall& reference, const TPascalNode* start)
{
    for (TNode* next = start->NextSibling(); next != nullptr; next = next->NextSibling()) {
        const TPascalAccess access = ScanStatement(reference, TPascalNode::AsPascal(next));
        if (access != paNone)
            return access;
    }
    return paNone;
}

} // namespace qv
