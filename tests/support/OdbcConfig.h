// A unixODBC configuration of the test's own: odbcinst.ini with two drivers
// (the SQLite ODBC driver, and one whose library is missing), a system
// odbc.ini and a user odbc.ini with data sources, some with a file (DBQ) and
// some without, in a temporary folder that ODBCSYSINI and ODBCINI point at.
// Two sources reach SQLite files in that folder through the SQLite driver:
// LabData (system, lab.db) and MyMeasures (user, measures.db); a test makes
// the files it needs. The driver manager may keep the paths it read for the
// rest of the process, so every test of the process uses the same folder, from
// the start of the process on.
#pragma once

#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <string>

class OdbcConfig {
public:
    // Writes the files (again) and points the environment at them.
    static void Install()
    {
        const std::string path = Folder();
        Write(path + "/odbcinst.ini",
              "[ODBC]\nTrace=No\n\n[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=libsqlite3odbc.so\n\n"
              "[Text Files]\nDriver=libtext.so\n");
        Write(path + "/odbc.ini",
              "[ODBC Data Sources]\nLabData=SQLite3\n\n[LabData]\nDriver=SQLite3\nDBQ=/srv/lab/data.db\n"
              "Description=Measurements of the lab\nDatabase=" + LabFile() + "\n\n"
              "[Archive]\nDriver=Text Files\n");
        Write(path + "/user.ini", "[MyMeasures]\nDriver=SQLite3\nDBQ=/home/op/measures.db\nDatabase=" + MeasuresFile()
                                      + "\n\n[Scratch]\nDriver=SQLite3\n");
        setenv("ODBCSYSINI", path.c_str(), 1);
        setenv("ODBCINI", (path + "/user.ini").c_str(), 1);
    }

    static std::string Folder()
    {
        static QTemporaryDir folder;
        return folder.path().toStdString();
    }
    // The SQLite files of LabData and MyMeasures.
    static std::string LabFile() { return Folder() + "/lab.db"; }
    static std::string MeasuresFile() { return Folder() + "/measures.db"; }

private:
    static void Write(const std::string& name, const std::string& text) { std::ofstream(name) << text; }
};

// Installed before main as well, so that the driver manager reads this
// configuration first whichever test of the process reaches it first.
inline const bool kOdbcConfigInstalledAtStart = (OdbcConfig::Install(), true);
