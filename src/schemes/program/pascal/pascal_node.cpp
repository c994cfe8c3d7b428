#include "schemes/program/pascal/pascal_node.h"

#include "core/code_writer.h"

#include <algorithm>

namespace qv {

QV_IMPLEMENT_CLASS(TPascalNode)
QV_IMPLEMENT_CLASS(TPascalFloatingNode)
QV_IMPLEMENT_CLASS(TPascalCommentedNode)
QV_IMPLEMENT_CLASS(TPascalNamedNode)
QV_IMPLEMENT_CLASS(TPascalComment)
QV_IMPLEMENT_CLASS(TPascalCompilerDirective)
QV_IMPLEMENT_CLASS(TPascalCustomCompilerDirective)
QV_IMPLEMENT_CLASS(TPascalResourceInclude)
QV_IMPLEMENT_CLASS(TPascalConstEntry)
QV_IMPLEMENT_CLASS(TPascalVarEntry)
QV_IMPLEMENT_CLASS(TPascalTypeEntry)
QV_IMPLEMENT_CLASS(TPascalMethodEntry)
QV_IMPLEMENT_CLASS(TPascalClassPropertyEntry)
QV_IMPLEMENT_CLASS(TPascalDeclarations)

// ---------------------------------------------------------------------------------------------
// TPascalNode

void TPascalNode::Optimize()
{
    // A child may free or move itself while optimizing; the next one is taken beforehand only
    // when the child stays where it was.
    TNode* child = FirstChild();
    while (child != nullptr) {
        TNode* next = child->NextSibling();
        if (TPascalNode* node = AsPascal(child)) {
            node->Optimize();
            if (node->Parent() == this)
                next = node->NextSibling();
        }
        child = next;
    }
}

void TPascalNode::WriteTo(TPascalCodeWriter& w) const
{
    const TPascalNode* first = FirstNode();
    if (first != nullptr && first->IsFloating())
        WriteChildren(w);
}

void TPascalNode::WriteChildren(TPascalCodeWriter& w) const
{
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (const TPascalNode* node = AsPascal(child))
            node->WriteTo(w);
    }
}

const TPascalNode* TPascalNode::EnclosingFloating() const
{
    for (const TPascalNode* node = this; node != nullptr; node = node->ParentNode()) {
        if (node->IsFloating())
            return node;
    }
    return nullptr;
}

TPascalNode* TPascalNode::AddChild(const TPascalNodeClass* cls, TPascalNode* before)
{
    TNodePtr<TNode> node = cls != nullptr ? cls->CreateNode() : nullptr;
    if (node == nullptr)
        return nullptr;
    node->SetParent(this, before);
    // This node owns it now.
    return static_cast<TPascalNode*>(node.release());
}

TPascalComment* TPascalNode::AddComment(const QString& text, TPascalNode* before)
{
    TPascalComment* comment = AddChild<TPascalComment>(before);
    comment->SetText(text);
    return comment;
}

// ---------------------------------------------------------------------------------------------
// Comments, links and names

void TPascalCommentedNode::WriteOwnComment(TPascalCodeWriter& w) const
{
    if (FComment.isEmpty())
        return;
    w.Write(QStringLiteral(" "));
    w.WriteComment(FComment);
}

void TPascalLink::Set(TPascalNamedNode* target)
{
    if (target == FTarget)
        return;
    if (FTarget != nullptr) {
        auto& links = FTarget->FLinks;
        links.erase(std::remove(links.begin(), links.end(), this), links.end());
    }
    FTarget = target;
    if (FTarget != nullptr)
        FTarget->FLinks.push_back(this);
}

TPascalNamedNode::~TPascalNamedNode()
{
    for (TPascalLink* link : FLinks)
        link->FTarget = nullptr;
}

void TPascalComment::WriteTo(TPascalCodeWriter& w) const
{
    w.WriteComment(FText);
    w.NewLine();
}

// ---------------------------------------------------------------------------------------------
// Directives

