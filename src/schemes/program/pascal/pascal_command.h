#pragma once

#include "schemes/program/pascal/pascal_expression.h"

namespace qv {

class TPascalCommands;
class TPascalLet;
class TPascalIf;
class TPascalCase;
class TPascalFor;
class TPascalWhile;
class TPascalTryFinally;
class TPascalTryExcept;
class TPascalCallInCommands;
class TPascalCustomCommand;

// Ends a statement: the line ";", or only a line break where a semicolon would be wrong (before an
// "else") or is left out by the same rule one level up.
void WriteTerminator(TPascalCodeWriter& w, const TPascalNode* statement);
// Whether the statement ends without a semicolon: it is the only statement of a branch of an if and
// either a semicolon would separate that if from its "else", or the if itself ends without one.
bool OmitsSemicolon(const TPascalNode* statement);

class TPascalCommand : public TPascalFloatingNode
{
    QV_CLASS(TPascalCommand, TPascalFloatingNode)
};

// A statement written as it is, without wrapping.
class TPascalCustomCommand : public TPascalCommand
{
    QV_CLASS(TPascalCustomCommand, TPascalCommand)

    const QString& Text() const { return FText; }
    void SetText(const QString& value) { FText = value; }
    // Whether the statement ends with the terminator; otherwise only with a line break.
    bool Terminated() const { return FTerminated; }
    void SetTerminated(bool value) { FTerminated = value; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    QString FText;
    bool FTerminated = true;
};

// "target := value".
class TPascalLet : public TPascalCommand
{
    QV_CLASS(TPascalLet, TPascalCommand)

    TPascalLet();

    TPascalExpression* Target() const { return FTarget; }
    TPascalExpression* Value() const { return FValue; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FTarget;
    TPascalExpression* FValue;
};

class TPascalCaseItem : public TPascalCommentedNode
{
    QV_CLASS(TPascalCaseItem, TPascalCommentedNode)

    TPascalCaseItem();

    TPascalExpression* Value() const { return FValue; }
    TPascalCommands* Commands() const { return FCommands; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FValue;
    TPascalCommands* FCommands;
};

class TPascalCaseItems : public TPascalNode
{
    QV_CLASS(TPascalCaseItems, TPascalNode)

    TPascalCaseItem* Add(TPascalNode* before = nullptr) { return AddChild<TPascalCaseItem>(before); }
};

class TPascalCase : public TPascalCommand
{
    QV_CLASS(TPascalCase, TPascalCommand)

    TPascalCase();

    TPascalExpression* Selector() const { return FSelector; }
    TPascalCaseItems* Items() const { return FItems; }
    TPascalCommands* ElseCommands() const { return FElseCommands; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FSelector;
    TPascalCaseItems* FItems;
    TPascalCommands* FElseCommands;
};

class TPascalIf : public TPascalCommand
{
    QV_CLASS(TPascalIf, TPascalCommand)

    TPascalIf();

    TPascalExpression* Condition() const { return FCondition; }
    TPascalCommands* ThenCommands() const { return FThenCommands; }
    TPascalCommands* ElseCommands() const { return FElseCommands; }
    bool HasElse() const;
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FCondition;
    TPascalCommands* FThenCommands;
    TPascalCommands* FElseCommands;
};

class TPascalTryFinally : public TPascalCommand
{
    QV_CLASS(TPascalTryFinally, TPascalCommand)

    TPascalTryFinally();

    TPascalCommands* TryCommands() const { return FTryCommands; }
    TPascalCommands* FinallyCommands() const { return FFinallyCommands; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalCommands* FTryCommands;
    TPascalCommands* FFinallyCommands;
};

// "on name: type do commands".
class TPascalTryExceptItem : public TPascalCommentedNode
{
    QV_CLASS(TPascalTryExceptItem, TPascalCommentedNode)

    TPascalTryExceptItem();

    const QString& VariableName() const { return FVariableName; }
    void SetVariableName(const QString& value) { FVariableName = value; }
    TPascalExpression* ExceptionType() const { return FExceptionType; }
    TPascalCommands* Commands() const { return FCommands; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    QString FVariableName;
    TPascalExpression* FExceptionType;
    TPascalCommands* FCommands;
};

class TPascalTryExceptItems : public TPascalNode
{
    QV_CLASS(TPascalTryExceptItems, TPascalNode)

