#include "wordlists/ImportWordList.h"

#include "platform/AnsiText.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "store/CppSQLite3.h"
#include "store/Store.h"
#include "wordlists/FreeWordLists.h"
#include "wordlists/WordListFile.h"
#include "wordlists/WordListStore.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace {

// Short imports finish before the progress dialog would appear, so it never flickers.
constexpr int kProgressDelayMs = 300;

} // namespace

bool ImportWordList(QWidget *parent)
{
    const QString path = FileDialog::getOpenFileName(parent, QStringLiteral("请选择一个需要导入的词库(*.txt)"),
                                                     freeWordListFolder(), QStringLiteral("文本文档(*.txt)"));
    if (path.isEmpty())
        return false;

    QProgressDialog progress(QStringLiteral("正在导入词库“%1”，请稍候……").arg(wordListName(path)),
                             QStringLiteral("取消"), 0, 0, parent);
    progress.setWindowTitle(QStringLiteral("导入词库"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(kProgressDelayMs);
    progress.setMinimumWidth(320);
    QPalette white = progress.palette();
    white.setColor(QPalette::Window, Qt::white);
    progress.setPalette(white);
    // Closed by hand below: an automatic reset at the busy range's end would stop the
    // timer that brings the dialog up.
    progress.setAutoReset(false);
    progress.setValue(0); // starts the clock of the delay

    const auto onProgress = [&progress](int done, int total) -> bool {
        if (progress.maximum() != total)
            progress.setMaximum(total);
        progress.setValue(done);
        // Until the modal dialog is up, clicks would reach the windows behind it while
        // the import's transaction is open; they wait until then.
        QCoreApplication::processEvents(progress.isVisible() ? QEventLoop::AllEvents
                                                             : QEventLoop::ExcludeUserInputEvents);
        return !progress.wasCanceled();
    };

    wordlists::ImportResult result;
    try {
        result = wordlists::importFile(theDatabase, path, onProgress);
    } catch (const CppSQLite3Exception &e) {
        // The store has rolled the list back: nothing of it was kept.
        progress.reset();
        MessageBox::storeError(parent, e);
        return false;
    }
    progress.reset();

    switch (result.status) {
    case wordlists::ImportStatus::Imported:
        return true;
    case wordlists::ImportStatus::AlreadyExists:
        MessageBox::warning(parent, QStringLiteral("该词库已经存在！"));
        return false;
    case wordlists::ImportStatus::OpenFailed:
        MessageBox::warning(parent, QStringLiteral("打开词库文件失败！"));
        return false;
    case wordlists::ImportStatus::NotText:
        MessageBox::warning(parent, QStringLiteral("所选文件不是文本格式的词库！"));
        return false;
    case wordlists::ImportStatus::Cancelled:
        return false;
    }
    return false;
}
