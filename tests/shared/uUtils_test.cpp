#include "uUtils.h"

#include "Database.h"
#include "ErrorOf.h"
#include "Exceptions.h"
#include "ModalAnswer.h"
#include "PrivateTempFolder.h"
#include "RegistryStore.h"
#include "StrFuncs.h"
#include "uGlobals.h"

#include <QPrinterInfo>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

class ODBCRegistration : public ::testing::Test {
protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }
    static void Clear()
    {
        QDir(RegistryStore::FileName(HKEY_CURRENT_USER)).removeRecursively();
        QFile::remove(RegistryStore::FileName(HKEY_CURRENT_USER));
    }
};

TEST_F(ODBCRegistration, AFreshRegistryGetsTheDataSourceExactly)
{
    InstallODBCDriverIfNecessary();
    RegistryStore reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\ODBC\\ODBC.INI"));
    EXPECT_EQ(reg.GetKeyNames(), (Names{"ODBC Data Sources", "Text Files"}));

    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\ODBC\\ODBC.INI\\ODBC Data Sources"));
    EXPECT_EQ(reg.GetValueNames(), Names{"Text Files"});
    EXPECT_EQ(reg.ReadString("Text Files"), "Microsoft Text Driver (*.txt; *.csv)");

    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\ODBC\\ODBC.INI\\Text Files"));
    EXPECT_EQ(reg.GetValueNames(), (Names{"Driver", "DriverId", "SafeTransactions", "UID"}));
    EXPECT_EQ(reg.ReadString("Driver"), "/usr/lib/odbcjt32.dll");
    EXPECT_EQ(reg.GetDataType("DriverId"), rdInteger);
    EXPECT_EQ(reg.ReadInteger("DriverId"), 27);
    EXPECT_EQ(reg.ReadInteger("SafeTransactions"), 0);
    EXPECT_EQ(reg.GetDataType("UID"), rdString);
    EXPECT_EQ(reg.ReadString("UID"), "");
    EXPECT_EQ(reg.GetKeyNames(), Names{"Engines"});

    ASSERT_TRUE(reg.OpenKeyReadOnly("Engines\\Text"));
    EXPECT_EQ(reg.GetValueNames(), (Names{"ImplicitCommitSync", "Threads", "UserCommitSync"}));
    EXPECT_EQ(reg.GetDataType("ImplicitCommitSync"), rdString);
    EXPECT_EQ(reg.ReadString("ImplicitCommitSync"), "");
    EXPECT_EQ(reg.GetDataType("Threads"), rdInteger);
    EXPECT_EQ(reg.ReadInteger("Threads"), 3);
    EXPECT_EQ(reg.ReadString("UserCommitSync"), "Yes");
}

TEST_F(ODBCRegistration, AListedDataSourceIsLeftAloneEvenWithoutItsKey)
{
    RegistryStore reg;
    ASSERT_TRUE(reg.OpenKey("\\software\\odbc\\odbc.ini\\odbc data sources", true));
    reg.WriteString("TEXT FILES", "something else");
    InstallODBCDriverIfNecessary();
    EXPECT_FALSE(reg.KeyExists("\\Software\\ODBC\\ODBC.INI\\Text Files"));
    EXPECT_EQ(reg.ReadString("Text Files"), "something else");
    EXPECT_EQ(reg.GetValueNames(), Names{"TEXT FILES"});
}

TEST_F(ODBCRegistration, ASecondCallWritesNothing)
{
    InstallODBCDriverIfNecessary();
    RegistryStore reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\ODBC\\ODBC.INI\\Text Files", false));
    reg.WriteInteger("DriverId", 99);
    InstallODBCDriverIfNecessary();
    EXPECT_EQ(reg.ReadInteger("DriverId"), 99);
}

TEST_F(ODBCRegistration, AStoreThatCannotBeWrittenFailsWithTheRoutinesName)
{
    ASSERT_TRUE(QDir().mkpath(RegistryStore::FileName(HKEY_CURRENT_USER)));
    EXPECT_EQ(ErrorOf([&] { InstallODBCDriverIfNecessary(); }),
              "InstallODBCDriverIfNecessary: Kon ODBC key niet vinden en aanmaken");
}

