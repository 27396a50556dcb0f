#include "vyxclient_soapintf.h"

#include "AnsiText.h"
#include "StrFuncs.h"
#include "comfuncs.h"

const TSoapInterface& VYXSoapInterface()
{
    static const TSoapInterface description{
        "IVYXSoap",
        "urn:vyxsoap-IVYXSoap",
        "urn:vyxsoap-IVYXSoap#%operationName%",
        {
            {"Login", {"sUserName", "sPassword", "sSessionID", "sErrorMessage"}, "Boolean"},
            {"ExecSQL",
             {"sSQL", "Params", "ResultSets", "OutParams", "nRowsAffected", "sSessionID", "sErrorMessage"},
             "Boolean"},
            {"ExecAppProc",
             {"sEnvironment", "sProcName", "Params", "ResultSets", "OutParams", "sSessionID", "sErrorMessage"},
             "Boolean"},
            {"ReInit", {"sStatus", "sSessionID", "sErrorMessage"}, "Boolean"},
        },
    };
    return description;
}

const TRemotableType& VYXParameterType()
{
    static const TRemotableType description{
        "TMinimalVYXParameter", "urn:vyxtypes", "TMinimalVYXParameter",
        {"Name", "Value", "Format", "TableForMeta", "ColumnForMeta"}, ""};
    return description;
}

const TRemotableType& VYXParameterArrayType()
{
    static const TRemotableType description{
        "TMinimalVYXParameterArray", "urn:vyxtypes", "TMinimalVYXParameterArray", {}, "TMinimalVYXParameter"};
    return description;
}

bool ShouldRegisterVYXSoap(const std::string& ModuleFileName)
{
    const std::size_t slash = ModuleFileName.find_last_of("/\\");
    const std::string name = LowerStr(slash == std::string::npos ? ModuleFileName : ModuleFileName.substr(slash + 1));
    const std::size_t dot = name.rfind('.');
    const bool library = dot != std::string::npos && name.substr(dot + 1) == "dll";
    return !(library && name.starts_with("vyx"));
}

void RegisterVYXSoap()
{
    std::string module;
    try {
        module = QStringToAnsi(DLLFullFileName());
    } catch (const std::exception&) {
        // An unknown module is not the service's library.
    }
    if (!ShouldRegisterVYXSoap(module))
        return;
    RegisterInvokableInterface(VYXSoapInterface());
    RegisterRemotableType(VYXParameterType());
    RegisterRemotableType(VYXParameterArrayType());
}
