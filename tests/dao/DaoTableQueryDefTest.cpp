#include "DaoTableFixture.h"

#include "dao/QueryDefDialogUnit.h"
#include "tests/support/ModalAnswers.h"

#include <QLineEdit>

namespace daotabletest {
namespace {

// A stored query of a server, with output and return parameters beside its
// inputs (the engine here has inputs only).
class ServerParameter : public jet::Parameter {
public:
    ServerParameter(std::string name, int direction, jet::Variant value)
        : ParameterName(std::move(name)), ParameterDirection(direction), ParameterValue(std::move(value))
    {
    }
    std::string Name() const override { return ParameterName; }
    int Type() const override { return jet::dbLong; }
    int Direction() const override { return ParameterDirection; }
    jet::Variant Value() const override { return ParameterValue; }
    void SetValue(const jet::Variant& value) override { ParameterValue = value; }

private:
    std::string ParameterName;
    int ParameterDirection;
    jet::Variant ParameterValue;
};

template <class T>
class List : public jet::Collection<T> {
public:
    std::vector<std::shared_ptr<T>> Items;
    int Count() const override { return static_cast<int>(Items.size()); }
    std::shared_ptr<T> Item(int index) const override { return Items.at(static_cast<std::size_t>(index)); }
    using jet::Collection<T>::Item;
};

class ServerQuery : public jet::QueryDef {
public:
    List<jet::Parameter> ParameterList;
    int Executions = 0;
    int Timeout = 60;

    std::string Name() const override { return "Server"; }
    void SetName(const std::string&) override {}
    std::string SQL() const override { return "EXEC Server"; }
    void SetSQL(const std::string&) override {}
    int Type() const override { return jet::dbQProcedure; }
    jet::Collection<jet::Parameter>& Parameters() override { return ParameterList; }
    void Execute(int) override { ++Executions; }
    jet::RecordsetPtr OpenRecordset(int, int, int) override
    {
        throw jet::EngineError(jet::errNotSupported, "Operation is not supported for this type of object.");
    }
    long MaxRecords() const override { return 0; }
    void SetMaxRecords(long) override {}
    int ODBCTimeout() const override { return Timeout; }
    void SetODBCTimeout(int seconds) override { Timeout = seconds; }
    jet::Variant DateCreated() const override { return jet::Variant::Null(); }
    jet::Variant LastUpdated() const override { return jet::Variant::Null(); }
    void Close() override {}
};

class DaoTableQueryDefTest : public DaoTableTest {
protected:
    void SetUp() override
    {
        DaoTableTest::SetUp();
        MakeConfigTable(0);
        Connect();
        Query = std::make_shared<ServerQuery>();
        Queries.Items.push_back(Query);
        Recorder->StoredQueries = &Queries;
        Table = std::make_unique<TDaoTable>();
        Table->F_Set_Database(Database.get());
        Table->F_Set_QueryDefName("Server");
    }

    void Parameters(std::vector<std::pair<int, int>> directionsAndValues)
    {
        int n = 0;
        for (const auto& [direction, value] : directionsAndValues)
            Query->ParameterList.Items.push_back(
                std::make_shared<ServerParameter>("p" + std::to_string(n++), direction, jet::Variant(value)));
    }

