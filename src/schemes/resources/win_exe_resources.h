#pragma once

#include "schemes/resources/win_resources.h"

namespace qv {

// The resources of a Windows executable or library (PE32 or PE32+), read from the file's resource
// directory without loading the program. Items have the types, names and languages of the directory
// (ordinals stay ordinals), default header fields and a copy of their bytes.
class TWinExeResources : public TWinResources
{
    QV_CLASS(TWinExeResources, TWinResources)

    // Replaces the list by the resources of the file. A file without a resource directory gives an
    // empty list. The file is untrusted: anything inconsistent (offsets or sizes outside the file, a
    // directory reached twice, levels other than types, names and languages, more resource bytes
    // than the file holds) raises EQvError naming `sourceName` and leaves the list as it was.
    void LoadFromExecutableData(const QByteArray& data, const QString& sourceName);
    // Reads the file and loads it; a file that cannot be read raises EQvError.
    void LoadFromExecutable(const QString& fileName);
};

} // namespace qv
