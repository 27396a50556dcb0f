#include "DataSet.h"

#include "ErrorOf.h"
#include "Exceptions.h"
#include "FormatSettings.h"

#include <gtest/gtest.h>

namespace {

// Reads the first field of every record the way a grid does.
std::vector<std::string> Walk(TDataSet& table)
{
    std::vector<std::string> texts;
    for (table.First(); !table.Eof(); table.Next())
        texts.push_back(table.Fields(0).AsString());
    return texts;
}

} // namespace

TEST(DataSet, CursorWalksRecordsInAppendOrder)
{
    TDataSet table("tblTest");
    table.AddField("NAAM", ftString, 20);
    EXPECT_FALSE(table.Active());
    EXPECT_THROW(table.RecordCount(), Exception);
    table.Open();
    EXPECT_TRUE(table.Eof()); // empty table
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_TRUE(table.Fields(0).IsNull());

    table.AppendRecord({"Bakker"});
    table.AppendRecord({"Jansen"});
    table.AppendRecord({"Visser"});
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_THROW(table.AddField("X", ftString), Exception); // fields are fixed while records exist
    EXPECT_EQ(Walk(table), (std::vector<std::string>{"Bakker", "Jansen", "Visser"}));
    // Past the end the cursor keeps the last record.
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.Fields(0).AsString(), "Visser");

    table.Close();
    table.Open();
    EXPECT_EQ(table.RecordCount(), 3); // closing keeps the records
    EXPECT_EQ(table.Fields(0).AsString(), "Bakker");

    table.EmptyDataSet();
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_TRUE(table.Eof());
}

TEST(DataSet, FieldsDescribeThemselves)
{
    TDataSet table;
    table.AddField("kand_nr", ftInteger);
    table.AddField("naamkand", ftString, 20);
    table.AddField("GEBDATUM", ftDate);
    table.AddField("OPMERKING", ftMemo);
    table.AddField("BEDRAG", ftFloat, 0, 12);
    ASSERT_EQ(table.FieldCount(), 5);
    EXPECT_EQ(table.Fields(1).FieldName(), "naamkand");
    EXPECT_EQ(table.Fields(1).DataType(), ftString);
    EXPECT_EQ(table.Fields(1).DisplayWidth(), 20); // a text field is as wide as its size
    EXPECT_EQ(table.Fields(0).DisplayWidth(), 11);
    EXPECT_EQ(table.Fields(2).DisplayWidth(), 10);
    EXPECT_EQ(table.Fields(4).DisplayWidth(), 12);
    EXPECT_EQ(&table.FieldByName("GEBDATUM"), &table.Fields(2));
    EXPECT_EQ(ErrorOf([&] { table.FieldByName("onbekend"); }), "Veld 'onbekend' niet gevonden");
    EXPECT_THROW(table.Fields(5), Exception);
}

TEST(DataSet, ValuesConvertByType)
{
    ScopedFormatSettings dutch(TFormatSettings::Dutch());
    TDataSet table("tblSelectie");
    table.AddField("kand_nr", ftInteger);
    table.AddField("naamkand", ftString, 20);
    table.AddField("GEBDATUM", ftDateTime);
    table.AddField("BEDRAG", ftFloat);
    table.Open();
    table.AppendRecord({7, "Jansen-van der Berg, J.K. (Jan)", EncodeDateTime(2024, 3, 5, 14, 7), 1234.5});
    table.AppendRecord({});

    table.First();
    EXPECT_EQ(table.Fields(0).AsString(), "7");
    EXPECT_DOUBLE_EQ(table.Fields(0).AsFloat(), 7.0);
    EXPECT_EQ(table.Fields(1).AsString(), "Jansen-van der Berg,"); // cut to the field's size
    EXPECT_DOUBLE_EQ(table.Fields(2).AsDateTime(), EncodeDateTime(2024, 3, 5, 14, 7));
    EXPECT_EQ(table.Fields(2).AsString(), "05-03-2024 14:07:00");
    EXPECT_EQ(table.Fields(3).AsString(), "1234,5");
    EXPECT_THROW(table.Fields(1).AsDateTime(), EConvertError);
    EXPECT_THROW(table.Fields(1).AsFloat(), EConvertError);

    table.Next();
    for (int i = 0; i < table.FieldCount(); ++i) {
        EXPECT_TRUE(table.Fields(i).IsNull());
        EXPECT_EQ(table.Fields(i).AsString(), "");
        EXPECT_EQ(table.Fields(i).AsFloat(), 0.0);
    }

    ScopedFormatSettings english(TFormatSettings::English());
    table.First();
    EXPECT_EQ(table.Fields(2).AsString(), "03/05/2024 14:07:00");
    EXPECT_EQ(table.Fields(3).AsString(), "1234.5");
}

TEST(DataSet, TextReadsAsNumberInTheLocaleForm)
{
    ScopedFormatSettings dutch(TFormatSettings::Dutch());
    TDataSet table;
    table.AddField("T", ftString);
    table.Open();
    table.AppendRecord({" 12,25 "});
    EXPECT_DOUBLE_EQ(table.Fields(0).AsFloat(), 12.25);
    table.AppendRecord({"12.25"});
    EXPECT_THROW(table.Fields(0).AsFloat(), EConvertError);
    table.AppendRecord({"12,25x"});
    EXPECT_THROW(table.Fields(0).AsFloat(), EConvertError);
}

TEST(DataSet, RefusesValuesOfTheWrongKind)
{
    TDataSet table("tblSelectie");
    table.AddField("kand_nr", ftInteger);
    table.AddField("naam", ftString);
    EXPECT_THROW(table.AppendRecord({1, "a"}), Exception); // closed
    table.Open();
    EXPECT_EQ(ErrorOf<EConvertError>([&] { table.AppendRecord({"abc", "a"}); }),
              "tblSelectie: Ongeldige waarde voor veld 'kand_nr'");
    EXPECT_THROW(table.AppendRecord({1.5, "a"}), EConvertError);
    EXPECT_THROW(table.AppendRecord({1, 2}), EConvertError);
    EXPECT_THROW(table.AppendRecord({1, "a", "b"}), Exception);
    EXPECT_EQ(table.RecordCount(), 0); // nothing half-appended
}
