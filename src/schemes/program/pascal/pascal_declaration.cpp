#include "schemes/program/pascal/pascal_declaration.h"

#include "core/code_writer.h"

namespace qv {

QV_IMPLEMENT_CLASS(TPascalConstant)
QV_IMPLEMENT_CLASS(TPascalVariable)
QV_IMPLEMENT_CLASS(TPascalMethodParameter)
QV_IMPLEMENT_CLASS(TPascalMethodParameters)
QV_IMPLEMENT_CLASS(TPascalMethodHead)
QV_IMPLEMENT_CLASS(TPascalMethodDeclaration)
QV_IMPLEMENT_CLASS(TPascalMethodResultVariable)
QV_IMPLEMENT_CLASS(TPascalMethodWithImplementation)
QV_IMPLEMENT_CLASS(TPascalEnumItem)
QV_IMPLEMENT_CLASS(TPascalEnum)
QV_IMPLEMENT_CLASS(TPascalSetOf)
QV_IMPLEMENT_CLASS(TPascalRecordField)
QV_IMPLEMENT_CLASS(TPascalRecord)
QV_IMPLEMENT_CLASS(TPascalArray)
QV_IMPLEMENT_CLASS(TPascalPointer)
QV_IMPLEMENT_CLASS(TPascalTypeAlias)
QV_IMPLEMENT_CLASS(TPascalMethodType)
QV_IMPLEMENT_CLASS(TPascalInterfacePredeclaration)
QV_IMPLEMENT_CLASS(TPascalClassProperty)
QV_IMPLEMENT_CLASS(TPascalClassPredeclaration)
QV_IMPLEMENT_CLASS(TPascalClass)
QV_IMPLEMENT_CLASS(TPascalClassOf)

// ---------------------------------------------------------------------------------------------
// Constants and variables

TPascalConstant::TPascalConstant()
{
    FType = AddChild<TPascalExpression>();
    FValue = AddChild<TPascalExpression>();
}

void TPascalConstant::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(Name());
    if (!FType->IsEmpty()) {
        w.Write(QStringLiteral(": "));
        FType->WriteTo(w);
    }
    w.Write(QStringLiteral(" = "));
    w.BreakIfLong();
    FValue->WriteTo(w);
    w.Write(QStringLiteral(";"));
    WriteOwnComment(w);
    w.NewLine();
}

TPascalVariable::TPascalVariable()
{
    FType = AddChild<TPascalExpression>();
    FInitialValue = AddChild<TPascalExpression>();
}

void TPascalVariable::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(Name());
    if (FContinued) {
        WriteOwnComment(w);
        w.Write(QStringLiteral(", "));
        w.BreakIfLong();
        return;
    }
    if (!FType->IsEmpty()) {
        w.Write(QStringLiteral(": "));
        FType->WriteTo(w);
    }
    if (!FInitialValue->IsEmpty()) {
        w.Write(QStringLiteral(" = "));
        FInitialValue->WriteTo(w);
    }
    w.Write(QStringLiteral(";"));
    WriteOwnComment(w);
    w.NewLine();
}

// ---------------------------------------------------------------------------------------------
// Parameters and headings

TPascalMethodParameter::TPascalMethodParameter()
{
    FType = AddChild<TPascalExpression>();
    FDefaultValue = AddChild<TPascalExpression>();
}

bool TPascalMethodParameter::SharesTypeWithNext() const
{
    auto* next = dynamic_cast<const TPascalMethodParameter*>(NextSibling());
    return FDefaultValue->IsEmpty() && next != nullptr && next->FModifier == FModifier &&
           EqualTypes(FType, next->FType) && next->FDefaultValue->IsEmpty();
}

void TPascalMethodParameter::WriteTo(TPascalCodeWriter& w) const
{
    auto* prev = dynamic_cast<const TPascalMethodParameter*>(PrevSibling());
    if (prev == nullptr || !prev->SharesTypeWithNext()) {
        static const char* const words[] = {"", "const ", "var ", "out "};
        if (FModifier <= puOut)
            w.Write(QString::fromLatin1(words[FModifier]));
    }
    w.Write(Name());
    if (SharesTypeWithNext()) {
        WriteOwnComment(w);
        w.Write(QStringLiteral(", "));
    } else {
        if (!FType->IsEmpty()) {
            w.Write(QStringLiteral(": "));
            FType->WriteTo(w);
        }
        if (!FDefaultValue->IsEmpty()) {
            w.Write(QStringLiteral(" = "));
            FDefaultValue->WriteTo(w);
        }
        WriteOwnComment(w);
        if (NextSibling() != nullptr)
            w.Write(QStringLiteral("; "));
    }
    w.BreakIfLong();
}

