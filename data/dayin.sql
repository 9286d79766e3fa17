-- The print staging database "dayin.dll" beside the executable: "Print Selected" empties table pic
-- and fills it with one row per picked photo, its requirements and a small JPEG thumbnail (logo),
-- which the picking sheet's report reads. Types as in imagetag.sql.

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
  qujiandate DATETIME,
  logo BLOB
);
