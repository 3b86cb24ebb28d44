#include "Unitsetting.h"

#include "conversions/Clock.h"
#include "conversions/FloatingPoint.h"
#include "registry/Registry.h"
#include "runtime/LittleEndian.h"

#include <algorithm>
#include <cmath>
#include <optional>

const std::u16string RegistryKeyPath = u"Software\\Korvenda\\Pelwick";
const std::u16string CigConsQtyName = u"CigConsQty";
const std::u16string CigBoxQtyName = u"CigBoxQty";
const std::u16string CigBoxPriceName = u"CigBoxPrice";
const std::u16string UserNameName = u"UserName";
const std::u16string UserDOBName = u"UserDOB";
const std::u16string UserStopTimeName = u"UserStopTime";
const std::u16string SetupComplName = u"SetupCompl";
const std::u16string HistoryKeyName = u"Verlauf";
const std::u16string NoticesKeyName = u"Meilensteine";

TSetting* Setting = nullptr;

namespace {

// Every operation leaves no key open, also when it raises.
class TKeyCloser {
public:
    explicit TKeyCloser(TRegistry& registry) : registry_(registry) {}
    TKeyCloser(const TKeyCloser&) = delete;
    TKeyCloser& operator=(const TKeyCloser&) = delete;
    ~TKeyCloser() { registry_.CloseKey(); }

private:
    TRegistry& registry_;
};

// Opens a key for a read: with full access, which creates it where it is missing, else for
// reading alone, so that a store that may only be read still shows what it holds.
bool OpenForReading(TRegistry& registry, const std::u16string& path, bool canCreate) {
    if (registry.OpenKey(path, canCreate)) {
        return true;
    }
    struct TAccessBack {
        TRegistry& Registry;
        RegistryApi::REGSAM Access;
        ~TAccessBack() { Registry.Access = Access; }
    } back{registry, registry.Access};
    registry.Access = RegistryApi::KEY_READ;
    return registry.OpenKey(path, false);
}

// A missing value, or a key that cannot be opened, reads as the default.
template <typename T, typename TRead>
T ReadValue(TRegistry& registry, const std::u16string& name, const T& fallback, TRead read) {
    if (!OpenForReading(registry, RegistryKeyPath, true)) {
        return fallback;
    }
    TKeyCloser closer(registry);
    if (!registry.ValueExists(name)) {
        return fallback;
    }
    return read();
}

template <typename TWrite>
void WriteValue(TRegistry& registry, const std::u16string& name, TWrite write) {
    if (!registry.KeyExists(RegistryKeyPath)) {
        registry.CreateKey(RegistryKeyPath);
    }
    // A key that exists but cannot be opened for writing must not pass for a saved value.
    if (!registry.OpenKey(RegistryKeyPath, true)) {
        RaiseWriteFailure(RegistryApi::ERROR_ACCESS_DENIED, name,
                          FormatRegistryMessage(SRegSetDataFailed, name));
    }
    TKeyCloser closer(registry);
    write();
}

const std::u16string HistoryKeyPath = RegistryKeyPath + u"\\" + HistoryKeyName;
const std::u16string NoticesKeyPath = RegistryKeyPath + u"\\" + NoticesKeyName;
const std::u16string NoticesStopName = u"Rauchstopp";
const std::u16string NoticesCountName = u"Gemeldet";

// Opens a subkey for writing, creating it where it is missing.
void OpenSubkeyForWriting(TRegistry& registry, const std::u16string& path,
                          const std::u16string& name) {
    if (!registry.KeyExists(path)) {
        registry.CreateKey(path);
    }
    if (!registry.OpenKey(path, true)) {
        RaiseWriteFailure(RegistryApi::ERROR_ACCESS_DENIED, name,
                          FormatRegistryMessage(SRegSetDataFailed, name));
    }
}
constexpr RegistryApi::DWORD QuitAttemptSize = 24;

std::u16string SlotName(int slot) {
    return {static_cast<char16_t>(u'0' + slot / 10), static_cast<char16_t>(u'0' + slot % 10)};
}

// Totals from 10^18 on are written in exponent form: beyond what the ticker's label shows.
bool Showable(float total) {
    return std::fabs(total) < 1e18F;
}

// None for an attempt that cannot be shown truly: a moment outside the clock's range, an end
// before the start, or totals the label cannot show.
std::optional<TQuitAttempt> Decoded(const std::uint8_t* bytes) {
    const TQuitAttempt attempt{
        LittleEndian::Read<double>(bytes), LittleEndian::Read<double>(bytes + 8),
        LittleEndian::Read<float>(bytes + 16), LittleEndian::Read<float>(bytes + 20)};
    if (!Showable(attempt.CigarettesNotSmoked) || !Showable(attempt.MoneySaved) ||
        !WithinClock(attempt.Start) || !WithinClock(attempt.End) ||
        !(StraightDays(attempt.End) >= StraightDays(attempt.Start))) {
        return std::nullopt;
    }
    return attempt;
}

struct TSlot {
    bool Used = false;
    std::optional<TQuitAttempt> Attempt;
};

// One value of the open history key. Only a registry that cannot be used at all raises.
TSlot ReadSlot(TRegistry& registry, int slot) {
    const std::u16string name = SlotName(slot);
    if (!registry.ValueExists(name)) {
        return {};
    }
    std::uint8_t bytes[QuitAttemptSize] = {};
    try {
        registry.ReadBinaryData(name, bytes, QuitAttemptSize);
    } catch (const ERegistryUnavailable&) {
        throw;
    } catch (const ERegistryException&) {
        return {true, std::nullopt};
    }
    return {true, Decoded(bytes)};
}

} // namespace