TPascalMethodParameter* TPascalMethodParameters::Add(const QString& name, TPascalUsage modifier,
                                                     TPascalNode* before)
{
    auto* parameter = AddChild<TPascalMethodParameter>(before);
    parameter->SetName(name);
    parameter->SetModifier(modifier);
    return parameter;
}

TPascalMethodHead::TPascalMethodHead()
{
    FParameters = AddChild<TPascalMethodParameters>();
    FResultType = AddChild<TPascalExpression>();
}

QString TPascalMethodHead::KindText(TPascalMethodKind kind)
{
    static const char* const words[] = {"procedure",      "function",    "class procedure",
                                        "class function", "constructor", "destructor"};
    return kind <= pmDestructor ? QString::fromLatin1(words[kind]) : QString();
}

QString TPascalMethodHead::DirectiveText(int bit)
{
    static const char* const words[] = {
        "inline",  "overload",   "dynamic",  "virtual",   "abstract", "override", "reintroduce",
        "forward", "deprecated", "platform", "local",     "register", "pascal",   "cdecl",
        "stdcall", "safecall",   "fastcall", "assembler", "export",   "near",     "far"};
    static_assert(std::size(words) == PascalDirectiveCount);
    return bit >= 0 && bit < PascalDirectiveCount ? QString::fromLatin1(words[bit]) : QString();
}

void TPascalMethodHead::WriteDirectives(TPascalCodeWriter& w) const
{
    QString text;
    for (int bit = 0; bit < PascalDirectiveCount; ++bit) {
        if (FDirectives & (TPascalDirectives(1) << bit))
            text += QStringLiteral("; ") + DirectiveText(bit);
    }
    w.Write(text);
}

void TPascalMethodHead::WriteHeading(TPascalCodeWriter& w, const QString& className, const QString& name,
                                     bool withDirectives) const
{
    w.Write(KindText(FKind));
    if (!className.isEmpty())
        w.Write(u' ' + className + u'.' + name);
    else if (!name.isEmpty())
        w.Write(u' ' + name);
    if (!FParameters->IsEmpty()) {
        w.Write(QStringLiteral("("));
        w.BreakIfLong();
        FParameters->WriteTo(w);
        w.Write(QStringLiteral(")"));
    }
    if (IsFunction()) {
        w.Write(QStringLiteral(": "));
        FResultType->WriteTo(w);
    }
    if (withDirectives)
        WriteDirectives(w);
}

// ---------------------------------------------------------------------------------------------
// Routines

TPascalMethodDeclaration::TPascalMethodDeclaration()
{
    FHeading = AddChild<TPascalMethodHead>();
}

void TPascalMethodDeclaration::WriteTo(TPascalCodeWriter& w) const
{
    if (w.WriteComment(Comment()))
        w.NewLine();
    FHeading->WriteHeading(w, QString(), Name());
    w.WriteLn(QStringLiteral(";"));
}

TPascalMethodResultVariable::TPascalMethodResultVariable()
{
    SetName(QStringLiteral("Result"));
}

TPascalMethodWithImplementation::TPascalMethodWithImplementation()
{
    FHeading = AddChild<TPascalMethodHead>();
    FLocalDeclarations = AddChild<TPascalDeclarations>();
    FLocalDeclarations->SetHeadedSections(SectionBit(skConst) | SectionBit(skType) | SectionBit(skVar));
    FLocalDeclarations->SetIndentedSections(SectionBit(skConst) | SectionBit(skType) | SectionBit(skVar) |
                                            SectionBit(skOther));
    FLocalDeclarations->SetSpacedSections(0);
    FResultVariable = AddChild<TPascalMethodResultVariable>();
    FCommands = AddChild<TPascalCommands>();
}

TPascalMethodDeclaration* TPascalMethodWithImplementation::Declaration() const
{
    return static_cast<TPascalMethodDeclaration*>(FDeclaration.Get());
}

QString TPascalMethodWithImplementation::HeadingName() const
{
    const TPascalMethodDeclaration* declaration = Declaration();
    return declaration != nullptr ? declaration->Name() : Name();
}

void TPascalMethodWithImplementation::Optimize()
{
    TPascalNode::Optimize();
    GroupVariables();
}

void TPascalMethodWithImplementation::GroupVariables()
{
    const auto groupable = [](const TNode* node) -> const TPascalVariable* {
        auto* variable = dynamic_cast<const TPascalVariable*>(node);
        return variable != nullptr && variable->Comment().isEmpty() && variable->InitialValue()->IsEmpty()
                   ? variable
                   : nullptr;
    };
    TNode* child = FLocalDeclarations->FirstChild();
    while (child != nullptr) {
        TNode* next = child->NextSibling();
        if (auto* variable = const_cast<TPascalVariable*>(groupable(child))) {
            for (TNode* prev = child->PrevSibling(); dynamic_cast<TPascalVariable*>(prev) != nullptr;
                 prev = prev->PrevSibling()) {
                auto* candidate = const_cast<TPascalVariable*>(groupable(prev));
                if (candidate != nullptr && EqualTypes(candidate->Type(), variable->Type())) {
                    candidate->SetContinued(true);
                    if (candidate->NextSibling() != variable)
                        variable->SetParent(FLocalDeclarations, AsPascal(candidate->NextSibling()));
                    break;
                }
            }
        }
        child = next;
    }
}

