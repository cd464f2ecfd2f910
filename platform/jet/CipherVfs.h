// The engine's SQLite VFS: every database file of the engine is opened
// through it. A plain file passes through to the system's VFS unchanged; an
// encrypted file (the engine's dbEncrypt) keeps every byte of the database,
// of its rollback journal and of its write-ahead log encrypted, so that the
// file is unreadable without the engine.
//
// An encrypted file starts with a header of 64 bytes: a magic text, the
// format's version, the block size, a random salt and a check value. The
// file's key is derived from a key of the program and the salt. After the
// header come blocks of 4096 bytes of the plain file, each stored as a
// random nonce, the bytes encrypted with AES-256-GCM and the tag; the block
// number is authenticated with it, so a damaged, cut or moved block is
// found. The plain file's size follows from the stored file's: only the
// last block may be shorter.
//
// The VFS is registered under a name of its own, never as the default:
// other users of the process's SQLite (the SQLite ODBC driver) keep the
// system's VFS and see an encrypted file as no database.
#pragma once

#include <sqlite3.h>

#include <string>

namespace jet::sqlite {

// The VFS's name for sqlite3_open_v2; registers it on first use.
const char* EngineVfsName();

// A URI that, opened with SQLITE_OPEN_CREATE or given to VACUUM INTO,
// creates `path` as a new encrypted file. An existing file opens as it is.
std::string EncryptedFileUri(const std::string& path);

// True when the schema ("main" or an attached name) of the connection is an
// encrypted file.
bool IsEncrypted(sqlite3* db, const char* schema = "main");

// True when the file at `path` begins with the header of an encrypted file.
bool IsEncryptedFile(const std::string& path);

} // namespace jet::sqlite
