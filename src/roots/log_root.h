#pragma once

#include "elements/element_messages.h"
#include "elements/visual_element.h"
#include "fields/textor_element.h"

#include <functional>
#include <optional>

namespace qv {

class TLogSettings;
class TScheme;

// The severity sign in front of a log message: a 9 × 9 picture of the strip "diLogImages", stored as
// the node "Sign" with its kind. Never copied to the clipboard.
class TElement_Sign : public TVisualElement
{
    QV_CLASS(TElement_Sign, TVisualElement)

    explicit TElement_Sign(TScheme* scheme);

    int Kind() const { return FKind; }
    void SetKind(int kind);
    // The picture of the strip for a message kind: 0 for hints, 2 for fatal errors, 1 for the other
    // errors (kinds 2, 4 and 5); -1 (nothing drawn) for information and unknown kinds.
    static int ImageIndex(int kind);

    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;
    void Paint(TCanvas* canvas) override;

private:
    int FKind = 0;
};

// The root of a document's log: a read-only text of messages with links to elements, files and
// settings pages. It owns the document's message list; every message added to the list is appended
// to the text (a line break, a sign for every kind but information, then the parts, links as link
// runs), and clearing the list empties the text.
//
// Link targets in the text are "E" with element IDs separated by commas, "F" with a file name and "S"
// with a settings page key. Following one only reports it through the events; what happens next is
// the window's business.
class TLogRoot : public TTextorElement
{
    QV_CLASS(TLogRoot, TTextorElement)

    explicit TLogRoot(TScheme* scheme);
    ~TLogRoot() override;

    // The document's messages (not the root's own check messages, which a log never has).
    TElementMessages& LogMessages() { return FLogMessages; }
    // The "Log" settings that filter what is written; null writes everything. Not owned.
    void SetLogSettings(TLogSettings* settings);

    std::function<void(const QList<int>& ids)> OnElementsLink;
    std::function<void(const QString& fileName)> OnFileLink;
    std::function<void(const QString& key)> OnSettingsLink;
    // After every append and every clear.
    std::function<void()> OnLogChanged;

    // Follows the link of a run: reports it through the matching event, then gives the run the
    // visited look unless the log changed meanwhile.
    void LinkClicked(TPortion* portion) override;
    // The link run at `point` (element coordinates), or null.
    TPortion* LinkAt(const QPoint& point);
    // The file a file link at `point` (element coordinates) names; empty elsewhere.
    QString FileLinkAt(const QPoint& point);
    // The visited look of a link run: the link in purple.
    TAttributesRef<TTextAttributes> VisitedLinkAttributes(const TTextAttributes& link);

    void GetAcceptedClasses(TElementClassList& list) override;
    // A link follows on one click, as links do outside an editor: pressed and released on the same
    // link without moving the mouse, even when the click also gives the log the focus. The double
    // click that a second click makes does not follow it again.
    void MouseDown(const QPoint& point, Qt::KeyboardModifiers shift, bool doubleClick) override;
    void MouseUp(const QPoint& point, bool released, Qt::KeyboardModifiers shift) override;
    TAttributesRef<TTextAttributes> LoadedTextAttributes(TKnot* knot) override;
    // The user interface's message font.
    TTextAttributes* DefaultTextAttributes() override;
    QMargins GetPadding() override;

    // The content node one message appends: "Br" when the log is not empty, a "Sign" and a space
    // for every kind but information, then a "Chars" node per part with its link attribute.
    static void BuildMessageContent(const TElementMessage& message, bool afterText, TKnot& content);

private:
    void Append(const TElementMessage& message);
    void ClearText();

    TElementMessages FLogMessages;
    TAttributesRef<TTextAttributes> FFont;
    // Counts appends and clears, so that a link click can tell whether the text changed under it.
    int FGeneration = 0;
    // Where the left button went down on a link (element coordinates); none when it did not.
    std::optional<QPoint> FLinkPress;
};

// Check All: replaces the scheme's log messages with a copy of every element's own messages, in
// document order, the root first. Runs no checks: elements keep their messages current themselves.
void CollectAllMessages(TScheme* scheme);

} // namespace qv