TEST(UnitStart, SetsTheSubDistrictTerms)
{
    EXPECT_EQ(StadsdeelEnkelvoud, "stadsdeel");
    EXPECT_EQ(StadsdeelLidwoord, "het");
    EXPECT_EQ(StadsdeelMeervoud, "stadsdelen");
}

TEST(GetQuandorTempDirectory, ThePrivateFolderWithATrailingSeparator)
{
    // How the folder is made private is PrivateTempFolder's own test.
    EXPECT_EQ(GetQuandorTempDirectory(), PrivateTempFolder() + "/");
    EXPECT_TRUE(QFileInfo(GetQuandorTempDirectory()).isDir());
}

TEST(GetQuandorTempDirectory, AFolderThatIsNotOursFailsWithTheRoutinesName)
{
    const QString path = PrivateTempFolder();
    QDir(path).removeRecursively();
    ASSERT_TRUE(WriteFileBytes(path));
    EXPECT_EQ(LeftStr(ErrorOf<EInOutError>([] { GetQuandorTempDirectory(); }), 44),
              "GetQuandorTempDirectory: De tijdelijke map /");
    QFile::remove(path);
}

TEST(CheckNumericInputOnly, DigitsAndBackspacePassEverythingElseIsDiscarded)
{
    for (char key : {'0', '5', '9', '\b'}) {
        char k = key;
        CheckNumericInputOnly(k);
        EXPECT_EQ(k, key);
    }
    for (char key : {'a', 'Z', '-', ' ', '\r', '\x03', '\x16', '.', '\xB2'}) {
        char k = key;
        CheckNumericInputOnly(k);
        EXPECT_EQ(k, '\0') << int(static_cast<unsigned char>(key));
    }
}

TEST(DriveReady, MountPointsAnswerOtherPathsDoNot)
{
    EXPECT_TRUE(DriveReady("/"));
    EXPECT_FALSE(DriveReady("/no/such/volume"));
    EXPECT_FALSE(DriveReady(""));
    EXPECT_FALSE(DriveReady("A"));
}

TEST(ExtractField, TakesTheFirstFieldAndLeavesTheRest)
{
    std::string line = "Jansen;Piet;3";
    EXPECT_EQ(ExtractField(line, ";", false), "Jansen");
    EXPECT_EQ(line, "Piet;3");
    EXPECT_EQ(ExtractField(line, ";", false), "Piet");
    EXPECT_EQ(ExtractField(line, ";", false), "3");
    EXPECT_EQ(line, "");
    EXPECT_EQ(ExtractField(line, ";", false), "");

    line = ";x";
    EXPECT_EQ(ExtractField(line, ";", false), "");
    EXPECT_EQ(line, "x");

    line = "no separator";
    EXPECT_EQ(ExtractField(line, "", false), "no separator");
    EXPECT_EQ(line, "");
}

TEST(ExtractField, StripIndicatorsDropsTheFirstAndLastCharacterWhateverTheyAre)
{
    std::string line = "\"Jansen\";\"Piet\"";
    EXPECT_EQ(ExtractField(line, ";", true), "Jansen");
    EXPECT_EQ(line, "\"Piet\"");
    EXPECT_EQ(ExtractField(line, ";", true), "Piet");
    EXPECT_EQ(line, "");

    line = "5;x";
    EXPECT_EQ(ExtractField(line, ";", true), "");
    line = "\"a;b\";c";
    EXPECT_EQ(ExtractField(line, ";", true), "") << "a separator inside quotes still ends the field";
    EXPECT_EQ(line, "b\";c");
    line = "x";
    EXPECT_EQ(ExtractField(line, ";", true), "");
    line = "'ab'";
    EXPECT_EQ(ExtractField(line, ";", true), "ab");
}

