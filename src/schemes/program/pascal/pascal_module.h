#pragma once

#include "schemes/program/pascal/pascal_declaration.h"

namespace qv {

class TPascalUsedUnit : public TPascalNamedNode
{
    QV_CLASS(TPascalUsedUnit, TPascalNamedNode)

    void WriteTo(TPascalCodeWriter& w) const override;
};

// "uses A, B;" on lines of their own; nothing when empty.
class TPascalUsedUnits : public TPascalNode
{
    QV_CLASS(TPascalUsedUnits, TPascalNode)

    TPascalUsedUnit* Add(const QString& name, TPascalNode* before = nullptr);
    void WriteTo(TPascalCodeWriter& w) const override;
};

// The uses clause and declarations of a unit part, a program or a library.
class TPascalUnitClause : public TPascalNode
{
    QV_CLASS(TPascalUnitClause, TPascalNode)

    TPascalUnitClause();

    TPascalUsedUnits* UsedUnits() const { return FUsedUnits; }
    TPascalDeclarations* Declarations() const { return FDeclarations; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalUsedUnits* FUsedUnits;
    TPascalDeclarations* FDeclarations;
};

// A unit, program or library: the root of a tree. The module's name is taken for every generated
// name in it.
class TPascalModule : public TPascalNamedNode
{
    QV_CLASS(TPascalModule, TPascalNamedNode)

protected:
    // "<keyword> Name;", the comment and an empty line.
    void WriteModuleHeading(TPascalCodeWriter& w, const QString& keyword) const;
};

enum TPascalUnitPart : uint8_t
{
    upInterface,
    upImplementation,
};

class TPascalUnit : public TPascalModule
{
    QV_CLASS(TPascalUnit, TPascalModule)

    TPascalUnit();

    TPascalUnitClause* InterfaceClause() const { return FInterfaceClause; }
    TPascalUnitClause* ImplementationClause() const { return FImplementationClause; }
    TPascalUnitClause* GetClauses(TPascalUnitPart part) const;
    TPascalCommands* InitializationCommands() const { return FInitializationCommands; }
    TPascalCommands* FinalizationCommands() const { return FFinalizationCommands; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalUnitClause* FInterfaceClause;
    TPascalUnitClause* FImplementationClause;
    TPascalCommands* FInitializationCommands;
    TPascalCommands* FFinalizationCommands;
};

class TPascalProgram : public TPascalModule
{
    QV_CLASS(TPascalProgram, TPascalModule)

    TPascalProgram();

    TPascalUnitClause* Clause() const { return FClause; }
    TPascalCommands* Commands() const { return FCommands; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalUnitClause* FClause;
    TPascalCommands* FCommands;
};

class TPascalLibraryExportsValue : public TPascalCommentedNode
{
    QV_CLASS(TPascalLibraryExportsValue, TPascalCommentedNode)

    TPascalLibraryExportsValue();

    TPascalExpression* Value() const { return FValue; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FValue;
};

class TPascalLibraryExports : public TPascalNode
{
    QV_CLASS(TPascalLibraryExports, TPascalNode)

    // A new entry; returns its expression to fill.
    TPascalExpression* Add(TPascalNode* before = nullptr);
    bool IsEmpty() const { return FirstChild() == nullptr; }
    void WriteTo(TPascalCodeWriter& w) const override;
};

class TPascalLibrary : public TPascalModule
{
    QV_CLASS(TPascalLibrary, TPascalModule)

    TPascalLibrary();

    TPascalUnitClause* Clause() const { return FClause; }
    TPascalLibraryExports* Exports() const { return FExports; }
    TPascalCommands* Commands() const { return FCommands; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalUnitClause* FClause;
    TPascalLibraryExports* FExports;
    TPascalCommands* FCommands;
};

} // namespace qv
