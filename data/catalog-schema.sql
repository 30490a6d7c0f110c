-- Kerrow catalog schema (SQLite). Run it with any SQLite tool to start a
-- catalog of your own; the editor only ever reads these files.
--
-- Two kinds of file live in the editor's data directory:
--   game.mdb          the list of supported games: table Games
--   one file per game named by Games.Database: tables NFO, HEAD, SPRITE, COMPRESSED
--
-- Rows are read in primary-key order. Text fields that the editor reads as
-- numbers may also hold decimal text with leading blanks or hexadecimal text
-- written "&H1F0"; 32-bit fields take -2147483648..2147483647, 16-bit fields
-- -32768..32767. A NULL where the editor needs a value is a catalog error.
-- Each of Games, HEAD, SPRITE and COMPRESSED may hold at most 32767 rows.
-- WITHOUT ROWID keeps a table stored in key order, which makes reading it cheap.

-- ---- game.mdb ----

-- One row per supported game. A ROM image belongs to the first game, in
-- Number order, whose ID is a prefix of the 32 bytes at ROM offset 387 (the
-- cartridge serial from its fourth character on). An empty ID matches every ROM.
CREATE TABLE Games (
  Number   INTEGER PRIMARY KEY,  -- catalog order; decides which of two matching IDs wins
  ID       TEXT NOT NULL,        -- serial prefix, compared case-sensitively, at most 32 bytes
  Database TEXT NOT NULL         -- the game's database file relative to the data directory;
                                 -- "\" separators are accepted ("games\foo.mdb")
);

-- ---- a game's own database ----

-- Game information: only the first row is read.
CREATE TABLE NFO (
  Name       TEXT NOT NULL PRIMARY KEY,  -- display name ("Game: " in the status bar)
  Palette    INTEGER NOT NULL,           -- 32-bit ROM offset of the game's 16-colour palette
  Completion NUMERIC,                    -- percentage shown in the About list
  Author     TEXT,
  Comment    TEXT                        -- shown in the details window
) WITHOUT ROWID;

-- Headings that group the plain sprites in the tree.
CREATE TABLE HEAD (
  ID   INTEGER NOT NULL PRIMARY KEY,  -- used through its decimal text in tree keys
  Name TEXT NOT NULL                  -- label in the tree
) WITHOUT ROWID;

-- Plain sprites, read tile by tile straight from the ROM.
-- Tile lists (White, Grey): lines separated by CR LF, each "column,row,offset":
-- the tile position in the sprite (0-based, in tiles) and the ROM offset of the
-- tile's 32 bytes. No trailing CR LF (an empty line is a catalog error).
CREATE TABLE SPRITE (
  Name    TEXT NOT NULL PRIMARY KEY,  -- label in the tree and lookup key
  Heading INTEGER NOT NULL,           -- HEAD.ID of the heading it is listed under
  Palette INTEGER NOT NULL,           -- 32-bit ROM offset of its palette; 0 = the game's palette
  Width   INTEGER NOT NULL,           -- 16-bit, in tiles of 8 pixels
  Height  INTEGER NOT NULL,           -- 16-bit, in tiles of 8 pixels
  White   TEXT NOT NULL,              -- its own tiles: shown, editable, written back
  Grey    TEXT                        -- context tiles, shown shaded and read-only; '-1' or NULL = none
) WITHOUT ROWID;

-- Sprites stored compressed in the ROM. Their tile offsets address the
-- decompressed data, not the ROM.
CREATE TABLE COMPRESSED (
  Name    TEXT NOT NULL PRIMARY KEY,  -- label in the tree and lookup key
  SubHead TEXT NOT NULL,              -- group under "Compressed"; equal texts share one group
  Palette INTEGER NOT NULL,           -- as in SPRITE
  Width   INTEGER NOT NULL,
  Height  INTEGER NOT NULL,
  White   TEXT NOT NULL,              -- as in SPRITE, offsets into the decompressed data
  Grey    TEXT,                       -- as in SPRITE; '' or NULL = none
  Offset  INTEGER NOT NULL,           -- 32-bit ROM offset of the compressed data
  MaxSize INTEGER NOT NULL            -- largest compressed size that may be written back there
) WITHOUT ROWID;
