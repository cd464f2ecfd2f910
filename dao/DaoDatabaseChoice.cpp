// The database choice of TDaoDatabase: which dialog a database type gets,
// with what filter, title and starting place.
#include "dao/DaoDatabase.h"

#include "dao/ODBCDialogUnit.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace msg = DaoDatabaseMessages;

namespace {

// Qt's name filters from the old form "description|pattern|...": each
// description with its pattern ("*.*" meaning every file); a description
// whose pattern is missing keeps the one in its parentheses, or every file.
QStringList NameFilters(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split('|');
    const auto isPattern = [](const QString& text) {
        return !text.isEmpty() && !text.contains(' ') && !text.contains('(') && (text.contains('*') || text.contains('?'));
    };
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QString description = parts[i].trimmed();
        if (description.isEmpty())
            continue;
        QString pattern;
        if (i + 1 < parts.size() && isPattern(parts[i + 1].trimmed()))
            pattern = parts[++i].trimmed();
        const qsizetype open = description.indexOf('(');
        if (open >= 0) {
            const qsizetype close = description.indexOf(')', open);
            if (pattern.isEmpty())
                pattern = description.mid(open + 1, close < 0 ? -1 : close - open - 1);
            description = description.left(open).trimmed();
        }
        if (pattern.isEmpty())
            pattern = "*";
        pattern.replace("*.*", "*");
        filters << description + " (" + pattern.replace(';', ' ') + ")";
    }
    return filters;
}

} // namespace

std::string TDaoDatabase::F_DatabaseFileFilter(const std::string& type)
{
    const std::string allFiles = "|All files (*.*)|*.*";
    if (type == "Access")
        return "Microsoft Access (*.mdb)|*.mdb" + allFiles;
    std::string filter = F_Get_DBTypeFileExtension(type);
    if (const std::size_t open = filter.find('('); open != std::string::npos) {
        const std::size_t close = filter.find(')', open);
        filter += "|" + filter.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
    }
    return filter + allFiles;
}

std::string TDaoDatabase::F_ChooseDatabase()
{
    if (FDatabaseType.empty())
        DatabaseError(msg::E1031);
    if (FDatabaseType == "ODBC") {
        std::string name = FDatabase;
        F_Get_SystemDSNs(SystemDSNs);
        F_Get_UserDSNs(UserDSNs);
        TODBCDialog dialog(QApplication::activeWindow());
        return dialog.Execute(SystemDSNs, UserDSNs, FUseODBCDialog, name) ? name : std::string();
    }

    QFileDialog dialog(QApplication::activeWindow());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(QString::fromStdString("Choose " + FDatabaseType + " Database:"));
    if (!FDatabase.empty()) {
        QString path = QString::fromStdString(FDatabase);
        path.replace('\\', '/');
        const qsizetype slash = path.lastIndexOf('/');
        dialog.setDirectory(QDir(slash < 0 ? QString(".") : path.left(slash)).absolutePath());
        dialog.selectFile(path.mid(slash + 1));
    } else {
        dialog.setDirectory(QCoreApplication::applicationDirPath());
    }
    if (FDatabaseType != "Access" && F_Get_DBTypeTableType(FDatabaseType) == "1") {
        // One table per file: the database is a folder.
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters(NameFilters(F_DatabaseFileFilter(FDatabaseType)));
        if (FDatabaseType == "Access")
            dialog.setDefaultSuffix("mdb");
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFileInfo(dialog.selectedFiles().front()).absoluteFilePath().toStdString();
}

bool TDaoDatabase::ChooseDatabase()
{
    const std::string name = F_ChooseDatabase();
    if (name.empty())
        return false;
    SetDatabase(name);
    return true;
}
