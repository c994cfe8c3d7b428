#pragma once

#include <QString>

namespace qv {

// The text operations of an element that holds editable text (text fields, the code-mode root).
// Found with dynamic_cast; never manages lifetime.
class ITextElement
{
public:
    virtual ~ITextElement() = default;

    // The whole text; paragraphs separated by CR LF.
    virtual QString GetText() = 0;
    // Replaces the selection by `text` as one undoable edit.
    virtual void ReplaceSelection(const QString& text) = 0;
    // Replaces the whole text (not undoable).
    virtual void SetText(const QString& text) = 0;
};

} // namespace qv