void TPascalMethodWithImplementation::WriteTo(TPascalCodeWriter& w) const
{
    w.EnsureBlankLine();
    FHeading->WriteHeading(w, FClassName, HeadingName());
    w.WriteLn(QStringLiteral(";"));
    FLocalDeclarations->WriteTo(w);
    w.WriteLn(QStringLiteral("begin"));
    w.Indent();
    if (w.WriteComment(Comment()))
        w.NewLine();
    FCommands->WriteTo(w);
    w.Unindent();
    w.WriteLn(QStringLiteral("end;"));
    w.NewLine();
}

// ---------------------------------------------------------------------------------------------
// Types

TPascalEnumItem::TPascalEnumItem()
{
    FValue = AddChild<TPascalExpression>();
}

void TPascalEnumItem::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(Name());
    if (!FValue->IsEmpty()) {
        w.Write(QStringLiteral(" = "));
        FValue->WriteTo(w);
    }
    WriteOwnComment(w);
}

TPascalEnumItem* TPascalEnum::Add(const QString& name, TPascalNode* before)
{
    auto* item = AddChild<TPascalEnumItem>(before);
    item->SetName(name);
    return item;
}

void TPascalEnum::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(Name() + QStringLiteral(" = ("));
    w.BreakIfLong();
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (child != FirstChild()) {
            w.Write(QStringLiteral(", "));
            w.BreakIfLong();
        }
        if (const TPascalNode* node = AsPascal(child))
            node->WriteTo(w);
    }
    w.WriteLn(QStringLiteral(");"));
}

TPascalSetOf::TPascalSetOf()
{
    FItemType = AddChild<TPascalExpression>();
}

void TPascalSetOf::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(Name() + QStringLiteral(" = set of "));
    w.BreakIfLong();
    FItemType->WriteTo(w);
    w.Write(QStringLiteral(";"));
    WriteOwnComment(w);
    w.NewLine();
}

TPascalRecordField::TPascalRecordField()
{
    FType = AddChild<TPascalExpression>();
}

void TPascalRecordField::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(Name() + QStringLiteral(": "));
    FType->WriteTo(w);
    w.Write(QStringLiteral(";"));
    WriteOwnComment(w);
    w.NewLine();
}

TPascalRecordField* TPascalRecord::Add(const QString& name, TPascalNode* before)
{
    auto* field = AddChild<TPascalRecordField>(before);
    field->SetName(name);
    return field;
}

void TPascalRecord::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(Name() + QStringLiteral(" = record"));
    WriteOwnComment(w);
    w.NewLine();
    w.Indent();
    WriteChildren(w);
    w.Unindent();
    w.WriteLn(QStringLiteral("end;"));
}

TPascalArray::TPascalArray()
{
    FLowBound = AddChild<TPascalExpression>();
    FHighBound = AddChild<TPascalExpression>();
    FItemType = AddChild<TPascalExpression>();
}

void TPascalArray::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(Name());
    if (FDynamic) {
        w.Write(QStringLiteral(" = array of "));
    } else {
        w.Write(QStringLiteral(" = array["));
        FLowBound->WriteTo(w);
        w.Write(QStringLiteral(".."));
        FHighBound->WriteTo(w);
        w.Write(QStringLiteral("] of "));
    }
    w.BreakIfLong();
    FItemType->WriteTo(w);
    w.Write(QStringLiteral(";"));
    WriteOwnComment(w);
    w.NewLine();
}

TPascalPointer::TPascalPointer()
{
    FTargetType = AddChild<TPascalExpression>();
}

void TPascalPointer::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(Name() + QStringLiteral(" = ^"));
    FTargetType->WriteTo(w);
    w.Write(QStringLiteral(";"));
    WriteOwnComment(w);
    w.NewLine();
}

TPascalTypeAlias::TPascalTypeAlias()
{
    FType = AddChild<TPascalExpression>();
}

void TPascalTypeAlias::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(Name() + QStringLiteral(" = "));
    w.BreakIfLong();
    FType->WriteTo(w);
    w.Write(QStringLiteral(";"));
    WriteOwnComment(w);
    w.NewLine();
}

TPascalMethodType::TPascalMethodType()
{
    FHeading = AddChild<TPascalMethodHead>();
}

