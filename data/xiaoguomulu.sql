-- The template catalog "xiaoguomulu.dll" beside the executable: one row per product template of
-- the simulation (preview picture and the file name of its template database in the folder
-- "xiaoguotu"), and the scratch table pic refilled by every drop. The studio adds its own
-- templates; the shipped catalog is empty. Types as in imagetag.sql.

CREATE TABLE xiaoguo (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  pic BLOB,
  miaoshu VARCHAR(100) COLLATE NOCASE,
  wenjian VARCHAR(150) COLLATE NOCASE
);

CREATE TABLE pic (
  indexid INTEGER,
  pic VARCHAR(255) COLLATE NOCASE
);
