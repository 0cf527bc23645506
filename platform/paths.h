#pragma once

// Path helpers ("/" separators) and the program's two roots: the start
// directory (the working directory at start-up, home of the INI folder with
// WndPos.ini, Timer.ini, ComPort.ini, bde.ini) and the program's own folder
// (INI/Parameters.ini, the device folders, test results). Folders and files
// are found without regard to letter case.

#include <QString>
#include <QStringList>

namespace tals {

// Name when dir is empty, dir + name when dir ends with "/", otherwise
// dir + "/" + name; a leading "/" of name is dropped when dir already ends
// with one, so exactly one separator stands between the parts.
QString JoinPath(const QString &dir, const QString &name);
// The file name of path without its last extension: "a/Distance.db" ->
// "Distance", "Distance" -> "Distance", "x.tar.gz" -> "x.tar".
QString FileBaseName(const QString &path);
// Creates the folder of path with all missing parents, then an empty file at
// path when none exists. True when the file exists afterwards.
bool EnsureFile(const QString &path);
// Creates dir with all missing parents; true when it exists afterwards.
bool ForceDirectories(const QString &dir);
// path with each existing component replaced by the entry that matches it
// without regard to letter case (an existing "ini" serves for "INI"); from
// the first component that matches nothing on, the rest is kept as given.
QString FindPathNoCase(const QString &path);

// The working directory at start-up (absolute; captured at the first call,
// which main() makes before anything changes directory), unless overridden
// by SetStartDir, the environment variable TALS_START_DIR or "--start-dir".
QString StartDir();
// The folder of the executable, unless overridden by SetProgramDir,
// TALS_PROGRAM_DIR or "--program-dir"; the start directory when no
// application object exists.
QString ProgramDir();
// Overrides a root; an empty dir restores the default.
void SetStartDir(const QString &dir);
void SetProgramDir(const QString &dir);
// Takes "--start-dir DIR", "--start-dir=DIR", "--program-dir DIR" and
// "--program-dir=DIR" out of args and applies them. False when an option
// lacks its folder (that option is then removed and ignored).
bool ApplyPathOptions(QStringList &args);

// root/INI/name with the INI folder and the file found without regard to case.
QString IniFilePath(const QString &root, const QString &name);
// IniFilePath under the start directory and under the program's folder.
QString StartIniPath(const QString &name);
QString ProgramIniPath(const QString &name);

} // namespace tals
