#include "platform/FileDialog.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

#include <optional>

namespace {
std::optional<QString> g_nextFileName;

enum Column { NameColumn, SizeColumn, TypeColumn, DateColumn };

// The file system model writes sizes and dates in the system's locale, which on a
// desktop without a Chinese locale is English; the dialog shows them in its own.
class LocalizedDetails : public QIdentityProxyModel
{
public:
    LocalizedDetails(const QLocale &locale, QObject *parent)
        : QIdentityProxyModel(parent)
        , m_locale(locale)
    {
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (role == Qt::DisplayRole && files) {
            const QModelIndex source = mapToSource(index);
            if (index.column() == SizeColumn && !files->isDir(source))
                return m_locale.formattedDataSize(files->size(source));
            if (index.column() == DateColumn)
                return m_locale.toString(files->lastModified(source), QLocale::ShortFormat);
        }
        return QIdentityProxyModel::data(index, role);
    }

private:
    QLocale m_locale;
};

// Widens the detail columns to their contents and the dialog to its columns, so
// that no size or date is cut short.
void fitColumns(QFileDialog &dialog, QTreeView *view)
{
    QHeaderView *header = view->header();
    const QAbstractItemView *items = view; // the tree view's own hint, public from its base
    int wanted = 0;
    for (int column = 0; column < header->count(); ++column) {
        if (header->isSectionHidden(column))
            continue;
        int width = qMax(items->sizeHintForColumn(column), header->sectionSizeHint(column));
        if (column == NameColumn) // long names may be cut, as in any file manager
            width = qBound(header->sectionSize(column), width, 40 * view->fontMetrics().averageCharWidth());
        if (column != header->count() - 1) // the last one stretches
            header->resizeSection(column, width);
        wanted += width;
    }
    const int missing = wanted + view->verticalScrollBar()->sizeHint().width() - view->viewport()->width();
    if (missing <= 0)
        return;
    int width = dialog.width() + missing;
    if (const QScreen *screen = dialog.screen())
        width = qMin(width, screen->availableGeometry().width());
    dialog.resize(width, dialog.height());
}
} // namespace

QString FileDialog::getOpenFileName(QWidget *parent, const QString &title, const QString &directory,
                                    const QString &filter)
{
    if (g_nextFileName) {
        QString name = *g_nextFileName;
        g_nextFileName.reset();
        return name;
    }
    QFileDialog dialog(parent, title, directory, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setLocale(QLocale(QLocale::Chinese, QLocale::China));
    // A desktop's own dialog has none of these parts and sizes itself.
    auto *view = dialog.findChild<QTreeView *>(QStringLiteral("treeView"));
    auto *files = dialog.findChild<QFileSystemModel *>();
    if (view && files) {
        dialog.setProxyModel(new LocalizedDetails(dialog.locale(), &dialog));
        const auto fit = [&dialog, view] { fitColumns(dialog, view); };
        QObject::connect(files, &QFileSystemModel::directoryLoaded, &dialog, fit, Qt::QueuedConnection);
        QTimer::singleShot(0, &dialog, fit);
    }
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

void FileDialog::setNextFileName(const QString &fileName)
{
    g_nextFileName = fileName;
}
