-- The empty photo catalog "ImageTag.dll": copied into a shoot folder when it has none.
--
-- Column names, order, types and widths are those every program and file of the system relies on.
-- Declared types name the kind of each column for the data sets: VARCHAR(n) is text of n
-- characters, LONGTEXT a memo, BOOLEAN a yes/no value (stored 0 or 1), DATETIME a date and time
-- (stored as text "yyyy-mm-dd hh:nn:ss"), BLOB binary data. Every text column compares, groups,
-- sorts and is located without regard to case (COLLATE NOCASE), as the stored statements expect.

CREATE TABLE pic (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  kehuid VARCHAR(50) COLLATE NOCASE,
  fname VARCHAR(50) COLLATE NOCASE,
  yongtu VARCHAR(100) COLLATE NOCASE,
  xiugai VARCHAR(255) COLLATE NOCASE,
  beizhu LONGTEXT COLLATE NOCASE,
  dalei VARCHAR(50) COLLATE NOCASE,
  drend BOOLEAN NOT NULL DEFAULT 0,
  member VARCHAR(50) COLLATE NOCASE,
  name VARCHAR(8) COLLATE NOCASE,
  namev VARCHAR(8) COLLATE NOCASE,
  qujiandate DATETIME
);
-- Every caption lookup asks for the rows of one file name.
CREATE INDEX pic_fname ON pic (fname);
CREATE INDEX pic_yongtu ON pic (yongtu);

CREATE TABLE beizhu (
  beizhu LONGTEXT COLLATE NOCASE
);

CREATE TABLE miaoshu (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  pic VARCHAR(150) COLLATE NOCASE,
  miaoshu LONGTEXT COLLATE NOCASE,
  sheyingshi VARCHAR(8) COLLATE NOCASE,
  adate DATETIME
);
CREATE INDEX miaoshu_pic ON miaoshu (pic);
