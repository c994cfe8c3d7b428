#include "schemes/program/pascal/pascal_module.h"

#include "core/code_writer.h"

#include <QSet>

namespace qv {

QV_IMPLEMENT_CLASS(TPascalUsedUnit)
QV_IMPLEMENT_CLASS(TPascalUsedUnits)
QV_IMPLEMENT_CLASS(TPascalUnitClause)
QV_IMPLEMENT_CLASS(TPascalModule)
QV_IMPLEMENT_CLASS(TPascalUnit)
QV_IMPLEMENT_CLASS(TPascalProgram)
QV_IMPLEMENT_CLASS(TPascalLibraryExportsValue)
QV_IMPLEMENT_CLASS(TPascalLibraryExports)
QV_IMPLEMENT_CLASS(TPascalLibrary)

// ---------------------------------------------------------------------------------------------
// Uses clauses

void TPascalUsedUnit::WriteTo(TPascalCodeWriter& w) const
{
    w.Write(Name());
    WriteOwnComment(w);
}

TPascalUsedUnit* TPascalUsedUnits::Add(const QString& name, TPascalNode* before)
{
    auto* unit = AddChild<TPascalUsedUnit>(before);
    unit->SetName(name);
    return unit;
}

void TPascalUsedUnits::WriteTo(TPascalCodeWriter& w) const
{
    if (FirstChild() == nullptr)
        return;
    w.WriteLn(QStringLiteral("uses"));
    w.Indent();
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (child != FirstChild())
            w.Write(QStringLiteral(", "));
        if (const TPascalNode* node = AsPascal(child))
            node->WriteTo(w);
    }
    w.WriteLn(QStringLiteral(";"));
    w.Unindent();
    w.NewLine();
}

TPascalUnitClause::TPascalUnitClause()
{
    FUsedUnits = AddChild<TPascalUsedUnits>();
    FDeclarations = AddChild<TPascalDeclarations>();
    const TPascalSectionKinds sections = SectionBit(skConst) | SectionBit(skType) | SectionBit(skVar);
    FDeclarations->SetHeadedSections(sections);
    FDeclarations->SetIndentedSections(sections);
    FDeclarations->SetSpaceBetweenSections(true);
}

void TPascalUnitClause::WriteTo(TPascalCodeWriter& w) const
{
    FUsedUnits->WriteTo(w);
    FDeclarations->WriteTo(w);
}

// ---------------------------------------------------------------------------------------------
// Modules

void TPascalModule::WriteModuleHeading(TPascalCodeWriter& w, const QString& keyword) const
{
    w.WriteLn(keyword + u' ' + Name() + u';');
    w.WriteComment(Comment());
    w.NewLine();
}

TPascalUnit::TPascalUnit()
{
    FInterfaceClause = AddChild<TPascalUnitClause>();
    FImplementationClause = AddChild<TPascalUnitClause>();
    FInitializationCommands = AddChild<TPascalCommands>();
    FFinalizationCommands = AddChild<TPascalCommands>();
}

TPascalUnitClause* TPascalUnit::GetClauses(TPascalUnitPart part) const
{
    return part == upInterface ? FInterfaceClause : FImplementationClause;
}

void TPascalUnit::WriteTo(TPascalCodeWriter& w) const
{
    WriteModuleHeading(w, QStringLiteral("unit"));
    w.WriteLn(QStringLiteral("interface"));
    w.NewLine();
    FInterfaceClause->WriteTo(w);
    w.EnsureBlankLine();
    w.WriteLn(QStringLiteral("implementation"));
    w.NewLine();
    FImplementationClause->WriteTo(w);
    w.EnsureBlankLine();
    if (!FInitializationCommands->IsEmpty() || !FFinalizationCommands->IsEmpty()) {
        w.WriteLn(QStringLiteral("initialization"));
        w.Indent();
        FInitializationCommands->WriteTo(w);
        w.Unindent();
        w.NewLine();
    }
    if (!FFinalizationCommands->IsEmpty()) {
        w.WriteLn(QStringLiteral("finalization"));
        w.Indent();
        FFinalizationCommands->WriteTo(w);
        w.Unindent();
        w.NewLine();
    }
    w.WriteLn(QStringLiteral("end."));
}

TPascalProgram::TPascalProgram()
{
    FClause = AddChild<TPascalUnitClause>();
    FCommands = AddChild<TPascalCommands>();
}

