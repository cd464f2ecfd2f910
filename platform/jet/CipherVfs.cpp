#include "platform/jet/CipherVfs.h"

#include "platform/jet/CryptoLibrary.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace jet::sqlite {
namespace {

constexpr std::size_t HeaderSize = 64;
constexpr std::size_t BlockSize = 4096;
constexpr std::size_t NonceSize = 12;
constexpr std::size_t TagSize = 16;
constexpr std::size_t Overhead = NonceSize + TagSize;
constexpr std::size_t StoredBlockSize = BlockSize + Overhead;
constexpr std::size_t KeySize = 32;
constexpr std::size_t SaltSize = 16;
constexpr std::size_t CheckSize = 16;
constexpr unsigned char FormatVersion = 1;
// Header layout: magic [0, 16), version [16], block size [20, 24) little
// endian, salt [24, 40), check [40, 56); the rest is zero.
constexpr unsigned char Magic[16] = {'Q', 'u', 'o', 'r', 'v', 'e', 'x', ' ', 'c', 'i', 'p', 'h', 'e', 'r', '\n', 0};
constexpr std::size_t VersionAt = 16, BlockSizeAt = 20, SaltAt = 24, CheckAt = 40;

// The program's key: what makes a file readable by the engine alone.
constexpr unsigned char ProgramKey[KeySize] = {
    0x14, 0x1a, 0x61, 0x30, 0xa5, 0xf4, 0x1f, 0xd6, 0xb3, 0x61, 0xa1, 0x64, 0x02, 0xf5, 0x05, 0x15,
    0x88, 0x06, 0x49, 0xdc, 0xe2, 0xa9, 0x16, 0x65, 0xe3, 0x3e, 0x29, 0x55, 0x0e, 0xb4, 0xa4, 0x49};

const char* const VfsName = "quorvex-cipher";

void Hmac(const unsigned char* key, const unsigned char* data, std::size_t size, unsigned char* out)
{
    unsigned int length = 0;
    HMAC(EVP_sha256(), key, static_cast<int>(KeySize), data, size, out, &length);
}

void FileKey(const unsigned char* salt, unsigned char* key)
{
    unsigned char input[14 + SaltSize] = {'d', 'a', 't', 'a', 'b', 'a', 's', 'e', ' ', 'p', 'a', 'g', 'e', 's'};
    std::memcpy(input + 14, salt, SaltSize);
    Hmac(ProgramKey, input, sizeof input, key);
}

void CheckValue(const unsigned char* key, unsigned char* check)
{
    static const unsigned char label[] = {'c', 'h', 'e', 'c', 'k'};
    unsigned char full[32];
    Hmac(key, label, sizeof label, full);
    std::memcpy(check, full, CheckSize);
}

// The file's key from a whole header; false for a damaged or foreign one.
bool ReadHeader(const unsigned char* header, unsigned char* key)
{
    if (std::memcmp(header, Magic, sizeof Magic) != 0 || header[VersionAt] != FormatVersion)
        return false;
    const std::uint32_t blockSize = header[BlockSizeAt] | header[BlockSizeAt + 1] << 8
        | header[BlockSizeAt + 2] << 16 | static_cast<std::uint32_t>(header[BlockSizeAt + 3]) << 24;
    if (blockSize != BlockSize)
        return false;
    FileKey(header + SaltAt, key);
    unsigned char check[CheckSize];
    CheckValue(key, check);
    return CRYPTO_memcmp(check, header + CheckAt, CheckSize) == 0;
}

bool NewHeader(unsigned char* header, unsigned char* key)
{
    std::memset(header, 0, HeaderSize);
    std::memcpy(header, Magic, sizeof Magic);
    header[VersionAt] = FormatVersion;
    header[BlockSizeAt] = BlockSize & 0xFF;
    header[BlockSizeAt + 1] = (BlockSize >> 8) & 0xFF;
    if (RAND_bytes(header + SaltAt, SaltSize) != 1)
        return false;
    FileKey(header + SaltAt, key);
    CheckValue(key, header + CheckAt);
    return true;
}

// Main database files open as encrypted, by the name SQLite gives them; a
// journal or log of one of them is encrypted too.
std::mutex RegistryMutex;
std::multiset<std::string> EncryptedDatabases;

struct FileState {
    sqlite3_file* Real = nullptr;
    bool Encrypted = false;
    unsigned char Key[KeySize] = {};
    std::string RegisteredName;
    EVP_CIPHER_CTX* Cipher = nullptr;
    std::vector<unsigned char> Stored = std::vector<unsigned char>(StoredBlockSize);
    std::vector<unsigned char> Plain = std::vector<unsigned char>(BlockSize);

