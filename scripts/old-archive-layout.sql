-- The layout of a historical protocol archive read by "Consulta Archivio
-- Storico". Runs unchanged on SQLite (sqlite3 FILE < old-archive-layout.sql)
-- and on PostgreSQL (psql -f old-archive-layout.sql). Every name is written
-- between double quotes exactly as here: the program reads them so.
--
-- "annoprot" is the key of an old protocol (for instance its year and
-- number, "19990000123") and joins the other tables to it. Dates are
-- written "yyyy-mm-dd". "entrata/uscita": "E" or "A" incoming, "U" or "P"
-- outgoing. "FLAGSCAN": "S" when the scanned images of the protocol sit in
-- the folder Percorso_Immagini/<annoprot>.

CREATE TABLE "Protocollo" (
    "annoprot" TEXT NOT NULL PRIMARY KEY,
    "n protocollo" INTEGER NOT NULL,
    "entrata/uscita" TEXT,
    "data proto" DATE NOT NULL,
    "desc doc" TEXT,
    "oggetto proto" TEXT,
    "collegamento" TEXT,
    "data arr/spe" DATE,
    "spedpost" TEXT,
    "categ" TEXT,
    "class" TEXT,
    "fasc" TEXT,
    "oggetto class" TEXT,
    "documento" TEXT,
    "data docum" DATE,
    "allegati" TEXT,
    "data carico/scar" DATE,
    "data evidenza" DATE,
    "data scadenza" DATE,
    "FLAGSCAN" TEXT
);
CREATE INDEX "ix_protocollo_data" ON "Protocollo" ("data proto");

CREATE TABLE "M/D Multipli" (
    "annoprot" TEXT NOT NULL,
    "rag soc m/d" TEXT
);
CREATE INDEX "ix_md_annoprot" ON "M/D Multipli" ("annoprot");

CREATE TABLE "Uff Multipli" (
    "annoprot" TEXT NOT NULL,
    "descriz uff/m" TEXT
);
CREATE INDEX "ix_uff_annoprot" ON "Uff Multipli" ("annoprot");

CREATE TABLE "Uffici" (
    "Codice uff" TEXT NOT NULL PRIMARY KEY,
    "descrizione uff" TEXT,
    "Attivo" TEXT
);