void TPascalProgram::WriteTo(TPascalCodeWriter& w) const
{
    WriteModuleHeading(w, QStringLiteral("program"));
    FClause->WriteTo(w);
    w.WriteLn(QStringLiteral("begin"));
    w.Indent();
    FCommands->WriteTo(w);
    w.Unindent();
    w.WriteLn(QStringLiteral("end."));
}

TPascalLibraryExportsValue::TPascalLibraryExportsValue()
{
    FValue = AddChild<TPascalExpression>();
}

void TPascalLibraryExportsValue::WriteTo(TPascalCodeWriter& w) const
{
    FValue->WriteTo(w);
    WriteOwnComment(w);
}

TPascalExpression* TPascalLibraryExports::Add(TPascalNode* before)
{
    return AddChild<TPascalLibraryExportsValue>(before)->Value();
}

void TPascalLibraryExports::WriteTo(TPascalCodeWriter& w) const
{
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (const TPascalNode* node = AsPascal(child))
            node->WriteTo(w);
        w.WriteLn(child->NextSibling() != nullptr ? QStringLiteral(", ") : QStringLiteral(";"));
    }
}

TPascalLibrary::TPascalLibrary()
{
    FClause = AddChild<TPascalUnitClause>();
    FExports = AddChild<TPascalLibraryExports>();
    FCommands = AddChild<TPascalCommands>();
}

void TPascalLibrary::WriteTo(TPascalCodeWriter& w) const
{
    WriteModuleHeading(w, QStringLiteral("library"));
    FClause->WriteTo(w);
    if (!FExports->IsEmpty()) {
        w.WriteLn(QStringLiteral("exports"));
        w.Indent();
        FExports->WriteTo(w);
        w.Unindent();
        w.NewLine();
    }
    w.WriteLn(QStringLiteral("begin"));
    w.Indent();
    FCommands->WriteTo(w);
    w.Unindent();
    w.WriteLn(QStringLiteral("end."));
}

// ---------------------------------------------------------------------------------------------
// Unique names

namespace {

// The names a node may not take, in lower case: the module's name, the names of the named children
// (already final) of every ancestor, and the parameters of every enclosing routine.
QSet<QString> TakenNames(const TPascalNamedNode* node, const TPascalModule* module)
{
    QSet<QString> taken;
    if (module != nullptr)
        taken.insert(module->Name().toLower());
    for (TNode* ancestor = node->Parent(); ancestor != nullptr; ancestor = ancestor->Parent()) {
        for (TNode* child = ancestor->FirstChild(); child != nullptr; child = child->NextSibling()) {
            auto* named = dynamic_cast<const TPascalNamedNode*>(child);
            if (named != nullptr && named != node && !named->MakeUnique())
                taken.insert(named->Name().toLower());
        }
        if (auto* routine = dynamic_cast<const TPascalMethodWithImplementation*>(ancestor)) {
            for (TNode* child = routine->Heading()->Parameters()->FirstChild(); child != nullptr;
                 child = child->NextSibling()) {
                // A parameter does not collide with itself, and one still waiting for its name
                // does not block another.
                auto* parameter = dynamic_cast<const TPascalNamedNode*>(child);
                if (parameter != nullptr && parameter != node && !parameter->MakeUnique())
                    taken.insert(parameter->Name().toLower());
            }
        }
    }
    return taken;
}

} // namespace

void TPascalNode::MakeUniqueNames()
{
    const TPascalModule* module = nullptr;
    for (TNode* node = this; node != nullptr; node = node->Parent()) {
        if (auto* found = dynamic_cast<const TPascalModule*>(node))
            module = found;
    }
    std::vector<TNode*> nodes;
    CollectAll(nodes, TPascalNamedNode::StaticClass());
    for (TNode* each : nodes) {
        auto* node = static_cast<TPascalNamedNode*>(each);
        if (!node->MakeUnique())
            continue;
        if (node == module) {
            node->SetMakeUnique(false);
            continue;
        }
        const QSet<QString> taken = TakenNames(node, module);
        const QString start = node->Name();
        // A one-letter name tries the following letters up to "Z" first (I, J, K...), then numbers.
        const bool letters = start.size() == 1 && start[0].unicode() > 64;
        QString candidate = start;
        int counter = 1;
        while (taken.contains(candidate.toLower())) {
            if (letters && candidate.size() == 1 && candidate[0] < u'Z')
                candidate = QChar(char16_t(candidate[0].unicode() + 1));
            else
                candidate = start + QString::number(counter++);
        }
        node->SetName(candidate);
        node->SetMakeUnique(false);
    }
}

} // namespace qv
