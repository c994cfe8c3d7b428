#include "app/file_filters.h"

#include "core/strings.h"

#include <QStringList>

namespace qv {

namespace {

struct TMergedFilter
{
    QString Text;
    QStringList Extensions;
};

QString AllFilesFilter()
{
    // "*.*" would hide files without a dot here.
    return QStringLiteral("All Files (*)");
}

QString Entry(const TMergedFilter& filter)
{
    QStringList patterns;
    for (const QString& extension : filter.Extensions)
        patterns.append(QStringLiteral("*.") + extension);
    return QStringLiteral("%1 (%2)").arg(filter.Text, patterns.join(u' '));
}

QList<TMergedFilter> Merge(const QList<TFileFilter>& filters, bool forOpen, bool merge)
{
    QList<TMergedFilter> merged;
    for (const TFileFilter& filter : filters) {
        if (forOpen ? !filter.UseForOpen : !filter.UseForSave)
            continue;
        const QString text = filter.Text.isEmpty() ? filter.FileExt.toUpper() : filter.Text;
        TMergedFilter* target = nullptr;
        if (merge) {
            for (TMergedFilter& existing : merged) {
                if (existing.Text == text)
                    target = &existing;
            }
        }
        if (target == nullptr) {
            merged.append({text, {}});
            target = &merged.last();
        }
        if (!target->Extensions.contains(filter.FileExt, Qt::CaseInsensitive))
            target->Extensions.append(filter.FileExt);
    }
    return merged;
}

} // namespace

QString OpenDialogFilters(const QList<TFileFilter>& filters, TOpenSaveOptions options)
{
    QStringList entries;
    for (const TMergedFilter& filter : Merge(filters, true, (options & osoNoMergeOpenFilters) == 0))
        entries.append(Entry(filter));
    if ((options & osoOpenNoAllFiles) == 0) {
        if ((options & osoDefaultFilterAll) != 0)
            entries.prepend(AllFilesFilter());
        else
            entries.append(AllFilesFilter());
    }
    return entries.join(QStringLiteral(";;"));
}

QString SaveDialogFilters(const QList<TFileFilter>& filters, TOpenSaveOptions options)
{
    QStringList entries;
    for (const TMergedFilter& filter : Merge(filters, false, false))
        entries.append(Entry(filter));
    if ((options & osoSaveNoAllFiles) == 0)
        entries.append(AllFilesFilter());
    return entries.join(QStringLiteral(";;"));
}

QList<TFileFilter> DocumentTypeFilters(const QList<QPair<QString, QString>>& types, int registeredCount)
{
    QList<TFileFilter> filters;
    for (auto type = types.crbegin(); type != types.crend(); ++type) {
        const QString& extension = type->second;
        bool known = false;
        for (const TFileFilter& filter : filters)
            known = known || filter.FileExt.compare(extension, Qt::CaseInsensitive) == 0;
        if (!known) {
            filters.prepend({extension, type->first, true, true});
            if (registeredCount > 1)
                filters.prepend({extension, LoadStr(QV_STR(4327)), true, false});
        }
    }
    return filters;
}

} // namespace qv
