// Where the catalog lives. A build folder or a portable copy keeps game.mdb beside
// the program; an installed program keeps a per-user copy of its installed data,
// made on the first start. Both the editor and kerrow-cli choose the same way.
#pragma once

#include <optional>
#include <string>

namespace kerrow {

enum class DataFolderSource {
  Option,         // --data DIR
  Environment,    // KERROW_DATA
  Debug,          // the "/debug" command line
  ProgramFolder,  // the program's own folder
  UserFolder,     // $XDG_DATA_HOME/kerrow, by default ~/.local/share/kerrow
};

// The parts of the process environment the choice depends on.
struct DataFolderEnvironment {
  std::string kerrowData;   // KERROW_DATA
  std::string xdgDataHome;  // XDG_DATA_HOME
  std::string home;         // HOME

  static DataFolderEnvironment FromProcess();
};

struct DataFolder {
  std::string path;  // ends with a separator
  DataFolderSource source = DataFolderSource::ProgramFolder;
  std::string fillFrom;  // UserFolder: the installed data to copy in when game.mdb is missing
};

// The installed share/kerrow of a program that lies in <prefix>/bin, found
// relative to the program so that a moved prefix still finds its data; "" when
// there is none.
std::string InstalledDataDirectory(const std::string& programDirectory);

// The per-user data folder, "" when neither XDG_DATA_HOME nor HOME gives one.
std::string UserDataDirectory(const DataFolderEnvironment& env);

// First match wins: `dataOption`, KERROW_DATA, exactly "/debug", the program's
// folder when it holds game.mdb, the per-user folder when it holds game.mdb or
// installed data can fill it; otherwise the program's folder, whose missing
// game.mdb is then reported as before.
DataFolder LocateDataFolder(const std::string& commandLine, const std::optional<std::string>& dataOption,
                            const std::string& programDirectory, const DataFolderEnvironment& env);

// For a per-user folder without game.mdb: creates it and copies every installed
// file that it lacks, game.mdb last, so that an interrupted fill is completed on
// the next start. Never replaces a file that is there. Throws Failure when the
// folder cannot be created or a file cannot be copied.
void PrepareDataFolder(const DataFolder& folder);

// "PATH (why it was chosen)", for --version and the About window.
std::string DescribeDataFolder(const DataFolder& folder);

}  // namespace kerrow
