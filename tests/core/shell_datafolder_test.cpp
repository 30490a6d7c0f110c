// Where the catalog lives: the order in which the folder is chosen, and the
// per-user folder filled from the installed data without ever replacing a file.
#include "shell/DataFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "shell/EditorArguments.h"
#include "shell/Failure.h"

namespace kerrow::test {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  WriteBytes(path.string(), std::vector<unsigned char>(text.begin(), text.end()));
}

std::string Read(const fs::path& path) {
  const auto bytes = ReadBytes(path.string());
  return std::string(bytes.begin(), bytes.end());
}

// An installed prefix (bin/ without a catalog, share/kerrow with one), a
// portable folder with its own catalog, and an empty home.
struct Layout {
  ScratchDir dir;
  fs::path bin = dir.Path() / "prefix" / "bin";
  fs::path share = dir.Path() / "prefix" / "share" / "kerrow";
  fs::path portable = dir.Path() / "portable";
  fs::path home = dir.Path() / "home";
  std::string user = (home / ".local" / "share" / "kerrow").string() + "/";

  Layout() {
    fs::create_directories(bin);
    fs::create_directories(home);
    Write(share / "game.mdb", "installed catalog");
    Write(share / "demo.bin", "installed rom");
    Write(share / "games" / "second.mdb", "installed second game");
    Write(portable / "game.mdb", "portable catalog");
  }
  DataFolderEnvironment Env(std::string kerrowData = "", std::string xdg = "") const {
    return {std::move(kerrowData), std::move(xdg), home.string()};
  }
};

TEST(DataFolder, ChoiceFollowsTheOrderOfPrecedence) {
  Layout l;
  const std::string other = l.dir.File("other");

  DataFolder chosen = LocateDataFolder("/debug", other, l.bin.string(), l.Env("/env"));
  EXPECT_EQ(chosen.path, other + "/");
  EXPECT_EQ(chosen.source, DataFolderSource::Option);

  chosen = LocateDataFolder("/debug", std::nullopt, l.portable.string(), l.Env("/env/"));
  EXPECT_EQ(chosen.path, "/env/");
  EXPECT_EQ(chosen.source, DataFolderSource::Environment);

  chosen = LocateDataFolder("/debug", std::nullopt, l.portable.string(), l.Env());
  EXPECT_EQ(chosen.source, DataFolderSource::Debug);
  EXPECT_EQ(chosen.path, "/Dev/Projects/TVII/");

  // A folder holding game.mdb beside the program: the build tree, a portable copy.
  chosen = LocateDataFolder("/DEBUG", std::nullopt, l.portable.string(), l.Env());
  EXPECT_EQ(chosen.source, DataFolderSource::ProgramFolder);
  EXPECT_EQ(chosen.path, l.portable.string() + "/");

  // Installed: the per-user folder, to be filled from share/kerrow.
  chosen = LocateDataFolder("", std::nullopt, l.bin.string(), l.Env());
  EXPECT_EQ(chosen.source, DataFolderSource::UserFolder);
  EXPECT_EQ(chosen.path, l.user);
  EXPECT_EQ(fs::path(chosen.fillFrom), fs::canonical(l.share));
  EXPECT_NE(DescribeDataFolder(chosen).find("per-user"), std::string::npos);

  // XDG_DATA_HOME counts only when absolute.
  chosen = LocateDataFolder("", std::nullopt, l.bin.string(), l.Env("", l.dir.File("xdg")));
  EXPECT_EQ(chosen.path, l.dir.File("xdg") + "/kerrow/");
  chosen = LocateDataFolder("", std::nullopt, l.bin.string(), l.Env("", "relative/xdg"));
  EXPECT_EQ(chosen.path, l.user);
}

TEST(DataFolder, WithoutInstalledDataTheProgramFolderKeepsItsOldRole) {
  Layout l;
  fs::remove_all(l.share);
  // Nothing to fill from and no per-user catalog: the program's folder, whose
  // missing game.mdb is then reported.
  DataFolder chosen = LocateDataFolder("", std::nullopt, l.bin.string(), l.Env());
  EXPECT_EQ(chosen.source, DataFolderSource::ProgramFolder);
  EXPECT_EQ(chosen.path, l.bin.string() + "/");
  chosen = LocateDataFolder("", std::nullopt, l.bin.string(), {"", "", ""});
  EXPECT_EQ(chosen.source, DataFolderSource::ProgramFolder);

  // A per-user folder that holds a catalog is used even without installed data.
  Write(fs::path(l.user) / "game.mdb", "mine");
  chosen = LocateDataFolder("", std::nullopt, l.bin.string(), l.Env());
  EXPECT_EQ(chosen.source, DataFolderSource::UserFolder);
  EXPECT_TRUE(chosen.fillFrom.empty());
  EXPECT_NO_THROW(PrepareDataFolder(chosen));
  EXPECT_EQ(Read(fs::path(l.user) / "game.mdb"), "mine");
}

