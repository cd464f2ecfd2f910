#include "platform/jet/DatabasePassword.h"

#include "platform/jet/Catalog.h"
#include "platform/jet/EngineError.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>

#include <vector>

namespace jet::impl {
namespace {

const char* const Scheme = "pbkdf2-sha256";
// Enough rounds that guessing is slow, few enough that opening a file costs
// a few milliseconds.
constexpr int Iterations = 20000;
constexpr int SaltBytes = 16;
constexpr int HashBytes = 32;

// PBKDF2 with HMAC-SHA-256 (RFC 8018), one block: HashBytes is the
// hash's own size.
QByteArray Derive(const std::string& password, const QByteArray& salt, int iterations)
{
    static_assert(HashBytes == 32, "one SHA-256 block");
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256,
                                   QByteArray(password.data(), static_cast<qsizetype>(password.size())));
    mac.addData(salt);
    mac.addData("\0\0\0\1", 4); // the block's number
    QByteArray round = mac.result();
    QByteArray key = round;
    for (int i = 1; i < iterations; ++i) {
        mac.reset();
        mac.addData(round);
        round = mac.result();
        for (qsizetype byte = 0; byte < HashBytes; ++byte)
            key[byte] = char(key[byte] ^ round[byte]);
    }
    return key;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

// Compares every byte whatever the first difference, so that the time taken
// tells nothing about the hash.
bool SameBytes(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

} // namespace

std::string HashPassword(const std::string& password)
{
    QByteArray salt(SaltBytes, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), SaltBytes / 4);
    const QByteArray hash = Derive(password, salt, Iterations);
    return std::string(Scheme) + "$" + std::to_string(Iterations) + "$" + salt.toHex().toStdString() + "$"
        + hash.toHex().toStdString();
}

bool PasswordMatches(const std::string& stored, const std::string& password)
{
    if (stored.empty())
        return true;
    const std::vector<std::string> parts = Split(stored, '$');
    if (parts.size() != 4 || parts[0] != Scheme)
        return false;
    int iterations = 0;
    try {
        iterations = std::stoi(parts[1]);
    } catch (const std::exception&) {
        return false;
    }
    // A damaged count must neither hang the open nor pass every password.
    if (iterations < 1 || iterations > 10'000'000)
        return false;
    const QByteArray salt = QByteArray::fromHex(QByteArray::fromStdString(parts[2]));
    const QByteArray expected = QByteArray::fromHex(QByteArray::fromStdString(parts[3]));
    if (salt.isEmpty() || expected.size() != HashBytes)
        return false;
    return SameBytes(Derive(password, salt, iterations), expected);
}

std::string StoredPassword(sqlite::Connection& connection, const std::string& schema)
{
    sqlite::Statement read = connection.Prepare("SELECT Value FROM " + sqlite::QuoteIdentifier(schema)
                                                + ".\"jet.info\" WHERE Name = 'Password'");
    return read.Step() && !read.ColumnIsNull(0) ? std::string(read.ColumnText(0)) : std::string();
}

void StorePassword(sqlite::Connection& connection, const std::string& password)
{
    if (password.empty()) {
        connection.Exec("DELETE FROM \"jet.info\" WHERE Name = 'Password'");
        return;
    }
    catalog::SetInfo(connection, "Password", Variant(HashPassword(password)));
}

void CheckPassword(sqlite::Connection& connection, const std::string& password, const std::string& schema)
{
    if (!PasswordMatches(StoredPassword(connection, schema), password))
        throw EngineError(errNotValidPassword, "Not a valid password.", "DAO.Workspace");
}

} // namespace jet::impl