    TPascalTryExceptItem* Add(TPascalNode* before = nullptr)
    {
        return AddChild<TPascalTryExceptItem>(before);
    }
};

class TPascalTryExcept : public TPascalCommand
{
    QV_CLASS(TPascalTryExcept, TPascalCommand)

    TPascalTryExcept();

    TPascalCommands* TryCommands() const { return FTryCommands; }
    TPascalTryExceptItems* Handlers() const { return FHandlers; }
    TPascalCommands* ElseCommands() const { return FElseCommands; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalCommands* FTryCommands;
    TPascalTryExceptItems* FHandlers;
    TPascalCommands* FElseCommands;
};

class TPascalWhile : public TPascalCommand
{
    QV_CLASS(TPascalWhile, TPascalCommand)

    TPascalWhile();

    TPascalExpression* Condition() const { return FCondition; }
    TPascalCommands* Commands() const { return FCommands; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FCondition;
    TPascalCommands* FCommands;
};

class TPascalFor : public TPascalCommand
{
    QV_CLASS(TPascalFor, TPascalCommand)

    TPascalFor();

    TPascalExpression* Variable() const { return FVariable; }
    TPascalExpression* LowBound() const { return FLowBound; }
    TPascalExpression* HighBound() const { return FHighBound; }
    TPascalCommands* Commands() const { return FCommands; }
    // Counts from the high bound down to the low bound.
    bool Backward() const { return FBackward; }
    void SetBackward(bool value) { FBackward = value; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FVariable;
    TPascalExpression* FLowBound;
    TPascalExpression* FHighBound;
    TPascalCommands* FCommands;
    bool FBackward = false;
};

// A call used as a statement.
class TPascalCallInCommands : public TPascalCall
{
    QV_CLASS(TPascalCallInCommands, TPascalCall)

    void WriteTo(TPascalCodeWriter& w) const override;
};

// A statement list.
class TPascalCommands : public TPascalNode
{
    QV_CLASS(TPascalCommands, TPascalNode)

    bool IsEmpty() const { return FirstChild() == nullptr; }
    // Whether the list must be written between "begin" and "end" where a single statement may stand:
    // it is empty or holds several statements or a conditional-compilation block, or, as a branch of
    // an if, its only statement would let a following "else" bind to an inner if.
    bool NeedsBeginEnd() const;

    // Builders: each appends one statement, or inserts it before `before`, and returns it.
    TPascalCallInCommands* AddCall(const QString& prefix, TPascalNode* before = nullptr);
    TPascalCallInCommands* AddCall(TPascalNamedNode* target, TPascalNode* before = nullptr);
    TPascalCallInCommands* AddCall(const QString& prefix, TPascalNamedNode* target, const QString& suffix,
                                   TPascalNode* before = nullptr);
    TPascalCustomCommand* AddText(const QString& text, TPascalNode* before = nullptr);
    TPascalLet* AddLet(TPascalNode* before = nullptr) { return AddChild<TPascalLet>(before); }
    TPascalIf* AddIf(TPascalNode* before = nullptr) { return AddChild<TPascalIf>(before); }
    TPascalCase* AddCase(TPascalNode* before = nullptr) { return AddChild<TPascalCase>(before); }
    TPascalFor* AddFor(TPascalNode* before = nullptr) { return AddChild<TPascalFor>(before); }
    TPascalWhile* AddWhile(TPascalNode* before = nullptr) { return AddChild<TPascalWhile>(before); }
    TPascalTryFinally* AddTryFinally(TPascalNode* before = nullptr)
    {
        return AddChild<TPascalTryFinally>(before);
    }
    TPascalTryExcept* AddTryExcept(TPascalNode* before = nullptr)
    {
        return AddChild<TPascalTryExcept>(before);
    }

    void Optimize() override;
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    void RemoveConstantBranches();
    void RemoveDeadStores();
};

// The outcome of scanning statements for a variable: not mentioned, read, or overwritten before
// being read.
enum TPascalAccess : uint8_t
{
    paNone = 0,
    paRead = 1,
    paOverwritten = 2,
};

// Scans the statements after `start` in its list for the variable that `reference` names (prefix,
// target and suffix); stops at the first statement that decides.
TPascalAccess ScanAccess(const TPascalCall& reference, const TPascalNode* start);

} // namespace qv
