#pragma once

#include <QString>

// The per-installation preferences in section "login" of config.ini: LastUser,
// RememberPas (the scrambled password) and AutoLog. The file's full path is fixed
// once at start-up; reads of a missing file or key give empty text and failed writes
// are not reported.
namespace config {

inline constexpr char kFileName[] = "config.ini";
inline constexpr char kLastUser[] = "LastUser";
inline constexpr char kRememberPas[] = "RememberPas";
inline constexpr char kAutoLog[] = "AutoLog";

// Creates config.ini in dir when it is missing (empty) and fixes its full path.
void initialise(const QString &dir);
QString path();

QString readLogin(const char *key);
void writeLogin(const char *key, const QString &value);

} // namespace config
