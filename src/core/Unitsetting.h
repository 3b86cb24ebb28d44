#pragma once

// The settings store: the user's seven settings, one registry value each, read and written
// one at a time with no cache (another copy of the program may change them at any moment).

#include "conversions/Types.h"

#include <cstdint>
#include <memory>
#include <string>

class TRegistry;

// Built once at start-up, before any TSetting exists.
extern const std::u16string RegistryKeyPath; // u"Software\\Korvenda\\Pelwick"
extern const std::u16string CigConsQtyName;
extern const std::u16string CigBoxQtyName;
extern const std::u16string CigBoxPriceName;
extern const std::u16string UserNameName;
extern const std::u16string UserDOBName;
extern const std::u16string UserStopTimeName;
extern const std::u16string SetupComplName;

class TSetting {
public:
    TSetting();
    ~TSetting();
    TSetting(const TSetting&) = delete;
    TSetting& operator=(const TSetting&) = delete;

    std::u16string ReadStringValue(const std::u16string& name, const std::u16string& fallback);
    std::int32_t ReadIntegerValue(const std::u16string& name, const std::int32_t& fallback);
    float ReadFloatValue(const std::u16string& name, const float& fallback);
    bool ReadBoolValue(const std::u16string& name, const bool& fallback);
    TDateTime ReadDateTimeValue(const std::u16string& name, const TDateTime& fallback);

    void WriteStringValue(const std::u16string& name, const std::u16string& value);
    void WriteIntegerValue(const std::u16string& name, const std::int32_t& value);
    void WriteFloatValue(const std::u16string& name, const float& value);
    void WriteBoolValue(const std::u16string& name, const bool& value);
    void WriteDateTimeValue(const std::u16string& name, const TDateTime& value);

    std::int32_t GetCigConsQty();
    void SetCigConsQty(const std::int32_t& value);
    std::int32_t GetCigBoxQty();
    void SetCigBoxQty(const std::int32_t& value);
    float GetCigBoxPrice();
    void SetCigBoxPrice(const float& value);
    std::u16string GetUserName();
    void SetUserName(const std::u16string& value);
    std::u16string GetUserDOB();
    void SetUserDOB(const std::u16string& value);
    TDateTime GetUserStopTime();
    void SetUserStopTime(const TDateTime& value);
    bool GetSetupCompl();
    void SetSetupCompl(const bool& value);

private:
    std::unique_ptr<TRegistry> Registry;
};

// The one store of the run: created by the ticker's constructor, never deleted.
extern TSetting* Setting;
