#pragma once
// The tables of a SOAP runtime: invokable interfaces and remotable types, registered at start-up
// as descriptions.  No SOAP client exists here; the tables are only filled and looked up.

#include <string>
#include <vector>

struct TSoapOperation {
    std::string Name;
    std::vector<std::string> Parameters;
    std::string ResultType;
};

struct TSoapInterface {
    std::string Name;       // "IVYXSoap"
    std::string Namespace;  // target namespace of the interface
    std::string SoapAction; // default action; "%operationName%" stands for the operation
    std::vector<TSoapOperation> Operations;
};

// A remotable class (ElementType empty) or an array of one.
struct TRemotableType {
    std::string TypeName;
    std::string Namespace;
    std::string XmlName;
    std::vector<std::string> Fields; // texts of a class
    std::string ElementType;         // the element class of an array
};

// Registering a name again replaces its description.
void RegisterInvokableInterface(const TSoapInterface& Interface);
void RegisterRemotableType(const TRemotableType& Type);

// nullptr when the name is not registered.
const TSoapInterface* FindInvokableInterface(const std::string& Name);
const TRemotableType* FindRemotableType(const std::string& TypeName);