TSetting::TSetting() : Registry(std::make_unique<TRegistry>()) {}

TSetting::~TSetting() = default;

std::u16string TSetting::ReadStringValue(const std::u16string& name,
                                         const std::u16string& fallback) {
    return ReadValue(*Registry, name, fallback, [&] { return Registry->ReadString(name); });
}

std::int32_t TSetting::ReadIntegerValue(const std::u16string& name, const std::int32_t& fallback) {
    return ReadValue(*Registry, name, fallback, [&] { return Registry->ReadInteger(name); });
}

float TSetting::ReadFloatValue(const std::u16string& name, const float& fallback) {
    const double stored = ReadValue(*Registry, name, static_cast<double>(fallback),
                                    [&] { return Registry->ReadFloat(name); });
    return NarrowToSingle(stored);
}

bool TSetting::ReadBoolValue(const std::u16string& name, const bool& fallback) {
    return ReadValue(*Registry, name, fallback, [&] { return Registry->ReadBool(name); });
}

TDateTime TSetting::ReadDateTimeValue(const std::u16string& name, const TDateTime& fallback) {
    return ReadValue(*Registry, name, fallback, [&] { return Registry->ReadDateTime(name); });
}

void TSetting::WriteStringValue(const std::u16string& name, const std::u16string& value) {
    WriteValue(*Registry, name, [&] { Registry->WriteString(name, value); });
}

void TSetting::WriteIntegerValue(const std::u16string& name, const std::int32_t& value) {
    WriteValue(*Registry, name, [&] { Registry->WriteInteger(name, value); });
}

void TSetting::WriteFloatValue(const std::u16string& name, const float& value) {
    WriteValue(*Registry, name, [&] { Registry->WriteFloat(name, static_cast<double>(value)); });
}

void TSetting::WriteBoolValue(const std::u16string& name, const bool& value) {
    WriteValue(*Registry, name, [&] { Registry->WriteBool(name, value); });
}

void TSetting::WriteDateTimeValue(const std::u16string& name, const TDateTime& value) {
    WriteValue(*Registry, name, [&] { Registry->WriteDateTime(name, value); });
}

std::int32_t TSetting::GetCigConsQty() {
    return ReadIntegerValue(CigConsQtyName, 0);
}
void TSetting::SetCigConsQty(const std::int32_t& value) {
    WriteIntegerValue(CigConsQtyName, value);
}
std::int32_t TSetting::GetCigBoxQty() {
    return ReadIntegerValue(CigBoxQtyName, 0);
}
void TSetting::SetCigBoxQty(const std::int32_t& value) {
    WriteIntegerValue(CigBoxQtyName, value);
}
float TSetting::GetCigBoxPrice() {
    return ReadFloatValue(CigBoxPriceName, 0.0f);
}
void TSetting::SetCigBoxPrice(const float& value) {
    WriteFloatValue(CigBoxPriceName, value);
}
std::u16string TSetting::GetUserName() {
    return ReadStringValue(UserNameName, std::u16string());
}
void TSetting::SetUserName(const std::u16string& value) {
    WriteStringValue(UserNameName, value);
}
std::u16string TSetting::GetUserDOB() {
    return ReadStringValue(UserDOBName, std::u16string());
}
void TSetting::SetUserDOB(const std::u16string& value) {
    WriteStringValue(UserDOBName, value);
}
TDateTime TSetting::GetUserStopTime() {
    return ReadDateTimeValue(UserStopTimeName, 0.0);
}
void TSetting::SetUserStopTime(const TDateTime& value) {
    WriteDateTimeValue(UserStopTimeName, value);
}
bool TSetting::GetSetupCompl() {
    return ReadBoolValue(SetupComplName, false);
}
void TSetting::SetSetupCompl(const bool& value) {
    WriteBoolValue(SetupComplName, value);
}