    ~FileState()
    {
        // A plain file never needed the library, nor loads it now.
        if (crypto::Loaded()) {
            EVP_CIPHER_CTX_free(Cipher);
            OPENSSL_cleanse(Key, sizeof Key);
        }
        if (!RegisteredName.empty()) {
            const std::lock_guard lock(RegistryMutex);
            EncryptedDatabases.erase(EncryptedDatabases.find(RegisteredName));
        }
    }
};

struct CipherFile {
    sqlite3_file Base;
    FileState* State;
};

FileState& StateOf(sqlite3_file* file)
{
    return *reinterpret_cast<CipherFile*>(file)->State;
}

sqlite3_file* RealOf(sqlite3_file* file)
{
    return StateOf(file).Real;
}

sqlite3_vfs* Underlying(sqlite3_vfs* vfs)
{
    return static_cast<sqlite3_vfs*>(vfs->pAppData);
}

// ------------------------------------------------------------ block layer

std::int64_t StoredOffset(std::int64_t block)
{
    return static_cast<std::int64_t>(HeaderSize) + block * static_cast<std::int64_t>(StoredBlockSize);
}

std::int64_t PlainSize(std::int64_t storedSize)
{
    if (storedSize <= static_cast<std::int64_t>(HeaderSize))
        return 0;
    const std::int64_t data = storedSize - static_cast<std::int64_t>(HeaderSize);
    const std::int64_t rest = data % static_cast<std::int64_t>(StoredBlockSize);
    return data / static_cast<std::int64_t>(StoredBlockSize) * static_cast<std::int64_t>(BlockSize)
        + (rest > static_cast<std::int64_t>(Overhead) ? rest - static_cast<std::int64_t>(Overhead) : 0);
}

int StoredSize(FileState& state, std::int64_t& size)
{
    sqlite3_int64 stored = 0;
    const int rc = state.Real->pMethods->xFileSize(state.Real, &stored);
    size = stored;
    return rc;
}

void BlockNumberBytes(std::int64_t block, unsigned char* bytes)
{
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<unsigned char>(static_cast<std::uint64_t>(block) >> (8 * i));
}

// Reads and decrypts block `block` into state.Plain; `length` is its size
// (0 past the end). A block that fails its tag is damage: SQLITE_IOERR_DATA.
int ReadBlock(FileState& state, std::int64_t storedSize, std::int64_t block, std::size_t& length)
{
    length = 0;
    const std::int64_t offset = StoredOffset(block);
    if (offset >= storedSize)
        return SQLITE_OK;
    const auto available = static_cast<std::size_t>(std::min<std::int64_t>(StoredBlockSize, storedSize - offset));
    if (available <= Overhead)
        return SQLITE_IOERR_DATA;
    const int rc = state.Real->pMethods->xRead(state.Real, state.Stored.data(), static_cast<int>(available), offset);
    if (rc != SQLITE_OK)
        return rc;
    const std::size_t size = available - Overhead;
    unsigned char number[8];
    BlockNumberBytes(block, number);
    EVP_CIPHER_CTX* cipher = state.Cipher;
    int out = 0;
    const unsigned char* nonce = state.Stored.data();
    const unsigned char* data = nonce + NonceSize;
    unsigned char* tag = state.Stored.data() + NonceSize + size;
    const bool ok = EVP_DecryptInit_ex(cipher, EVP_aes_256_gcm(), nullptr, state.Key, nonce) == 1
        && EVP_DecryptUpdate(cipher, nullptr, &out, number, sizeof number) == 1
        && EVP_DecryptUpdate(cipher, state.Plain.data(), &out, data, static_cast<int>(size)) == 1
        && EVP_CIPHER_CTX_ctrl(cipher, EVP_CTRL_GCM_SET_TAG, TagSize, tag) == 1
        && EVP_DecryptFinal_ex(cipher, state.Plain.data() + out, &out) == 1;
    if (!ok)
        return SQLITE_IOERR_DATA;
    length = size;
    return SQLITE_OK;
}

// Encrypts the first `length` bytes of state.Plain as block `block`.
int WriteBlock(FileState& state, std::int64_t block, std::size_t length)
{
    unsigned char number[8];
    BlockNumberBytes(block, number);
    unsigned char* nonce = state.Stored.data();
    unsigned char* data = nonce + NonceSize;
    EVP_CIPHER_CTX* cipher = state.Cipher;
    int out = 0;
    const bool ok = RAND_bytes(nonce, NonceSize) == 1
        && EVP_EncryptInit_ex(cipher, EVP_aes_256_gcm(), nullptr, state.Key, nonce) == 1
        && EVP_EncryptUpdate(cipher, nullptr, &out, number, sizeof number) == 1
        && EVP_EncryptUpdate(cipher, data, &out, state.Plain.data(), static_cast<int>(length)) == 1
        && EVP_EncryptFinal_ex(cipher, data + out, &out) == 1
        && EVP_CIPHER_CTX_ctrl(cipher, EVP_CTRL_GCM_GET_TAG, TagSize, data + length) == 1;
    if (!ok)
        return SQLITE_IOERR_WRITE;
    return state.Real->pMethods->xWrite(state.Real, state.Stored.data(), static_cast<int>(length + Overhead),
                                        StoredOffset(block));
}

// ------------------------------------------------------------- io methods

int Close(sqlite3_file* file)
{
    auto* cipherFile = reinterpret_cast<CipherFile*>(file);
    sqlite3_file* real = cipherFile->State->Real;
    const int rc = real->pMethods ? real->pMethods->xClose(real) : SQLITE_OK;
    delete cipherFile->State;
    cipherFile->State = nullptr;
    return rc;
}

int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset)
{
    FileState& state = StateOf(file);
    if (!state.Encrypted)
        return state.Real->pMethods->xRead(state.Real, buffer, amount, offset);
    std::int64_t storedSize = 0;
    if (const int rc = StoredSize(state, storedSize); rc != SQLITE_OK)
        return rc;
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    const auto total = static_cast<std::size_t>(amount);
    while (done < total) {
        const std::int64_t position = offset + static_cast<std::int64_t>(done);
        const std::size_t within = static_cast<std::size_t>(position % static_cast<std::int64_t>(BlockSize));
        std::size_t length = 0;
        if (const int rc = ReadBlock(state, storedSize, position / static_cast<std::int64_t>(BlockSize), length);
            rc != SQLITE_OK)
            return rc;
        if (within >= length) {
            std::memset(out + done, 0, total - done);
            return SQLITE_IOERR_SHORT_READ;
        }
        const std::size_t take = std::min(length - within, total - done);
        std::memcpy(out + done, state.Plain.data() + within, take);
        done += take;
        if (length < BlockSize && done < total) {
            std::memset(out + done, 0, total - done);
            return SQLITE_IOERR_SHORT_READ;
        }
    }
    return SQLITE_OK;
}

