#pragma once

#include "library/names.h"

#include <QString>

namespace qv {

class TNamespace;
class TScheme;

// A value the program itself gives every processed document ("ApplicationName",
// "ApplicationVersion"): a reserved, hidden, secondary name in the application namespace.
class TApplicationValueElement : public TNameElement
{
    QV_CLASS(TApplicationValueElement, TNameElement)

    explicit TApplicationValueElement(TScheme* scheme);

    const QString& Value() const { return FValue; }
    // The string number of the description.
    int32_t DescriptionId() const { return FDescriptionId; }

    // Registers the name in the parent namespace. Called once, after the element got its parent.
    void Register(const QString& name, const QString& value, int32_t descriptionId);

    QString Name() const override { return FName; }
    QString Description() const override;
    TNameFlags Flags() const override { return nfReserved | nfHidden | nfSecondary; }

private:
    QString FName;
    QString FValue;
    int32_t FDescriptionId = 0;
};

// The namespace of the values the program gives every processed document, in a scheme without a
// root. Created once at start-up (CreateApplicationNamespace) and freed at exit; roots of processed
// documents connect it into their general namespace when they are created. Null before it is
// created. On any thread but the creating one, a private namespace of that thread with the same
// values, freed when the thread ends.
TNamespace* ApplicationNamespace();
// Creates the namespace with "ApplicationName" (string 4000) and "ApplicationVersion" (the
// application's version text) on the calling thread; later calls do nothing.
void CreateApplicationNamespace();
// Frees it (tests); connections to it lose their source.
void FreeApplicationNamespace();

} // namespace qv
