#pragma once

#include "schemes/program/pascal/pascal_command.h"

namespace qv {

class TPascalMethodParameters;

// "Name: Type = Value;".
class TPascalConstant : public TPascalConstEntry
{
    QV_CLASS(TPascalConstant, TPascalConstEntry)

    TPascalConstant();

    TPascalExpression* Type() const { return FType; }
    TPascalExpression* Value() const { return FValue; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FType;
    TPascalExpression* FValue;
};

// "Name: Type = Initial;", or "Name, " when the next variable continues the declaration.
class TPascalVariable : public TPascalVarEntry
{
    QV_CLASS(TPascalVariable, TPascalVarEntry)

    TPascalVariable();

    TPascalExpression* Type() const { return FType; }
    TPascalExpression* InitialValue() const { return FInitialValue; }
    bool Continued() const { return FContinued; }
    void SetContinued(bool value) { FContinued = value; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FType;
    TPascalExpression* FInitialValue;
    bool FContinued = false;
};

class TPascalMethodParameter : public TPascalNamedNode
{
    QV_CLASS(TPascalMethodParameter, TPascalNamedNode)

    TPascalMethodParameter();

    // None, const, var or out (the numbers of TPascalUsage).
    TPascalUsage Modifier() const { return FModifier; }
    void SetModifier(TPascalUsage value) { FModifier = value; }
    TPascalExpression* Type() const { return FType; }
    TPascalExpression* DefaultValue() const { return FDefaultValue; }
    // Whether the next parameter continues this one's declaration ("A, B: Integer").
    bool SharesTypeWithNext() const;
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalUsage FModifier = puValue;
    TPascalExpression* FType;
    TPascalExpression* FDefaultValue;
};

class TPascalMethodParameters : public TPascalNode
{
    QV_CLASS(TPascalMethodParameters, TPascalNode)

    TPascalMethodParameter* Add(const QString& name, TPascalUsage modifier = puValue,
                                TPascalNode* before = nullptr);
    bool IsEmpty() const { return FirstChild() == nullptr; }
};

enum TPascalMethodKind : uint8_t
{
    pmProcedure = 0,
    pmFunction = 1,
    pmClassProcedure = 2,
    pmClassFunction = 3,
    pmConstructor = 4,
    pmDestructor = 5,
};

// Routine directives, written in bit order.
using TPascalDirectives = uint32_t;
constexpr int PascalDirectiveCount = 21;
enum TPascalDirective : TPascalDirectives
{
    pdInline = 1u << 0,
    pdOverload = 1u << 1,
    pdDynamic = 1u << 2,
    pdVirtual = 1u << 3,
    pdAbstract = 1u << 4,
    pdOverride = 1u << 5,
    pdReintroduce = 1u << 6,
    pdForward = 1u << 7,
    pdDeprecated = 1u << 8,
    pdPlatform = 1u << 9,
    pdLocal = 1u << 10,
    pdRegister = 1u << 11,
    pdPascal = 1u << 12,
    pdCdecl = 1u << 13,
    pdStdcall = 1u << 14,
    pdSafecall = 1u << 15,
    pdFastcall = 1u << 16,
    pdAssembler = 1u << 17,
    pdExport = 1u << 18,
    pdNear = 1u << 19,
    pdFar = 1u << 20,
};

// The heading of a routine: kind, parameters, result type and directives.
class TPascalMethodHead : public TPascalNode
{
    QV_CLASS(TPascalMethodHead, TPascalNode)

    TPascalMethodHead();

    TPascalMethodKind Kind() const { return FKind; }
    void SetKind(TPascalMethodKind value) { FKind = value; }
    TPascalMethodParameters* Parameters() const { return FParameters; }
    TPascalExpression* ResultType() const { return FResultType; }
    TPascalDirectives Directives() const { return FDirectives; }
    void SetDirectives(TPascalDirectives value) { FDirectives = value; }
    bool IsFunction() const { return FKind == pmFunction || FKind == pmClassFunction; }

