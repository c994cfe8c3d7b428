#pragma once

// Shared helpers of the Pascal source model tests.

#include "core/code_writer.h"
#include "schemes/program/pascal/pascal_module.h"

#include <QString>

namespace qv {

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