TEST(DataFolder, FirstStartCopiesTheInstalledDataAndLaterStartsReplaceNothing) {
  Layout l;
  const DataFolder first = LocateDataFolder("", std::nullopt, l.bin.string(), l.Env());
  PrepareDataFolder(first);
  const fs::path user(l.user);
  EXPECT_EQ(Read(user / "game.mdb"), "installed catalog");
  EXPECT_EQ(Read(user / "demo.bin"), "installed rom");
  EXPECT_EQ(Read(user / "games" / "second.mdb"), "installed second game");
  int entries = 0;
  for (const auto& entry : fs::recursive_directory_iterator(user)) {
    ++entries;
    EXPECT_EQ(entry.path().filename().string().find(".part-"), std::string::npos) << entry.path();
  }
  EXPECT_EQ(entries, 4) << "three files and the games folder, nothing else";

  // The user edits one file and deletes another; the next start keeps both so.
  Write(user / "demo.bin", "edited rom");
  fs::remove(user / "games" / "second.mdb");
  const DataFolder later = LocateDataFolder("", std::nullopt, l.bin.string(), l.Env());
  EXPECT_TRUE(later.fillFrom.empty());
  PrepareDataFolder(later);
  EXPECT_EQ(Read(user / "demo.bin"), "edited rom");
  EXPECT_FALSE(fs::exists(user / "games" / "second.mdb"));
}

TEST(DataFolder, AnInterruptedFillIsCompletedWithoutReplacingWhatIsThere) {
  Layout l;
  const fs::path user(l.user);
  // A fill cut short before game.mdb, with a file of the user's own by then.
  Write(user / "demo.bin", "the user's rom");
  PrepareDataFolder(LocateDataFolder("", std::nullopt, l.bin.string(), l.Env()));
  EXPECT_EQ(Read(user / "demo.bin"), "the user's rom");
  EXPECT_EQ(Read(user / "game.mdb"), "installed catalog");
  EXPECT_EQ(Read(user / "games" / "second.mdb"), "installed second game");
}

TEST(DataFolder, AFolderThatCannotBeMadeIsReportedWithItsPath) {
  Layout l;
  // HOME names a regular file, so nothing can be created below it (even as root).
  fs::remove_all(l.home);
  Write(l.home, "not a directory");
  const DataFolder chosen = LocateDataFolder("", std::nullopt, l.bin.string(), l.Env());
  try {
    PrepareDataFolder(chosen);
    ADD_FAILURE() << "no failure";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.Number(), kErrPathAccess);
    EXPECT_NE(failure.Description().find(l.home.string()), std::string::npos) << failure.Description();
  }
}

TEST(EditorArguments, DataVersionAndHelpBesideTheDebugSwitch) {
  auto parse = [](std::vector<const char*> args) {
    args.insert(args.begin(), "kerrow");
    return ParseEditorArguments(static_cast<int>(args.size()), args.data());
  };
  EXPECT_EQ(parse({"--data", "/srv/catalog"}).data, "/srv/catalog");
  EXPECT_EQ(parse({"--data=/srv/catalog"}).data, "/srv/catalog");
  EXPECT_TRUE(parse({"--version"}).version);
  EXPECT_TRUE(parse({"-h"}).help);
  for (auto args : {std::vector<const char*>{"--data"}, {"--data", ""}, {"--data="}}) {
    const EditorArguments wrong = parse(args);
    EXPECT_FALSE(wrong.error.empty());
  }
  // The debug switch and other words are no options of the editor's own.
  const EditorArguments plain = parse({"/debug"});
  EXPECT_FALSE(plain.data || plain.version || plain.help || !plain.error.empty());
  EXPECT_FALSE(parse({"some", "words"}).data);
}

}  // namespace
}  // namespace kerrow::test
