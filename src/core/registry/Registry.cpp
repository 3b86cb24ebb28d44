#include "registry/Registry.h"

#include "registry/StoreFile.h"
#include "runtime/LittleEndian.h"

#include <cstring>
#include <limits>
#include <vector>

using namespace RegistryApi;

const std::u16string SRegGetDataFailed = u"Fehler beim Holen der Daten f\u00FCr '%s'";
const std::u16string SInvalidRegType = u"Ung\u00FCltiger Datentyp f\u00FCr '%s'";
const std::u16string SRegCreateFailed = u"Erzeugung von Schl\u00FCssel %s misslungen";
const std::u16string SRegSetDataFailed = u"Fehler beim Setzen der Daten f\u00FCr '%s'";
const std::u16string SRegLocked =
    u"Die Einstellungen werden gerade von einem anderen Programm benutzt";
const std::u16string SRegNotPrivate =
    u"Der Ordner oder die Datei deiner Einstellungen geh\u00F6rt einem anderen Benutzer oder "
    u"steht anderen offen; Pelwick benutzt sie so nicht";
const std::u16string SRegReadOnly =
    u"\u00C4nderungen an deinen Einstellungen k\u00F6nnen nicht gespeichert werden: %s";
const std::u16string SRegDiskFull = u"Fehler beim Setzen der Daten f\u00FCr '%s': Auf dem "
                                    u"Datentr\u00E4ger deiner Einstellungen ist kein Platz mehr";

std::u16string FormatRegistryMessage(const std::u16string& format, const std::u16string& arg) {
    std::u16string text = format;
    const auto pos = text.find(u"%s");
    if (pos != std::u16string::npos) {
        text.replace(pos, 2, arg);
    }
    return text;
}

void RaiseWriteFailure(LSTATUS status, const std::u16string& name,
                       const std::u16string& otherwise) {
    if (status == ERROR_DISK_FULL) {
        throw ERegistryDiskFull(FormatRegistryMessage(SRegDiskFull, name));
    }
    if (status == ERROR_ACCESS_DENIED) {
        if (const std::u16string why = StoreReadOnlyReason(); !why.empty()) {
            throw ERegistryReadOnly(FormatRegistryMessage(SRegReadOnly, why));
        }
    }
    throw ERegistryException(otherwise);
}

namespace {

// KeyExists asks only for what reading needs: STANDARD_RIGHTS_READ, KEY_QUERY_VALUE and
// KEY_ENUMERATE_SUB_KEYS.
constexpr REGSAM KeyExistsAccess = STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

TRegistry::TRegDataType Classify(DWORD type) {
    switch (type) {
    case REG_SZ:
        return TRegistry::TRegDataType::rdString;
    case REG_EXPAND_SZ:
        return TRegistry::TRegDataType::rdExpandString;
    case REG_DWORD:
        return TRegistry::TRegDataType::rdInteger;
    case REG_BINARY:
        return TRegistry::TRegDataType::rdBinary;
    default:
        return TRegistry::TRegDataType::rdUnknown;
    }
}

// A status that says the registry cannot be used now, whatever the call asked for, raises its
// own message; every other status is left to the caller.
LSTATUS Checked(LSTATUS status) {
    if (status == ERROR_LOCK_VIOLATION) {
        throw ERegistryLocked(SRegLocked);
    }
    if (status == ERROR_INVALID_SECURITY_DESCR) {
        throw ERegistryNotPrivate(SRegNotPrivate);
    }
    return status;
}

[[noreturn]] void Raise(const std::u16string& format, const std::u16string& arg) {
    throw ERegistryException(FormatRegistryMessage(format, arg));
}

// A text may grow between two calls when another program writes it; each retry asks with the
// size the last call reported. Bounded, so that a writer that never stops cannot hold a read.
constexpr int TextReadAttempts = 100;

} // namespace

TRegistry::TRegistry() = default;

TRegistry::~TRegistry() {
    CloseKey();
}

