#include "schemes/program/pascal/pascal_expression.h"

#include "core/code_writer.h"

namespace qv {

QV_IMPLEMENT_CLASS(TPascalExpressionItem)
QV_IMPLEMENT_CLASS(TPascalCustomExpressionItem)
QV_IMPLEMENT_CLASS(TPascalStringValueExpressionItem)
QV_IMPLEMENT_CLASS(TPascalIntegerValueExpressionItem)
QV_IMPLEMENT_CLASS(TPascalBooleanValueExpressionItem)
QV_IMPLEMENT_CLASS(TPascalSetValueExpressionItem)
QV_IMPLEMENT_CLASS(TPascalNotExpressionItem)
QV_IMPLEMENT_CLASS(TPascalIsTypeExpressionItem)
QV_IMPLEMENT_CLASS(TPascalToTypeExpressionItem)
QV_IMPLEMENT_CLASS(TPascalItemInSetExpressionItem)
QV_IMPLEMENT_CLASS(TCustomPascalTwoSideExpressionItem)
QV_IMPLEMENT_CLASS(TPascalCompareExpressionItem)
QV_IMPLEMENT_CLASS(TPascalOperationExpressionItem)
QV_IMPLEMENT_CLASS(TPascalCallParameterValue)
QV_IMPLEMENT_CLASS(TPascalCallParameterValues)
QV_IMPLEMENT_CLASS(TPascalCall)
QV_IMPLEMENT_CLASS(TPascalCallInExpression)
QV_IMPLEMENT_CLASS(TPascalExpression)
QV_IMPLEMENT_CLASS(TPascalSetValues)
QV_IMPLEMENT_CLASS(TPascalIfDef)

namespace {

QString OpenBracket(TPascalBrackets brackets)
{
    return brackets == pbSquare ? QStringLiteral("[") : QStringLiteral("(");
}

QString CloseBracket(TPascalBrackets brackets)
{
    return brackets == pbSquare ? QStringLiteral("]") : QStringLiteral(")");
}

// The floating node an item stands in: for an operand of an operator, that operator item; for an
// item directly in a statement or declaration, that statement or declaration.
const TPascalNode* ItemContext(const TPascalNode* item)
{
    const TPascalNode* parent = item->ParentNode();
    return parent != nullptr ? parent->EnclosingFloating() : nullptr;
}

const TPascalCompareExpressionItem* AsCompare(const TPascalNode* node)
{
    return IsInstanceOf(node, TPascalCompareExpressionItem::StaticClass())
               ? static_cast<const TPascalCompareExpressionItem*>(node)
               : nullptr;
}

const TPascalOperationExpressionItem* AsOperation(const TPascalNode* node)
{
    return IsInstanceOf(node, TPascalOperationExpressionItem::StaticClass())
               ? static_cast<const TPascalOperationExpressionItem*>(node)
               : nullptr;
}

bool IsNot(const TPascalNode* node)
{
    return IsInstanceOf(node, TPascalNotExpressionItem::StaticClass());
}

bool IsLogicalCompare(const TPascalNode* node)
{
    const TPascalCompareExpressionItem* compare = AsCompare(node);
    return compare != nullptr && compare->IsLogical();
}

// Parentheses when needed: opened by the constructor, closed by the destructor.
class TParenthesesGuard
{
public:
    TParenthesesGuard(TPascalCodeWriter& w, bool needed) : FWriter(w), FNeeded(needed)
    {
        if (FNeeded)
            FWriter.Write(QStringLiteral("("));
    }
    ~TParenthesesGuard()
    {
        if (FNeeded)
            FWriter.Write(QStringLiteral(")"));
    }
    TParenthesesGuard(const TParenthesesGuard&) = delete;
    TParenthesesGuard& operator=(const TParenthesesGuard&) = delete;

private:
    TPascalCodeWriter& FWriter;
    bool FNeeded;
};

} // namespace

QString CompareKindText(TPascalCompareKind kind)
{
    static const char* const words[] = {"=", "<>", ">", ">=", "<", "<=", "and", "or"};
    return kind <= pcOr ? QString::fromLatin1(words[kind]) : QString();
}

QString OperationKindText(TPascalOperationKind kind)
{
    static const char* const words[] = {"+", "-", "*", "/", "div", "mod"};
    return kind <= poMod ? QString::fromLatin1(words[kind]) : QString();
}

// ---------------------------------------------------------------------------------------------
// Literal and text items

void TPascalCustomExpressionItem::WriteTo(TPascalCodeWriter& w) const
{
    if (FText.contains(u'\'')) {
        // A line break inside a quoted string would end the source text there.
        TNoWrapGuard noWrap(w);
        w.Write(FText);
    } else {
        w.Write(FText);
    }
    WriteOwnComment(w);
}

void TPascalStringValueExpressionItem::WriteTo(TPascalCodeWriter& w) const
{
    w.WriteString(FValue, true);
    WriteOwnComment(w);
}

void TPascalIntegerValueExpressionItem::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(QString::number(FValue));
    WriteOwnComment(w);
}

