// The settings store over the SQLite hive, driven by arbitrary call sequences: the store's
// typed reads and writes on the seven names and on others, and the registry calls themselves,
// with which another program stores any type and size. A model of the key's values says what
// each read must give; the store may raise only its own messages and, for a stored price
// beyond single range or not a number, the floating-point ones.

#include "FuzzSupport.h"

#include "Unitsetting.h"
#include "conversions/FloatingPoint.h"
#include "conversions/StartupSettings.h"
#include "registry/Registry.h"
#include "registry/RegistryApi.h"

#include <sqlite3.h>

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

using namespace RegistryApi;

namespace {

struct TStored {
    DWORD Type = REG_NONE;
    std::string Data;
};

// Value names compare without regard to ASCII case, as the hive stores them.
std::u16string Folded(const std::u16string& name) {
    std::u16string f = name;
    for (auto& c : f) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return f;
}

const std::u16string Names[] = {u"CigConsQty",
                                u"CigBoxQty",
                                u"CigBoxPrice",
                                u"UserName",
                                u"UserDOB",
                                u"UserStopTime",
                                u"SetupCompl",
                                u"cigconsqty",
                                u"USERNAME",
                                u"",
                                u"Pr\u00E4fix \U0001F600",
                                u"x"};

std::string Utf16Bytes(const std::u16string& text, bool terminated) {
    std::string bytes;
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    if (terminated) {
        bytes.append(2, '\0');
    }
    return bytes;
}

template <typename T> std::string Bytes(const T& value) {
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

template <typename T> T FromBytes(const std::string& bytes) {
    T value{};
    std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

std::string GetDataFailed(const std::u16string& name) {
    return ToUtf8(u"Fehler beim Holen der Daten f\u00FCr '" + name + u"'");
}
std::string InvalidType(const std::u16string& name) {
    return ToUtf8(u"Ung\u00FCltiger Datentyp f\u00FCr '" + name + u"'");
}

class THarness {
public:
    THarness() {
        // fuzz/run points TMPDIR at a RAM-backed folder where there is one (every write of the
        // hive is a synced commit) and removes it afterwards: libFuzzer's exit skips atexit.
        const char* tmp = std::getenv("TMPDIR");
        const std::string base = tmp && *tmp ? tmp : "/tmp";
        std::string pattern = base + "/pelwick-fuzz-hive-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            fuzz::Fail("mkdtemp " + pattern);
        }
        folder_ = pattern;
        ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        store_.SetCigConsQty(0); // creates the hive
        const std::string file = folder_ + "/pelwick/hkcu.sqlite3";
        fuzz::Check(sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) ==
                        SQLITE_OK,
                    "open " + file);
        sqlite3_busy_timeout(db_, 5000);
    }
    ~THarness() {
        sqlite3_close(db_);
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    void Run(fuzz::TInput& in) {
        // Each input starts from an empty key, or from a first start without it.
        const bool firstStart = in.Byte() & 1;
        Sql(firstStart ? "DELETE FROM reg_value; DELETE FROM reg_key;"
                       : "DELETE FROM reg_value; DELETE FROM reg_key WHERE path NOT IN "
                         "('Software', 'Software\\Korvenda', 'Software\\Korvenda\\Pelwick');");
        model_.clear();
        for (int step = 0; step < 24 && in.Left() > 0; ++step) {
            const std::u16string& name = Names[in.Byte() % std::size(Names)];
            switch (in.Byte() % 8) {
            case 0:
            case 1:
                Read(in, name);
                break;
            case 2:
            case 3:
                Write(in, name);
                break;
            case 4:
                SetRaw(in, name);
                break;
            case 5:
                QueryRaw(in, name);
                break;
            case 6:
                Accessors(in);
                break;
            default:
                Keys(in);
                break;
            }
        }
    }

private:
    void Sql(const char* sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            fuzz::Fail(std::string("reset: ") + (error ? error : "?"));
        }
    }

    const TStored* Stored(const std::u16string& name) const {
        const auto it = model_.find(Folded(name));
        return it == model_.end() ? nullptr : &it->second;
    }

    // What a typed read must give: a value, or the message of the exception it raises.
    struct TExpected {
        std::optional<std::string> Value; // the bytes of the result
        std::string Failure;
        bool Open = false; // the choice is the store's (a REG_DWORD shorter than 4 bytes)
    };

    TExpected ExpectFixed(const std::u16string& name, DWORD size, DWORD type,
                          const std::string& fallback) const {
        const TStored* s = Stored(name);
        if (!s) {
            return {fallback, ""};
        }
        if (s->Data.size() > size) {
            return {std::nullopt, GetDataFailed(name)};
        }
        if (s->Type != type || (type == REG_BINARY && s->Data.size() != size)) {
            return {std::nullopt, InvalidType(name)};
        }
        if (s->Data.size() < size) {
            return {std::nullopt, "", true};
        }
        return {s->Data, ""};
    }

    void Read(fuzz::TInput& in, const std::u16string& name) {
        const int kind = in.Byte() % 5;
        const std::string where = "read " + std::to_string(kind) + " of " + fuzz::Show(name);
        TExpected expected;
        std::string got;
        std::string failure;
        try {
            switch (kind) {
            case 0: { // text
                const std::u16string fallback = u"vorgabe";
                expected = {Utf16Bytes(fallback, false), ""};
                if (const TStored* s = Stored(name)) {
                    if (s->Data.empty()) {
                        expected = {std::string(), ""};
                    } else if (s->Type != REG_SZ && s->Type != REG_EXPAND_SZ) {
                        expected = {std::nullopt, InvalidType(name)};
                    } else {
                        std::u16string text;
                        for (std::size_t i = 0; i + 1 < s->Data.size(); i += 2) {
                            const auto unit = static_cast<char16_t>(
                                static_cast<unsigned char>(s->Data[i]) |
                                static_cast<unsigned char>(s->Data[i + 1]) << 8);
                            if (unit == 0) {
                                break;
                            }
                            text += unit;
                        }
                        expected = {Utf16Bytes(text, false), ""};
                    }
                }
                got = Utf16Bytes(store_.ReadStringValue(name, fallback), false);
                break;
            }
            case 1: { // integer
                const auto fallback = static_cast<std::int32_t>(in.Number(4));
                expected = ExpectFixed(name, 4, REG_DWORD, Bytes(fallback));
                got = Bytes(store_.ReadIntegerValue(name, fallback));
                break;
            }
            case 2: { // boolean
                expected = ExpectFixed(name, 4, REG_DWORD, Bytes(std::int32_t{1}));
                if (expected.Value) {
                    expected.Value = Bytes(FromBytes<std::int32_t>(*expected.Value) != 0);
                }
                got = Bytes(store_.ReadBoolValue(name, true));
                break;
            }
            case 3: { // price: the stored double narrowed to single precision
                expected = ExpectFixed(name, 8, REG_BINARY, Bytes(2.5));
                if (expected.Value) {
                    try {
                        expected.Value = Bytes(NarrowToSingle(FromBytes<double>(*expected.Value)));
                    } catch (const EMathError& e) {
                        expected = {std::nullopt, e.what()};
                    }
                }
                got = Bytes(store_.ReadFloatValue(name, 2.5f));
                break;
            }
            default: { // date-time, bit for bit
                expected = ExpectFixed(name, 8, REG_BINARY, Bytes(42005.5));
                got = Bytes(store_.ReadDateTimeValue(name, 42005.5));
                break;
            }
            }
        } catch (const ERegistryException& e) {
            failure = e.what();
            fuzz::Check(failure == GetDataFailed(name) || failure == InvalidType(name),
                        where + ": undocumented message " + failure);
        } catch (const EMathError& e) {
            failure = e.what();
            fuzz::Check(kind == 3 && (failure == "Gleitkomma\u00FCberlauf" ||
                                      failure == "Ung\u00FCltige Gleitkommaoperation"),
                        where + ": floating-point failure " + failure);
        }
        if (expected.Open) {
            return;
        }
        fuzz::Check(failure == expected.Failure,
                    where + ": raised '" + failure + "', expected '" + expected.Failure + "'");
        fuzz::Check(!expected.Value || got == *expected.Value, where + ": wrong value");
    }

    void Write(fuzz::TInput& in, const std::u16string& name) {
        const int kind = in.Byte() % 5;
        TStored stored;
        switch (kind) {
        case 0: {
            const std::string raw = in.Bytes(in.Byte() % 2 ? in.Byte() : in.Number(2) % 3000);
            std::u16string text =
                fuzz::TextFromBytes(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size());
            store_.WriteStringValue(name, text);
            stored = {REG_SZ, Utf16Bytes(text, true)};
            break;
        }
        case 1: {
            const auto value = static_cast<std::int32_t>(in.Number(4));
            store_.WriteIntegerValue(name, value);
            stored = {REG_DWORD, Bytes(value)};
            break;
        }
        case 2: {
            const bool value = in.Byte() & 1;
            store_.WriteBoolValue(name, value);
            stored = {REG_DWORD, Bytes(static_cast<std::int32_t>(value))};
            break;
        }
        case 3: {
            const auto value = FromBytes<float>(Bytes(in.Number(4)));
            store_.WriteFloatValue(name, value);
            stored = {REG_BINARY, Bytes(static_cast<double>(value))};
            break;
        }
        default: {
            const std::uint64_t bits =
                static_cast<std::uint64_t>(in.Number(4)) << 32 | in.Number(4);
            const auto value = FromBytes<double>(Bytes(bits));
            store_.WriteDateTimeValue(name, value);
            stored = {REG_BINARY, Bytes(value)};
            break;
        }
        }
        model_[Folded(name)] = stored;
    }

    HKEY OpenPelwick() {
        HKEY key = 0;
        DWORD disposition = 0;
        const LSTATUS status =
            RegCreateKeyExW(HKEY_CURRENT_USER, RegistryKeyPath.c_str(), 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition);
        fuzz::Check(status == ERROR_SUCCESS, "RegCreateKeyExW: " + std::to_string(status));
        return key;
    }

    // Another program stores any type and any bytes under the name.
    void SetRaw(fuzz::TInput& in, const std::u16string& name) {
        static const DWORD types[] = {REG_NONE,  REG_SZ,       REG_EXPAND_SZ, REG_BINARY,
                                      REG_DWORD, REG_MULTI_SZ, REG_QWORD};
        const std::uint8_t t = in.Byte();
        const DWORD type = t < 0xF0 ? types[t % std::size(types)] : in.Number(4);
        const std::uint8_t s = in.Byte();
        const std::size_t size = s < 0xF0 ? s % 20 : in.Number(2) % 5000;
        std::string data = in.Bytes(size);
        data.resize(size, '\0');
        const HKEY key = OpenPelwick();
        const LSTATUS status = RegSetValueExW(key, name.c_str(), 0, type,
                                              reinterpret_cast<const std::uint8_t*>(data.data()),
                                              static_cast<DWORD>(data.size()));
        fuzz::Check(status == ERROR_SUCCESS, "RegSetValueExW: " + std::to_string(status));
        fuzz::Check(RegCloseKey(key) == ERROR_SUCCESS, "RegCloseKey");
        model_[Folded(name)] = {type, data};
    }

    // A query with any buffer size: the stored bytes, or ERROR_MORE_DATA with the size needed.
    void QueryRaw(fuzz::TInput& in, const std::u16string& name) {
        const std::uint8_t b = in.Byte();
        const bool withBuffer = b & 1;
        DWORD size = b >> 1;
        std::vector<std::uint8_t> buffer(size + 2, 0xCD);
        DWORD type = 0xDEAD;
        const HKEY key = OpenPelwick();
        const LSTATUS status = RegQueryValueExW(key, name.c_str(), nullptr, &type,
                                                withBuffer ? buffer.data() : nullptr, &size);
        RegCloseKey(key);
        const std::string where = "query of " + fuzz::Show(name);
        const TStored* s = Stored(name);
        if (!s) {
            fuzz::Check(status == ERROR_FILE_NOT_FOUND, where + ": " + std::to_string(status));
            return;
        }
        const bool fits = !withBuffer || s->Data.size() <= (b >> 1);
        fuzz::Check(status == (fits ? ERROR_SUCCESS : ERROR_MORE_DATA),
                    where + ": status " + std::to_string(status));
        fuzz::Check(type == s->Type && size == s->Data.size(), where + ": type or size");
        if (withBuffer && fits) {
            fuzz::Check(std::memcmp(buffer.data(), s->Data.data(), s->Data.size()) == 0,
                        where + ": bytes");
        }
        fuzz::Check(buffer[(b >> 1) + 1] == 0xCD, where + ": wrote past the buffer");
    }

    // The fourteen named accessors.
    void Accessors(fuzz::TInput& in) {
        const int which = in.Byte() % 14;
        try {
            switch (which) {
            case 0:
                static_cast<void>(store_.GetCigConsQty());
                break;
            case 1:
                static_cast<void>(store_.GetCigBoxQty());
                break;
            case 2:
                static_cast<void>(store_.GetCigBoxPrice());
                break;
            case 3:
                static_cast<void>(store_.GetUserName());
                break;
            case 4:
                static_cast<void>(store_.GetUserDOB());
                break;
            case 5:
                static_cast<void>(store_.GetUserStopTime());
                break;
            case 6:
                static_cast<void>(store_.GetSetupCompl());
                break;
            case 7: {
                const auto value = static_cast<std::int32_t>(in.Number(4));
                store_.SetCigConsQty(value);
                model_[u"cigconsqty"] = {REG_DWORD, Bytes(value)};
                break;
            }
            case 8: {
                const auto value = static_cast<std::int32_t>(in.Number(4));
                store_.SetCigBoxQty(value);
                model_[u"cigboxqty"] = {REG_DWORD, Bytes(value)};
                break;
            }
            case 9: {
                const auto price = FromBytes<float>(Bytes(in.Number(4)));
                store_.SetCigBoxPrice(price);
                model_[u"cigboxprice"] = {REG_BINARY, Bytes(static_cast<double>(price))};
                break;
            }
            case 10:
                store_.SetUserName(u"Erika");
                model_[u"username"] = {REG_SZ, Utf16Bytes(u"Erika", true)};
                break;
            case 11:
                store_.SetUserDOB(u"1970");
                model_[u"userdob"] = {REG_SZ, Utf16Bytes(u"1970", true)};
                break;
            case 12:
                store_.SetUserStopTime(42005.0);
                model_[u"userstoptime"] = {REG_BINARY, Bytes(42005.0)};
                break;
            default:
                store_.SetSetupCompl(true);
                model_[u"setupcompl"] = {REG_DWORD, Bytes(std::int32_t{1})};
                break;
            }
        } catch (const ERegistryException& e) {
            // Only a getter over a value of the wrong shape may fail; the message was checked
            // above for the generic reads, here it must at least be one of the two.
            const std::string m = e.what();
            fuzz::Check(which < 7 && (m.rfind("Fehler beim Holen der Daten f\u00FCr '", 0) == 0 ||
                                      m.rfind("Ung\u00FCltiger Datentyp f\u00FCr '", 0) == 0),
                        "accessor " + std::to_string(which) + ": " + m);
        } catch (const EMathError& e) {
            fuzz::Check(which == 2, std::string("accessor: ") + e.what());
        }
    }

    // Opening, creating and closing keys by any path, and closing handles that are not open.
    void Keys(fuzz::TInput& in) {
        const std::string raw = in.Bytes(in.Byte() % 40);
        const std::u16string path =
            fuzz::TextFromBytes(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size());
        const std::u16string terminated = path.substr(0, path.find(u'\0'));
        HKEY key = 0;
        const std::uint8_t how = in.Byte();
        LSTATUS status = 0;
        if (how & 1) {
            status = RegCreateKeyExW(HKEY_CURRENT_USER, terminated.c_str(), 0, nullptr, 0,
                                     how & 2 ? KEY_READ : KEY_ALL_ACCESS, nullptr, &key, nullptr);
        } else {
            status = RegOpenKeyExW(HKEY_CURRENT_USER, terminated.c_str(), 0,
                                   how & 2 ? KEY_READ : KEY_ALL_ACCESS, &key);
        }
        if (status == ERROR_SUCCESS) {
            if (how & 4) {
                // A read-only handle must refuse to write; an empty path opens the root itself,
                // whose handle has every right, as on Windows.
                const LSTATUS set =
                    RegSetValueExW(key, u"probe", 0, REG_DWORD,
                                   reinterpret_cast<const std::uint8_t*>("\1\0\0\0"), 4);
                fuzz::Check(!(how & 2) || key == HKEY_CURRENT_USER || set == ERROR_ACCESS_DENIED,
                            "write through a read-only handle: " + std::to_string(set));
                if (set == ERROR_SUCCESS && Folded(terminated) == Folded(RegistryKeyPath)) {
                    model_[u"probe"] = {REG_DWORD, std::string("\1\0\0\0", 4)};
                }
            }
            fuzz::Check(RegCloseKey(key) == ERROR_SUCCESS, "closing an open key");
            fuzz::Check(RegCloseKey(key) == ERROR_INVALID_HANDLE || key == HKEY_CURRENT_USER,
                        "closing a key twice");
        }
        // No handle that the hive hands out is odd.
        fuzz::Check(RegCloseKey(static_cast<HKEY>(in.Number(4)) | 1) == ERROR_INVALID_HANDLE,
                    "closing a handle that was never open");
    }

    std::string folder_;
    sqlite3* db_ = nullptr;
    TSetting store_;
    std::map<std::u16string, TStored> model_;
};

THarness* Harness = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InitializeStartupSettings();
    Harness = new THarness;
    std::atexit([] { delete Harness; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::TInput in(data, size);
    Harness->Run(in);
    return 0;
}