TNoWrapGuard::TNoWrapGuard(TPascalCodeWriter& w) : FWriter(w), FWrapLines(w.WrapLines())
{
    w.SetWrapLines(false);
}

TNoWrapGuard::~TNoWrapGuard()
{
    FWriter.SetWrapLines(FWrapLines);
}

void TPascalCompilerDirective::WriteTo(TPascalCodeWriter& w) const
{
    if (FEmptyLineBefore)
        w.EnsureBlankLine();
    {
        TNoWrapGuard noWrap(w);
        w.WriteLn(QStringLiteral("{$") + GetText() + QStringLiteral("}"));
    }
    if (FEmptyLineAfter)
        w.EnsureBlankLine();
}

QString TPascalResourceInclude::GetText() const
{
    if (FFileName.contains(u' '))
        return QStringLiteral("R '") + FFileName + QStringLiteral("'");
    return QStringLiteral("R ") + FFileName;
}

// ---------------------------------------------------------------------------------------------
// Declaration sections

TPascalSectionKind SectionKindOf(const TPascalNode* node)
{
    // Attached comments follow their neighbour; the walk gives up when it comes back to a comment it
    // has seen (two comments attached to each other).
    std::vector<const TPascalNode*> seen;
    while (node != nullptr) {
        if (IsInstanceOf(node, TPascalConstEntry::StaticClass()))
            return skConst;
        if (IsInstanceOf(node, TPascalTypeEntry::StaticClass()))
            return skType;
        if (IsInstanceOf(node, TPascalVarEntry::StaticClass()))
            return skVar;
        if (IsInstanceOf(node, TPascalCompilerDirective::StaticClass()))
            return skNone;
        if (!IsInstanceOf(node, TPascalComment::StaticClass()))
            return skOther;
        const auto* comment = static_cast<const TPascalComment*>(node);
        if (comment->AttachTo() == caNone || std::find(seen.begin(), seen.end(), node) != seen.end())
            return skNone;
        seen.push_back(node);
        node = comment->AttachTo() == caPrevious ? node->PrevNode() : node->NextNode();
    }
    return skNone;
}

TPascalCustomCompilerDirective* TPascalDeclarations::AddDirective(const QString& text, TPascalNode* before)
{
    auto* directive = AddChild<TPascalCustomCompilerDirective>(before);
    directive->SetText(text);
    return directive;
}

TPascalNamedNode* TPascalDeclarations::FindNamed(const QString& name) const
{
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling()) {
        auto* named = dynamic_cast<TPascalNamedNode*>(child);
        if (named != nullptr && named->Name() == name)
            return named;
    }
    return nullptr;
}

void TPascalDeclarations::Transition(TPascalCodeWriter& w, TPascalSectionKind from,
                                     TPascalSectionKind to) const
{
    if (FIndentedSections & SectionBit(from))
        w.Unindent();
    if (FSpaceBetweenSections && from != skNone && to != skNone)
        w.EnsureBlankLine();
    if ((FHeadedSections & (SectionBit(to) | SectionBit(from))) != 0) {
        switch (to) {
        case skConst:
            w.WriteLn(QStringLiteral("const"));
            break;
        case skType:
            w.WriteLn(QStringLiteral("type"));
            break;
        case skVar:
            w.WriteLn(QStringLiteral("var"));
            break;
        default:
            break;
        }
    }
    if (FIndentedSections & SectionBit(to))
        w.Indent();
}

void TPascalDeclarations::WriteTo(TPascalCodeWriter& w) const
{
    TPascalSectionKind current = skNone;
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling()) {
        const TPascalNode* node = AsPascal(child);
        if (node == nullptr)
            continue;
        const TPascalSectionKind kind = SectionKindOf(node);
        if (kind == current && (FSpacedSections & SectionBit(kind)))
            w.EnsureBlankLine();
        if (kind != current)
            Transition(w, current, kind);
        node->WriteTo(w);
        current = kind;
    }
    if (current != skNone)
        Transition(w, current, skNone);
}

} // namespace qv