void TPascalBooleanValueExpressionItem::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(FValue ? QStringLiteral("True") : QStringLiteral("False"));
    WriteOwnComment(w);
}

TPascalSetValueExpressionItem::TPascalSetValueExpressionItem()
{
    FValues = AddChild<TPascalSetValues>();
}

void TPascalSetValueExpressionItem::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(OpenBracket(FBrackets));
    if (FMultiLine) {
        WriteOwnComment(w);
        w.NewLine();
        w.Indent();
    }
    FValues->WriteTo(w);
    if (FMultiLine)
        w.Unindent();
    if (FNewLineBeforeClose)
        w.NewLine();
    w.Write(CloseBracket(FBrackets));
    if (!FMultiLine)
        WriteOwnComment(w);
}

void TPascalSetValues::WriteTo(TPascalCodeWriter& w) const
{
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (child != FirstChild()) {
            w.Write(QStringLiteral(", "));
            if (FOnePerLine)
                w.NewLine();
            else
                w.BreakIfLong();
        }
        if (const TPascalNode* node = AsPascal(child))
            node->WriteTo(w);
    }
}

// ---------------------------------------------------------------------------------------------
// Operator items

TPascalNotExpressionItem::TPascalNotExpressionItem()
{
    FOperand = AddChild<TPascalExpression>();
}

void TPascalNotExpressionItem::WriteTo(TPascalCodeWriter& w) const
{
    const TPascalNode* context = ItemContext(this);
    TParenthesesGuard parentheses(w, IsLogicalCompare(context) || AsOperation(context) != nullptr ||
                                         IsNot(context));
    w.Write(QStringLiteral("not "));
    FOperand->WriteTo(w);
}

TPascalIsTypeExpressionItem::TPascalIsTypeExpressionItem()
{
    FOperand = AddChild<TPascalExpression>();
    FType = AddChild<TPascalExpression>();
}

void TPascalIsTypeExpressionItem::WriteTo(TPascalCodeWriter& w) const
{
    const TPascalNode* context = ItemContext(this);
    TParenthesesGuard parentheses(w, IsLogicalCompare(context) || IsNot(context));
    FOperand->WriteTo(w);
    w.Write(QStringLiteral(" is "));
    w.BreakIfLong();
    FType->WriteTo(w);
}

TPascalToTypeExpressionItem::TPascalToTypeExpressionItem()
{
    FOperand = AddChild<TPascalExpression>();
    FType = AddChild<TPascalExpression>();
}

void TPascalToTypeExpressionItem::WriteTo(TPascalCodeWriter& w) const
{
    FType->WriteTo(w);
    w.Write(QStringLiteral("("));
    w.BreakIfLong();
    FOperand->WriteTo(w);
    w.Write(QStringLiteral(")"));
}

TPascalItemInSetExpressionItem::TPascalItemInSetExpressionItem()
{
    FItem = AddChild<TPascalExpression>();
    FSet = AddChild<TPascalExpression>();
}

void TPascalItemInSetExpressionItem::WriteTo(TPascalCodeWriter& w) const
{
    // "in" binds more loosely than "and", "or" and "not": "A in S and B" would read as
    // "A in (S and B)", and "not A in S" as "(not A) in S".
    const TPascalNode* context = ItemContext(this);
    TParenthesesGuard parentheses(w, IsLogicalCompare(context) || IsNot(context));
    FItem->WriteTo(w);
    w.Write(QStringLiteral(" in "));
    w.BreakIfLong();
    FSet->WriteTo(w);
}