TRegistry::TResolved TRegistry::Resolve(const std::u16string& path) const {
    if (!path.empty() && path.front() == u'\\') {
        return {RootKey, path.substr(1), false};
    }
    if (currentKey_ != 0) {
        return {currentKey_, path, true};
    }
    return {RootKey, path, false};
}

bool TRegistry::OpenKey(const std::u16string& path, bool canCreate) {
    const TResolved target = Resolve(path);
    HKEY key = 0;
    LSTATUS status;
    if (canCreate && !target.path.empty()) {
        DWORD disposition = 0;
        status = RegCreateKeyExW(target.base, target.path.c_str(), 0, nullptr,
                                 REG_OPTION_NON_VOLATILE, Access, nullptr, &key, &disposition);
    } else {
        status = RegOpenKeyExW(target.base, target.path.c_str(), 0, Access, &key);
    }
    if (Checked(status) != ERROR_SUCCESS) {
        return false;
    }
    std::u16string newPath = target.path;
    if (target.relativeToOpenKey && !currentPath_.empty()) {
        newPath = currentPath_ + u"\\" + target.path;
    }
    CloseKey();
    currentKey_ = key;
    currentPath_ = std::move(newPath);
    return true;
}

void TRegistry::CloseKey() {
    if (currentKey_ == 0) {
        return;
    }
    if (!LazyWrite) {
        RegFlushKey(currentKey_);
    }
    RegCloseKey(currentKey_);
    currentKey_ = 0;
    currentPath_.clear();
}