TQuitHistory TSetting::GetQuitHistory() {
    TQuitHistory history;
    // Opened without creating: reading the history leaves the registry as it was.
    if (!OpenForReading(*Registry, HistoryKeyPath, false)) {
        history.KeyUnreadable = Registry->KeyExists(HistoryKeyPath);
        return history;
    }
    TKeyCloser closer(*Registry);
    for (int slot = 0; slot < QuitHistoryCapacity; ++slot) {
        const TSlot read = ReadSlot(*Registry, slot);
        if (read.Attempt) {
            history.Attempts.push_back(*read.Attempt);
        } else if (read.Used) {
            ++history.Unreadable;
        }
    }
    std::stable_sort(history.Attempts.begin(), history.Attempts.end(),
                     [](const TQuitAttempt& a, const TQuitAttempt& b) {
                         return a.End != b.End ? a.End > b.End : a.Start > b.Start;
                     });
    return history;
}

void TSetting::AddQuitAttempt(const TQuitAttempt& attempt) {
    OpenSubkeyForWriting(*Registry, HistoryKeyPath, HistoryKeyName);
    TKeyCloser closer(*Registry);
    int same = -1;
    int free = -1;
    int damaged = -1;
    int oldest = 0;
    std::optional<TQuitAttempt> oldestAttempt;
    for (int slot = 0; slot < QuitHistoryCapacity && same < 0; ++slot) {
        const TSlot read = ReadSlot(*Registry, slot);
        if (!read.Used) {
            free = free < 0 ? slot : free;
        } else if (!read.Attempt) {
            damaged = damaged < 0 ? slot : damaged;
        } else if (read.Attempt->Start == attempt.Start) {
            same = slot;
        } else if (!oldestAttempt || read.Attempt->End < oldestAttempt->End ||
                   (read.Attempt->End == oldestAttempt->End &&
                    read.Attempt->Start < oldestAttempt->Start)) {
            oldest = slot;
            oldestAttempt = read.Attempt;
        }
    }
    // An attempt of the same start is this one kept before: by another running copy, or by a
    // relapse that was cut off before it moved the stop moment on.
    const int slot = same >= 0 ? same : free >= 0 ? free : damaged >= 0 ? damaged : oldest;
    std::uint8_t bytes[QuitAttemptSize];
    LittleEndian::Write(attempt.Start, bytes);
    LittleEndian::Write(attempt.End, bytes + 8);
    LittleEndian::Write(attempt.CigarettesNotSmoked, bytes + 16);
    LittleEndian::Write(attempt.MoneySaved, bytes + 20);
    Registry->WriteBinaryData(SlotName(slot), bytes, QuitAttemptSize);
}

std::optional<TMilestonesTold> TSetting::GetMilestonesTold() {
    if (!OpenForReading(*Registry, NoticesKeyPath, false)) {
        return std::nullopt;
    }
    TKeyCloser closer(*Registry);
    if (!Registry->ValueExists(NoticesStopName) || !Registry->ValueExists(NoticesCountName)) {
        return std::nullopt;
    }
    try {
        const TMilestonesTold told{Registry->ReadDateTime(NoticesStopName),
                                   Registry->ReadInteger(NoticesCountName)};
        if (!WithinClock(told.Stop) || told.Count < 0) {
            return std::nullopt;
        }
        return told;
    } catch (const ERegistryUnavailable&) {
        throw;
    } catch (const ERegistryException&) {
        return std::nullopt;
    }
}

void TSetting::SetMilestonesTold(const TMilestonesTold& told) {
    OpenSubkeyForWriting(*Registry, NoticesKeyPath, NoticesKeyName);
    TKeyCloser closer(*Registry);
    Registry->WriteDateTime(NoticesStopName, told.Stop);
    Registry->WriteInteger(NoticesCountName, told.Count);
}
