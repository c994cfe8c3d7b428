#pragma once

// Shared helpers of the Pascal source model tests.

#include "core/code_writer.h"
#include "schemes/program/pascal/pascal_module.h"

#include <QString>

namespace qv {

// Test texts are written in UTF-8 source.
inline QString U(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// A named node of class C appended to `parent`.
template <class C>
C* AddNamed(TPascalNode* parent, const char* name)
{
    C* node = parent->AddChild<C>();
    node->SetName(U(name));
    return node;
}

// The text a node writes into a fresh Pascal writer, lines joined with LF.
inline QString PascalText(const TPascalNode& node, int maxLineLength = 80)
{
    TPascalCodeWriter w;
    w.SetMaxLineLength(maxLineLength);
    node.WriteTo(w);
    return w.Lines().join(u'\n');
}

// A variable reference "Name" as an expression item.
inline TPascalCallInExpression* Ref(TPascalExpression* expression, const QString& name)
{
    return expression->AddCall(name);
}

} // namespace qv