TEST(ExtractField, ASeparatorOfSeveralCharactersIsSkippedWhole)
{
    std::string line = "Jansen<>Piet<>3";
    EXPECT_EQ(ExtractField(line, "<>", false), "Jansen");
    EXPECT_EQ(line, "Piet<>3");
    std::vector<std::string> fields;
    SplitFields("a, b, c", fields, ", ");
    EXPECT_EQ(fields, (Names{"a", "b", "c"}));
}

TEST(SplitFields, EmptyItemsBetweenSeparatorsButNotAtTheEnd)
{
    std::vector<std::string> fields{"old"};
    SplitFields("a;;b;", fields, ";");
    EXPECT_EQ(fields, (Names{"a", "", "b"}));
    SplitFields("", fields, ";");
    EXPECT_TRUE(fields.empty());
    SplitFields("1\tJansen\t\tJ.\t", fields, "\t");
    EXPECT_EQ(fields, (Names{"1", "Jansen", "", "J."}));
    SplitFields(";", fields, ";");
    EXPECT_EQ(fields, Names{""});
}

TEST(NormalizeDate, DayAndMonthBecomeTwoDigits)
{
    EXPECT_EQ(NormalizeDate("1-2-1970"), "01-02-1970");
    EXPECT_EQ(NormalizeDate("1/2/1970"), "01-02-1970");
    EXPECT_EQ(NormalizeDate(" 1- 2-1970"), "01-02-1970");
    EXPECT_EQ(NormalizeDate("12-3-1970"), "12-03-1970");
    EXPECT_EQ(NormalizeDate("5/11/1980"), "05-11-1980");
    EXPECT_EQ(NormalizeDate("15-1-1980"), "15-01-1980");
    EXPECT_EQ(NormalizeDate("01-02-1970"), "01-02-1970");
    EXPECT_EQ(NormalizeDate("1970"), "1970");
    EXPECT_EQ(NormalizeDate("1-2"), "01-2");
    EXPECT_EQ(NormalizeDate(""), "");
    EXPECT_EQ(NormalizeDate("\t1-2-1970\r"), "01-02-1970");
    EXPECT_EQ(NormalizeDate("1-2-1970  "), "01-02-1970") << "trailing blanks never lengthen the year";
}

TEST(BuildNaamStemapparaat, PartsOnlyWhenPresent)
{
    EXPECT_EQ(BuildNaamStemapparaat("Jansen", "van", "J.P.", "Jan", "M"), "van Jansen, J.P. (Jan) (m)");
    EXPECT_EQ(BuildNaamStemapparaat(" Jansen ", " van ", " J.P. ", " Jan ", " M "), "van Jansen, J.P. (Jan) (m)");
    EXPECT_EQ(BuildNaamStemapparaat("Jansen", "", "", "", ""), "Jansen");
    EXPECT_EQ(BuildNaamStemapparaat("", "de", "", "", ""), "de ");
    EXPECT_EQ(BuildNaamStemapparaat("Vries", "de", "", "", "V"), "de Vries (v)");
    EXPECT_EQ(BuildNaamStemapparaat("Jansen", "", "", "", "\xC9X"), "Jansen (\xC9x)") << "ASCII letters only";
}

TEST(BuildNaamStemapparaat, SetsNoLimitTheFieldOf50CutsIt)
{
    const std::string naam = BuildNaamStemapparaat("Boddaert-Schimmelpenninck", "van", "A.B.C.D.", "Alexander", "m");
    EXPECT_EQ(naam, "van Boddaert-Schimmelpenninck, A.B.C.D. (Alexander) (m)");
    EXPECT_EQ(naam.size(), 55u);
    EXPECT_EQ(LeftStr(naam, 50), "van Boddaert-Schimmelpenninck, A.B.C.D. (Alexander");
}

} // namespace

