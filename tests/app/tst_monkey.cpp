// Random input on the real editing window: keys, clicks, palette inserts, clipboard commands, file
// dialogs, undo, redo and code mode in random order over each sample document and a new document of
// each type. After each sequence, undoing everything must give back the saved bytes of the start and
// redoing everything those of the last state, and nothing may crash.
//
// Each sequence prints its seed. QV_MONKEY_SEED=n replays the sequence of seed n (with the same
// QV_MONKEY_STEPS) on the documents the filter selects; QV_MONKEY_STEPS sets the steps of a sequence and
// QV_MONKEY_SEQUENCES the sequences per document (the soak target runs many long ones). The window is
// driven without timers: posted events and the sheet's timers are run explicitly after every step.

#include "app/edit_form.h"
#include "app/global.h"
#include "app/main_form.h"
#include "app/palette_form.h"
#include "app/session_file.h"
#include "app/sheet_form.h"
#include "core/undo_redo.h"
#include "documents/scheme_document.h"
#include "elements/palette.h"
#include "elements/scheme.h"
#include "elements/sheet.h"
#include "fields/textor_element.h"
#include "generation/value_elements.h"
#include "library/comment_element.h"
#include "library/data_element.h"
#include "library/names.h"
#include "library/path_element.h"
#include "library/simple_fields.h"
#include "library/table_element.h"
#include "roots/application_namespace.h"
#include "roots/file_connection.h"
#include "schemes/commands/command_elements.h"
#include "schemes/commands/command_file_scheme_descriptor.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"
#include "schemes/structured/structured_elements.h"
#include "textor/textor.h"
#include "textor/textor_paragraph.h"

#include "support/earlier_session.h"
#include "support/fake_app_folders.h"
#include "support/fake_clock.h"
#include "support/fake_user_interface.h"
#include "support/printers.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

namespace qv {
namespace {

// The document types the window offers.
TSchemeRegistry MakeRegistry()
{
    TSchemeRegistry registry;
    registry.RegisterScheme(TPlainTextSchemeDescriptor::StaticClass());
    registry.RegisterScheme(TCommandFileSchemeDescriptor::StaticClass());
    registry.RegisterScheme(TParametrizedStructureSchemeDescriptor::StaticClass());
    return registry;
}

// The sample file names, and "new.EXT" for a new document of each type.
QStringList MonkeyDocuments()
{
    QStringList documents = QDir(QStringLiteral(QV_SOURCE_DIR "/samples")).entryList(QDir::Files, QDir::Name);
    documents.removeAll(QStringLiteral("README.md"));
    const TSchemeRegistry registry = MakeRegistry();
    for (TDescriptor type : registry.Descriptors())
        documents.append(QStringLiteral("new.") + type->GetExtension());
    return documents;
}

int EnvironmentInt(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

// The user's answers to the file dialogs: the dialog runs its own event loop, in which posted calls
// run, and then it gives no file, a file that exists, or a path that does not exist here.
class TMonkeyUserInterface : public TFakeUserInterface
{
public:
    std::function<void()> WhileOpen;
    std::function<QString()> Answer;

    QStringList ChooseOpenFiles(const QString& title, const QString& filters, const QString& initialFile,
                                bool multiSelect) override
    {
        TFakeUserInterface::ChooseOpenFiles(title, filters, initialFile, multiSelect);
        if (WhileOpen)
            WhileOpen();
        const QString answer = Answer ? Answer() : QString();
        return answer.isEmpty() ? QStringList() : QStringList{answer};
    }
    QString ChooseSaveFile(const QString& title, const QString& filters, const QString& initialFile,
                           const QString& defaultSuffix) override
    {
        TFakeUserInterface::ChooseSaveFile(title, filters, initialFile, defaultSuffix);
        if (WhileOpen)
            WhileOpen();
        return Answer ? Answer() : QString();
    }
    QString ChooseFolder(const QString& title, const QString& startFolder) override
    {
        TFakeUserInterface::ChooseFolder(title, startFolder);
        if (WhileOpen)
            WhileOpen();
        return Answer ? Answer() : QString();
    }
};

class Monkey : public ::testing::TestWithParam<QString>, protected TLaterStartFolder
{
protected:
    static void SetUpTestSuite()
    {
        // The families and types the program registers at its start.
        RegisterCommentElements();
        RegisterNameElements();
        RegisterTableElements();
        RegisterSimpleFields();
        RegisterPathElements();
        RegisterDataElements();
        RegisterRootElements();
        RegisterValueElements();
        RegisterPlainTextScheme();
        RegisterCommandFileScheme();
        RegisterStructuredScheme();
    }

    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        CreateApplicationNamespace();
        Form = std::make_unique<TMainForm>(Global, &Registry);
        Form->resize(900, 700);
        Form->show();
        QApplication::processEvents();
    }

    void TearDown() override
    {
        if (Form != nullptr) {
            UI.ChoiceAnswer = 1; // close without saving
            Form->close();
            Form.reset();
        }
        QApplication::processEvents();
        FreeApplicationNamespace();
    }

    // Opens the sample (a copy of it) or makes the new document the parameter names.
    void OpenDocument(const QString& document);
    // The document as saved to a file.
    QByteArray SavedBytes();
    void RunSequence(uint32_t seed, int steps);

    TSchemeDocument* Shown() const { return Form->ShownDocument(); }
    TSheet* Sheet() const { return Shown()->Sheet(); }
    TSheetForm* SheetForm() const { return Form->SheetForm(); }

    // What happens after every step, as the event loop would: posted calls (palette clicks) run and
    // the sheet's timers that were started fire now, in that order, whatever the time.
    void Settle()
    {
        for (int round = 0; round < 3; ++round) {
            QApplication::processEvents();
            if (Shown() == nullptr)
                return;
            if (Sheet()->IsActivationTimerActive())
                Sheet()->ActivationTimerFired();
            if (Sheet()->IsCaretTimerActive())
                Sheet()->CaretTimerFired();
        }
    }

    // Keys go where the desktop sends them: to an open drop-down list, else to the sheet.
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = QString())
    {
        QWidget* popup = QApplication::activePopupWidget();
        QWidget* target = popup != nullptr ? popup : static_cast<QWidget*>(SheetForm());
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
        if (QApplication::activePopupWidget() == popup)
            QApplication::sendEvent(target, &release);
    }

