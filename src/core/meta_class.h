#pragma once

#include <QString>

#include <memory>
#include <type_traits>

namespace qv {

class TNode;

// Owns a detached node and frees it through Free(): hands nodes over without a raw owning pointer.
struct TNodeFree
{
    void operator()(TNode* node) const;
};
template <class T>
using TNodePtr = std::unique_ptr<T, TNodeFree>;

// Classes used as values: every class of a node family has exactly one metaclass object, reached
// through the class's StaticClass() and an instance's ClassType(). The metaclass knows its name and
// its parent class, creates instances (the virtual constructor) and, in a family's own metaclass
// type, carries class-level virtual operations.
//
// A family adds class-level operations by deriving its metaclass from TMetaClass and giving its
// root class a TMetaFor alias (see QV_CLASS_ROOT); TMetaClassImpl<C, ...> then forwards those
// operations to static member functions of C, which subclasses redefine to "override" them.
class TMetaClass
{
public:
    TMetaClass(const char* name, const TMetaClass* parent);
    TMetaClass(const TMetaClass&) = delete;
    TMetaClass& operator=(const TMetaClass&) = delete;
    virtual ~TMetaClass() = default;

    const char* Name() const { return FName; }
    QString ClassName() const { return QString::fromLatin1(FName); }
    const TMetaClass* ClassParent() const { return FParent; }

    // True when this class is `other` or descends from it; a null `other` stands for "any class".
    bool InheritsFrom(const TMetaClass* other) const;

    // The virtual constructor: a new detached instance, or nullptr for an abstract class.
    virtual TNodePtr<TNode> CreateNode() const = 0;
    virtual bool IsAbstract() const = 0;

    // Metaclasses register themselves by name when they are first used.
    static const TMetaClass* FindClass(const QString& name);

private:
    const char* FName;
    const TMetaClass* FParent;
};

template <class C, class TMetaBase = TMetaClass>
class TMetaClassImpl : public TMetaBase
{
public:
    using TMetaBase::TMetaBase;

    TNodePtr<TNode> CreateNode() const override
    {
        if constexpr (std::is_abstract_v<C> || !std::is_default_constructible_v<C>)
            return nullptr;
        else
            return TNodePtr<TNode>(new C());
    }

    bool IsAbstract() const override { return std::is_abstract_v<C> || !std::is_default_constructible_v<C>; }
};

// True when `object` is an instance of `cls` or of a class descending from it.
template <class TObject>
bool IsInstanceOf(const TObject* object, const TMetaClass* cls)
{
    return object != nullptr && object->ClassType()->InheritsFrom(cls);
}

} // namespace qv

// Declares the metaclass of a class. Put it first in the class body; it leaves the access public.
#define QV_CLASS(Class, Base)                                                                                \
public:                                                                                                      \
    using inherited = Base;                                                                                  \
    using TMetaType = Base::TMetaFor<Class>;                                                                 \
    static const TMetaType* StaticClass() noexcept;                                                          \
    const ::qv::TMetaClass* ClassType() const noexcept override;                                             \
                                                                                                             \
public:

// Defines the metaclass declared by QV_CLASS; put it in the class's .cpp file.
#define QV_IMPLEMENT_CLASS(Class)                                                                            \
    const Class::TMetaType* Class::StaticClass() noexcept                                                    \
    {                                                                                                        \
        static const TMetaType meta(#Class, Class::inherited::StaticClass());                                \
        return &meta;                                                                                        \
    }                                                                                                        \
    const ::qv::TMetaClass* Class::ClassType() const noexcept                                                \
    {                                                                                                        \
        return StaticClass();                                                                                \
    }
