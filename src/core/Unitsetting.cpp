#include "Unitsetting.h"

#include "conversions/FloatingPoint.h"
#include "registry/Registry.h"

const std::u16string RegistryKeyPath = u"Software\\Korvenda\\Pelwick";
const std::u16string CigConsQtyName = u"CigConsQty";
const std::u16string CigBoxQtyName = u"CigBoxQty";
const std::u16string CigBoxPriceName = u"CigBoxPrice";
const std::u16string UserNameName = u"UserName";
const std::u16string UserDOBName = u"UserDOB";
const std::u16string UserStopTimeName = u"UserStopTime";
const std::u16string SetupComplName = u"SetupCompl";

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

// A missing value, or a key that cannot be opened with full access, reads as the default.
template <typename T, typename TRead>
T ReadValue(TRegistry& registry, const std::u16string& name, const T& fallback, TRead read) {
    if (!registry.OpenKey(RegistryKeyPath, true)) {
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
        throw ERegistryException(FormatRegistryMessage(SRegSetDataFailed, name));
    }
    TKeyCloser closer(registry);
    write();
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
