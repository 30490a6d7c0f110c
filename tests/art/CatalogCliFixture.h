// A scratch directory with an empty catalog in data/ (the schema beside it),
// and kerrow-cli run in-process on it, for the catalog subcommand tests.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "TestSupport.h"
#include "cli/CliCommand.h"
#include "shell/bGlobals.h"

namespace kerrow::test {

inline void RunSql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
  sqlite3_close(db);
}

class CatalogCliFixture : public ::testing::Test {
 protected:
  CatalogCliFixture() {
    std::filesystem::create_directory(dir.File("data"));
    std::filesystem::copy_file(ArtBinDir() + "/catalog-schema.sql",
                               dir.File("data/catalog-schema.sql"));
    RunSql(dir.File("data/game.mdb"),
           "CREATE TABLE Games (Number INTEGER PRIMARY KEY, ID TEXT NOT NULL, "
           "Database TEXT NOT NULL);");
  }
  ~CatalogCliFixture() override { ResetGlobals(); }

  // kerrow-cli --data <dir>/data ARGS..., its output kept in `out` and `err`.
  int Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--data", dir.File("data")});
    return RunCliCapturing(args, out, err);
  }

  // Every file of the data directory, byte for byte.
  std::map<std::string, std::vector<unsigned char>> Catalog() const {
    std::map<std::string, std::vector<unsigned char>> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("data")))
      files[entry.path().filename().string()] = ReadBytes(entry.path().string());
    return files;
  }

  ScratchDir dir{true};
  std::string out, err;
};

}  // namespace kerrow::test
