// Builds the demo cartridges and their catalog from the SQL and pixel-art
// texts in data/: game.mdb, each game's database and its ROM image.
//
//   kerrow_demo_gen <catalog-schema.sql> <demo source dir> <output dir>
#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "DemoRom.h"
#include "codec.h"

namespace fs = std::filesystem;

namespace {

struct GameSource {
  const char* sql;
  const char* art;
  const char* database;  // relative to the output directory
  const char* rom;
  RomHeader header;
  std::size_t romSize;
};

const GameSource kGames[] = {
    {"demo.sql",
     "demo.art",
     "demo.mdb",
     "demo.bin",
     {"GM KR000001-00", "KERROW DEMO CART", "KERROW DEMO CART"},
     0x20000},
    {"second.sql",
     "second.art",
     "games/second.mdb",
     "demo2.bin",
     {"GM KR000002-00", "KERROW SECOND CART", "KERROW SECOND CART"},
     0x10000},
};

// Room left after a compressed block when its catalog row gives MaxSize 0.
constexpr std::int64_t kCompressedRoom = 32;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class Db {
 public:
  explicit Db(const fs::path& path) {
    fs::remove(path);
    if (sqlite3_open(path.string().c_str(), &db_) != SQLITE_OK)
      throw std::runtime_error("cannot create " + path.string());
  }
  ~Db() { sqlite3_close(db_); }
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;

  void Run(const std::string& sql, const std::string& what) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      std::string text = message ? message : "unknown error";
      sqlite3_free(message);
      throw std::runtime_error(what + ": " + text);
    }
  }

  // Every row of a query, each field as text (nullopt for NULL).
  using Row = std::vector<std::optional<std::string>>;
  std::vector<Row> Rows(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
      throw std::runtime_error(std::string("query failed: ") + sqlite3_errmsg(db_));
    std::vector<Row> rows;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      Row row;
      for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
        auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
        row.push_back(text ? std::optional<std::string>(text) : std::nullopt);
      }
      rows.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    return rows;
  }

 private:
  sqlite3* db_ = nullptr;
};

std::int64_t Number(const std::optional<std::string>& field, const std::string& what) {
  if (!field) throw std::runtime_error(what + " is NULL");
  return ParseCatalogNumber(*field);
}

const Picture& PictureOf(const Art& art, const std::string& name, std::int64_t width,
                         std::int64_t height) {
  auto found = art.pictures.find(name);
  if (found == art.pictures.end()) throw std::runtime_error("no art for sprite " + name);
  if (found->second.width != width * 8 || found->second.height != height * 8)
    throw std::runtime_error("art of " + name + " does not match its size in tiles");
  return found->second;
}

void RequirePalette(const Art& art, std::int64_t offset, const std::string& who) {
  for (const auto& palette : art.palettes)
    if (palette.offset == offset) return;
  throw std::runtime_error(who + " uses palette " + std::to_string(offset) +
                           ", which no art places");
}

// Lines of a tile list; "-1", '' and NULL mean none.
std::vector<TileLine> TilesOf(const std::optional<std::string>& list) {
  if (!list || list->empty() || *list == "-1") return {};
  return ParseTileList(*list);
}

void BuildGame(const GameSource& game, const fs::path& schema, const fs::path& sources,
               const fs::path& out) {
  fs::path dbPath = out / game.database;
  fs::create_directories(dbPath.parent_path());
  Db db(dbPath);
  db.Run(ReadText(schema), "schema");
  db.Run("DROP TABLE Games;", "schema");
  db.Run(ReadText(sources / game.sql), game.sql);

  Art art = ParseArt(ReadText(sources / game.art));
  DemoRom rom(game.romSize);
  for (const auto& palette : art.palettes) rom.Put(palette.offset, palette.Bytes());
  RequirePalette(art, Number(db.Rows("SELECT Palette FROM NFO").at(0).at(0), "NFO.Palette"), "NFO");

  for (const auto& row : db.Rows("SELECT Name, Palette, Width, Height, White, Grey FROM SPRITE")) {
    const std::string name = row[0].value();
    if (std::int64_t palette = Number(row[1], name + ".Palette"))
      RequirePalette(art, palette, name);
    const Picture& picture = PictureOf(art, name, Number(row[2], name), Number(row[3], name));
    for (const auto& list : {row[4], row[5]})
      for (const TileLine& tile : TilesOf(list))
        rom.Put(tile.offset, picture.Tile(tile.column, tile.row));
  }

  for (const auto& row : db.Rows(
           "SELECT Name, Palette, Width, Height, White, Grey, Offset, MaxSize FROM COMPRESSED")) {
    const std::string name = row[0].value();
    if (std::int64_t palette = Number(row[1], name + ".Palette"))
      RequirePalette(art, palette, name);
    const Picture& picture = PictureOf(art, name, Number(row[2], name), Number(row[3], name));
    std::vector<std::uint8_t> data;
    for (const auto& list : {row[4], row[5]}) {
      for (const TileLine& tile : TilesOf(list)) {
        auto bytes = picture.Tile(tile.column, tile.row);
        if (data.size() < static_cast<std::size_t>(tile.offset) + bytes.size())
          data.resize(static_cast<std::size_t>(tile.offset) + bytes.size());
        std::copy(bytes.begin(), bytes.end(), data.begin() + tile.offset);
      }
    }
    std::vector<std::uint8_t> packed = droven::Compress(data, droven::Mode::Plain);
    std::int64_t offset = Number(row[6], name + ".Offset");
    std::int64_t maxSize = Number(row[7], name + ".MaxSize");
    if (maxSize == 0) {
      maxSize = static_cast<std::int64_t>(packed.size()) + kCompressedRoom;
      db.Run("UPDATE COMPRESSED SET MaxSize = " + std::to_string(maxSize) + " WHERE Name = '" +
                 name + "';",
             "MaxSize");
    }
    if (static_cast<std::int64_t>(packed.size()) > maxSize)
      throw std::runtime_error(name + ": compressed data exceeds its MaxSize");
    // The room after the stream is part of the block and stays zero.
    packed.resize(static_cast<std::size_t>(maxSize), 0);
    rom.Put(offset, packed);
  }

  rom.Finish(game.header);
  rom.Save(out / game.rom);
}

void BuildCatalog(const fs::path& schema, const fs::path& sources, const fs::path& out) {
  Db db(out / "game.mdb");
  db.Run(ReadText(schema), "schema");
  db.Run("DROP TABLE NFO; DROP TABLE HEAD; DROP TABLE SPRITE; DROP TABLE COMPRESSED;", "schema");
  db.Run(ReadText(sources / "catalog.sql"), "catalog.sql");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: kerrow_demo_gen <catalog-schema.sql> <demo source dir> <output dir>\n";
    return 2;
  }
  try {
    fs::path schema = argv[1], sources = argv[2], out = argv[3];
    fs::create_directories(out);
    BuildCatalog(schema, sources, out);
    for (const GameSource& game : kGames) BuildGame(game, schema, sources, out);
  } catch (const std::exception& error) {
    std::cerr << "kerrow_demo_gen: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
