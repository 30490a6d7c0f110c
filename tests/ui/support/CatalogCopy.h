// A private copy of the build's demo catalog that a test may damage with SQL,
// so that faults of real catalogs can be tried on the real window.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "WindowFixture.h"
#include "catalog/bDatabase.h"

namespace kerrow::test {

class CatalogCopy {
 public:
  explicit CatalogCopy(const ScratchDir& dir) : root_(dir.Path() / "catalog") {
    namespace fs = std::filesystem;
    fs::create_directories(root_);
    for (const char* file : {"game.mdb", "demo.mdb"}) fs::copy_file(BinDir() + "/" + file, root_ / file);
    fs::copy(BinDir() + "/games", root_ / "games", fs::copy_options::recursive);
  }

  // Makes the copy the catalog the editor reads.
  void Use() const {
    G().DataPath = root_.string() + "/";
    OpenCatalog();
  }

  // Runs SQL on one of the copy's databases ("demo.mdb", "game.mdb", ...).
  void Run(const std::string& database, const std::string& sql) const {
    sqlite3* db = nullptr;
    const std::string path = (root_ / database).string();
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      sqlite3_close(db);
      throw std::runtime_error("cannot open " + path);
    }
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    const std::string text = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    if (rc != SQLITE_OK) throw std::runtime_error("SQL failed: " + text + "\n" + sql);
  }

 private:
  std::filesystem::path root_;
};

}  // namespace kerrow::test