int Write(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset)
{
    FileState& state = StateOf(file);
    if (!state.Encrypted)
        return state.Real->pMethods->xWrite(state.Real, buffer, amount, offset);
    std::int64_t storedSize = 0;
    if (const int rc = StoredSize(state, storedSize); rc != SQLITE_OK)
        return rc;
    const auto* in = static_cast<const unsigned char*>(buffer);
    const std::int64_t plainSize = PlainSize(storedSize);
    const std::int64_t end = offset + amount;
    const auto blockSize = static_cast<std::int64_t>(BlockSize);
    // A gap between the end of the file and the write reads as zeros.
    for (std::int64_t block = std::min<std::int64_t>(offset, plainSize) / blockSize; block * blockSize < end; ++block) {
        const std::int64_t blockStart = block * blockSize;
        const auto present = static_cast<std::size_t>(std::clamp<std::int64_t>(plainSize - blockStart, 0, blockSize));
        const std::size_t length = std::max(present, static_cast<std::size_t>(std::min(blockSize, end - blockStart)));
        const bool whole = offset <= blockStart && end >= blockStart + static_cast<std::int64_t>(length);
        std::size_t read = 0;
        if (!whole && present > 0)
            if (const int rc = ReadBlock(state, storedSize, block, read); rc != SQLITE_OK)
                return rc;
        std::memset(state.Plain.data() + read, 0, length - read);
        const std::int64_t from = std::max<std::int64_t>(offset, blockStart);
        const std::int64_t to = std::min(end, blockStart + static_cast<std::int64_t>(length));
        if (to > from)
            std::memcpy(state.Plain.data() + (from - blockStart), in + (from - offset), static_cast<std::size_t>(to - from));
        if (const int rc = WriteBlock(state, block, length); rc != SQLITE_OK)
            return rc;
    }
    return SQLITE_OK;
}

