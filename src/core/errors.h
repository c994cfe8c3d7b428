#pragma once

#include <QString>

#include <exception>
#include <initializer_list>

namespace qv {

// A failed user command. Carries the already translated text; the application's error display shows
// it (a message box in the window, standard error in batch mode). Problems inside documents are
// messages on elements or in the log, never exceptions.
class EQvError : public std::exception
{
public:
    explicit EQvError(QString message);
    const QString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
};

// Throws EQvError with string-table text `id`, its %1, %2… replaced by `params`.
[[noreturn]] void RaiseStr(int id, std::initializer_list<QString> params = {});

} // namespace qv
