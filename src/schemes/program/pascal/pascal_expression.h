#pragma once

#include "schemes/program/pascal/pascal_node.h"

namespace qv {

class TPascalExpression;
class TPascalSetValues;
class TPascalCallParameterValues;

// How an expression is used; also the modifier of a routine parameter. The numbers are stored.
enum TPascalUsage : uint8_t
{
    puValue = 0, // a plain value; as a parameter modifier: none
    puConst = 1,
    puVar = 2,
    puOut = 3,
};

enum TPascalBrackets : uint8_t
{
    pbParentheses,
    pbSquare,
};

enum TPascalCompareKind : uint8_t
{
    pcEqual = 0,        // =
    pcNotEqual = 1,     // <>
    pcGreater = 2,      // >
    pcGreaterEqual = 3, // >=
    pcLess = 4,         // <
    pcLessEqual = 5,    // <=
    pcAnd = 6,
    pcOr = 7,
};

enum TPascalOperationKind : uint8_t
{
    poAdd = 0,      // +
    poSubtract = 1, // -
    poMultiply = 2, // *
    poDivide = 3,   // /
    poDiv = 4,
    poMod = 5,
};

QString CompareKindText(TPascalCompareKind kind);
QString OperationKindText(TPascalOperationKind kind);

class TPascalExpressionItem : public TPascalCommentedNode
{
    QV_CLASS(TPascalExpressionItem, TPascalCommentedNode)
};

// Text written as it is.
class TPascalCustomExpressionItem : public TPascalExpressionItem
{
    QV_CLASS(TPascalCustomExpressionItem, TPascalExpressionItem)

    const QString& Text() const { return FText; }
    void SetText(const QString& value) { FText = value; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    QString FText;
};

// A string literal; long ones continue on further lines joined with "+".
class TPascalStringValueExpressionItem : public TPascalExpressionItem
{
    QV_CLASS(TPascalStringValueExpressionItem, TPascalExpressionItem)

    const QString& Value() const { return FValue; }
    void SetValue(const QString& value) { FValue = value; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    QString FValue;
};

class TPascalIntegerValueExpressionItem : public TPascalExpressionItem
{
    QV_CLASS(TPascalIntegerValueExpressionItem, TPascalExpressionItem)

    int32_t Value() const { return FValue; }
    void SetValue(int32_t value) { FValue = value; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    int32_t FValue = 0;
};

class TPascalBooleanValueExpressionItem : public TPascalExpressionItem
{
    QV_CLASS(TPascalBooleanValueExpressionItem, TPascalExpressionItem)

    bool Value() const { return FValue; }
    void SetValue(bool value) { FValue = value; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    bool FValue = false;
};

// A set constructor "[a, b]" or a list in parentheses "(a, b)".
class TPascalSetValueExpressionItem : public TPascalExpressionItem
{
    QV_CLASS(TPascalSetValueExpressionItem, TPascalExpressionItem)

    TPascalSetValueExpressionItem();

    TPascalSetValues* Values() const { return FValues; }
    TPascalBrackets Brackets() const { return FBrackets; }
    void SetBrackets(TPascalBrackets value) { FBrackets = value; }
    bool MultiLine() const { return FMultiLine; }
    void SetMultiLine(bool value) { FMultiLine = value; }
    bool NewLineBeforeClose() const { return FNewLineBeforeClose; }
    void SetNewLineBeforeClose(bool value) { FNewLineBeforeClose = value; }

    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalSetValues* FValues;
    TPascalBrackets FBrackets = pbSquare;
    bool FMultiLine = false;
    bool FNewLineBeforeClose = false;
};

class TPascalNotExpressionItem : public TPascalExpressionItem
{
    QV_CLASS(TPascalNotExpressionItem, TPascalExpressionItem)

    TPascalNotExpressionItem();

    TPascalExpression* Operand() const { return FOperand; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FOperand;
};

// "operand is type".
class TPascalIsTypeExpressionItem : public TPascalExpressionItem
{
    QV_CLASS(TPascalIsTypeExpressionItem, TPascalExpressionItem)

    TPascalIsTypeExpressionItem();

    TPascalExpression* Operand() const { return FOperand; }
    TPascalExpression* Type() const { return FType; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FOperand;
    TPascalExpression* FType;
};

// A type cast "type(operand)".
class TPascalToTypeExpressionItem : public TPascalExpressionItem
{
    QV_CLASS(TPascalToTypeExpressionItem, TPascalExpressionItem)

    TPascalToTypeExpressionItem();

    TPascalExpression* Operand() const { return FOperand; }
    TPascalExpression* Type() const { return FType; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FOperand;
    TPascalExpression* FType;
};

// "item in set".
class TPascalItemInSetExpressionItem : public TPascalExpressionItem
{
    QV_CLASS(TPascalItemInSetExpressionItem, TPascalExpressionItem)

