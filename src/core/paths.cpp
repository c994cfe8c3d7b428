#include "core/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace qv {

namespace {

constexpr char16_t pathDelimiter = u'/';

bool IsAbsolutePath(const QString& path)
{
    return path.startsWith(pathDelimiter);
}

} // namespace

QString MakeRelativePath(const QString& base, const QString& target)
{
    if (base.isEmpty() || target.isEmpty() || IsAbsolutePath(base) != IsAbsolutePath(target))
        return target;
    const QStringList baseParts = base.split(pathDelimiter, Qt::SkipEmptyParts);
    const QStringList targetParts = target.split(pathDelimiter, Qt::SkipEmptyParts);
    qsizetype common = 0;
    while (common < baseParts.size() && common < targetParts.size() &&
           baseParts[common] == targetParts[common])
        ++common;

    QString result;
    if (common < baseParts.size()) {
        for (qsizetype i = common; i < baseParts.size(); ++i)
            result += QStringLiteral("../");
    } else if (common < targetParts.size()) {
        result = QStringLiteral("./");
    }
    for (qsizetype i = common; i < targetParts.size(); ++i)
        result += targetParts[i] + pathDelimiter;
    if (result.isEmpty())
        result = QStringLiteral("./");
    if (!target.endsWith(pathDelimiter))
        result.chop(1);
    return result;
}

QString ExpandRelativePath(const QString& base, const QString& relative)
{
    if (relative.isEmpty())
        return base;
    if (IsAbsolutePath(relative))
        return relative;
    const bool absolute = IsAbsolutePath(base);
    QStringList parts;
    const auto apply = [&](const QString& part) {
        if (part.isEmpty() || part == u".")
            return;
        if (part == u"..") {
            if (!parts.isEmpty() && parts.back() != u"..")
                parts.removeLast();
            else if (!absolute)
                parts.append(part); // a relative base cannot lose what it does not name
            return;
        }
        parts.append(part);
    };
    for (const QString& part : base.split(pathDelimiter))
        apply(part);
    for (const QString& part : relative.split(pathDelimiter))
        apply(part);

    QString result = parts.join(pathDelimiter);
    if (relative.endsWith(pathDelimiter) && !parts.isEmpty())
        result += pathDelimiter;
    if (absolute)
        result.prepend(pathDelimiter);
    else if (result.isEmpty())
        result = relative.endsWith(pathDelimiter) ? QStringLiteral("./") : QStringLiteral(".");
    return result;
}

QString BackupFileName(const QString& fileName)
{
    const QFileInfo info(fileName);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return info.dir().filePath(name + QStringLiteral(".~"));
    return info.dir().filePath(name.left(dot) + QStringLiteral(".~") + name.mid(dot + 1));
}

} // namespace qv