    // Kind word, "Class.Name" or "Name" (either may be empty), parameters and result type; then,
    // with `withDirectives`, "; word" for every directive.
    void WriteHeading(TPascalCodeWriter& w, const QString& className, const QString& name,
                      bool withDirectives = true) const;
    void WriteDirectives(TPascalCodeWriter& w) const;
    static QString KindText(TPascalMethodKind kind);
    static QString DirectiveText(int bit);

private:
    TPascalMethodKind FKind = pmProcedure;
    TPascalMethodParameters* FParameters;
    TPascalExpression* FResultType;
    TPascalDirectives FDirectives = 0;
};

// A routine heading in an interface section or a class.
class TPascalMethodDeclaration : public TPascalMethodEntry
{
    QV_CLASS(TPascalMethodDeclaration, TPascalMethodEntry)

    TPascalMethodDeclaration();

    TPascalMethodHead* Heading() const { return FHeading; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalMethodHead* FHeading;
};

// The implicit "Result" of a routine: never written, but a target for calls and a taken name.
class TPascalMethodResultVariable : public TPascalVariable
{
    QV_CLASS(TPascalMethodResultVariable, TPascalVariable)

    TPascalMethodResultVariable();

    static bool IsFloatingClass() { return false; }
    void WriteTo(TPascalCodeWriter&) const override {}
};

// A routine with its body. The heading names the linked declaration when there is one (so that a
// rename of the declaration reaches the implementation), else the routine itself.
class TPascalMethodWithImplementation : public TPascalMethodEntry
{
    QV_CLASS(TPascalMethodWithImplementation, TPascalMethodEntry)

    TPascalMethodWithImplementation();

    TPascalMethodDeclaration* Declaration() const;
    void SetDeclaration(TPascalMethodDeclaration* value) { FDeclaration.Set(value); }
    const QString& ClassName() const { return FClassName; }
    void SetClassName(const QString& value) { FClassName = value; }
    TPascalMethodHead* Heading() const { return FHeading; }
    TPascalDeclarations* LocalDeclarations() const { return FLocalDeclarations; }
    TPascalMethodResultVariable* ResultVariable() const { return FResultVariable; }
    TPascalCommands* Commands() const { return FCommands; }
    // The name the heading is written with.
    QString HeadingName() const;

    // Optimizes the body, then groups local variables of one type into one declaration.
    void Optimize() override;
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    void GroupVariables();

    TPascalLink FDeclaration;
    QString FClassName;
    TPascalMethodHead* FHeading;
    TPascalDeclarations* FLocalDeclarations;
    TPascalMethodResultVariable* FResultVariable;
    TPascalCommands* FCommands;
};

class TPascalEnumItem : public TPascalNamedNode
{
    QV_CLASS(TPascalEnumItem, TPascalNamedNode)

    TPascalEnumItem();

    TPascalExpression* Value() const { return FValue; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FValue;
};

// "Name = (A, B = 2);". Its own comment is not written.
class TPascalEnum : public TPascalTypeEntry
{
    QV_CLASS(TPascalEnum, TPascalTypeEntry)

    TPascalEnumItem* Add(const QString& name, TPascalNode* before = nullptr);
    void WriteTo(TPascalCodeWriter& w) const override;
};

class TPascalSetOf : public TPascalTypeEntry
{
    QV_CLASS(TPascalSetOf, TPascalTypeEntry)

    TPascalSetOf();

    TPascalExpression* ItemType() const { return FItemType; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FItemType;
};

class TPascalRecordField : public TPascalNamedNode
{
    QV_CLASS(TPascalRecordField, TPascalNamedNode)

    TPascalRecordField();

    TPascalExpression* Type() const { return FType; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FType;
};

class TPascalRecord : public TPascalTypeEntry
{
    QV_CLASS(TPascalRecord, TPascalTypeEntry)

    TPascalRecordField* Add(const QString& name, TPascalNode* before = nullptr);
    void WriteTo(TPascalCodeWriter& w) const override;
};

// "Name = array of Item" (dynamic) or "Name = array[Low..High] of Item".
class TPascalArray : public TPascalTypeEntry
{
    QV_CLASS(TPascalArray, TPascalTypeEntry)

    TPascalArray();

