#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace qv {

class TBooleanProperty;
class TEnumProperty;
class TIntegerProperty;
class TStringListProperty;
class TStringProperty;

// A binding of one settings property and one control of a settings page. Show puts the property's
// value into the control; Store writes the control's value into the property (which notifies its
// listeners when the value changed). Neither owns the property or the control; a control that is
// gone is left alone.
class TPropertyAssoc
{
public:
    explicit TPropertyAssoc(QWidget* control) : FControl(control) {}
    virtual ~TPropertyAssoc() = default;
    TPropertyAssoc(const TPropertyAssoc&) = delete;
    TPropertyAssoc& operator=(const TPropertyAssoc&) = delete;

    QWidget* Control() const { return FControl; }

    void Show();
    void Store();

protected:
    virtual void DoShow() = 0;
    virtual void DoStore() = 0;

private:
    QPointer<QWidget> FControl;
};

class TPropertyAssocBoolInCheckBox : public TPropertyAssoc
{
public:
    TPropertyAssocBoolInCheckBox(TBooleanProperty* property, QCheckBox* control);

protected:
    void DoShow() override;
    void DoStore() override;

private:
    TBooleanProperty* FProperty;
};

// The value is the index of the selected item; the caller fills the list in the enumeration's order.
class TPropertyAssocEnumInComboBox : public TPropertyAssoc
{
public:
    TPropertyAssocEnumInComboBox(TEnumProperty* property, QComboBox* control);

protected:
    void DoShow() override;
    void DoStore() override;

private:
    TEnumProperty* FProperty;
};

// The spin box keeps the range its page gave it.
class TPropertyAssocIntInIntegerEdit : public TPropertyAssoc
{
public:
    TPropertyAssocIntInIntegerEdit(TIntegerProperty* property, QSpinBox* control);

protected:
    void DoShow() override;
    void DoStore() override;

private:
    TIntegerProperty* FProperty;
};

class TPropertyAssocStrInCustomEdit : public TPropertyAssoc
{
public:
    TPropertyAssocStrInCustomEdit(TStringProperty* property, QLineEdit* control);

protected:
    void DoShow() override;
    void DoStore() override;

private:
    TStringProperty* FProperty;
};

// An editable combo box shows and stores its text. A fixed list selects the item with the value's
// text (none when no item has it) and stores the selected item's text, or an empty text.
class TPropertyAssocStrInComboBox : public TPropertyAssoc
{
public:
    TPropertyAssocStrInComboBox(TStringProperty* property, QComboBox* control);

protected:
    void DoShow() override;
    void DoStore() override;

private:
    TStringProperty* FProperty;
};

// One line of the memo per entry; the memo's last line break does not make an empty entry.
class TPropertyAssocStringListInMemo : public TPropertyAssoc
{
public:
    TPropertyAssocStringListInMemo(TStringListProperty* property, QPlainTextEdit* control);

protected:
    void DoShow() override;
    void DoStore() override;

private:
    TStringListProperty* FProperty;
};

// A binding whose two directions are the caller's: for a control that does not map to one property
// in a plain way.
class TPropertyAssocEvents : public TPropertyAssoc
{
public:
    TPropertyAssocEvents(QWidget* control, std::function<void()> onShow, std::function<void()> onStore);

protected:
    void DoShow() override;
    void DoStore() override;

private:
    std::function<void()> FOnShow;
    std::function<void()> FOnStore;
};

// The bindings of a settings window, in the order they were added.
class TPropertyAssociator
{
public:
    // Creates a binding, shows the property's value in its control at once, keeps it and returns it.
    template <class TAssoc, class... TArgs>
    TAssoc* Add(TArgs&&... args)
    {
        auto assoc = std::make_unique<TAssoc>(std::forward<TArgs>(args)...);
        TAssoc* result = assoc.get();
        FItems.push_back(std::move(assoc));
        result->Show();
        return result;
    }

    // Every binding stores its control's value, in list order.
    void StoreAll();
    void ShowAll();
    void Clear() { FItems.clear(); }
    int Count() const { return int(FItems.size()); }
    TPropertyAssoc* Item(int index) const { return FItems[size_t(index)].get(); }

private:
    std::vector<std::unique_ptr<TPropertyAssoc>> FItems;
};

} // namespace qv