void TPascalMethodType::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(Name() + QStringLiteral(" = "));
    w.BreakIfLong();
    // The calling convention follows "of object": "procedure; stdcall of object" is no Pascal.
    FHeading->WriteHeading(w, QString(), QString(), !FOfObject);
    if (FOfObject) {
        w.Write(QStringLiteral(" "));
        w.BreakIfLong();
        w.Write(QStringLiteral("of object"));
        FHeading->WriteDirectives(w);
    }
    w.Write(QStringLiteral(";"));
    WriteOwnComment(w);
    w.NewLine();
}

void TPascalInterfacePredeclaration::WriteTo(TPascalCodeWriter& w) const
{
    w.WriteLn(Name() + QStringLiteral(" = interface;"));
}

void TPascalClassPredeclaration::WriteTo(TPascalCodeWriter& w) const
{
    w.WriteLn(Name() + QStringLiteral(" = class;"));
}

TPascalClassOf::TPascalClassOf()
{
    FClassType = AddChild<TPascalExpression>();
}

void TPascalClassOf::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(Name() + QStringLiteral(" = class of "));
    w.BreakIfLong();
    FClassType->WriteTo(w);
    w.Write(QStringLiteral(";"));
    WriteOwnComment(w);
    w.NewLine();
}

// ---------------------------------------------------------------------------------------------
// Classes

TPascalClassProperty::TPascalClassProperty()
{
    FParameters = AddChild<TPascalMethodParameters>();
    FType = AddChild<TPascalExpression>();
    FRead = AddChild<TPascalExpression>();
    FWrite = AddChild<TPascalExpression>();
    FStored = AddChild<TPascalExpression>();
    FDefault = AddChild<TPascalExpression>();
}

void TPascalClassProperty::WriteTo(TPascalCodeWriter& w) const
{
    const auto specifier = [&w](const QString& word, const TPascalExpression* value) {
        if (value->IsEmpty())
            return;
        w.Write(QStringLiteral(" "));
        w.BreakIfLong();
        w.Write(word);
        value->WriteTo(w);
    };
    if (FClassProperty)
        w.Write(QStringLiteral("class "));
    w.Write(QStringLiteral("property ") + Name());
    if (!FParameters->IsEmpty()) {
        w.Write(QStringLiteral("["));
        FParameters->WriteTo(w);
        w.Write(QStringLiteral("]"));
    }
    if (!FType->IsEmpty()) {
        w.Write(QStringLiteral(": "));
        FType->WriteTo(w);
    }
    // The compiler takes the specifiers only in this order: index, read, write, stored, then default
    // or nodefault.
    if (FHasIndex) {
        w.Write(QStringLiteral(" "));
        w.BreakIfLong();
        w.Write(QStringLiteral("index ") + QString::number(FIndex));
    }
    specifier(QStringLiteral("read "), FRead);
    specifier(QStringLiteral("write "), FWrite);
    specifier(QStringLiteral("stored "), FStored);
    specifier(QStringLiteral("default "), FDefault);
    if (FNoDefault)
        w.Write(QStringLiteral(" nodefault"));
    w.Write(QStringLiteral(";"));
    if (FDefaultProperty)
        w.Write(QStringLiteral(" default;"));
    WriteOwnComment(w);
    w.NewLine();
}

TPascalClass::TPascalClass()
{
    FParent = AddChild<TPascalExpression>();
    for (TPascalDeclarations*& section : FSections) {
        section = AddChild<TPascalDeclarations>();
        section->SetHeadedSections(SectionBit(skConst) | SectionBit(skType));
        section->SetIndentedSections(SectionBit(skConst) | SectionBit(skType) | SectionBit(skVar) |
                                     SectionBit(skOther));
    }
}

TPascalDeclarations* TPascalClass::GetSections(TPascalClassSection section) const
{
    return section < PascalClassSectionCount ? FSections[section] : nullptr;
}

QString TPascalClass::SectionText(TPascalClassSection section)
{
    static const char* const words[] = {"strict private", "private", "strict protected",
                                        "protected",      "public",  "published"};
    return section < PascalClassSectionCount ? QString::fromLatin1(words[section]) : QString();
}

void TPascalClass::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(Name() + QStringLiteral(" = class"));
    if (FAbstract)
        w.Write(QStringLiteral(" abstract"));
    if (!FParent->IsEmpty()) {
        w.Write(QStringLiteral("("));
        FParent->WriteTo(w);
        w.Write(QStringLiteral(")"));
    }
    w.NewLine();
    for (int i = 0; i < PascalClassSectionCount; ++i) {
        if (FSections[i]->FirstChild() == nullptr)
            continue;
        w.WriteLn(SectionText(TPascalClassSection(i)));
        FSections[i]->WriteTo(w);
    }
    w.WriteLn(QStringLiteral("end;"));
    w.NewLine();
}

} // namespace qv
