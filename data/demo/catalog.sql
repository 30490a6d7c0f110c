-- The demo catalog (game.mdb): two synthetic cartridges. The second game's
-- database is named with a Windows separator on purpose; it still resolves.
INSERT INTO Games (Number, ID, Database) VALUES
  (1, 'KR000001', 'demo.mdb'),
  (2, 'KR000002', 'games\second.mdb');
