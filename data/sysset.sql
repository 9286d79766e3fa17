-- The settings database "sysset.dll" beside the executable: lookup lists, the studio record and
-- the random-order switches. Types as in imagetag.sql. The program uses the first row of ths and
-- of dir1path only, so each holds exactly one row.

CREATE TABLE ths (
  luan BOOLEAN NOT NULL DEFAULT 0,
  w INTEGER,
  h INTEGER
);
INSERT INTO ths (luan, w, h) VALUES (0, 150, 150);

CREATE TABLE dir1path (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  dir1path VARCHAR(50) COLLATE NOCASE,
  dir1 BOOLEAN NOT NULL DEFAULT 0
);
INSERT INTO dir1path (dir1path, dir1) VALUES (NULL, 0);

-- Usage types offered in the requirement dialogs.
CREATE TABLE yongtu (
  yongtu VARCHAR(100) COLLATE NOCASE,
  id INTEGER PRIMARY KEY AUTOINCREMENT
);
INSERT INTO yongtu (yongtu) VALUES ('Album');
INSERT INTO yongtu (yongtu) VALUES ('Print');
INSERT INTO yongtu (yongtu) VALUES ('Frame');
INSERT INTO yongtu (yongtu) VALUES ('Poster');
INSERT INTO yongtu (yongtu) VALUES ('Calendar');

-- Sizes offered.
CREATE TABLE asize (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  asize VARCHAR(30) COLLATE NOCASE
);
INSERT INTO asize (asize) VALUES ('4x6');
INSERT INTO asize (asize) VALUES ('5x7');
INSERT INTO asize (asize) VALUES ('6x8');
INSERT INTO asize (asize) VALUES ('8x10');
INSERT INTO asize (asize) VALUES ('10x12');
INSERT INTO asize (asize) VALUES ('12x18');

-- Design requirements offered.
CREATE TABLE xiupian (
  xiangmu VARCHAR(100) COLLATE NOCASE,
  id INTEGER PRIMARY KEY AUTOINCREMENT
);
INSERT INTO xiupian (xiangmu) VALUES ('Retouch skin');
INSERT INTO xiupian (xiangmu) VALUES ('Black and white');
INSERT INTO xiupian (xiangmu) VALUES ('Sepia');
INSERT INTO xiupian (xiangmu) VALUES ('Remove background');
INSERT INTO xiupian (xiangmu) VALUES ('Slimming');

-- The studio's name, telephone and address, printed on the picking sheet.
CREATE TABLE gs (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  GSname VARCHAR(50) COLLATE NOCASE,
  GStel VARCHAR(50) COLLATE NOCASE,
  addr VARCHAR(50) COLLATE NOCASE
);
INSERT INTO gs (GSname, GStel, addr) VALUES ('Photo Studio', '000-00000000', 'Studio address');