    void Type(const QString& text)
    {
        for (QChar c : text)
            Key(0, Qt::NoModifier, QString(c));
    }

    // A click at `at` of the sheet's view; while a drop-down list is open, the list takes it (a click
    // outside closes it), or with `inList` a click on the list itself.
    void Click(const QPoint& at, Qt::KeyboardModifiers modifiers, bool twice, bool inList)
    {
        QWidget* view = SheetForm()->viewport();
        if (QWidget* popup = QApplication::activePopupWidget()) {
            const QPoint global = inList ? popup->mapToGlobal(QPoint(at.x() % qMax(1, popup->width()),
                                                                     at.y() % qMax(1, popup->height())))
                                         : view->mapToGlobal(at);
            const QPointF local(popup->mapFromGlobal(global));
            QMouseEvent press(QEvent::MouseButtonPress, local, QPointF(global), Qt::LeftButton,
                              Qt::LeftButton, modifiers);
            QApplication::sendEvent(popup, &press);
            if (QApplication::activePopupWidget() == popup) {
                QMouseEvent release(QEvent::MouseButtonRelease, local, QPointF(global), Qt::LeftButton,
                                    Qt::NoButton, modifiers);
                QApplication::sendEvent(popup, &release);
            }
            return;
        }
        const QPointF local(at);
        const QPointF global(view->mapToGlobal(at));
        QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, modifiers);
        QApplication::sendEvent(view, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                            modifiers);
        QApplication::sendEvent(view, &release);
        if (twice) {
            QMouseEvent again(QEvent::MouseButtonDblClick, local, global, Qt::LeftButton, Qt::LeftButton,
                              modifiers);
            QApplication::sendEvent(view, &again);
            QApplication::sendEvent(view, &release);
        }
    }

