#pragma once

// Where the program's files live when no option names the folders: the
// per-user folder for working files, the shipped data folder for the files
// that come with the program (INI/Parameters.ini), and the rule a started
// program applies to choose its start and program folders.

#include <QString>
#include <QStringList>

namespace tals {

// The per-user folder for the program's working files:
// $XDG_DATA_HOME/tals35xi, by default ~/.local/share/tals35xi.
QString UserDataDir();
// The folder with the files shipped with the program (INI/Parameters.ini):
// the executable's folder when it holds an INI folder (a build tree or a
// portable copy), else the installed data folder <prefix>/share/tals35xi
// beside the executable's bin folder.
QString SharedDataDir();
// A file of the program's INI folder that ships with the program: the copy
// under ProgramDir() when there is one, else the shipped one.
QString ProgramDataIniPath(const QString &name);

// Where a started program keeps its files when no option or environment
// variable names the folders.
struct TDefaultFolders
{
    QString Start;   // empty: the working directory as before
    QString Program; // empty: the executable's folder as before
};
// The rule: a working directory that holds an INI folder stays the start
// directory; otherwise the per-user folder is. The executable's folder stays
// the program's folder only when it holds an INI folder and the start
// directory stayed too; otherwise the per-user folder is (an installed
// program cannot write beside itself). Given folders are left alone.
TDefaultFolders ChooseDefaultFolders(const QString &workingDir, const QString &executableDir,
                                     const QString &userDir, bool startGiven, bool programGiven);
// Applies ChooseDefaultFolders for this process: the arguments and the
// variables TALS_START_DIR and TALS_PROGRAM_DIR tell which folders are given;
// the per-user folder is created when chosen. Called by the programs' main()
// before the folder options are applied.
void UseDefaultFolders(const QStringList &arguments);

} // namespace tals
