#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qv {

class TScheme;
class TSheet;
class TTextorElement;

// Find and Replace over the focused document: the search starts in the focused element at its
// selection and goes on through the following focus targets in the search direction. Every search
// is one undo group inside the sheet's update bracket; Replace All is one undo group in all.
class TTextSearch
{
public:
    TTextSearch(TScheme* scheme, TSheet* sheet) : FScheme(scheme), FSheet(sheet) {}

    QString Text;
    bool MatchCase = false;
    bool Forward = true;

    // Selects the next match. Past the last one it offers to go on from the other end of the
    // document, and tells the user (2334) when there is no match there either.
    bool FindNext();
    // Replaces the selected match, if the selection is one, and selects the next match as FindNext
    // does. On a read-only sheet it only beeps.
    bool Replace(const QString& replacement);
    // Replaces every match from the selection on in the search direction and reports the count
    // (2944). Returns the count; on a read-only sheet it beeps and says that nothing was replaced.
    int ReplaceAll(const QString& replacement);

private:
    // The focused text field when its selection is a match.
    TTextorElement* SelectedMatch() const;
    // Replaces the selected match and leaves the replacement selected; false when there is none.
    bool ReplaceMatch(const QString& replacement);
    // One search; mode as FindText takes it. No message.
    bool Search(int mode);
    // Searches the whole document from its start (its end, searching backwards); where nothing is
    // found the focus and selection stay as they were. No message.
    bool SearchFromOtherEnd();
    // After a search that reached the end: asks whether to go on from the other end and does.
    bool WrapAround();

    TScheme* FScheme;
    TSheet* FSheet;
};

// The small Find dialog, and the Replace dialog when made with `replace`. Modeless: the buttons call
// the handlers, Cancel closes it.
class TFindReplaceDialog : public QDialog
{
public:
    TFindReplaceDialog(bool replace, QWidget* parent);

    QString Text() const;
    void SetText(const QString& text);
    QString Replacement() const;
    bool MatchCase() const;
    bool Forward() const;

    std::function<void()> OnFindNext;
    std::function<void()> OnReplace;
    std::function<void()> OnReplaceAll;

private:
    void UpdateButtons();

    QLineEdit* FText = nullptr;
    QLineEdit* FReplacement = nullptr;
    QCheckBox* FMatchCase = nullptr;
    QRadioButton* FDown = nullptr;
    QList<QPushButton*> FSearchButtons;
};

} // namespace qv
