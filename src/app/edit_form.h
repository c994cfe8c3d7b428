#pragma once

#include <QAbstractButton>
#include <QWidget>

#include <cstdint>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QSplitter;

namespace qv {

class TFindReplaceDialog;
class TItfObject;
class TLogRoot;
class TPaletteForm;
class TPaletteFormSettings;
class TScheme;
class TSheet;
class TSheetForm;
class TSheetFormSettings;
class TTextSearch;

// The button on the splitter above the log: the picture of the log's severity and a cross; clicking
// it clears the log and so closes the panel.
class TLogButton : public QAbstractButton
{
public:
    explicit TLogButton(QWidget* parent = nullptr);

    // 0 to 3: information only, hints, errors, fatal.
    int Severity() const { return FSeverity; }
    void SetSeverity(int value);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int FSeverity = 0;
    bool FHover = false;
};

// The editing window: the palette on top, the document's sheet below it and, while the log has
// messages, the log under a splitter with the log button on it. It offers the commands that act on
// the shown document — Find, Find Next, Replace, Code, Collapse All, Expanded Not Empty, Expand All,
// Refresh and Check All on F5, Clear Log and the Palette toggle — and enables them from the scheme's
// notifications. Element links of the log mark their elements in the sheet; file links open the file.
//
// Failed commands are shown through the user interface's error display. User-interface thread only.
class TEditForm : public QWidget
{
public:
    explicit TEditForm(QWidget* parent = nullptr);
    ~TEditForm() override;

    TSheetForm* SheetForm() const { return FSheetForm; }
    TSheetForm* LogForm() const { return FLogForm; }
    TPaletteForm* PaletteForm() const { return FPalette; }
    TLogButton* LogButton() const { return FLogButton; }
    QSplitter* Splitter() const { return FSplitter; }

    // Shows a document (all null: none). The previous document's log events are let go; the log root
    // of `logScheme` reports its changes and links to this window.
    void BindDocument(TScheme* scheme, TSheet* sheet, TSheet* logSheet, TScheme* logScheme);
    TScheme* Scheme() const { return FScheme; }
    TSheet* Sheet() const { return FSheet; }
    TLogRoot* LogRoot() const { return FLogRoot; }

    // The "SheetForm" and "PaletteForm" settings (null: the defaults); not owned.
    void SetSettings(TSheetFormSettings* sheetForm, TPaletteFormSettings* paletteForm);

    QAction* FindAction() const { return FFind; }
    QAction* FindNextAction() const { return FFindNext; }
    QAction* ReplaceAction() const { return FReplace; }
    QAction* CodeAction() const { return FCode; }
    // Esc in code mode: undoes back to before the switch into code mode, so the document is as it
    // was; the code edits wait in the redo list.
    QAction* CancelCodeAction() const { return FCancelCode; }
    QAction* CollapseAllAction() const { return FCollapseAll; }
    QAction* ExpandedNotEmptyAction() const { return FExpandedNotEmpty; }
    QAction* ExpandAllAction() const { return FExpandAll; }
    // F5: Check All when it is enabled, then Refresh (one action: two on one key would fire neither).
    QAction* CheckAllAction() const { return FCheckAll; }
    QAction* ClearLogAction() const { return FClearLog; }
    QAction* PaletteAction() const { return FPaletteToggle; }

    // Re-evaluates which commands are enabled and checked.
    void UpdateCommands();

    // Switches the shown document into or out of code mode. Code that does not parse keeps the
    // document in code mode with the caret at the error and the notice bar saying what is wrong.
    void SetCodeMode(bool value);
    void CancelCodeMode();
    // The bar above the sheet: the code-mode error, or that the document was loaded in part.
    QLabel* NoticeBar() const { return FNoticeBar; }

    // Sets every expand button of the sheet in one undo step: all collapsed, all expanded, or
    // (Expanded Not Empty) expanded exactly where the content is not at its default and the button
    // is not disabled. Returns the number of buttons changed.
    int SetAllExpanded(int mode);
    enum TExpandMode : int
    {
        emCollapseAll = 0,
        emExpandAll = 1,
        emExpandedNotEmpty = 2,
    };

    // Lays the whole sheet out again and repaints it.
    void Refresh();
    // Check All (when the document allows it), then Refresh.
    void RefreshAndCheck();
    void ClearLog();

    // Follows an element link of the log: marks the elements that can be shown, focuses and scrolls
    // to the first one; tells the user about identifiers that are gone (2950) or cannot be shown (2951).
    void FollowElementsLink(const QList<int>& ids);
    // Follows a file link: opens the file with the desktop's program for it, through the URL opener
    // (errors raised as EQvError).
    static void FollowFileLink(const QString& fileName);
    // Opens the folder that holds `fileName` in the desktop's file manager (errors as above).
    static void ShowFileInFolder(const QString& fileName);

    // The log's context menu over a file link offers to show the file in its folder. `sheetPoint`
    // is where the menu was asked for, in the log sheet's coordinates.
    void AddLogMenuItems(QMenu& menu, const QPoint& sheetPoint);

    // The log panel's height while it is shown; kept while it is hidden.
    int LogHeight() const { return FLogHeight; }
    void SetLogHeight(int value);

    // Called after the log changed its visibility or its severity.
    std::function<void()> OnLogChanged;
    // A settings link of the log: the key of the settings page.
    std::function<void(const QString& key)> OnSettingsLink;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void SchemeNotify(TItfObject* sender, int kind, intptr_t param1, intptr_t param2);
    void UpdateLogPanel();
    void UpdateNoticeBar();
    void PlaceLogButton();
    void UpdatePaletteVisibility();
    void ShowFindDialog(bool replace);
    void RunSearch(TFindReplaceDialog* dialog, const std::function<void(TTextSearch&)>& command);
    bool CanCheck() const;
    bool InCodeMode() const;

    TScheme* FScheme = nullptr;
    TSheet* FSheet = nullptr;
    TScheme* FLogScheme = nullptr;
    TLogRoot* FLogRoot = nullptr;
    TPaletteForm* FPalette = nullptr;
    QSplitter* FSplitter = nullptr;
    TSheetForm* FSheetForm = nullptr;
    TSheetForm* FLogForm = nullptr;
    TLogButton* FLogButton = nullptr;
    int FLogHeight = 130;
    QAction* FFind = nullptr;
    QAction* FFindNext = nullptr;
    QAction* FReplace = nullptr;
    QAction* FCode = nullptr;
    QAction* FCancelCode = nullptr;
    QLabel* FNoticeBar = nullptr;
    // Why the last attempt to leave code mode failed; shown while still in code mode.
    QString FCodeModeError;
    QAction* FCollapseAll = nullptr;
    QAction* FExpandedNotEmpty = nullptr;
    QAction* FExpandAll = nullptr;
    QAction* FCheckAll = nullptr;
    QAction* FClearLog = nullptr;
    QAction* FPaletteToggle = nullptr;
    TFindReplaceDialog* FFindDialog = nullptr;    // owned by the window
    TFindReplaceDialog* FReplaceDialog = nullptr; // owned by the window
    // The last search, repeated by Find Next.
    QString FSearchText;
    bool FSearchMatchCase = false;
    bool FSearchForward = true;
};

} // namespace qv
