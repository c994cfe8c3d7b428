#pragma once

#include "core/property.h"

#include <QString>
#include <QStringList>

namespace qv {

// Values of "FillMode" (stored as "", "Upper", "Lower", "Extra").
enum TNameFillMode : int
{
    nfmDefault = 0,
    nfmUpper = 1,
    nfmLower = 2,
    nfmExtra = 3, // lowerCamelCase
};

// The settings node "Naming": automatic names of newly created elements.
class TNamingSettings : public TProperty
{
    QV_CLASS(TNamingSettings, TProperty)

public:
    explicit TNamingSettings(TProperty* parent);
    // Uninstalls itself when it is the node NamingSettings() returns.
    ~TNamingSettings() override;

    TBooleanProperty* FillEnabled() const { return FFillEnabled; }
    TEnumProperty* FillMode() const { return FFillMode; }
    TBooleanProperty* FillNumberFirst() const { return FFillNumberFirst; }
    TBooleanProperty* FillUnderscore() const { return FFillUnderscore; }
    // 1 to 12 digits; a value outside is clamped when a name is generated.
    TIntegerProperty* FillDigits() const { return FFillDigits; }

    // A name made from `baseName` with the present choices that is not in `takenNames` (compared
    // exactly): underscores between words, the case style, then the first free number (none for the
    // first name unless `numberFirst`). Empty when every number up to 2147483647 is taken.
    QString GenerateName(const QString& baseName, bool numberFirst, const QStringList& takenNames) const;

    // The four names the settings page shows under "Example": generated in a row from
    // "NewElementName", each taken before the next is made.
    QStringList ExampleNames() const;
    // The captions of the "FillMode" values on the settings page, in value order.
    static QStringList FillModeCaptions();

private:
    TBooleanProperty* FFillEnabled;
    TEnumProperty* FFillMode;
    TBooleanProperty* FFillNumberFirst;
    TBooleanProperty* FFillUnderscore;
    TIntegerProperty* FFillDigits;
};

// The "Naming" node automatic names obey (not owned); never null: until the application installs
// the node of its settings tree, a built-in node with the defaults answers.
TNamingSettings* NamingSettings();
// Installs `settings` (not owned); null restores the built-in node.
void SetNamingSettings(TNamingSettings* settings);

} // namespace qv
