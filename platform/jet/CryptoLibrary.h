// OpenSSL's libcrypto, which encrypts the blocks of encrypted database
// files, is loaded when the first such file is opened or made, not when the
// program starts: CryptoLibrary.cpp stands in for the functions the engine
// calls (platform/system/LazyLibrary.h says how).
#pragma once

namespace jet::crypto {

// Loads the library and every function the engine calls from it; false
// when it cannot be had (the encrypted file then does not open). The
// functions may be called once it answered true.
bool Load();

// True once Load() has answered true.
bool Loaded();

} // namespace jet::crypto
