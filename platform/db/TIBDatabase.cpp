#include "platform/db/TIBDatabase.h"

#include "platform/db/FirebirdClient.h"
#include "platform/db/TIBTransaction.h"
#include "platform/system/TerminationSignals.h"

#include <algorithm>
#include <filesystem>

namespace {

using platform::firebird::Guarded;
using platform::firebird::Master;

// The engine's own rule: "host:path", "host/port:path" or "protocol://host/path"
// reach a server; a one-letter prefix would be a drive letter.
bool NamesAServer(const std::string& name)
{
    if (name.find("://") != std::string::npos)
        return true;
    const std::size_t colon = name.find(':');
    if (colon == std::string::npos || colon < 2)
        return false;
    const std::string host = name.substr(0, colon);
    return host.front() != '.' && host.front() != '/' && host.find('\\') == std::string::npos;
}

// "name=value" with the name compared without regard to case.
bool ParamIs(const std::string& name, const char* wanted)
{
    return std::equal(name.begin(), name.end(), wanted, wanted + std::char_traits<char>::length(wanted),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

} // namespace

TIBDatabase::~TIBDatabase()
{
    try {
        Close();
    } catch (const EDatabaseError&) {
        // Nothing left to tell it to: the engine drops the attachment itself.
    }
    for (TIBTransaction* transaction : Transactions)
        transaction->Database = nullptr;
}

void TIBDatabase::CheckInactive() const
{
    if (Connected())
        throw EDatabaseError("Cannot change the database while it is connected");
}

void TIBDatabase::SetDatabaseName(const std::string& name)
{
    CheckInactive();
    Name = name;
}

void TIBDatabase::SetParams(std::vector<std::string> params)
{
    CheckInactive();
    ConnectionParams = std::move(params);
}

void TIBDatabase::SetLoginPrompt(bool value)
{
    if (value)
        throw EDatabaseError("A login prompt is not available: give the credentials in Params");
}

void TIBDatabase::SetSQLDialect(int dialect)
{
    CheckInactive();
    if (dialect != 1 && dialect != 3)
        throw EDatabaseError("SQL dialect " + std::to_string(dialect) + " is not supported");
    Dialect = dialect;
}

bool TIBDatabase::IsRemote() const
{
    return NamesAServer(Name);
}

std::string TIBDatabase::LocalFileName() const
{
    if (IsRemote())
        return {};
    std::string file = Name;
    std::replace(file.begin(), file.end(), '\\', '/');
    return file;
}

void TIBDatabase::DoConnect()
{
    const bool remote = IsRemote();
    std::string target = remote ? Name : LocalFileName();
    if (!remote) {
        namespace fs = std::filesystem;
        std::error_code error;
        if (target.empty() || !fs::is_regular_file(target, error))
            throw EDatabaseError("Cannot connect to \"" + Name + "\": the database file does not exist");
        target = fs::absolute(target, error).lexically_normal().string();
        platform::firebird::PrepareEmbeddedEngine();
    }

    const std::string context = "Cannot connect to \"" + Name + "\"";
    Attachment = Guarded(context, [&](Firebird::ThrowStatusWrapper* status) {
        Firebird::IXpbBuilder* dpb =
            Master()->getUtilInterface()->getXpbBuilder(status, Firebird::IXpbBuilder::DPB, nullptr, 0);
        struct Disposer {
            Firebird::IXpbBuilder* Builder;
            ~Disposer() { Builder->dispose(); }
        } disposeDpb{dpb};
        bool characterSetGiven = false;
        for (const std::string& line : ConnectionParams) {
            const std::size_t equals = line.find('=');
            const std::string name = line.substr(0, equals);
            const std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
            if (ParamIs(name, "user_name"))
                dpb->insertString(status, isc_dpb_user_name, value.c_str());
            else if (ParamIs(name, "password"))
                dpb->insertString(status, isc_dpb_password, value.c_str());
            else if (ParamIs(name, "sql_role_name"))
                dpb->insertString(status, isc_dpb_sql_role_name, value.c_str());
            else if (ParamIs(name, "lc_ctype")) {
                dpb->insertString(status, isc_dpb_lc_ctype, value.c_str());
                characterSetGiven = true;
            } else
                throw EDatabaseError(context + ": unknown connection parameter \"" + name + "\"");
        }
        if (!characterSetGiven)
            dpb->insertString(status, isc_dpb_lc_ctype, "UTF8");
        dpb->insertInt(status, isc_dpb_sql_dialect, Dialect);
        // Only the engine meant: a local file is never handed to a server on
        // this machine, and a server name never to the embedded engine.
        dpb->insertString(status, isc_dpb_config, remote ? "Providers=Remote" : "Providers=Engine12");

        Firebird::IProvider* provider = Master()->getDispatcher();
        struct Releaser {
            Firebird::IProvider* Provider;
            ~Releaser() { Provider->release(); }
        } releaseProvider{provider};
        return provider->attachDatabase(status, target.c_str(), dpb->getBufferLength(status),
                                        dpb->getBuffer(status));
    });
    // The client library takes SIGTERM and SIGINT for itself when it first
    // attaches; the program's own ending on them is given back at once.
    TTerminationSignals::Reclaim();
}

void TIBDatabase::DoDisconnect()
{
    for (TIBTransaction* transaction : std::vector<TIBTransaction*>(Transactions))
        if (transaction->InTransaction())
            transaction->End(true);
    Firebird::IAttachment* attachment = Attachment;
    Attachment = nullptr;
    try {
        Guarded("Cannot disconnect from \"" + Name + "\"",
                [&](Firebird::ThrowStatusWrapper* status) { attachment->detach(status); });
    } catch (const EDatabaseError&) {
        attachment->release();
        throw;
    }
}
