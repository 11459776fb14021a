// Renders the program's skin art from the SVG sources listed in res/art/manifest.
//
//   render_art [--check] [--preview DIR] path/to/res/art/manifest
//
// Outputs are written under res/ (the manifest's parent folder). --check writes
// nothing and fails when a committed picture differs from what the sources give.
#include "Manifest.h"
#include "Preview.h"
#include "Render.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    // Text in the sources needs a font database, which needs a GUI application;
    // nothing is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QCommandLineParser args;
    args.addHelpOption();
    args.addPositionalArgument(QStringLiteral("manifest"), QStringLiteral("res/art/manifest"));
    const QCommandLineOption check(QStringLiteral("check"), QStringLiteral("Compare with the committed pictures, write nothing."));
    const QCommandLineOption preview(QStringLiteral("preview"), QStringLiteral("Write preview sheets into <dir>."), QStringLiteral("dir"));
    args.addOption(check);
    args.addOption(preview);
    args.process(app);
    if (args.positionalArguments().size() != 1)
        args.showHelp(2);

    QTextStream err(stderr);
    const QFileInfo manifestFile(args.positionalArguments().constFirst());
    const Manifest manifest = readManifest(manifestFile.filePath());
    if (!manifest.error.isEmpty()) {
        err << manifest.error << Qt::endl;
        return 1;
    }
    const QDir artDir = manifestFile.absoluteDir();
    QDir resDir = artDir;
    resDir.cdUp();

    int failures = 0;
    int stale = 0;
    for (const ArtEntry &entry : manifest.entries) {
        const QString outPath = resDir.filePath(entry.output);
        if (!entry.copyFrom.isEmpty()) {
            QFile from(artDir.filePath(entry.copyFrom));
            if (!from.open(QIODevice::ReadOnly)) {
                err << entry.copyFrom << ": cannot read" << Qt::endl;
                ++failures;
                continue;
            }
            const QByteArray data = from.readAll();
            QFile to(outPath);
            if (args.isSet(check)) {
                if (!to.open(QIODevice::ReadOnly) || to.readAll() != data) {
                    err << entry.output << ": differs from " << entry.copyFrom << Qt::endl;
                    ++stale;
                }
            } else if (!to.open(QIODevice::WriteOnly) || to.write(data) != data.size()) {
                err << entry.output << ": cannot write" << Qt::endl;
                ++failures;
            }
            continue;
        }

        QString error;
        const QImage img = renderEntry(entry, artDir, &error);
        if (img.isNull()) {
            err << "manifest:" << entry.line << ": " << error << Qt::endl;
            ++failures;
            continue;
        }
        if (args.isSet(check)) {
            const QImage old(outPath);
            if (old.convertToFormat(QImage::Format_ARGB32) != img.convertToFormat(QImage::Format_ARGB32)) {
                err << entry.output << ": differs from its sources" << Qt::endl;
                ++stale;
            }
            continue;
        }
        QDir().mkpath(QFileInfo(outPath).absolutePath());
        if (!img.save(outPath, "PNG")) {
            err << entry.output << ": cannot write" << Qt::endl;
            ++failures;
        }
    }
    if (failures || stale) {
        err << failures << " failed, " << stale << " out of date" << Qt::endl;
        return 1;
    }

    if (args.isSet(preview)) {
        QDir outDir(args.value(preview));
        QDir().mkpath(outDir.absolutePath());
        QString error;
        if (!writePreviews(manifest, resDir, outDir, &error)) {
            err << error << Qt::endl;
            return 1;
        }
    }
    return 0;
}
