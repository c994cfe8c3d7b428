#include "elements/element_unaccepted.h"

#include "core/knot.h"
#include "core/strings.h"
#include "elements/element_messages.h"
#include "elements/element_sheet.h"
#include "elements/scheme_filer.h"
#include "textor/canvas.h"

namespace qv {

QV_IMPLEMENT_CLASS(TElement_Unaccepted)

TElement_Unaccepted::TElement_Unaccepted(TScheme* scheme) : TVisualElement(scheme)
{
    SetOptions(Options() | eoForeign | eoTracked);
}

bool TElement_Unaccepted::IsFilled() const
{
    return true;
}

void TElement_Unaccepted::CheckContent()
{
    GetMessages()->AddElementsMessage(mkInvalidContent, LoadStr(2333, {MessageValueText(FNodeName)}),
                                      QString::number(ID()));
}

void TElement_Unaccepted::KeepKnot(TKnot* knot)
{
    FNodeName = knot->Name();
    QString text = knot->SaveToText();
    if (text.endsWith(QStringLiteral("\r\n")))
        text.chop(2);
    FLines = text.split(QStringLiteral("\r\n"));
    if (Sheet() != nullptr)
        Relayout(false, false);
}

void TElement_Unaccepted::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    // Nothing of the node is understood, so nothing of it may be reported as unread.
    knot->SetReadMarks(true);
    if (filer->Mode() == fmSnapshot && knot->Name() == ElementClass()->XmlName()) {
        // A snapshot of a placeholder: its own node with the ID, the kept node inside.
        inherited::LoadFromKnot(filer, knot);
        if (TKnot* inner = knot->FirstKnot())
            KeepKnot(inner);
        else
            FLines.clear();
    } else {
        KeepKnot(knot);
    }
    Check();
}

void TElement_Unaccepted::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    if (FLines.isEmpty())
        return;
    const QString text = FLines.join(QStringLiteral("\r\n"));
    if (filer->Mode() == fmSnapshot) {
        inherited::SaveToKnot(filer, knot);
        knot->AddKnot(QString())->LoadFromText(text);
    } else {
        // The target knot becomes the kept node again, name included.
        knot->LoadFromText(text);
    }
}

QStringList TElement_Unaccepted::DisplayLines() const
{
    constexpr qsizetype maxLineLength = 100;
    qsizetype last = FLines.size() - 1;
    while (last >= 0 && FLines[last].isEmpty())
        --last;
    QStringList lines;
    for (qsizetype i = 0; i <= last; ++i) {
        QString line = FLines[i];
        line.replace(u'\t', QStringLiteral("        "));
        if (line.size() > maxLineLength)
            line = line.left(maxLineLength - 3) + QStringLiteral("...");
        lines.append(line);
    }
    return lines;
}

QMargins TElement_Unaccepted::GetPadding()
{
    TCanvas* canvas = Sheet() != nullptr ? Sheet()->Canvas() : nullptr;
    return canvas != nullptr ? canvas->Theme().Element(steUnaccepted).Padding : QMargins();
}

void TElement_Unaccepted::Relayout(bool all, bool force)
{
    inherited::Relayout(all, force);
    TCanvas* canvas = Sheet() != nullptr ? Sheet()->Canvas() : nullptr;
    if (canvas == nullptr)
        return;
    const QStringList lines = DisplayLines();
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, canvas->ThemeTextWidth(stfFixed, line));
    const QMargins padding = GetPadding();
    const int height = int(lines.size()) * canvas->ThemeTextHeight(stfFixed);
    SetBounds(Left(), Top(), Descent(), padding.top() + height + padding.bottom(),
              padding.left() + width + padding.right());
}

void TElement_Unaccepted::Paint(TCanvas* canvas)
{
    canvas->DrawThemeFrame(steUnaccepted, GetClientRect());
    const QMargins padding = GetPadding();
    const int lineHeight = canvas->ThemeTextHeight(stfFixed);
    const TColor color = canvas->Theme().Font(stfFixed).Color;
    int y = padding.top();
    for (const QString& line : DisplayLines()) {
        canvas->DrawThemeText(stfFixed, padding.left(), y, color, line);
        y += lineHeight;
    }
}

} // namespace qv
