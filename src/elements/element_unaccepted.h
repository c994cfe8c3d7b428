#pragma once

#include "elements/visual_element.h"

#include <QStringList>

namespace qv {

// The placeholder for a node whose type its container does not accept. It keeps the node's complete
// text and writes it back unchanged, so unknown content survives a load and a save; its check says
// that the element is not supported here.
class TElement_Unaccepted : public TVisualElement
{
    QV_CLASS(TElement_Unaccepted, TVisualElement)

    explicit TElement_Unaccepted(TScheme* scheme);

    // The kept text, as lines (without line ends).
    const QStringList& Lines() const { return FLines; }
    // The name of the node it stands for, as stored (before any renaming).
    const QString& NodeName() const { return FNodeName; }

    bool IsFilled() const override;
    void CheckContent() override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;

    // Sized to its display lines in the theme's fixed font inside the frame's padding.
    void Relayout(bool all, bool force) override;
    QMargins GetPadding() override;
    void Paint(TCanvas* canvas) override;

    // What the element shows: the kept lines with tabs as eight spaces and lines over 100 characters
    // cut to 97 and "...", up to the last non-empty line.
    QStringList DisplayLines() const;

private:
    void KeepKnot(TKnot* knot);

    QStringList FLines;
    QString FNodeName;
};

} // namespace qv