    // The palette items offered to the focused element that it leaves enabled, sub-lists included.
    QList<TPaletteItem*> OfferedItems()
    {
        QList<TPaletteItem*> offered;
        // With nothing focused the palette is empty; the user clicks into the document first.
        if (Sheet()->FocusedElement() == nullptr)
            Sheet()->FocusFirst();
        TVisualElement* focused = Sheet()->FocusedElement();
        if (focused == nullptr)
            return offered;
        QList<TPaletteItem*> items;
        bool forSelection = false;
        CollectPaletteItems(focused, items, forSelection);
        for (qsizetype i = 0; i < items.size(); ++i) {
            TPaletteItem* item = items[i];
            for (TNode* child = item->FirstChild(); child != nullptr; child = child->NextSibling()) {
                if (auto* sub = dynamic_cast<TPaletteItem*>(child); sub != nullptr && !items.contains(sub))
                    items.append(sub);
            }
            if (dynamic_cast<TSubExecutablePaletteItem*>(item) != nullptr || item->HasFlag(piSubList))
                continue;
            TPaletteItemState state;
            focused->GetPaletteItemState(item, state);
            if (state.Enabled)
                offered.append(item);
        }
        return offered;
    }

    TMonkeyUserInterface UI;
    TScopedUserInterface ScopedUI{&UI};
    TFakeClipboard Clipboard;
    TFakeUrlOpener UrlOpener;
    TScopedDesktop Desktop{&Clipboard, &UrlOpener};
    TFakeClock Clock;
    TSchemeRegistry Registry = MakeRegistry();
    TGlobal Global{{}};
    std::unique_ptr<TMainForm> Form;
};

void Monkey::OpenDocument(const QString& document)
{
    UI.ChoiceAnswer = 1; // the document shown before goes without being saved
    if (Shown() != nullptr)
        Form->CloseAction()->trigger();
    ASSERT_EQ(Shown(), nullptr);
    if (document.startsWith(QStringLiteral("new."))) {
        const TDescriptor type = Registry.FindDescriptorByExtension(document);
        ASSERT_NE(type, nullptr);
        const QList<QAction*>& actions = Form->NewActions();
        const qsizetype index = Registry.Descriptors().indexOf(type);
        ASSERT_EQ(actions.size(), Registry.Descriptors().size());
        actions[index]->trigger();
    } else {
        const QString copy = Dir.filePath(document);
        QFile::remove(copy);
        ASSERT_TRUE(QFile::copy(QStringLiteral(QV_SOURCE_DIR "/samples/") + document, copy));
        ASSERT_TRUE(Form->Documentor().OpenFile(copy)) << UI.Calls.join(u'\n').toStdString();
    }
    ASSERT_NE(Shown(), nullptr);
    Settle();
}

QByteArray Monkey::SavedBytes()
{
    const QString file = Dir.filePath(QStringLiteral("saved.bytes"));
    Shown()->Scheme()->SaveToFile(file, true);
    QFile saved(file);
    return saved.open(QIODevice::ReadOnly) ? saved.readAll() : QByteArray();
}

