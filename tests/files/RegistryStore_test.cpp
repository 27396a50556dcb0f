#include "RegistryStore.h"

#include "ErrorOf.h"
#include "ModalAnswer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (TRootKey root : {HKEY_CURRENT_USER, HKEY_CLASSES_ROOT}) {
            QDir(RegistryStore::FileName(root)).removeRecursively();
            QFile::remove(RegistryStore::FileName(root));
        }
    }
    void TearDown() override { SetUp(); }

    static QByteArray FileBytes(TRootKey root)
    {
        QFile f(RegistryStore::FileName(root));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(RegistryStoreTest, ValuesPersistAcrossInstancesWithTheirTypes)
{
    {
        RegistryStore reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\ODBC\\ODBC.INI\\Text Files", true));
        EXPECT_EQ(reg.CurrentPath(), "Software\\ODBC\\ODBC.INI\\Text Files");
        reg.WriteString("Driver", "/usr/lib/odbcjt32.dll");
        reg.WriteInteger("DriverId", 27);
        reg.WriteInteger("Negative", -2147483647 - 1);
        reg.WriteString("UID", "");
        reg.WriteString("", "the default");
    }
    RegistryStore reg;
    EXPECT_FALSE(reg.ValueExists("Driver")) << "a new store starts at the root";
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\ODBC\\ODBC.INI\\Text Files"));
    EXPECT_EQ(reg.ReadString("Driver"), "/usr/lib/odbcjt32.dll");
    EXPECT_EQ(reg.ReadInteger("DriverId"), 27);
    EXPECT_EQ(reg.ReadInteger("Negative"), -2147483647 - 1);
    EXPECT_EQ(reg.GetDataType("DriverId"), rdInteger);
    EXPECT_EQ(reg.GetDataType("UID"), rdString);
    EXPECT_TRUE(reg.ValueExists("UID"));
    EXPECT_EQ(reg.ReadString(""), "the default");
    EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"Driver", "DriverId", "Negative", "UID", ""}));
}

TEST_F(RegistryStoreTest, NamesIgnoreCaseAndKeepTheirFirstSpelling)
{
    RegistryStore reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\ODBC", true));
    reg.WriteString("Text Files", "one");
    reg.WriteString("TEXT FILES", "two");
    EXPECT_EQ(reg.GetValueNames(), std::vector<std::string>{"Text Files"});
    EXPECT_EQ(reg.ReadString("text files"), "two");

    RegistryStore other;
    EXPECT_TRUE(other.KeyExists("\\SOFTWARE\\odbc"));
    ASSERT_TRUE(other.OpenKey("\\software\\ODBC\\Sub", true));
    other.CloseKey();
    ASSERT_TRUE(other.OpenKeyReadOnly("\\Software"));
    EXPECT_EQ(other.GetKeyNames(), std::vector<std::string>{"ODBC"});
    // Windows-1252 bytes in names and values survive the file.
    ASSERT_TRUE(other.OpenKey("\\Caf\xE9", true));
    other.WriteString("na\xEFve", "\x80\x81\xFF");
    EXPECT_EQ(RegistryStore().KeyExists("\\CAF\xC9"), true) << "case folding covers accented letters too";
    RegistryStore third;
    ASSERT_TRUE(third.OpenKeyReadOnly("\\Caf\xE9"));
    EXPECT_EQ(third.ReadString("NA\xCFVE"), "\x80\x81\xFF");
}

TEST_F(RegistryStoreTest, RelativePathsStartAtTheOpenKey)
{
    RegistryStore reg;
    ASSERT_TRUE(reg.OpenKey("\\Software", true));
    ASSERT_TRUE(reg.OpenKey("ODBC\\ODBC.INI", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\ODBC\\ODBC.INI");
    EXPECT_TRUE(reg.KeyExists("\\Software\\ODBC"));
    EXPECT_FALSE(reg.KeyExists("ODBC"));
    EXPECT_TRUE(reg.CreateKey("Text Files\\Engines\\Text"));
    EXPECT_EQ(reg.CurrentPath(), "Software\\ODBC\\ODBC.INI") << "CreateKey does not open the key";
    EXPECT_TRUE(reg.KeyExists("\\Software\\ODBC\\ODBC.INI\\Text Files\\Engines\\Text"));
}

TEST_F(RegistryStoreTest, MissingKeysAndWrongTypes)
{
    RegistryStore reg(HKEY_CLASSES_ROOT);
    EXPECT_FALSE(reg.OpenKeyReadOnly("\\.htm"));
    EXPECT_FALSE(reg.OpenKey("\\.htm", false));
    EXPECT_FALSE(reg.KeyExists("\\.htm"));
    ASSERT_TRUE(reg.OpenKey("\\.htm", true));
    reg.WriteString("", "htmlfile");
    reg.WriteInteger("Count", 3);
    EXPECT_EQ(reg.ReadString("missing"), "");
    EXPECT_THROW(reg.ReadInteger("missing"), ERegistryException);
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { reg.ReadString("Count"); }), "Invalid data type for 'Count'");
    EXPECT_THROW(reg.ReadInteger(""), ERegistryException);
    // The two roots are separate stores.
    EXPECT_FALSE(RegistryStore(HKEY_CURRENT_USER).KeyExists("\\.htm"));
}