    std::shared_ptr<ServerQuery> Query;
    List<jet::QueryDef> Queries;
};

TEST_F(DaoTableQueryDefTest, InputLinesFollowOnlyTheInputParameters)
{
    Parameters({{jet::dbParamInput, 0}, {jet::dbParamOutput, 0}, {jet::dbParamInput, 0}});
    Table->F_Set_QueryDefParameters(TStringList{"1", "NULL"});
    Table->ExecuteQueryDefSQL();
    EXPECT_EQ(Query->ParameterList.Item(0)->Value().AsString(), "1");
    EXPECT_TRUE(Query->ParameterList.Item(2)->Value().IsNull());
    EXPECT_EQ(Query->Timeout, 60) << "the default timeout is not handed on";

    Table->F_Set_QueryDefParameters(TStringList{"1"});
    EXPECT_EQ(ErrorOf([&] { Table->ExecuteQueryDefSQL(); }),
              "TDaoTable.ExecuteQueryDefSQL: Invalid number of QueryDef parameters or parameter is not in valid format!");
    EXPECT_EQ(Table->F_Get_QueryDefType(), "dbQProcedure");
}

TEST_F(DaoTableQueryDefTest, OneOutputParameterGivesItsValue)
{
    Parameters({{jet::dbParamInput, 0}, {jet::dbParamOutput, 7}});
    Table->F_Set_QueryDefParameters(TStringList{"1"});
    Table->ExecuteQueryDefSQL();
    EXPECT_EQ(Table->FQueryDefReturnParams.AsInteger(), 7);
}

TEST_F(DaoTableQueryDefTest, OutputsAfterInputsLandAtTheirOwnPositions)
{
    Parameters({{jet::dbParamInput, 0}, {jet::dbParamInput, 0}, {jet::dbParamInput, 0}, {jet::dbParamOutput, 40},
                {jet::dbParamReturnValue, 50}});
    Table->F_Set_QueryDefParameters(TStringList{"1", "2", "3"});
    Table->ExecuteQueryDefSQL();
    ASSERT_TRUE(Table->FQueryDefReturnParams.IsArray());
    const auto& array = *Table->FQueryDefReturnParams.Array();
    EXPECT_EQ(array.LowBound(), 0);
    EXPECT_EQ(array.HighBound(), 4);
    EXPECT_EQ(array.Get({3}).AsInteger(), 40);
    EXPECT_EQ(array.Get({4}).AsInteger(), 50);
}

TEST_F(DaoTableQueryDefTest, PromptAsksForTheInputParametersAndKeepsWhatIsTyped)
{
    Parameters({{jet::dbParamInput, 0}, {jet::dbParamOutput, 0}, {jet::dbParamInput, 0}});
    Table->F_Set_QueryDefParameters(TStringList{"1", "2"});
    {
        ModalAnswers answers({[](QWidget* modal) {
            auto* dialog = qobject_cast<TQueryDefDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->ParamCount, 2) << "only the input parameters are asked for";
            dialog->ValueEditor(1)->setText("9");
            dialog->ValueEditor(2)->setText("");
            dialog->Button1->click();
        }});
        EXPECT_TRUE(Table->PromptQueryDefParameters());
        EXPECT_TRUE(answers.AllAnswered());
    }
    EXPECT_EQ(Table->QueryDefParameters().Text(), "9\nNULL\n");

    ModalAnswers cancel({ModalAnswers::Cancel()});
    EXPECT_FALSE(Table->PromptQueryDefParameters());
    EXPECT_EQ(Table->QueryDefParameters().Text(), "9\nNULL\n") << "Cancel keeps the values";
}

} // namespace
} // namespace daotabletest

namespace daotabletest {
namespace {

// Crosstabs and data definition reach the table component like any query.
TEST_F(DaoTableTest, ACrosstabStoredQueryOpensAndDataDefinitionRunsThroughExecSQL)
{
    MakeConfigTable(3);
    Run("INSERT INTO config VALUES (\"RULER\", \"1\", \"x\")");
    Db->CreateQueryDef("Counts", "TRANSFORM Count(*) SELECT OptionName FROM config GROUP BY OptionName "
                                 "PIVOT ConfigName IN (\"DEFAULT\", \"RULER\")");
    TDaoDatabase& database = Connect();
    TDaoTable table;
    table.F_Set_Database(&database);
    table.F_Set_QueryDefName("Counts");
    EXPECT_EQ(table.F_Get_QueryDefType(), "dbQCrosstab");
    table.Open();
    EXPECT_EQ(table.FieldCount(), 3);
    EXPECT_EQ(Values(table, "RULER"), (Strings{"1", "", ""}));
    table.Close();

    EXPECT_EQ(table.ExecSQLString("CREATE TABLE Extra (Id COUNTER CONSTRAINT Key PRIMARY KEY, Name TEXT(20))"), 0);
    EXPECT_TRUE(database.DatabaseObject->TableDefs().Item("Extra")->Indexes().Item("Key")->Primary());
}

} // namespace
} // namespace daotabletest