    bool Dynamic() const { return FDynamic; }
    void SetDynamic(bool value) { FDynamic = value; }
    TPascalExpression* LowBound() const { return FLowBound; }
    TPascalExpression* HighBound() const { return FHighBound; }
    TPascalExpression* ItemType() const { return FItemType; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    bool FDynamic = true;
    TPascalExpression* FLowBound;
    TPascalExpression* FHighBound;
    TPascalExpression* FItemType;
};

class TPascalPointer : public TPascalTypeEntry
{
    QV_CLASS(TPascalPointer, TPascalTypeEntry)

    TPascalPointer();

    TPascalExpression* TargetType() const { return FTargetType; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FTargetType;
};

class TPascalTypeAlias : public TPascalTypeEntry
{
    QV_CLASS(TPascalTypeAlias, TPascalTypeEntry)

    TPascalTypeAlias();

    TPascalExpression* Type() const { return FType; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FType;
};

// A procedural type, "Name = procedure(...) of object;".
class TPascalMethodType : public TPascalTypeEntry
{
    QV_CLASS(TPascalMethodType, TPascalTypeEntry)

    TPascalMethodType();

    TPascalMethodHead* Heading() const { return FHeading; }
    bool OfObject() const { return FOfObject; }
    void SetOfObject(bool value) { FOfObject = value; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalMethodHead* FHeading;
    bool FOfObject = false;
};

class TPascalInterfacePredeclaration : public TPascalTypeEntry
{
    QV_CLASS(TPascalInterfacePredeclaration, TPascalTypeEntry)

    void WriteTo(TPascalCodeWriter& w) const override;
};

class TPascalClassProperty : public TPascalClassPropertyEntry
{
    QV_CLASS(TPascalClassProperty, TPascalClassPropertyEntry)

    TPascalClassProperty();

    TPascalMethodParameters* Parameters() const { return FParameters; }
    TPascalExpression* Type() const { return FType; }
    TPascalExpression* Read() const { return FRead; }
    TPascalExpression* Write() const { return FWrite; }
    TPascalExpression* Stored() const { return FStored; }
    TPascalExpression* Default() const { return FDefault; }
    int32_t Index() const { return FIndex; }
    void SetIndex(int32_t value) { FIndex = value; }
    bool HasIndex() const { return FHasIndex; }
    void SetHasIndex(bool value) { FHasIndex = value; }
    bool NoDefault() const { return FNoDefault; }
    void SetNoDefault(bool value) { FNoDefault = value; }
    bool ClassProperty() const { return FClassProperty; }
    void SetClassProperty(bool value) { FClassProperty = value; }
    bool DefaultProperty() const { return FDefaultProperty; }
    void SetDefaultProperty(bool value) { FDefaultProperty = value; }

    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalMethodParameters* FParameters;
    TPascalExpression* FType;
    TPascalExpression* FRead;
    TPascalExpression* FWrite;
    TPascalExpression* FStored;
    TPascalExpression* FDefault;
    int32_t FIndex = 0;
    bool FHasIndex = false;
    bool FNoDefault = false;
    bool FClassProperty = false;
    bool FDefaultProperty = false;
};

class TPascalClassPredeclaration : public TPascalTypeEntry
{
    QV_CLASS(TPascalClassPredeclaration, TPascalTypeEntry)

    void WriteTo(TPascalCodeWriter& w) const override;
};

enum TPascalClassSection : uint8_t
{
    csStrictPrivate = 0,
    csPrivate = 1,
    csStrictProtected = 2,
    csProtected = 3,
    csPublic = 4,
    csPublished = 5,
};
constexpr int PascalClassSectionCount = 6;

class TPascalClass : public TPascalTypeEntry
{
    QV_CLASS(TPascalClass, TPascalTypeEntry)

    TPascalClass();

    bool Abstract() const { return FAbstract; }
    void SetAbstract(bool value) { FAbstract = value; }
    TPascalExpression* ParentType() const { return FParent; }
    TPascalDeclarations* GetSections(TPascalClassSection section) const;
    static QString SectionText(TPascalClassSection section);
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    bool FAbstract = false;
    TPascalExpression* FParent;
    TPascalDeclarations* FSections[PascalClassSectionCount];
};

class TPascalClassOf : public TPascalTypeEntry
{
    QV_CLASS(TPascalClassOf, TPascalTypeEntry)

    TPascalClassOf();

    TPascalExpression* ClassTypeExpression() const { return FClassType; }
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalExpression* FClassType;
};

} // namespace qv
