// The data-access service's interface as registered at start-up.
#include "vyxclient_soapintf.h"

#include <gtest/gtest.h>

using Names = std::vector<std::string>;

TEST(VYXSoap, RegistrationFillsTheTables)
{
    EXPECT_EQ(FindInvokableInterface("IVYXSoap"), nullptr);
    RegisterVYXSoap();
    const TSoapInterface* soap = FindInvokableInterface("IVYXSoap");
    ASSERT_NE(soap, nullptr);
    EXPECT_EQ(soap->Namespace, "urn:vyxsoap-IVYXSoap");
    EXPECT_EQ(soap->SoapAction, "urn:vyxsoap-IVYXSoap#%operationName%");
    const std::vector<std::pair<std::string, Names>> operations = {
        {"Login", {"sUserName", "sPassword", "sSessionID", "sErrorMessage"}},
        {"ExecSQL", {"sSQL", "Params", "ResultSets", "OutParams", "nRowsAffected", "sSessionID", "sErrorMessage"}},
        {"ExecAppProc",
         {"sEnvironment", "sProcName", "Params", "ResultSets", "OutParams", "sSessionID", "sErrorMessage"}},
        {"ReInit", {"sStatus", "sSessionID", "sErrorMessage"}}};
    ASSERT_EQ(soap->Operations.size(), operations.size());
    for (size_t i = 0; i < operations.size(); ++i) {
        EXPECT_EQ(soap->Operations[i].Name, operations[i].first);
        EXPECT_EQ(soap->Operations[i].Parameters, operations[i].second) << operations[i].first;
        EXPECT_EQ(soap->Operations[i].ResultType, "Boolean");
    }

    const TRemotableType* parameter = FindRemotableType("TMinimalVYXParameter");
    ASSERT_NE(parameter, nullptr);
    EXPECT_EQ(parameter->Namespace, "urn:vyxtypes");
    EXPECT_EQ(parameter->XmlName, "TMinimalVYXParameter");
    EXPECT_EQ(parameter->Fields, (Names{"Name", "Value", "Format", "TableForMeta", "ColumnForMeta"}));
    const TRemotableType* array = FindRemotableType("TMinimalVYXParameterArray");
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->Namespace, "urn:vyxtypes");
    EXPECT_EQ(array->XmlName, "TMinimalVYXParameterArray");
    EXPECT_EQ(array->ElementType, "TMinimalVYXParameter");

    // Registering again keeps one entry.
    RegisterVYXSoap();
    EXPECT_EQ(FindInvokableInterface("IVYXSoap"), soap);
    EXPECT_EQ(FindInvokableInterface("IOther"), nullptr);
}

TEST(VYXSoap, OnlyTheServicesOwnLibraryRegistersNothing)
{
    EXPECT_TRUE(ShouldRegisterVYXSoap("/usr/bin/Zorvandel"));
    EXPECT_TRUE(ShouldRegisterVYXSoap("C:\\Program Files\\Zorvandel\\Zorvandel.exe"));
    EXPECT_TRUE(ShouldRegisterVYXSoap("/opt/lib/other.dll"));
    EXPECT_TRUE(ShouldRegisterVYXSoap("/opt/lib/vyxserver.so"));
    EXPECT_TRUE(ShouldRegisterVYXSoap(""));
    EXPECT_FALSE(ShouldRegisterVYXSoap("C:\\Windows\\VYXSERVER.DLL"));
    EXPECT_FALSE(ShouldRegisterVYXSoap("/opt/vyx/lib/vyxsoap.Dll"));
}
