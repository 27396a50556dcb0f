#include "SoapRegistry.h"

#include <algorithm>

namespace {

// Function-local, so that registrations from other units' start-up find them ready.
std::vector<TSoapInterface>& Interfaces()
{
    static std::vector<TSoapInterface> interfaces;
    return interfaces;
}

std::vector<TRemotableType>& Types()
{
    static std::vector<TRemotableType> types;
    return types;
}

template <class T, class Key>
T* FindIn(std::vector<T>& table, const std::string& name, Key key)
{
    const auto it = std::find_if(table.begin(), table.end(), [&](const T& entry) { return entry.*key == name; });
    return it == table.end() ? nullptr : &*it;
}

template <class T, class Key>
void Put(std::vector<T>& table, const T& entry, Key key)
{
    if (T* existing = FindIn(table, entry.*key, key))
        *existing = entry;
    else
        table.push_back(entry);
}

} // namespace

void RegisterInvokableInterface(const TSoapInterface& Interface)
{
    Put(Interfaces(), Interface, &TSoapInterface::Name);
}

void RegisterRemotableType(const TRemotableType& Type)
{
    Put(Types(), Type, &TRemotableType::TypeName);
}

const TSoapInterface* FindInvokableInterface(const std::string& Name)
{
    return FindIn(Interfaces(), Name, &TSoapInterface::Name);
}

const TRemotableType* FindRemotableType(const std::string& TypeName)
{
    return FindIn(Types(), TypeName, &TRemotableType::TypeName);
}
