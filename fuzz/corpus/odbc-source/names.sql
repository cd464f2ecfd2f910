CREATE TABLE "we""ird]" ("a b" INT, "[x]" TEXT, "" TEXT, PRIMARY KEY ("a b"));
INSERT INTO "we""ird]" VALUES (1, 'q', 'r');
CREATE INDEX "i" ON "we""ird]" (("a b" + 1));
CREATE TABLE loose (Word);
INSERT INTO loose VALUES (1), ('1'), (X'31'), (NULL), (1.0);