namespace {

class SharedDatabaseRoutines : public ::testing::Test {
protected:
    void SetUp() override
    {
        SharedDatabase().Open(":memory:");
        SharedDatabase().ExecSQL("create table verkiezingen (verk_dt real, verk_status_id integer)");
        SharedDatabase().ExecSQL("create table dbparams (param_name text primary key, param_value text)");
    }
    void TearDown() override { SharedDatabase().Close(); }
    static std::vector<TSqlRow> Params() { return SharedDatabase().Query("select param_name, param_value from dbparams order by 1"); }
};

constexpr double Election = 46099.0; // 18 March 2026

TEST_F(SharedDatabaseRoutines, ElectionStateIsOneToThreeElseZero)
{
    EXPECT_EQ(GetVerkiezingsToestand(Election), 0) << "no row";
    SharedDatabase().ExecSQL("insert into verkiezingen values (:d, 2)", {{"d", Election}});
    SharedDatabase().ExecSQL("insert into verkiezingen values (:d, 2)", {{"d", Election}});
    SharedDatabase().ExecSQL("insert into verkiezingen values (:d, 7)", {{"d", Election + 1}});
    SharedDatabase().ExecSQL("insert into verkiezingen values (:d, null)", {{"d", Election + 2}});
    EXPECT_EQ(GetVerkiezingsToestand(Election), 2);
    EXPECT_EQ(GetVerkiezingsToestand(Election + 1), 0);
    EXPECT_EQ(GetVerkiezingsToestand(Election + 2), 0);
    EXPECT_EQ(GetVerkiezingsToestand(Election + 0.5), 0) << "the date-time must match";
    SharedDatabase().Close();
    EXPECT_EQ(ErrorOf([&] { GetVerkiezingsToestand(Election); }), "GetVerkiezingsToestand: De database is niet verbonden");
}

TEST_F(SharedDatabaseRoutines, ParameterIsAddedThenUpdatedUnderItsLowerCaseName)
{
    SetDBParamValue("Printer_Name", "HP LaserJet");
    EXPECT_EQ(Params(), (std::vector<TSqlRow>{{std::string("printer_name"), std::string("HP LaserJet")}}));
    SetDBParamValue("PRINTER_NAME", "Jan's printer");
    EXPECT_EQ(Params(), (std::vector<TSqlRow>{{std::string("printer_name"), std::string("Jan's printer")}}));
    EXPECT_FALSE(SharedDatabase().InTransaction());
}

TEST_F(SharedDatabaseRoutines, ACallersTransactionIsLeftToTheCaller)
{
    SharedDatabase().StartTransaction();
    SetDBParamValue("a", "1");
    EXPECT_TRUE(SharedDatabase().InTransaction());
    SharedDatabase().Rollback();
    EXPECT_TRUE(Params().empty());
}

TEST_F(SharedDatabaseRoutines, AFailureRollsBackAndNamesTheRoutine)
{
    SharedDatabase().ExecSQL("create trigger refuse before insert on dbparams begin select raise(abort, 'refused'); end");
    EXPECT_EQ(ErrorOf([&] { SetDBParamValue("a", "1"); }), "SetDBParamValue: SQL-fout: refused");
    EXPECT_FALSE(SharedDatabase().InTransaction());
}

TEST_F(SharedDatabaseRoutines, PrinterNameGoesToTheSettingAndTheDatabase)
{
    SetPrinterName("Kantoor");
    EXPECT_EQ(PrinterName, "Kantoor");
    EXPECT_EQ(Params(), (std::vector<TSqlRow>{{std::string("printer_name"), std::string("Kantoor")}}));

    SharedDatabase().Close();
    EXPECT_EQ(ErrorOf([&] { SetPrinterName("Thuis"); }), "SetPrinterName: SetDBParamValue: De database is niet verbonden");
    EXPECT_EQ(PrinterName, "Thuis") << "the setting is made before the database is written";
}

TEST_F(SharedDatabaseRoutines, TheCurrentPrinterIsStoredOnlyWhenThereIsOne)
{
    PrinterName = "before";
    UpdatePrinterNameInDB();
    const std::string current = QPrinterInfo::defaultPrinterName().toStdString();
    if (current.empty()) {
        EXPECT_EQ(PrinterName, "before");
        EXPECT_TRUE(Params().empty());
    } else {
        EXPECT_EQ(PrinterName, current);
        EXPECT_EQ(Params(), (std::vector<TSqlRow>{{std::string("printer_name"), current}}));
    }
}

} // namespace
