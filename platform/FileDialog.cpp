#include "platform/FileDialog.h"

#include <QFileDialog>

#include <optional>

namespace {
std::optional<QString> g_nextFileName;
}

QString FileDialog::getOpenFileName(QWidget *parent, const QString &title, const QString &directory,
                                    const QString &filter)
{
    if (g_nextFileName) {
        QString name = *g_nextFileName;
        g_nextFileName.reset();
        return name;
    }
    return QFileDialog::getOpenFileName(parent, title, directory, filter);
}

void FileDialog::setNextFileName(const QString &fileName)
{
    g_nextFileName = fileName;
}