TCustomPascalTwoSideExpressionItem::TCustomPascalTwoSideExpressionItem()
{
    FLeft = AddChild<TPascalExpression>();
    FRight = AddChild<TPascalExpression>();
}

TPascalExpression* TCustomPascalTwoSideExpressionItem::AddOperand()
{
    return AddChild<TPascalExpression>();
}

bool TCustomPascalTwoSideExpressionItem::HasFurtherOperands() const
{
    return FRight->NextSibling() != nullptr;
}

void TCustomPascalTwoSideExpressionItem::WriteTo(TPascalCodeWriter& w) const
{
    TParenthesesGuard parentheses(w, NeedsParentheses());
    FLeft->WriteTo(w);
    const QString separator = u' ' + OperatorText() + u' ';
    for (TNode* child = FRight; child != nullptr; child = child->NextSibling()) {
        const TPascalNode* operand = AsPascal(child);
        if (operand == nullptr)
            continue;
        w.Write(separator);
        w.BreakIfLong();
        operand->WriteTo(w);
    }
}

bool TPascalCompareExpressionItem::NeedsParentheses() const
{
    const TPascalNode* context = ItemContext(this);
    return IsNot(context) || AsCompare(context) != nullptr || AsOperation(context) != nullptr;
}

bool TPascalOperationExpressionItem::NeedsParentheses() const
{
    const TPascalNode* context = ItemContext(this);
    if (IsLogicalCompare(context) || IsNot(context))
        return true;
    const TPascalOperationExpressionItem* outer = AsOperation(context);
    if (outer == nullptr)
        return false;
    switch (outer->Kind()) {
    case poDivide:
    case poDiv:
    case poMod:
        return true;
    case poSubtract:
    case poMultiply:
        return FKind == poAdd || FKind == poSubtract;
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Calls

TPascalCallParameterValue::TPascalCallParameterValue()
{
    FValue = AddChild<TPascalExpression>();
}

void TPascalCallParameterValue::WriteTo(TPascalCodeWriter& w) const
{
    FValue->WriteTo(w);
    WriteOwnComment(w);
}

TPascalExpression* TPascalCallParameterValues::Add(TPascalUsage usage, TPascalNode* before)
{
    auto* argument = AddChild<TPascalCallParameterValue>(before);
    argument->Value()->SetUsage(usage);
    return argument->Value();
}

void TPascalCallParameterValues::WriteTo(TPascalCodeWriter& w) const
{
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (child != FirstChild()) {
            w.Write(QStringLiteral(", "));
            w.BreakIfLong();
        }
        if (const TPascalNode* node = AsPascal(child))
            node->WriteTo(w);
    }
}

TPascalCall::TPascalCall()
{
    FArguments = AddChild<TPascalCallParameterValues>();
}

QString TPascalCall::CallText() const
{
    const TPascalNamedNode* target = FTarget.Get();
    return FPrefix + (target != nullptr ? target->Name() : QString()) + FSuffix;
}

bool TPascalCall::SameReference(const TPascalCall& other) const
{
    return FTarget.Get() == other.FTarget.Get() && FPrefix == other.FPrefix && FSuffix == other.FSuffix;
}

void TPascalCall::WriteCall(TPascalCodeWriter& w) const
{
    w.Write(CallText());
    if (!HasArguments())
        return;
    w.Write(OpenBracket(FBrackets));
    w.BreakIfLong();
    FArguments->WriteTo(w);
    w.Write(CloseBracket(FBrackets));
}

// ---------------------------------------------------------------------------------------------
// Expressions

TPascalNode* TPascalExpression::SingleItem() const
{
    TNode* first = FirstChild();
    return first != nullptr && first->NextSibling() == nullptr ? AsPascal(first) : nullptr;
}

TPascalCallInExpression* TPascalExpression::AddCall(const QString& prefix, TPascalNode* before)
{
    return AddCall(prefix, nullptr, QString(), before);
}

TPascalCallInExpression* TPascalExpression::AddCall(TPascalNamedNode* target, TPascalNode* before)
{
    return AddCall(QString(), target, QString(), before);
}

TPascalCallInExpression* TPascalExpression::AddCall(const QString& prefix, TPascalNamedNode* target,
                                                    const QString& suffix, TPascalNode* before)
{
    return TPascalCall::AddTo<TPascalCallInExpression>(this, prefix, target, suffix, before);
}

TPascalCustomExpressionItem* TPascalExpression::AddText(const QString& text, TPascalNode* before)
{
    auto* item = AddChild<TPascalCustomExpressionItem>(before);
    item->SetText(text);
    return item;
}

TPascalStringValueExpressionItem* TPascalExpression::AddString(const QString& value, TPascalNode* before)
{
    auto* item = AddChild<TPascalStringValueExpressionItem>(before);
    item->SetValue(value);
    return item;
}

TPascalIntegerValueExpressionItem* TPascalExpression::AddInteger(int32_t value, TPascalNode* before)
{
    auto* item = AddChild<TPascalIntegerValueExpressionItem>(before);
    item->SetValue(value);
    return item;
}

TPascalBooleanValueExpressionItem* TPascalExpression::AddBoolean(bool value, TPascalNode* before)
{
    auto* item = AddChild<TPascalBooleanValueExpressionItem>(before);
    item->SetValue(value);
    return item;
}

TPascalCompareExpressionItem* TPascalExpression::AddCompare(TPascalCompareKind kind, TPascalNode* before)
{
    auto* item = AddChild<TPascalCompareExpressionItem>(before);
    item->SetKind(kind);
    return item;
}

TPascalOperationExpressionItem* TPascalExpression::AddOperation(TPascalOperationKind kind,
                                                                TPascalNode* before)
{
    auto* item = AddChild<TPascalOperationExpressionItem>(before);
    item->SetKind(kind);
    return item;
}

TPascalSetValueExpressionItem* TPascalExpression::AddSetValue(TPascalBrackets brackets, TPascalNode* before)
{
    auto* item = AddChild<TPascalSetValueExpressionItem>(before);
    item->SetBrackets(brackets);
    return item;
}

TPascalNotExpressionItem* TPascalExpression::AddNot(TPascalNode* before)
{
    return AddChild<TPascalNotExpressionItem>(before);
}

TPascalIsTypeExpressionItem* TPascalExpression::AddIsType(TPascalNode* before)
{
    return AddChild<TPascalIsTypeExpressionItem>(before);
}

TPascalToTypeExpressionItem* TPascalExpression::AddToType(TPascalNode* before)
{
    return AddChild<TPascalToTypeExpressionItem>(before);
}

TPascalItemInSetExpressionItem* TPascalExpression::AddItemInSet(TPascalNode* before)
{
    return AddChild<TPascalItemInSetExpressionItem>(before);
}

TPascalIfDef* TPascalExpression::AddIfDef(TPascalNode* before)
{
    return AddChild<TPascalIfDef>(before);
}

void TPascalExpression::TakeItems(TPascalExpression* source, TPascalNode* before)
{
    while (TNode* item = source->FirstChild())
        item->SetParent(this, before);
}

void TPascalExpression::Optimize()
{
    TPascalNode::Optimize();

    // 1. not not X → X
    if (auto* outer = dynamic_cast<TPascalNotExpressionItem*>(SingleItem())) {
        if (auto* inner = dynamic_cast<TPascalNotExpressionItem*>(outer->Operand()->SingleItem())) {
            TakeItems(inner->Operand(), outer);
            outer->Free();
        }
    }
    // 2. not (A = B) → A <> B, and the other comparisons likewise.
    if (auto* notItem = dynamic_cast<TPascalNotExpressionItem*>(SingleItem())) {
        auto* compare = dynamic_cast<TPascalCompareExpressionItem*>(notItem->Operand()->SingleItem());
        if (compare != nullptr && compare->Kind() <= pcLessEqual) {
            static const TPascalCompareKind inverse[] = {pcNotEqual, pcEqual,        pcLessEqual,
                                                         pcLess,     pcGreaterEqual, pcGreater};
            compare->SetParent(this, notItem);
            compare->SetKind(inverse[compare->Kind()]);
            notItem->Free();
        }
    }
    // 3. Comparisons with a boolean literal.
    if (auto* compare = dynamic_cast<TPascalCompareExpressionItem*>(SingleItem())) {
        auto* literal = dynamic_cast<TPascalBooleanValueExpressionItem*>(compare->Right()->SingleItem());
        if (literal != nullptr && !compare->HasFurtherOperands()) {
            const bool value = literal->Value();
            // What replaces the comparison: its left operand, optionally negated, or a literal.
            enum
            {
                rkNone,
                rkLeft,
                rkNotLeft,
                rkTrue,
                rkFalse
            } replacement = rkNone;
            switch (compare->Kind()) {
            case pcEqual:
                replacement = value ? rkLeft : rkNotLeft;
                break;
            case pcNotEqual:
                replacement = value ? rkNotLeft : rkLeft;
                break;
            case pcAnd:
                replacement = value ? rkLeft : rkFalse;
                break;
            case pcOr:
                replacement = value ? rkTrue : rkLeft;
                break;
            default:
                break;
            }
            if (replacement != rkNone) {
                if (replacement == rkLeft)
                    TakeItems(compare->Left(), compare);
                else if (replacement == rkNotLeft)
                    AddNot(compare)->Operand()->TakeItems(compare->Left());
                else
                    AddBoolean(replacement == rkTrue, compare);
                compare->Free();
            }
        }
    }
    // 4. not True → False, not False → True
    if (auto* notItem = dynamic_cast<TPascalNotExpressionItem*>(SingleItem())) {
        if (auto* literal =
                dynamic_cast<TPascalBooleanValueExpressionItem*>(notItem->Operand()->SingleItem())) {
            literal->SetValue(!literal->Value());
            literal->SetParent(this, notItem);
            notItem->Free();
        }
    }
}

void TPascalExpression::WriteTo(TPascalCodeWriter& w) const
{
    WriteChildren(w);
}

// ---------------------------------------------------------------------------------------------
// Conditional compilation

TPascalIfDef::TPascalIfDef()
{
    FCondition = AddChild<TPascalExpression>();
    FThenPart = AddChild<TPascalExpression>();
    FElsePart = AddChild<TPascalExpression>();
}

void TPascalIfDef::WritePart(TPascalCodeWriter& w, const TPascalExpression* part) const
{
    if (FNewLinesInside)
        w.NewLine();
    if (FIndentBranches)
        w.Indent();
    part->WriteTo(w);
    if (FIndentBranches)
        w.Unindent();
    if (FNewLinesInside)
        w.NewLine();
}

void TPascalIfDef::WriteTo(TPascalCodeWriter& w) const
{
    if (FNewLineBefore)
        w.NewLine();
    if (FIndentAll)
        w.Indent();
    {
        TNoWrapGuard noWrap(w);
        w.Write(QStringLiteral("{$IFDEF "));
        FCondition->WriteTo(w);
        w.Write(QStringLiteral("}"));
    }
    WritePart(w, FThenPart);
    if (!FElsePart->IsEmpty()) {
        w.Write(QStringLiteral("{$ELSE}"));
        WritePart(w, FElsePart);
    }
    w.Write(QStringLiteral("{$ENDIF}"));
    if (FIndentAll)
        w.Unindent();
    if (FNewLineAfter)
        w.NewLine();
}

bool EqualTypes(const TPascalExpression* a, const TPascalExpression* b)
{
    if (a->IsEmpty() && b->IsEmpty())
        return true;
    const TPascalNode* itemA = a->SingleItem();
    const TPascalNode* itemB = b->SingleItem();
    if (itemA == nullptr || itemB == nullptr)
        return false;
    const TMetaClass* custom = TPascalCustomExpressionItem::StaticClass();
    if (itemA->ClassType() == custom && itemB->ClassType() == custom)
        return static_cast<const TPascalCustomExpressionItem*>(itemA)->Text() ==
               static_cast<const TPascalCustomExpressionItem*>(itemB)->Text();
    const auto* callA = dynamic_cast<const TPascalCallInExpression*>(itemA);
    const auto* callB = dynamic_cast<const TPascalCallInExpression*>(itemB);
    return callA != nullptr && callB != nullptr && callA->SameReference(*callB) && !callA->HasArguments() &&
           !callB->HasArguments();
}

} // namespace qv