void Monkey::RunSequence(uint32_t seed, int steps)
{
    // Each sequence starts from the document as opened, so that its seed alone replays it.
    OpenDocument(GetParam());
    if (HasFatalFailure())
        return;
    UI.ChoiceAnswer = -1;
    std::mt19937 random(seed);
    auto below = [&random](int n) {
        return n <= 0 ? 0 : int(random() % uint32_t(n));
    };
    static const int moves[] = {Qt::Key_Left, Qt::Key_Right,   Qt::Key_Up,     Qt::Key_Down,
                                Qt::Key_Home, Qt::Key_End,     Qt::Key_PageUp, Qt::Key_PageDown,
                                Qt::Key_Tab,  Qt::Key_Backtab, Qt::Key_Escape, Qt::Key_F2};
    // Text of every kind a field may refuse: quotes and markup characters, batch specials, a
    // character above U+FFFF.
    static const QString letters = QStringLiteral("aZ7 .,;:-_\\/\"'<>&%^|=*?#@()[]{}\u00e9");
    static const QStringList programs = {QStringLiteral("notepad.exe"),
                                         QStringLiteral("C:\\Windows\\write.exe"),
                                         QStringLiteral("\"%ProgramFiles%\\a b\\c.exe\""),
                                         QStringLiteral("cmd /c ^&"), QStringLiteral("..\\tool")};

    const QStringList answers = {QString(), Dir.filePath(QStringLiteral("tool.exe")),
                                 QStringLiteral("/nowhere/notepad.exe"), Dir.path()};
    QFile tool(answers[1]);
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
    tool.close();
    UI.WhileOpen = [this] {
        Settle();
    };
    UI.Answer = [&] {
        return answers[below(int(answers.size()))];
    };
    const auto forget = qScopeGuard([this] {
        UI.WhileOpen = nullptr;
        UI.Answer = nullptr;
    });
    UI.Calls.clear();
    int palette = 0;
    int code = 0;
    int lists = 0;
    int typedCalls = 0;
    const QByteArray start = SavedBytes();
    ASSERT_FALSE(start.isEmpty());
    std::printf("[ MONKEY   ] %s: seed %u, %d steps\n", qPrintable(GetParam()), seed, steps);
    std::fflush(stdout);
    for (int step = 0; step < steps && !HasFailure(); ++step) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", step " << step);
        ASSERT_NE(Shown(), nullptr);
        Clock.Advance(below(3) == 0 ? 2000 : 100);
        const int action = below(100);
        const QRect view = SheetForm()->viewport()->rect();
        if (action < 30) {
            const int pick = below(int(letters.size()) + 4);
            if (pick < letters.size())
                Type(letters.mid(pick, 1));
            else if (pick == letters.size())
                Type(QString::fromUtf16(u"\U0001F600"));
            else
                Key(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        } else if (action < 40) {
            Key(below(2) == 0 ? Qt::Key_Backspace : Qt::Key_Delete);
        } else if (action < 55) {
            const int key = moves[below(int(std::size(moves)))];
            Qt::KeyboardModifiers modifiers;
            if (below(3) == 0)
                modifiers |= Qt::ShiftModifier;
            if (below(4) == 0)
                modifiers |= Qt::ControlModifier;
            Key(key, modifiers, key == Qt::Key_Tab ? QStringLiteral("\t") : QString());
        } else if (action < 65) {
            Click(QPoint(below(view.width()), below(view.height())),
                  below(5) == 0 ? Qt::ShiftModifier : Qt::NoModifier, below(8) == 0, below(2) == 0);
        } else if (action < 72) {
            const QList<TPaletteItem*> items = OfferedItems();
            if (!items.isEmpty()) {
                TPaletteItem* item = items[below(int(items.size()))];
                TPaletteItemState state;
                Sheet()->FocusedElement()->GetPaletteItemState(item, state);
                const bool value = item->HasFlag(piCheck) ? !state.Checked : item->HasFlag(piRadio);
                Form->EditForm()->PaletteForm()->PostExecute(item, value);
                ++palette;
            }
        } else if (action < 78) {
            (below(2) == 0 ? SheetForm()->UndoAction() : SheetForm()->RedoAction())->trigger();
        } else if (action < 86) {
            QAction* const commands[] = {SheetForm()->CopyAction(),   SheetForm()->CutAction(),
                                         SheetForm()->PasteAction(),  SheetForm()->SelectAllAction(),
                                         SheetForm()->DeleteAction(), SheetForm()->CopyAsTextAction()};
            commands[below(int(std::size(commands)))]->trigger();
        } else if (action < 90) {
            // The same commands as keys, which the sheet sees when no shortcut took them.
            const int keys[] = {Qt::Key_A, Qt::Key_C, Qt::Key_X, Qt::Key_V, Qt::Key_Z, Qt::Key_Y};
            Key(keys[below(int(std::size(keys)))], Qt::ControlModifier);
        } else if (action < 92 || (action < 97 && Shown()->Scheme()->CodeMode())) {
            // In code mode now and then, out of it soon after: the document's own elements get most steps.
            if (Form->CodeAction()->isEnabled()) {
                Form->CodeAction()->trigger();
                code += Shown()->Scheme()->CodeMode() ? 1 : 0;
            }
        } else {
            // A program name typed into a call: a new one from the palette, or one already there.
            std::vector<TElement_Call*> calls = Shown()->Scheme()->Root()->CollectAll<TElement_Call>();
            if (calls.empty() || below(3) == 0) {
                for (TPaletteItem* item : OfferedItems()) {
                    auto* insert = dynamic_cast<TElementPaletteItem*>(item);
                    if (insert != nullptr && insert->ElementClass() == TElement_Call::StaticClass()) {
                        Form->EditForm()->PaletteForm()->PostExecute(item, false);
                        ++palette;
                        Settle();
                        break;
                    }
                }
                calls = Shown()->Scheme()->Root()->CollectAll<TElement_Call>();
            }
            if (!calls.empty()) {
                TElement_Call* call = calls[size_t(below(int(calls.size())))];
                const auto names = call->FileNameField()->CollectAll<TCustomFileNameElement>();
                const int target = below(3);
                if (target == 2 && !names.empty()) {
                    // The file name element itself: a click on its box where it is in view.
                    TVisualElement* box = names.front();
                    const QPoint at = box->SheetOrigin() + QPoint(box->Width() / 2, box->Height() / 2) -
                                      SheetForm()->Origin();
                    if (view.contains(at) && QApplication::activePopupWidget() == nullptr)
                        Click(at, Qt::NoModifier, below(4) == 0, false);
                    else
                        Sheet()->SetFocus(box);
                } else {
                    TTextorElement* field = target == 1
                                                ? static_cast<TTextorElement*>(call->ParametersField())
                                                : call->FileNameField();
                    Sheet()->SetFocus(field);
                    const TTextorIndex end{0, field->Textor()->FirstParagraph()->Length()};
                    const TTextorIndex at = below(2) == 0 ? TTextorIndex{} : end;
                    field->SetSelection({at, below(4) == 0 ? end : at});
                }
                Type(programs[below(int(programs.size()))]);
            }
        }
        Settle();
        lists += QApplication::activePopupWidget() != nullptr ? 1 : 0;
        typedCalls += action >= 92 ? 1 : 0;
    }
    if (HasFailure())
        return;

    // Back to the start: a pending edit is committed, a list closed, then everything undone.
    if (Sheet()->DropDown() != nullptr)
        Sheet()->CloseDropDown(false);
    Sheet()->CommitFocusEdit();
    Settle();
    // The tip of the history: what redoing everything must come back to.
    while (Shown()->UndoRedo()->CanRedo()) {
        SheetForm()->RedoAction()->trigger();
        Settle();
    }
    const QByteArray tip = SavedBytes();
    int undone = 0;
    while (Shown()->UndoRedo()->CanUndo()) {
        SheetForm()->UndoAction()->trigger();
        Settle();
        ASSERT_LT(++undone, 100000) << "seed " << seed << ": undo does not end";
    }
    std::printf("[ MONKEY   ] %s: seed %u: %d palette items, %d times into code mode, %d steps with a list "
                "open, %d call steps, %d file dialogs; %d undo steps back to the start\n",
                qPrintable(GetParam()), seed, palette, code, lists, typedCalls,
                int(UI.Calls.filter(QRegularExpression(QStringLiteral("^Choose"))).size()), undone);
    EXPECT_EQ(SavedBytes(), start) << "seed " << seed << ": undoing everything does not give the start back";
    while (Shown()->UndoRedo()->CanRedo()) {
        SheetForm()->RedoAction()->trigger();
        Settle();
    }
    EXPECT_EQ(SavedBytes(), tip) << "seed " << seed
                                 << ": redoing everything does not give the last state back";
}

TEST_P(Monkey, UndoAllAndRedoAllGiveTheSavedBytesBack)
{
    bool seedGiven = false;
    const uint32_t givenSeed = qEnvironmentVariable("QV_MONKEY_SEED").toUInt(&seedGiven);
    // A few seconds per document with the sanitizers, well under one without.
    constexpr int usualSteps = 400;
    const int steps = EnvironmentInt("QV_MONKEY_STEPS", usualSteps);
    const int sequences = seedGiven ? 1 : EnvironmentInt("QV_MONKEY_SEQUENCES", 1);
    // Each document starts from seeds of its own, so that the types do not all see the same keys.
    const uint32_t first = uint32_t(MonkeyDocuments().indexOf(GetParam()) + 1) * 1000u;
    for (int i = 0; i < sequences && !HasFailure(); ++i)
        RunSequence(seedGiven ? givenSeed : first + uint32_t(i), steps);
}

INSTANTIATE_TEST_SUITE_P(Documents, Monkey, ::testing::ValuesIn(MonkeyDocuments()),
                         [](const testing::TestParamInfo<QString>& info) {
                             QString name = info.param;
                             name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")),
                                          QStringLiteral("_"));
                             return name.toStdString();
                         });

} // namespace
} // namespace qv