    TPascalItemInSetExpressionItem();

    TPascalExpression* Item() const { return FItem; }
    TPascalExpression* Set() const { return FSet; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FItem;
    TPascalExpression* FSet;
};

// An operator between two or more operands: the left and right ones, and further operand
// expressions added after the right one (AddOperand).
class TCustomPascalTwoSideExpressionItem : public TPascalExpressionItem
{
    QV_CLASS(TCustomPascalTwoSideExpressionItem, TPascalExpressionItem)

    TCustomPascalTwoSideExpressionItem();

    TPascalExpression* Left() const { return FLeft; }
    TPascalExpression* Right() const { return FRight; }
    TPascalExpression* AddOperand();
    // Whether operands after the right one exist.
    bool HasFurtherOperands() const;

    void WriteTo(TPascalCodeWriter& w) const override;

protected:
    virtual QString OperatorText() const = 0;
    // Whether the item is put in parentheses where it stands.
    virtual bool NeedsParentheses() const = 0;

private:
    TPascalExpression* FLeft;
    TPascalExpression* FRight;
};

class TPascalCompareExpressionItem : public TCustomPascalTwoSideExpressionItem
{
    QV_CLASS(TPascalCompareExpressionItem, TCustomPascalTwoSideExpressionItem)

    TPascalCompareKind Kind() const { return FKind; }
    void SetKind(TPascalCompareKind value) { FKind = value; }
    bool IsLogical() const { return FKind == pcAnd || FKind == pcOr; }

protected:
    QString OperatorText() const override { return CompareKindText(FKind); }
    bool NeedsParentheses() const override;

private:
    TPascalCompareKind FKind = pcEqual;
};

class TPascalOperationExpressionItem : public TCustomPascalTwoSideExpressionItem
{
    QV_CLASS(TPascalOperationExpressionItem, TCustomPascalTwoSideExpressionItem)

    TPascalOperationKind Kind() const { return FKind; }
    void SetKind(TPascalOperationKind value) { FKind = value; }

protected:
    QString OperatorText() const override { return OperationKindText(FKind); }
    bool NeedsParentheses() const override;

private:
    TPascalOperationKind FKind = poAdd;
};

// One argument of a call.
class TPascalCallParameterValue : public TPascalCommentedNode
{
    QV_CLASS(TPascalCallParameterValue, TPascalCommentedNode)

    TPascalCallParameterValue();

    TPascalExpression* Value() const { return FValue; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FValue;
};

class TPascalCallParameterValues : public TPascalNode
{
    QV_CLASS(TPascalCallParameterValues, TPascalNode)

    // A new argument whose expression has the usage; returns the expression to fill.
    TPascalExpression* Add(TPascalUsage usage = puValue, TPascalNode* before = nullptr);
    void WriteTo(TPascalCodeWriter& w) const override;
};

// Prefix, the target's current name and suffix, then the arguments in brackets. Because the target
// is a link, renaming a declaration renames every call of it.
class TPascalCall : public TPascalFloatingNode
{
    QV_CLASS(TPascalCall, TPascalFloatingNode)

    TPascalCall();

    const QString& Prefix() const { return FPrefix; }
    void SetPrefix(const QString& value) { FPrefix = value; }
    TPascalNamedNode* Target() const { return FTarget.Get(); }
    void SetTarget(TPascalNamedNode* value) { FTarget.Set(value); }
    const QString& Suffix() const { return FSuffix; }
    void SetSuffix(const QString& value) { FSuffix = value; }
    TPascalCallParameterValues* Arguments() const { return FArguments; }
    bool HasArguments() const { return FArguments->FirstChild() != nullptr; }
    TPascalBrackets Brackets() const { return FBrackets; }
    void SetBrackets(TPascalBrackets value) { FBrackets = value; }

    // A call of class C appended to `parent` before `before` (the end when null).
    template <class C>
    static C* AddTo(TPascalNode* parent, const QString& prefix, TPascalNamedNode* target,
                    const QString& suffix, TPascalNode* before)
    {
        auto* call = parent->AddChild<C>(before);
        call->SetPrefix(prefix);
        call->SetTarget(target);
        call->SetSuffix(suffix);
        return call;
    }

    // Prefix, target name and suffix.
    QString CallText() const;
    // Whether both name the same thing: same target, equal prefix and suffix.
    bool SameReference(const TPascalCall& other) const;

protected:
    void WriteCall(TPascalCodeWriter& w) const;

private:
    QString FPrefix;
    TPascalLink FTarget;
    QString FSuffix;
    TPascalCallParameterValues* FArguments;
    TPascalBrackets FBrackets = pbParentheses;
};

// A call used as an expression item (also a variable or a field: a call without arguments).
class TPascalCallInExpression : public TPascalCall
{
    QV_CLASS(TPascalCallInExpression, TPascalCall)

