-- The demo cartridge's own database (demo.mdb, for demo.bin). The generator
-- draws each sprite's tiles from demo.art at the offsets listed here, and
-- fills a COMPRESSED row's MaxSize of 0 with its compressed size plus 32.
-- Tile lists use CR LF between lines; ';' below is replaced by CR LF.

-- 0, 1, ... 1023, for the long tile lists.
CREATE TEMP VIEW Counter(i) AS
  WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 1023)
  SELECT i FROM n;

INSERT INTO NFO (Name, Palette, Completion, Author, Comment) VALUES
  ('Kerrow Demo Cart', 4096, 75, 'The Kerrow team',
   'A synthetic cartridge made for trying the editor: plain sprites of several '
   || 'sizes, one with its own palette, one with context tiles, and compressed sprites.');

INSERT INTO HEAD (ID, Name) VALUES (1, 'Heroes'), (2, 'Items'), (3, 'Scenery');

INSERT INTO SPRITE (Name, Heading, Palette, Width, Height, White, Grey) VALUES
  ('Coin', 2, 0, 1, 1, '0,0,8192', '-1'),
  ('Gem', 2, 0, 2, 2, replace('0,0,8224;1,0,8256;0,1,8288;1,1,8320', ';', char(13, 10)), '-1'),
  -- Its own palette; offsets written in hexadecimal.
  ('Potion', 2, 4128, 2, 2,
   replace('0,0,&H20A0;1,0,&H20C0;0,1,&H20E0;1,1,&H2100', ';', char(13, 10)), '-1'),
  ('Cart', 3, 0, 4, 2,
   (SELECT group_concat((i % 4) || ',' || (i / 4) || ',' || (8480 + 32 * i), char(13, 10))
      FROM (SELECT i FROM Counter WHERE i < 8 ORDER BY i)),
   '-1'),
  -- Listed out of order, its tiles scattered with gaps between them.
  ('Knight', 1, 0, 4, 4,
   (SELECT group_concat(((i * 7) % 16 % 4) || ',' || ((i * 7) % 16 / 4) || ','
                        || (12288 + 64 * ((i * 7) % 16)), char(13, 10))
      FROM (SELECT i FROM Counter WHERE i < 16 ORDER BY i DESC)),
   '-1'),
  -- The post is the sprite; the ground beside it is context.
  ('Lamp Post', 3, 0, 3, 4,
   replace('1,0,9216;1,1,9248;1,2,9280;1,3,9312', ';', char(13, 10)),
   replace('0,3,9344;2,3,9376', ';', char(13, 10))),
  -- Large enough to scroll.
  ('Castle Wall', 3, 0, 16, 16,
   (SELECT group_concat((i % 16) || ',' || (i / 16) || ',' || (32768 + 32 * i), char(13, 10))
      FROM (SELECT i FROM Counter WHERE i < 256 ORDER BY i)),
   '-1');

-- Offsets in White and Grey address the decompressed data.
INSERT INTO COMPRESSED (Name, SubHead, Palette, Width, Height, White, Grey, Offset, MaxSize)
VALUES
  ('Logo', 'Title', 0, 4, 2,
   (SELECT group_concat((i % 4) || ',' || (i / 4) || ',' || (32 * i), char(13, 10))
      FROM (SELECT i FROM Counter WHERE i < 8 ORDER BY i)),
   '', 49152, 0),
  ('Spark', 'Effects', 0, 2, 3,
   replace('0,0,0;1,0,32;0,1,64;1,1,96', ';', char(13, 10)),
   replace('0,2,128;1,2,160', ';', char(13, 10)), 51200, 0),
  ('Smoke', 'Effects', 4128, 2, 2,
   replace('0,0,0;1,0,32;0,1,64;1,1,96', ';', char(13, 10)), '', 53248, 0);
