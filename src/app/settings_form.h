#pragma once

#include "app/property_assoc.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>

class QDialogButtonBox;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace qv {

class TSettings;

// The settings window: a tree of pages on the left, the selected page on the right, OK, Cancel and
// Apply below. Every control of a page is bound to one settings property (or, for the language, to
// callbacks); the properties change only on Apply or OK, never while the user edits. The window
// writes no files.
//
// The page selected when the window closes is remembered (by its position in the page tree) for the
// next window of the same run. User-interface thread only.
class TSettingsForm : public QDialog
{
public:
    // `pageKey` opens the page of that key with the focus on its first control; an unknown or empty
    // key opens the remembered page. `onApply` runs after every Apply and OK.
    TSettingsForm(QWidget* parent, TSettings& settings, const QString& pageKey = QString(),
                  std::function<void()> onApply = {});
    ~TSettingsForm() override;

    // Every binding stores its control's value in list order under the wait cursor, then onApply
    // runs. `rebuild`: a changed "Language" builds the window again, in the new language, at the
    // page it shows.
    void Apply(bool rebuild = true);

    int PageCount() const { return int(FPages.size()); }
    int CurrentPage() const;
    void SetCurrentPage(int index);
    QWidget* Page(int index) const { return FPages[index].Widget; }
    // The page's key ("pr", "rs", "tx"), empty for the pages that have none.
    const QString& PageKey(int index) const { return FPages[index].Key; }
    QTreeWidget* PageTree() const { return FTree; }
    QPushButton* OkButton() const;
    QPushButton* CancelButton() const;
    QPushButton* ApplyButton() const;
    const TPropertyAssociator& Associator() const { return FAssociator; }

    // The remembered page: where a window without a known key opens.
    static int RememberedPage();

    void done(int result) override;

private:
    struct TPage
    {
        QString Key;
        QWidget* Widget;
        QWidget* FirstControl;
        QTreeWidgetItem* Item;
    };

    void Build(int page);
    void AddPage(int captionId, QWidget* page, QWidget* firstControl, int parentPage = -1,
                 const QString& key = QString());
    QWidget* BuildGeneralPage(QWidget*& first);
    QWidget* BuildPalettePage(QWidget*& first);
    QWidget* BuildEditorPage(QWidget*& first);
    QWidget* BuildNamingPage(QWidget*& first);
    QWidget* BuildLogPage(QWidget*& first);
    QWidget* BuildGenerationPage(QWidget*& first);
    QWidget* BuildSoundsPage(QWidget*& first);
    QWidget* BuildPrintPage(QWidget*& first);
    QWidget* BuildMiscPage(QWidget*& first);

    TSettings& FSettings;
    std::function<void()> FOnApply;
    TPropertyAssociator FAssociator;
    QWidget* FBody = nullptr;
    QTreeWidget* FTree = nullptr;
    QStackedWidget* FStack = nullptr;
    QDialogButtonBox* FButtons = nullptr;
    QList<TPage> FPages;
};

// Shows the settings window modally (see TSettingsForm); `owner` parents it.
void ShowSettings(QWidget* owner, TSettings& settings, const QString& pageKey = QString(),
                  std::function<void()> onApply = {});

} // namespace qv
