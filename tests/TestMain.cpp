// Entry point of every test executable: one QApplication for the whole run,
// headless unless the caller chose a platform, so widget tests need no display.

#include <QApplication>
#include <gtest/gtest.h>

// Fontconfig and Qt's font and platform-plugin caches, and the server engine's
// client library with its embedded engine, allocate once per process and
// never free by design; without these suppressions every GUI or database test
// would report those as leaks. Leaks of the project's own code are still
// reported.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libfreetype.so\n"
           "leak:libQt6Gui.so\n"
           "leak:libQt6Core.so\n"
           "leak:libQt6Widgets.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libdbus-1.so\n"
           "leak:libfbclient.so\n"
           "leak:libEngine12.so\n";
}

// The server engine is a plugin loaded at run time with thread-local storage
// of its own; the leak checker's bookkeeping of such storage is unreliable in
// this compiler's sanitizer runtime and, depending on where the plugin lands,
// crashes the checker at exit ("Tracer caught signal 11"). Without that
// bookkeeping the checker still scans every thread's stacks and static
// thread-local storage.
extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
