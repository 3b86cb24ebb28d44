#pragma once

// TRegistry: one open key at a time under a root, with typed reads and writes. Written once,
// over the call set of RegistryApi.h, so it behaves the same over advapi32 and the SQLite hive.

#include "conversions/Types.h"
#include "registry/RegistryApi.h"
#include "runtime/Exceptions.h"

#include <cstdint>
#include <string>

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

// The registry exists but cannot be used now; never to be taken for missing keys or values.
class ERegistryUnavailable : public ERegistryException {
public:
    using ERegistryException::ERegistryException;
};

// Another program holds the registry's lock for longer than a call waits (SRegLocked).
class ERegistryLocked : public ERegistryUnavailable {
public:
    using ERegistryUnavailable::ERegistryUnavailable;
};

// The registry's folder or file is not the user's own and closed to others (SRegNotPrivate).
class ERegistryNotPrivate : public ERegistryUnavailable {
public:
    using ERegistryUnavailable::ERegistryUnavailable;
};

// A write refused because the store's file or its folder may only be read (SRegReadOnly).
class ERegistryReadOnly : public ERegistryException {
public:
    using ERegistryException::ERegistryException;
};

// A write that found no room left on the disk (SRegDiskFull).
class ERegistryDiskFull : public ERegistryException {
public:
    using ERegistryException::ERegistryException;
};

// The accessor's messages; %s is the value name, or the key path for the creation message.
extern const std::u16string SRegGetDataFailed;
extern const std::u16string SInvalidRegType;
extern const std::u16string SRegCreateFailed;
extern const std::u16string SRegSetDataFailed;
// Without %s: the whole store is concerned, not one value.
extern const std::u16string SRegLocked;
extern const std::u16string SRegNotPrivate;
// %s is why (StoreReadOnlyReason); the disk's message names the value.
extern const std::u16string SRegReadOnly;
extern const std::u16string SRegDiskFull;

// The format with its first %s replaced by the argument.
std::u16string FormatRegistryMessage(const std::u16string& format, const std::u16string& arg);

// A refused or failed write says why where the store knows it (a file or folder that may only
// be read, a full disk); any other failure raises ERegistryException with `otherwise`.
[[noreturn]] void RaiseWriteFailure(RegistryApi::LSTATUS status, const std::u16string& name,
                                    const std::u16string& otherwise);

class TRegistry {
public:
    // How a stored registry type is read.
    enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

    TRegistry();
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    RegistryApi::HKEY RootKey = RegistryApi::HKEY_CURRENT_USER;
    RegistryApi::REGSAM Access = RegistryApi::KEY_ALL_ACCESS;
    // While true, closing a key does not flush it.
    bool LazyWrite = true;

    // Zero and empty while no key is open.
    RegistryApi::HKEY CurrentKey() const { return currentKey_; }
    const std::u16string& CurrentPath() const { return currentPath_; }

    // A path that begins with '\' is taken from RootKey; any other from the open key, or from
    // RootKey when none is open. Failures give false and change nothing.
    //
    // Every call, these included, raises an ERegistryUnavailable instead when the registry
    // cannot be used at all: ERegistryLocked while another program holds its lock,
    // ERegistryNotPrivate when its folder or file is not the user's own. Neither ever reads as
    // a missing key or value.
    bool OpenKey(const std::u16string& path, bool canCreate);
    void CloseKey();
    // Whether the key can be opened for reading; the open key is not touched.
    bool KeyExists(const std::u16string& path);
    // Creates the key and closes it again; raises ERegistryException on failure.
    bool CreateKey(const std::u16string& path);
    bool ValueExists(const std::u16string& name);

    // Typed reads from the open key; they raise ERegistryException when the value cannot be
    // fetched or its type does not fit.
    std::u16string ReadString(const std::u16string& name);
    std::int32_t ReadInteger(const std::u16string& name);
    bool ReadBool(const std::u16string& name);
    double ReadFloat(const std::u16string& name);
    TDateTime ReadDateTime(const std::u16string& name);
    // A REG_BINARY value of exactly `size` bytes into `buffer`; another type or size raises
    // SInvalidRegType, a longer value SRegGetDataFailed.
    void ReadBinaryData(const std::u16string& name, std::uint8_t* buffer, RegistryApi::DWORD size);

    // Typed writes to the open key, replacing a value of any former type.
    void WriteString(const std::u16string& name, const std::u16string& value);
    void WriteInteger(const std::u16string& name, std::int32_t value);
    void WriteBool(const std::u16string& name, bool value);
    void WriteFloat(const std::u16string& name, double value);
    void WriteDateTime(const std::u16string& name, TDateTime value);
    void WriteBinaryData(const std::u16string& name, const std::uint8_t* data,
                         RegistryApi::DWORD size);

private:
    struct TResolved {
        RegistryApi::HKEY base;
        std::u16string path;
        bool relativeToOpenKey;
    };
    TResolved Resolve(const std::u16string& path) const;
    // Fetches into buffer, or raises; returns the stored size and type.
    RegistryApi::DWORD GetData(const std::u16string& name, std::uint8_t* buffer,
                               RegistryApi::DWORD bufferSize, TRegDataType& dataType);
    void PutData(const std::u16string& name, RegistryApi::DWORD type, const std::uint8_t* data,
                 RegistryApi::DWORD size);
    double ReadDouble(const std::u16string& name);
    void WriteDouble(const std::u16string& name, double value);

    RegistryApi::HKEY currentKey_ = 0;
    std::u16string currentPath_;
};