int Truncate(sqlite3_file* file, sqlite3_int64 size)
{
    FileState& state = StateOf(file);
    if (!state.Encrypted)
        return state.Real->pMethods->xTruncate(state.Real, size);
    std::int64_t storedSize = 0;
    if (const int rc = StoredSize(state, storedSize); rc != SQLITE_OK)
        return rc;
    // SQLite grows files by writing; a larger size leaves the file as it is.
    if (size >= PlainSize(storedSize))
        return SQLITE_OK;
    const std::int64_t blocks = size / static_cast<std::int64_t>(BlockSize);
    const auto tail = static_cast<std::size_t>(size % static_cast<std::int64_t>(BlockSize));
    if (tail > 0) {
        std::size_t length = 0;
        if (const int rc = ReadBlock(state, storedSize, blocks, length); rc != SQLITE_OK)
            return rc;
        if (const int rc = WriteBlock(state, blocks, tail); rc != SQLITE_OK)
            return rc;
    }
    return state.Real->pMethods->xTruncate(state.Real,
                                           StoredOffset(blocks) + (tail > 0 ? static_cast<std::int64_t>(tail + Overhead) : 0));
}

int Sync(sqlite3_file* file, int flags)
{
    return RealOf(file)->pMethods->xSync(RealOf(file), flags);
}

int FileSize(sqlite3_file* file, sqlite3_int64* size)
{
    FileState& state = StateOf(file);
    if (!state.Encrypted)
        return state.Real->pMethods->xFileSize(state.Real, size);
    std::int64_t storedSize = 0;
    const int rc = StoredSize(state, storedSize);
    *size = PlainSize(storedSize);
    return rc;
}

int Lock(sqlite3_file* file, int level)
{
    return RealOf(file)->pMethods->xLock(RealOf(file), level);
}

int Unlock(sqlite3_file* file, int level)
{
    return RealOf(file)->pMethods->xUnlock(RealOf(file), level);
}

int CheckReservedLock(sqlite3_file* file, int* reserved)
{
    return RealOf(file)->pMethods->xCheckReservedLock(RealOf(file), reserved);
}

int FileControl(sqlite3_file* file, int op, void* argument)
{
    // Size hints speak of the plain file; the stored one is larger.
    if (StateOf(file).Encrypted && (op == SQLITE_FCNTL_SIZE_HINT || op == SQLITE_FCNTL_CHUNK_SIZE))
        return SQLITE_OK;
    return RealOf(file)->pMethods->xFileControl(RealOf(file), op, argument);
}

int SectorSize(sqlite3_file* file)
{
    return RealOf(file)->pMethods->xSectorSize(RealOf(file));
}

int DeviceCharacteristics(sqlite3_file* file)
{
    const int real = RealOf(file)->pMethods->xDeviceCharacteristics(RealOf(file));
    // A block rewritten whole is neither atomic nor safe for its neighbours.
    return StateOf(file).Encrypted ? real & SQLITE_IOCAP_UNDELETABLE_WHEN_OPEN : real;
}

int ShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** memory)
{
    return RealOf(file)->pMethods->xShmMap(RealOf(file), region, size, extend, memory);
}

int ShmLock(sqlite3_file* file, int offset, int n, int flags)
{
    return RealOf(file)->pMethods->xShmLock(RealOf(file), offset, n, flags);
}

void ShmBarrier(sqlite3_file* file)
{
    RealOf(file)->pMethods->xShmBarrier(RealOf(file));
}

int ShmUnmap(sqlite3_file* file, int deleteFlag)
{
    return RealOf(file)->pMethods->xShmUnmap(RealOf(file), deleteFlag);
}

// Version 2: no memory mapping, which would show the stored bytes.
const sqlite3_io_methods Methods = {
    2, Close, Read, Write, Truncate, Sync, FileSize, Lock, Unlock, CheckReservedLock, FileControl, SectorSize,
    DeviceCharacteristics, ShmMap, ShmLock, ShmBarrier, ShmUnmap, nullptr, nullptr,
};

// Whether a file that is new (empty) is to be encrypted: a main database
// asked so by its URI, a journal or log of an encrypted database.
bool EncryptNew(sqlite3_filename name, int flags)
{
    if (flags & SQLITE_OPEN_MAIN_DB)
        return sqlite3_uri_boolean(name, "encrypt", 0) != 0;
    const char* database = sqlite3_filename_database(name);
    const std::lock_guard lock(RegistryMutex);
    return database && EncryptedDatabases.count(database) > 0;
}

// Decides whether the file just opened is encrypted; SQLITE_NOTADB for a
// file that carries the magic of one but a damaged header.
int Classify(FileState& state, sqlite3_filename name, int flags)
{
    sqlite3_file* real = state.Real;
    std::int64_t size = 0;
    if (const int rc = StoredSize(state, size); rc != SQLITE_OK)
        return rc;
    unsigned char header[HeaderSize] = {};
    if (size > 0) {
        const int length = static_cast<int>(std::min<std::int64_t>(size, HeaderSize));
        if (const int rc = real->pMethods->xRead(real, header, length, 0); rc != SQLITE_OK)
            return rc;
        if (size < static_cast<std::int64_t>(sizeof Magic) || std::memcmp(header, Magic, sizeof Magic) != 0)
            return SQLITE_OK;
        if (!crypto::Load())
            return SQLITE_CANTOPEN;
        if (size < static_cast<std::int64_t>(HeaderSize) || !ReadHeader(header, state.Key))
            return SQLITE_NOTADB;
    } else {
        if ((flags & SQLITE_OPEN_READONLY) || !EncryptNew(name, flags))
            return SQLITE_OK;
        if (!crypto::Load())
            return SQLITE_CANTOPEN;
        if (!NewHeader(header, state.Key))
            return SQLITE_IOERR_WRITE;
        if (const int rc = real->pMethods->xWrite(real, header, HeaderSize, 0); rc != SQLITE_OK)
            return rc;
    }
    state.Cipher = EVP_CIPHER_CTX_new();
    if (!state.Cipher)
        return SQLITE_NOMEM;
    state.Encrypted = true;
    if (flags & SQLITE_OPEN_MAIN_DB) {
        const std::lock_guard lock(RegistryMutex);
        state.RegisteredName = name;
        EncryptedDatabases.insert(state.RegisteredName);
    }
    return SQLITE_OK;
}

int Open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
{
    auto* cipherFile = reinterpret_cast<CipherFile*>(file);
    cipherFile->Base.pMethods = nullptr;
    cipherFile->State = nullptr;
    sqlite3_vfs* base = Underlying(vfs);
    auto* real = reinterpret_cast<sqlite3_file*>(cipherFile + 1);
    int rc = base->xOpen(base, name, real, flags, outFlags);
    if (rc != SQLITE_OK)
        return rc;
    auto state = std::make_unique<FileState>();
    state->Real = real;
    if (name && (flags & (SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_WAL)))
        rc = Classify(*state, name, flags);
    if (rc != SQLITE_OK) {
        real->pMethods->xClose(real);
        return rc;
    }
    cipherFile->State = state.release();
    cipherFile->Base.pMethods = &Methods;
    return SQLITE_OK;
}

