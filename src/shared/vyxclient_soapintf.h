#pragma once
// The remote interface of the VYX data-access service, registered with the SOAP tables
// (SoapRegistry.h) by RegisterVYXSoap when the program starts.  Nothing in the program calls
// the service.

#include "SoapRegistry.h"

#include <string>

const TSoapInterface& VYXSoapInterface();           // IVYXSoap
const TRemotableType& VYXParameterType();           // TMinimalVYXParameter
const TRemotableType& VYXParameterArrayType();      // TMinimalVYXParameterArray

// False for the service's own library (a "vyx*.dll", without regard to case), which registers
// the interface itself.
bool ShouldRegisterVYXSoap(const std::string& ModuleFileName);

// Registers the three descriptions unless ShouldRegisterVYXSoap(DLLFullFileName()) says no.
// main() runs it at start-up; calling it again changes nothing.
void RegisterVYXSoap();
