// Undoing recorded catalog changes. A step's script is read back from the
// catalog, which is a file like any other: it runs under an authorizer that
// lets it only delete and insert rows of the catalog's own tables.
#include <sqlite3.h>

#include <cstring>

#include "shell/Failure.h"
#include "workshop/CatalogEdits.h"
#include "workshop/CatalogSession.h"

namespace kerrow {

namespace {

bool AllowedTable(const char* table, const char* schema) {
  if (!table || !schema) return false;
  if (std::strcmp(schema, "main") == 0) return std::strcmp(table, "Games") == 0;
  if (std::strcmp(schema, "target") != 0) return false;
  for (const char* name : {"NFO", "HEAD", "SPRITE", "COMPRESSED"})
    if (std::strcmp(table, name) == 0) return true;
  return false;
}

int UndoAuthorizer(void*, int action, const char* first, const char* second, const char* schema,
                   const char*) {
  switch (action) {
    case SQLITE_INSERT:
    case SQLITE_DELETE:
      return AllowedTable(first, schema) ? SQLITE_OK : SQLITE_DENY;
    case SQLITE_READ:
      return AllowedTable(first, schema) ? SQLITE_OK : SQLITE_DENY;
    case SQLITE_FUNCTION:
      // Text holding NUL bytes is written with char(0).
      return second && std::strcmp(second, "char") == 0 ? SQLITE_OK : SQLITE_DENY;
    default:
      return SQLITE_DENY;
  }
}

// Runs the script statement by statement; false when a statement is refused
// or fails, with the reason in `why`.
bool RunUndoScript(sqlite3* db, const std::string& script, std::string& why) {
  sqlite3_set_authorizer(db, UndoAuthorizer, nullptr);
  const char* rest = script.c_str();
  bool ok = true;
  while (ok && *rest) {
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, rest, -1, &stmt, &tail) != SQLITE_OK) {
      why = sqlite3_errmsg(db);
      ok = false;
    } else if (stmt) {
      const int rc = sqlite3_step(stmt);
      if (rc != SQLITE_DONE) {
        why = sqlite3_errmsg(db);
        ok = false;
      }
    }
    sqlite3_finalize(stmt);
    rest = tail ? tail : "";
  }
  sqlite3_set_authorizer(db, nullptr, nullptr);
  return ok;
}

}  // namespace

std::vector<CatalogUndoStep> CatalogUndoSteps(const std::string& dataPath) {
  auto catalog = Database::Open(dataPath + "game.mdb");
  std::unique_ptr<TableView> log;
  try {
    log = catalog->OpenTable("CatalogUndo");
  } catch (const Failure&) {
    return {};  // a catalog nothing was ever changed in
  }
  std::vector<CatalogUndoStep> steps;
  for (log->MoveFirst(); !log->Eof(); log->MoveNext())
    steps.insert(steps.begin(), {log->Long("Step"), log->Text("Description"), log->Text("GameId"),
                                 log->Text("Target")});
  return steps;
}

std::string UndoCatalogChange(const std::string& dataPath,
                              std::optional<std::int64_t> expectedStep) {
  const std::string catalogPath = dataPath + "game.mdb";
  // The newest step: the last row in step order.
  std::optional<std::int64_t> step;
  std::string description, target, script;
  try {
    auto catalog = Database::Open(catalogPath);
    std::unique_ptr<TableView> log;
    try {
      log = catalog->OpenTable("CatalogUndo");
    } catch (const Failure&) {
      Refuse("There is no catalog change to undo.");
    }
    for (log->MoveFirst(); !log->Eof(); log->MoveNext()) {
      step = log->Long("Step");
      description = log->Text("Description");
      target = log->Text("Target");
      script = log->Text("Script");
    }
  } catch (const Failure& failure) {
    Refuse("The catalog's undo record cannot be read: " + failure.Description());
  }
  if (!step) Refuse("There is no catalog change to undo.");
  if (expectedStep && *step != *expectedStep)
    Refuse("The catalog was changed by another program since; nothing was undone.");

  const std::string targetPath = target.empty() ? "" : ResolveDataFileIn(dataPath, target);
  CatalogWriteSession session(catalogPath, false, {}, targetPath);
  // A step only ever reaches into the database of a catalogued game.
  if (!target.empty()) {
    CatalogStatement game(session, "SELECT 1 FROM main.Games WHERE Database = ?1");
    if (!game.Bind(1, target).Step())
      Refuse("The change \"" + description + "\" cannot be undone: no catalogued game has " +
             "the database \"" + target + "\" now. Nothing was changed.");
  }
  std::string why;
  if (!RunUndoScript(session.Db(), script, why))
    Refuse("The change \"" + description + "\" cannot be undone (" + why +
           "). Nothing was changed.");
  CatalogStatement forget(session, "DELETE FROM main.CatalogUndo WHERE Step = ?1");
  forget.Bind(1, *step).Step();
  session.Commit();
  return description;
}

}  // namespace kerrow