    void WriteTo(TPascalCodeWriter& w) const override { WriteCall(w); }
};

class TPascalIfDef;

// A list of expression items written one after another.
class TPascalExpression : public TPascalNode
{
    QV_CLASS(TPascalExpression, TPascalNode)

    TPascalUsage Usage() const { return FUsage; }
    void SetUsage(TPascalUsage value) { FUsage = value; }
    bool IsEmpty() const { return FirstChild() == nullptr; }
    // The only child when there is exactly one, else nullptr.
    TPascalNode* SingleItem() const;

    // Builders: each appends one item, or inserts it before `before`, and returns it.
    TPascalCallInExpression* AddCall(const QString& prefix, TPascalNode* before = nullptr);
    TPascalCallInExpression* AddCall(TPascalNamedNode* target, TPascalNode* before = nullptr);
    TPascalCallInExpression* AddCall(const QString& prefix, TPascalNamedNode* target, const QString& suffix,
                                     TPascalNode* before = nullptr);
    TPascalCustomExpressionItem* AddText(const QString& text, TPascalNode* before = nullptr);
    TPascalStringValueExpressionItem* AddString(const QString& value, TPascalNode* before = nullptr);
    TPascalIntegerValueExpressionItem* AddInteger(int32_t value, TPascalNode* before = nullptr);
    TPascalBooleanValueExpressionItem* AddBoolean(bool value, TPascalNode* before = nullptr);
    TPascalCompareExpressionItem* AddCompare(TPascalCompareKind kind, TPascalNode* before = nullptr);
    TPascalOperationExpressionItem* AddOperation(TPascalOperationKind kind, TPascalNode* before = nullptr);
    TPascalSetValueExpressionItem* AddSetValue(TPascalBrackets brackets, TPascalNode* before = nullptr);
    TPascalNotExpressionItem* AddNot(TPascalNode* before = nullptr);
    TPascalIsTypeExpressionItem* AddIsType(TPascalNode* before = nullptr);
    TPascalToTypeExpressionItem* AddToType(TPascalNode* before = nullptr);
    TPascalItemInSetExpressionItem* AddItemInSet(TPascalNode* before = nullptr);
    TPascalIfDef* AddIfDef(TPascalNode* before = nullptr);

    // Moves every item of `source` to this expression, before `before` or at the end.
    void TakeItems(TPascalExpression* source, TPascalNode* before = nullptr);

    void Optimize() override;
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalUsage FUsage = puValue;
};

// The values of a set or list item.
class TPascalSetValues : public TPascalExpression
{
    QV_CLASS(TPascalSetValues, TPascalExpression)

    bool OnePerLine() const { return FOnePerLine; }
    void SetOnePerLine(bool value) { FOnePerLine = value; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    bool FOnePerLine = false;
};

// "{$IFDEF condition}then{$ELSE}else{$ENDIF}", in an expression or among statements.
class TPascalIfDef : public TPascalFloatingNode
{
    QV_CLASS(TPascalIfDef, TPascalFloatingNode)

    TPascalIfDef();

    TPascalExpression* Condition() const { return FCondition; }
    TPascalExpression* ThenPart() const { return FThenPart; }
    TPascalExpression* ElsePart() const { return FElsePart; }
    bool IndentAll() const { return FIndentAll; }
    void SetIndentAll(bool value) { FIndentAll = value; }
    bool IndentBranches() const { return FIndentBranches; }
    void SetIndentBranches(bool value) { FIndentBranches = value; }
    bool NewLineBefore() const { return FNewLineBefore; }
    void SetNewLineBefore(bool value) { FNewLineBefore = value; }
    bool NewLinesInside() const { return FNewLinesInside; }
    void SetNewLinesInside(bool value) { FNewLinesInside = value; }
    bool NewLineAfter() const { return FNewLineAfter; }
    void SetNewLineAfter(bool value) { FNewLineAfter = value; }

    void WriteTo(TPascalCodeWriter& w) const override;

private:
    void WritePart(TPascalCodeWriter& w, const TPascalExpression* part) const;

    TPascalExpression* FCondition;
    TPascalExpression* FThenPart;
    TPascalExpression* FElsePart;
    bool FIndentAll = false;
    bool FIndentBranches = false;
    bool FNewLineBefore = false;
    bool FNewLinesInside = false;
    bool FNewLineAfter = false;
};

// Type expressions are equal when both are empty, or each holds one item and both are free text of
// exactly that class with equal texts, or both are calls of the same target with equal prefix and
// suffix and no arguments.
bool EqualTypes(const TPascalExpression* a, const TPascalExpression* b);

} // namespace qv
