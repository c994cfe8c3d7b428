#pragma once

#include "core/meta_class.h"
#include "core/node.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace qv {

class TPascalCodeWriter;
class TPascalComment;
class TPascalCustomCompilerDirective;
class TPascalNamedNode;

// The metaclass of the Pascal source model: IsFloating is a property of the class, not of an instance.
class TPascalNodeClass : public TMetaClass
{
public:
    using TMetaClass::TMetaClass;

    // Whether nodes of the class may stand freely in a list (declarations, statements, expression
    // items, comments, directives) rather than being a fixed structural part of their parent.
    virtual bool IsFloating() const = 0;
};

// Forwards IsFloating to the static C::IsFloatingClass(), which subclasses redefine.
template <class C>
class TPascalNodeClassImpl : public TMetaClassImpl<C, TPascalNodeClass>
{
public:
    using TMetaClassImpl<C, TPascalNodeClass>::TMetaClassImpl;

    bool IsFloating() const override { return C::IsFloatingClass(); }
};

// A node of the syntax tree from which Pascal units, programs and libraries are written. The tree
// is built once, optionally optimized (Optimize), named (MakeUniqueNames) and written (WriteTo).
//
// A node is created as a child of its parent (AddChild). The parts a node cannot do without
// (expressions, statement lists, headings, sections) are created by its constructor as its first
// children and kept in fields; everything else is added later as further children.
class TPascalNode : public TNode
{
public:
    using inherited = TNode;
    template <class C>
    using TMetaFor = TPascalNodeClassImpl<C>;
    using TMetaType = TMetaFor<TPascalNode>;
    static const TMetaType* StaticClass() noexcept;
    const TMetaClass* ClassType() const noexcept override;

    const TPascalNodeClass* PascalClass() const { return static_cast<const TPascalNodeClass*>(ClassType()); }
    static bool IsFloatingClass() { return false; }
    bool IsFloating() const { return PascalClass()->IsFloating(); }

    // Depth first: the default optimizes every child in order.
    virtual void Optimize();
    // The default writes every child in order, but only when the first child is floating: a node
    // whose first child is a structural part writes nothing unless it overrides this.
    virtual void WriteTo(TPascalCodeWriter& w) const;

    // The nearest node at or above this one whose class is floating, or nullptr.
    const TPascalNode* EnclosingFloating() const;
    TPascalNode* ParentNode() const { return AsPascal(Parent()); }
    TPascalNode* FirstNode() const { return AsPascal(FirstChild()); }
    TPascalNode* NextNode() const { return AsPascal(NextSibling()); }
    TPascalNode* PrevNode() const { return AsPascal(PrevSibling()); }
    static TPascalNode* AsPascal(TNode* node) { return dynamic_cast<TPascalNode*>(node); }

    // A new node of class C as a child, before `before` (a child of this node) or at the end.
    template <class C>
    C* AddChild(TPascalNode* before = nullptr)
    {
        C* node = new C();
        node->SetParent(this, before);
        return node;
    }
    // The same for a class used as a value; nullptr for an abstract class.
    TPascalNode* AddChild(const TPascalNodeClass* cls, TPascalNode* before = nullptr);
    TPascalComment* AddComment(const QString& text, TPascalNode* before = nullptr);

    // Gives every named node whose MakeUnique is set a name that no node it can see already takes
    // (compared without case). Runs over this node's whole subtree in document order; call it on
    // the module.
    void MakeUniqueNames();

protected:
    // Writes the children in order, whatever their class.
    void WriteChildren(TPascalCodeWriter& w) const;
};

// Declarations, statements, expression items, comments and directives.
class TPascalFloatingNode : public TPascalNode
{
    QV_CLASS(TPascalFloatingNode, TPascalNode)

    static bool IsFloatingClass() { return true; }
};

class TPascalCommentedNode : public TPascalFloatingNode
{
    QV_CLASS(TPascalCommentedNode, TPascalFloatingNode)

    const QString& Comment() const { return FComment; }
    void SetComment(const QString& value) { FComment = value; }

protected:
    // " { comment }" when the comment is not empty.
    void WriteOwnComment(TPascalCodeWriter& w) const;

private:
    QString FComment;
};

// A non-owning link from a node to a named node. The named node clears its links when it is freed,
// so a link never dangles: it then reads as "no target".
class TPascalLink
{
public:
    TPascalLink() = default;
    TPascalLink(const TPascalLink&) = delete;
    TPascalLink& operator=(const TPascalLink&) = delete;
    ~TPascalLink() { Set(nullptr); }

    TPascalNamedNode* Get() const { return FTarget; }
    void Set(TPascalNamedNode* target);

private:
    friend class TPascalNamedNode;
    TPascalNamedNode* FTarget = nullptr;
};

class TPascalNamedNode : public TPascalCommentedNode
{
    QV_CLASS(TPascalNamedNode, TPascalCommentedNode)

    ~TPascalNamedNode() override;

    const QString& Name() const { return FName; }
    void SetName(const QString& value) { FName = value; }
    // Set by whoever generated the name; the naming pass picks a free name and clears it.
    bool MakeUnique() const { return FMakeUnique; }
    void SetMakeUnique(bool value) { FMakeUnique = value; }

private:
    friend class TPascalLink;
    QString FName;
    bool FMakeUnique = false;
    std::vector<TPascalLink*> FLinks;
};

enum TPascalCommentAttach : uint8_t
{
    caNone,
    caPrevious,
    caNext,
};

