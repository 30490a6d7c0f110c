-- The second demo cartridge's database (games/second.mdb, for demo2.bin).
INSERT INTO NFO (Name, Palette, Completion, Author, Comment) VALUES
  ('Kerrow Second Cart', 2048, 40, 'The Kerrow team',
   'A second synthetic cartridge, so that the list of supported games has more than one row.');

INSERT INTO HEAD (ID, Name) VALUES (1, 'Ships');

INSERT INTO SPRITE (Name, Heading, Palette, Width, Height, White, Grey) VALUES
  ('Scout', 1, 0, 2, 2, replace('0,0,4096;1,0,4128;0,1,4160;1,1,4192', ';', char(13, 10)), '-1'),
  ('Freighter', 1, 0, 4, 2,
   replace('0,0,4224;1,0,4256;2,0,4288;3,0,4320;0,1,4352;1,1,4384;2,1,4416;3,1,4448', ';',
           char(13, 10)),
   '-1');
