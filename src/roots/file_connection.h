#pragma once

#include "library/named_element.h"
#include "library/path_element.h"
#include "naming/namespace_connection.h"

#include <QString>

namespace qv {

class TElement_FileConnection;

// The name of a file connection, the prefix of the connected names. "Autoname" offers the file
// name without folder and extension while there is one.
class TFileConnectionNameField : public TTitledNameField
{
    QV_CLASS(TFileConnectionNameField, TTitledNameField)

    explicit TFileConnectionNameField(TScheme* scheme);

    TElement_FileConnection* Connection() const;

    QString GetAutoName() override;
    bool CanAutoName() override;
};

// The other document's file name. Besides a missing file it reports why the connection found no
// names there.
class TFileConnectionFileNameField : public TFileNameField
{
    QV_CLASS(TFileConnectionFileNameField, TFileNameField)

    explicit TFileConnectionFileNameField(TScheme* scheme);

    void CheckContent() override;
};

// Makes the public names of the connected document visible, prefixed with the connection's name.
// Names the connected document itself imports are passed on only for conditions, and never back
// into the connecting document.
class TConnectionToFile : public TNamedNamespaceConnection
{
    QV_CLASS(TConnectionToFile, TNamedNamespaceConnection)

    explicit TConnectionToFile(TScheme* scheme);

    bool Accepts(TNamespaceItem* item) override;
};

// Lets a document use the public names of another document: Prefix.Name, where the prefix is the
// connection's name (always public; a connection without a name connects nothing). Parts: the name
// ("Name"), a description, the file name ("FileName", required) and the connection
// ("ConnectionToFile").
class TElement_FileConnection : public TNamedElement
{
    QV_CLASS(TElement_FileConnection, TNamedElement)

    explicit TElement_FileConnection(TScheme* scheme);

    TFileConnectionFileNameField* FileNameField() const { return FFileName; }
    TConnectionToFile* Connection() const { return FConnection; }

    // The file name without folder and extension; empty without a file name.
    QString GetAutoName() const;
    // Finds the document of the file name (through the scheme's OpenScheme) and makes its general
    // namespace the connection's source, or leaves the connection without one. Runs when the file
    // name changes and when the element is disabled or enabled.
    void Reconnect();
    // Why the last Reconnect found no names, as a string number (0: it did, or there was nothing
    // to look for; a missing file is the file-name field's own message), and the error text of an
    // unreadable file.
    int32_t Problem() const { return FProblem; }
    const QString& ProblemText() const { return FProblemText; }

    // The name is the connection's prefix; its item is the owner of the connected names.
    void NameChanged() override;
    void NameItemCreated() override;
    void NameItemDestroying() override;

    void BuildTitle(TTitleWriter& writer) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    bool ChildMessage(TElement* child, int msg, void* param, void* data) override;
    void ParentElementChanged() override;
    void EffectiveDisabledChanged() override;
    void GetPartHint(TElement* part, QString& text) override;
    void GetHint(QString& text) override;

protected:
    void BeforeDestruction() override;

private:
    void AddFileFilters(TFileDialogFilters& filters);

    TFileConnectionFileNameField* FFileName = nullptr; // a part
    TConnectionToFile* FConnection = nullptr;          // a part
    int32_t FProblem = 0;
    QString FProblemText;
    bool FReconnecting = false;
};

// Adds the file connection to the palette (Additional › Other) and creates the application
// namespace. Called once at start-up, before any document exists; later calls do nothing.
// User-interface thread only.
void RegisterRootElements();

} // namespace qv
