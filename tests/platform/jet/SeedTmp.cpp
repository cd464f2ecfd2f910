#include "JetFixture.h"
#include <filesystem>
#include <fstream>
using namespace jettest;
namespace {
using Seeds = JetFixture;
TEST_F(Seeds, Make)
{
    const char* out = std::getenv("SEED_OUT");
    if (!out) GTEST_SKIP();
    MakeTable("Items", {{"Code", jet::dbText, 10}, {"Qty", jet::dbLong}, {"Price", jet::dbDouble},
                        {"Paid", jet::dbBoolean}, {"Placed", jet::dbDate}, {"Note", jet::dbMemo}});
    Db->Execute("INSERT INTO Items VALUES (\"A1\", 3, 1.5, True, #2/3/2001 10:20#, \"short\")");
    Db->Execute("INSERT INTO Items VALUES (\"B2\", Null, 2.25, False, Null, Null)");
    Db->Execute("INSERT INTO Items VALUES (\"C\xC3\xA9\", 12, Null, Null, #12/31/1999#, \"longer memo text\")");
    Db->CreateQueryDef("ShortItems", "SELECT Code, Qty, Price, Paid, Placed, \"s\" AS Note FROM Items");
    namespace fs = std::filesystem;
    int n = 0;
    for (const char* format : {"Text", "dBASE III", "dBASE IV", "dBASE 5.0", "FoxPro 2.6", "FoxPro 3.0", "Excel 3.0", "Excel 4.0", "Excel 5.0", "Excel 8.0"}) {
        const std::string folder = PathOf("f" + std::to_string(n++));
        fs::create_directory(folder);
        const bool book = std::string(format).rfind("Excel", 0) == 0;
        const std::string target = book ? folder + "/b.xls" : folder;
        Db->Execute("SELECT * INTO [Items] IN \"" + target + "\"[" + format + ";] FROM " + (book && std::string(format) != "Excel 8.0" ? "ShortItems" : "Items"));
        for (auto& e : fs::directory_iterator(folder)) {
            std::ifstream in(e.path(), std::ios::binary); std::string bytes((std::istreambuf_iterator<char>(in)), {});
            std::string name = std::string(format) + "-" + e.path().filename().string();
            for (char& c : name) if (c == ' ' || c == '.') c = '_';
            std::ofstream(std::string(out) + "/" + name, std::ios::binary) << bytes;
        }
    }
}
}
