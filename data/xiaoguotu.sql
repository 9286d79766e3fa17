-- Layout of a template database in the folder "xiaoguotu" (named by xiaoguo.wenjian of the
-- template catalog). Templates are the studio's content and none is shipped; this schema tells a
-- studio how to build one and lets the tests build a sample. Table a2, rows in stored order: the
-- movie pieces, each followed by a picture slot except the last.
--   a  slot offset (empty for a piece without a picture after it)
--   b  size in bytes of the picture that filled the slot in the template movie
--   c  slot size as text, width "x" height, e.g. 400x300
--   d  the piece of the movie before the slot (for the last row: the rest of the movie)

CREATE TABLE a2 (
  a VARCHAR(50) COLLATE NOCASE,
  b INTEGER,
  c VARCHAR(50) COLLATE NOCASE,
  d BLOB
);