// A comment on a line of its own. Attached to a neighbour, it counts as part of that neighbour's
// declaration section.
class TPascalComment : public TPascalFloatingNode
{
    QV_CLASS(TPascalComment, TPascalFloatingNode)

    TPascalCommentAttach AttachTo() const { return FAttachTo; }
    void SetAttachTo(TPascalCommentAttach value) { FAttachTo = value; }
    const QString& Text() const { return FText; }
    void SetText(const QString& value) { FText = value; }

    void WriteTo(TPascalCodeWriter& w) const override;

private:
    TPascalCommentAttach FAttachTo = caNone;
    QString FText;
};

// "{$...}" on a line of its own, never wrapped.
class TPascalCompilerDirective : public TPascalFloatingNode
{
    QV_CLASS(TPascalCompilerDirective, TPascalFloatingNode)

    bool EmptyLineAfter() const { return FEmptyLineAfter; }
    void SetEmptyLineAfter(bool value) { FEmptyLineAfter = value; }
    bool EmptyLineBefore() const { return FEmptyLineBefore; }
    void SetEmptyLineBefore(bool value) { FEmptyLineBefore = value; }

    // The text between "{$" and "}".
    virtual QString GetText() const = 0;
    void WriteTo(TPascalCodeWriter& w) const override;

private:
    bool FEmptyLineAfter = false;
    bool FEmptyLineBefore = false;
};

class TPascalCustomCompilerDirective : public TPascalCompilerDirective
{
    QV_CLASS(TPascalCustomCompilerDirective, TPascalCompilerDirective)

    const QString& Text() const { return FText; }
    void SetText(const QString& value) { FText = value; }
    QString GetText() const override { return FText; }

private:
    QString FText;
};

// "{$R file}"; a file name with a blank is put in single quotes.
class TPascalResourceInclude : public TPascalCompilerDirective
{
    QV_CLASS(TPascalResourceInclude, TPascalCompilerDirective)

    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& value) { FFileName = value; }
    QString GetText() const override;

private:
    QString FFileName;
};

// The entry classes only mark the declaration section an entry belongs to.
class TPascalConstEntry : public TPascalNamedNode
{
    QV_CLASS(TPascalConstEntry, TPascalNamedNode)
};

class TPascalVarEntry : public TPascalNamedNode
{
    QV_CLASS(TPascalVarEntry, TPascalNamedNode)
};

class TPascalTypeEntry : public TPascalNamedNode
{
    QV_CLASS(TPascalTypeEntry, TPascalNamedNode)
};

class TPascalMethodEntry : public TPascalNamedNode
{
    QV_CLASS(TPascalMethodEntry, TPascalNamedNode)
};

class TPascalClassPropertyEntry : public TPascalNamedNode
{
    QV_CLASS(TPascalClassPropertyEntry, TPascalNamedNode)
};

// The section a declaration belongs to; the numbers index the section sets.
enum TPascalSectionKind : uint8_t
{
    skNone = 0,
    skConst = 1,
    skType = 2,
    skVar = 3,
    skOther = 4,
};

// A set of section kinds: bit k stands for kind k.
using TPascalSectionKinds = uint8_t;
constexpr TPascalSectionKinds SectionBit(TPascalSectionKind kind)
{
    return TPascalSectionKinds(1u << kind);
}

// The section kind of a child of a declaration list. A comment attached to a neighbour takes the
// neighbour's kind; a chain of attached comments that runs in a circle counts as kind 0.
TPascalSectionKind SectionKindOf(const TPascalNode* node);

// A list of declarations, written in sections: "const", "type" and "var" keywords, indentation and
// blank lines are chosen from the kinds of neighbouring children.
class TPascalDeclarations : public TPascalNode
{
    QV_CLASS(TPascalDeclarations, TPascalNode)

    TPascalSectionKinds HeadedSections() const { return FHeadedSections; }
    void SetHeadedSections(TPascalSectionKinds value) { FHeadedSections = value; }
    TPascalSectionKinds IndentedSections() const { return FIndentedSections; }
    void SetIndentedSections(TPascalSectionKinds value) { FIndentedSections = value; }
    TPascalSectionKinds SpacedSections() const { return FSpacedSections; }
    void SetSpacedSections(TPascalSectionKinds value) { FSpacedSections = value; }
    bool SpaceBetweenSections() const { return FSpaceBetweenSections; }
    void SetSpaceBetweenSections(bool value) { FSpaceBetweenSections = value; }

    TPascalCustomCompilerDirective* AddDirective(const QString& text, TPascalNode* before = nullptr);
    // The first child named node whose name equals `name` exactly, or nullptr.
    TPascalNamedNode* FindNamed(const QString& name) const;

    void WriteTo(TPascalCodeWriter& w) const override;

private:
    void Transition(TPascalCodeWriter& w, TPascalSectionKind from, TPascalSectionKind to) const;

    TPascalSectionKinds FHeadedSections = 0;
    TPascalSectionKinds FIndentedSections = 0;
    TPascalSectionKinds FSpacedSections = SectionBit(skType);
    bool FSpaceBetweenSections = false;
};

// Switches the writer's automatic wrapping off for its lifetime and restores it afterwards.
class TNoWrapGuard
{
public:
    explicit TNoWrapGuard(TPascalCodeWriter& w);
    ~TNoWrapGuard();
    TNoWrapGuard(const TNoWrapGuard&) = delete;
    TNoWrapGuard& operator=(const TNoWrapGuard&) = delete;

private:
    TPascalCodeWriter& FWriter;
    bool FWrapLines;
};

} // namespace qv
