#pragma once
// A small key store standing in for the Windows registry: one file per root key in the user's
// configuration folder.  Keys hold sub-keys, a default value (the value named "") and named
// values of two types: text and 32-bit number.  Key and value names are compared without regard
// to case and keep the case they were created with.  Key paths use "\" between names; a path
// that begins with "\" starts at the root, any other path at the open key.
//
// Every call reads the file afresh (it is parsed again only when its bytes changed); every change
// is written back at once through a temporary file that replaces the old one, so a failed write
// never leaves a half-written store.

#include "Exceptions.h"

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

enum TRootKey { HKEY_CURRENT_USER, HKEY_CLASSES_ROOT };

enum TRegDataType { rdUnknown, rdString, rdInteger };

// Failures of the store: a value of the wrong type or missing, a change the store cannot save.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

class RegistryStore {
public:
    explicit RegistryStore(TRootKey root = HKEY_CURRENT_USER);

    TRootKey RootKey() const { return root_; }
    // Path of the open key from the root, "" for the root itself ("Software\ODBC\ODBC.INI").
    std::string CurrentPath() const { return currentPath_; }
    bool ReadOnly() const { return readOnly_; }

    // Opens Key for reading and writing; with CanCreate a missing key (and its parents) is made.
    // False when the key is missing and may not be made, or the store cannot be read or saved.
    bool OpenKey(const std::string& Key, bool CanCreate);
    // Opens an existing key for reading only; writes then fail.
    bool OpenKeyReadOnly(const std::string& Key);
    // Back to the root; the store itself stays as it is.
    void CloseKey();
    // Makes Key (and its parents) without opening it; true when it exists afterwards.
    bool CreateKey(const std::string& Key);
    bool KeyExists(const std::string& Key) const;

    // Values of the open key.
    bool ValueExists(const std::string& Name) const;
    TRegDataType GetDataType(const std::string& Name) const; // rdUnknown when missing
    std::vector<std::string> GetValueNames() const;           // in the order they were made
    std::vector<std::string> GetKeyNames() const;             // sub-keys of the open key

    // "" when the value is missing; ERegistryException when it is a number.
    std::string ReadString(const std::string& Name) const;
    // ERegistryException when the value is missing or text.
    std::int32_t ReadInteger(const std::string& Name) const;
    // ERegistryException when the key is open read-only or the store cannot be saved.
    void WriteString(const std::string& Name, const std::string& Value);
    void WriteInteger(const std::string& Name, std::int32_t Value);

    // The file that holds a root key's tree.
    static QString FileName(TRootKey root);

private:
    void WriteValue(const std::string& Name, TRegDataType type, const QString& text, std::int32_t number);
    std::string Resolve(const std::string& Key) const;

    TRootKey root_;
    std::string currentPath_;
    bool readOnly_ = false;
};
