#pragma once

#include <QString>
#include <QStringList>
#include <QtPlugin>

class QObject;

// The parts of the program that pull in large libraries (the web engine, speech, the
// network) are modules loaded on first use, so that a program waiting in the
// notification area never maps them. Each is a pair: <Name>Module.h, the interface the
// program calls, and <Name>Module.cpp, the module <name>.so that implements it.
//
// A module's interface id carries the program's version and a revision taken from its
// interface header at build time (see CMakeLists.txt): a module left from another build
// or built against another state of the header is refused before any of its code runs.
//
// One failure policy: a module that is missing, from another build, or cannot be loaded
// is logged, and when the learner asked for what it does (a page, a word read aloud)
// the learner is told once per run, in Chinese; the program goes on without it. Loading
// is tried again at the next use, so a repaired installation works without a restart.

// How a module's interface describes it to the loader.
struct ModuleInfo
{
    const char *name;        // the file name without ".so"
    const char16_t *feature; // what the learner is told is missing, e.g. u"网页组件"
    bool tellLearner;        // false: only logged (a feature the learner did not ask for)
};

namespace modules {

// The module's object cast to the interface of that id, or nullptr (reported as the
// info says). Use loadModule<Interface>().
void *load(const ModuleInfo &info, const char *iid);
bool loaded(const ModuleInfo &info);
// A loaded module that cannot give its feature here (no speech engine installed, say):
// reported as a missing module is.
void reportUnavailable(const ModuleInfo &info, const QString &reason);

// For tests: where modules are looked for (the default when empty), and forgetting
// which failures were already told.
void setFolders(const QStringList &folders);
void forgetFailures();

} // namespace modules

// The module behind Interface (which names it in its kModule), loaded on first use and
// never unloaded; nullptr when it cannot be had.
template <class Interface>
Interface *loadModule()
{
    return static_cast<Interface *>(modules::load(Interface::kModule, qobject_interface_iid<Interface *>()));
}

// Whether that module has been loaded, with the right interface id, in this process.
template <class Interface>
bool moduleLoaded()
{
    return modules::loaded(Interface::kModule);
}