// ----------------------------------------------------- the rest of the VFS

int Delete(sqlite3_vfs* vfs, const char* name, int syncDirectory)
{
    return Underlying(vfs)->xDelete(Underlying(vfs), name, syncDirectory);
}

int Access(sqlite3_vfs* vfs, const char* name, int flags, int* result)
{
    return Underlying(vfs)->xAccess(Underlying(vfs), name, flags, result);
}

int FullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out)
{
    return Underlying(vfs)->xFullPathname(Underlying(vfs), name, size, out);
}

void* DlOpen(sqlite3_vfs* vfs, const char* name)
{
    return Underlying(vfs)->xDlOpen(Underlying(vfs), name);
}

void DlError(sqlite3_vfs* vfs, int size, char* message)
{
    Underlying(vfs)->xDlError(Underlying(vfs), size, message);
}

void (*DlSym(sqlite3_vfs* vfs, void* library, const char* symbol))(void)
{
    return Underlying(vfs)->xDlSym(Underlying(vfs), library, symbol);
}

void DlClose(sqlite3_vfs* vfs, void* library)
{
    Underlying(vfs)->xDlClose(Underlying(vfs), library);
}

int Randomness(sqlite3_vfs* vfs, int size, char* out)
{
    return Underlying(vfs)->xRandomness(Underlying(vfs), size, out);
}

int Sleep(sqlite3_vfs* vfs, int microseconds)
{
    return Underlying(vfs)->xSleep(Underlying(vfs), microseconds);
}

int CurrentTime(sqlite3_vfs* vfs, double* now)
{
    return Underlying(vfs)->xCurrentTime(Underlying(vfs), now);
}

int GetLastError(sqlite3_vfs* vfs, int size, char* message)
{
    return Underlying(vfs)->xGetLastError(Underlying(vfs), size, message);
}

int CurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* now)
{
    return Underlying(vfs)->xCurrentTimeInt64(Underlying(vfs), now);
}

sqlite3_vfs* Register()
{
    static sqlite3_vfs vfs;
    sqlite3_vfs* base = sqlite3_vfs_find(nullptr);
    vfs.iVersion = 2;
    vfs.szOsFile = static_cast<int>(sizeof(CipherFile)) + base->szOsFile;
    vfs.mxPathname = base->mxPathname;
    vfs.zName = VfsName;
    vfs.pAppData = base;
    vfs.xOpen = Open;
    vfs.xDelete = Delete;
    vfs.xAccess = Access;
    vfs.xFullPathname = FullPathname;
    vfs.xDlOpen = DlOpen;
    vfs.xDlError = DlError;
    vfs.xDlSym = DlSym;
    vfs.xDlClose = DlClose;
    vfs.xRandomness = Randomness;
    vfs.xSleep = Sleep;
    vfs.xCurrentTime = CurrentTime;
    vfs.xGetLastError = GetLastError;
    vfs.xCurrentTimeInt64 = CurrentTimeInt64;
    sqlite3_vfs_register(&vfs, 0);
    return &vfs;
}

} // namespace

const char* EngineVfsName()
{
    static const sqlite3_vfs* const vfs = Register();
    return vfs->zName;
}

std::string EncryptedFileUri(const std::string& path)
{
    static const char* const hex = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '/' || c == '.' || c == '-' || c == '_' || c == '~') {
            uri += c;
        } else {
            uri += '%';
            uri += hex[byte >> 4];
            uri += hex[byte & 0xF];
        }
    }
    return uri + "?encrypt=1";
}

bool IsEncrypted(sqlite3* db, const char* schema)
{
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, schema, SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file
        || file->pMethods != &Methods)
        return false;
    return StateOf(file).Encrypted;
}

bool IsEncryptedFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    char start[sizeof Magic] = {};
    return file.read(start, sizeof start) && std::memcmp(start, Magic, sizeof Magic) == 0;
}

} // namespace jet::sqlite
