#pragma once

#include <QString>

class QObject;

// The parts of the program that pull in large libraries (the web engine, speech) are
// modules loaded on first use, so that a program waiting in the notification area
// never maps them. NAME is the file name without ".so"; they are looked for beside
// the program (lib/<multiarch>/quillora next to its bin folder: the build tree, a
// relocated or packaged installation) and then in the installation prefix. The module's root
// object, or nullptr with the reason in *error. A module, once loaded, stays.
QObject *loadModule(const QString &name, QString *error = nullptr);

// Whether loadModule(NAME) has succeeded in this process.
bool moduleLoaded(const QString &name);