TEST_F(RegistryStoreTest, ReadOnlyKeysRefuseWrites)
{
    ASSERT_TRUE(RegistryStore().CreateKey("\\Software"));
    RegistryStore reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software"));
    EXPECT_TRUE(reg.ReadOnly());
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { reg.WriteString("x", "y"); }), "Failed to set data for 'x'");
    EXPECT_FALSE(reg.ValueExists("x"));
}

TEST_F(RegistryStoreTest, ADamagedStoreIsNeitherReadNorOverwritten)
{
    const QString fileName = RegistryStore::FileName(HKEY_CURRENT_USER);
    QDir().mkpath(QFileInfo(fileName).path());
    ASSERT_TRUE(WriteFileBytes(fileName, "{ \"keys\": [ not json"));
    RegistryStore reg;
    EXPECT_FALSE(reg.OpenKey("\\Software", true));
    EXPECT_FALSE(reg.KeyExists("\\"));
    EXPECT_THROW(reg.WriteString("x", "y"), ERegistryException);
    EXPECT_EQ(FileBytes(HKEY_CURRENT_USER), QByteArray("{ \"keys\": [ not json"));
}

TEST_F(RegistryStoreTest, AStoreThatCannotBeSavedFailsTheChange)
{
    // A folder where the store file belongs: nothing can replace it.
    ASSERT_TRUE(QDir().mkpath(RegistryStore::FileName(HKEY_CURRENT_USER)));
    RegistryStore reg;
    EXPECT_FALSE(reg.OpenKey("\\Software\\ODBC", true));
    EXPECT_THROW(reg.WriteInteger("n", 1), ERegistryException);
}

TEST_F(RegistryStoreTest, SavedFileIsCompleteJsonAfterEveryWrite)
{
    RegistryStore reg;
    ASSERT_TRUE(reg.OpenKey("\\A", true));
    for (int i = 0; i < 5; ++i)
        reg.WriteInteger("n" + std::to_string(i), i);
    const QByteArray bytes = FileBytes(HKEY_CURRENT_USER);
    EXPECT_TRUE(bytes.contains("\"name\": \"n4\""));
    // No temporary file is left beside the store.
    const QStringList entries = QFileInfo(RegistryStore::FileName(HKEY_CURRENT_USER)).dir().entryList(QDir::Files);
    EXPECT_EQ(entries, QStringList{"HKEY_CURRENT_USER.json"});
}

TEST_F(RegistryStoreTest, AFileChangedByAnotherWriterIsReadAsItNowStands)
{
    RegistryStore reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\ODBC", true));
    reg.WriteString("Naam", "Alpha");
    ASSERT_EQ(reg.ReadString("Naam"), "Alpha");

    // Rewritten in place, as many bytes, at once.
    const QString fileName = RegistryStore::FileName(HKEY_CURRENT_USER);
    const QByteArray alpha = FileBytes(HKEY_CURRENT_USER);
    ASSERT_TRUE(WriteFileBytes(fileName, QByteArray(alpha).replace("Alpha", "Omega").toStdString()));
    EXPECT_EQ(reg.ReadString("Naam"), "Omega");
    ASSERT_TRUE(WriteFileBytes(fileName, "{ \"keys\": [ not json"));
    EXPECT_FALSE(reg.KeyExists("\\Software"));
    EXPECT_FALSE(reg.ValueExists("Naam"));
    ASSERT_TRUE(WriteFileBytes(fileName, alpha.toStdString()));
    EXPECT_EQ(reg.ReadString("Naam"), "Alpha");
    QFile::remove(fileName);
    EXPECT_FALSE(reg.ValueExists("Naam"));
}

} // namespace