bool TRegistry::KeyExists(const std::u16string& path) {
    const TResolved target = Resolve(path);
    HKEY key = 0;
    if (Checked(RegOpenKeyExW(target.base, target.path.c_str(), 0, KeyExistsAccess, &key)) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool TRegistry::CreateKey(const std::u16string& path) {
    const TResolved target = Resolve(path);
    HKEY key = 0;
    DWORD disposition = 0;
    const LSTATUS status = Checked(RegCreateKeyExW(target.base, target.path.c_str(), 0, nullptr,
                                                   REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                                   &key, &disposition));
    if (status != ERROR_SUCCESS) {
        RaiseWriteFailure(status, path, FormatRegistryMessage(SRegCreateFailed, path));
    }
    RegCloseKey(key);
    return true;
}

bool TRegistry::ValueExists(const std::u16string& name) {
    DWORD type = 0;
    DWORD size = 0;
    return Checked(RegQueryValueExW(currentKey_, name.c_str(), nullptr, &type, nullptr, &size)) ==
           ERROR_SUCCESS;
}

DWORD TRegistry::GetData(const std::u16string& name, std::uint8_t* buffer, DWORD bufferSize,
                         TRegDataType& dataType) {
    DWORD type = REG_NONE;
    DWORD size = bufferSize;
    // A stored value longer than the buffer fails here too: the call reports ERROR_MORE_DATA.
    if (Checked(RegQueryValueExW(currentKey_, name.c_str(), nullptr, &type, buffer, &size)) !=
        ERROR_SUCCESS) {
        Raise(SRegGetDataFailed, name);
    }
    dataType = Classify(type);
    return size;
}

void TRegistry::PutData(const std::u16string& name, DWORD type, const std::uint8_t* data,
                        DWORD size) {
    const LSTATUS status = Checked(RegSetValueExW(currentKey_, name.c_str(), 0, type, data, size));
    if (status != ERROR_SUCCESS) {
        RaiseWriteFailure(status, name, FormatRegistryMessage(SRegSetDataFailed, name));
    }
}

std::u16string TRegistry::ReadString(const std::u16string& name) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (Checked(RegQueryValueExW(currentKey_, name.c_str(), nullptr, &type, nullptr, &size)) !=
            ERROR_SUCCESS ||
        size == 0) {
        return std::u16string();
    }
    // The size and the data come from one call each time: a text that another program made
    // longer since the size was asked is fetched again at its new size, never cut or failed.
    std::vector<std::uint8_t> buffer;
    LSTATUS status = ERROR_MORE_DATA;
    for (int attempt = 0; status == ERROR_MORE_DATA && attempt < TextReadAttempts; ++attempt) {
        buffer.resize(size);
        status = Checked(
            RegQueryValueExW(currentKey_, name.c_str(), nullptr, &type, buffer.data(), &size));
    }
    if (status != ERROR_SUCCESS) {
        Raise(SRegGetDataFailed, name);
    }
    const TRegDataType dataType = Classify(type);
    const DWORD stored = size;
    if (dataType != TRegDataType::rdString && dataType != TRegDataType::rdExpandString) {
        Raise(SInvalidRegType, name);
    }
    std::u16string text;
    for (DWORD i = 0; i < stored / 2; ++i) {
        const auto unit = LittleEndian::Read<char16_t>(&buffer[2 * i]);
        if (unit == u'\0') {
            break;
        }
        text.push_back(unit);
    }
    return text;
}

std::int32_t TRegistry::ReadInteger(const std::u16string& name) {
    // Zero-filled, so a REG_DWORD shorter than four bytes reads as its bytes zero-extended.
    std::uint8_t buffer[4] = {};
    TRegDataType dataType;
    GetData(name, buffer, sizeof buffer, dataType);
    if (dataType != TRegDataType::rdInteger) {
        Raise(SInvalidRegType, name);
    }
    return static_cast<std::int32_t>(LittleEndian::Read<std::uint32_t>(buffer));
}

bool TRegistry::ReadBool(const std::u16string& name) {
    return ReadInteger(name) != 0;
}

void TRegistry::ReadBinaryData(const std::u16string& name, std::uint8_t* buffer, DWORD size) {
    TRegDataType dataType;
    const DWORD stored = GetData(name, buffer, size, dataType);
    if (dataType != TRegDataType::rdBinary || stored != size) {
        Raise(SInvalidRegType, name);
    }
}

double TRegistry::ReadDouble(const std::u16string& name) {
    std::uint8_t buffer[8] = {};
    ReadBinaryData(name, buffer, sizeof buffer);
    return LittleEndian::Read<double>(buffer);
}

double TRegistry::ReadFloat(const std::u16string& name) {
    return ReadDouble(name);
}

TDateTime TRegistry::ReadDateTime(const std::u16string& name) {
    return ReadDouble(name);
}

void TRegistry::WriteString(const std::u16string& name, const std::u16string& value) {
    // The size must fit a DWORD, terminating NUL included.
    if (value.size() >= std::numeric_limits<DWORD>::max() / 2) {
        Raise(SRegSetDataFailed, name);
    }
    std::vector<std::uint8_t> bytes(2 * (value.size() + 1), 0);
    for (std::size_t i = 0; i < value.size(); ++i) {
        LittleEndian::Write(value[i], &bytes[2 * i]);
    }
    PutData(name, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
}

void TRegistry::WriteInteger(const std::u16string& name, std::int32_t value) {
    std::uint8_t bytes[4];
    LittleEndian::Write(static_cast<std::uint32_t>(value), bytes);
    PutData(name, REG_DWORD, bytes, sizeof bytes);
}

void TRegistry::WriteBool(const std::u16string& name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteBinaryData(const std::u16string& name, const std::uint8_t* data, DWORD size) {
    PutData(name, REG_BINARY, data, size);
}

void TRegistry::WriteDouble(const std::u16string& name, double value) {
    std::uint8_t bytes[8];
    LittleEndian::Write(value, bytes);
    WriteBinaryData(name, bytes, sizeof bytes);
}

void TRegistry::WriteFloat(const std::u16string& name, double value) {
    WriteDouble(name, value);
}

void TRegistry::WriteDateTime(const std::u16string& name, TDateTime value) {
    WriteDouble(name, value);
}
