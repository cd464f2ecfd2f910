// unixODBC's installer library, which keeps the data source and driver
// lists, loaded when they are first read or written: the functions of it that
// the engine and the data-access components call, each forwarding to the
// library's own (platform/system/LazyLibrary.h says how).
#include "platform/system/LazyLibrary.h"

#include <odbcinst.h>

namespace {

platform::TLazyLibrary& OdbcInst()
{
    static platform::TLazyLibrary library("odbcinst", 2);
    return library;
}

} // namespace

BOOL SQLGetConfigMode(UWORD* pwConfigMode)
{
    return OdbcInst().Function<&SQLGetConfigMode>("SQLGetConfigMode")(pwConfigMode);
}

BOOL SQLSetConfigMode(UWORD wConfigMode)
{
    return OdbcInst().Function<&SQLSetConfigMode>("SQLSetConfigMode")(wConfigMode);
}

BOOL SQLGetInstalledDrivers(LPSTR lpszBuf, WORD cbBufMax, WORD* pcbBufOut)
{
    return OdbcInst().Function<&SQLGetInstalledDrivers>("SQLGetInstalledDrivers")(lpszBuf, cbBufMax, pcbBufOut);
}

BOOL SQLWriteDSNToIni(LPCSTR lpszDSN, LPCSTR lpszDriver)
{
    return OdbcInst().Function<&SQLWriteDSNToIni>("SQLWriteDSNToIni")(lpszDSN, lpszDriver);
}

BOOL SQLWritePrivateProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszString, LPCSTR lpszFilename)
{
    return OdbcInst().Function<&SQLWritePrivateProfileString>("SQLWritePrivateProfileString")(
        lpszSection, lpszEntry, lpszString, lpszFilename);
}

int SQLGetPrivateProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault, LPSTR lpszRetBuffer,
                               int cbRetBuffer, LPCSTR lpszFilename)
{
    return OdbcInst().Function<&SQLGetPrivateProfileString>("SQLGetPrivateProfileString")(
        lpszSection, lpszEntry, lpszDefault, lpszRetBuffer, cbRetBuffer, lpszFilename);
}
