CREATE TABLE t (Id INTEGER PRIMARY KEY AUTOINCREMENT, Name VARCHAR(40) NOT NULL DEFAULT 'bolt', Price DECIMAL(19,4) DEFAULT 1.5, Made DATETIME, Note TEXT, Photo BLOB, Flag BIT, Small TINYINT, G GUID);
CREATE UNIQUE INDEX tn ON t (Name DESC, Price);
INSERT INTO t (Name, Price, Made, Note, Photo, Flag) VALUES ('a', 'x', '2024-02-30 25:61:00', x'00ff', 'not a blob', 7), ('b', 1e308, 'yesterday', NULL, NULL, NULL);
CREATE VIEW v AS SELECT Name, Price * 2 AS Double FROM t;
