#pragma once

// The settings store: the user's seven settings, one registry value each, read and written
// one at a time with no cache (another copy of the program may change them at any moment).

#include "conversions/Types.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

// The quit attempts kept after a relapse, in the subkey Verlauf of the settings key, one
// REG_BINARY value of 24 bytes each (little-endian): the start and the end as date-time
// doubles, then the cigarettes not smoked and the money saved as single-precision floats.
// The values are named "00" to "99": at most 100 attempts, a new one replacing the oldest.
// Values of other names are left alone and not counted.
extern const std::u16string HistoryKeyName; // u"Verlauf"
inline constexpr int QuitHistoryCapacity = 100;

struct TQuitAttempt {
    TDateTime Start = 0;
    TDateTime End = 0;
    float CigarettesNotSmoked = 0;
    float MoneySaved = 0;
    bool operator==(const TQuitAttempt&) const = default;
};

struct TQuitHistory {
    // Newest first (by their end).
    std::vector<TQuitAttempt> Attempts;
    // Values of another type or size, with a moment outside the clock's range, an end before
    // the start, or totals the ticker's label cannot show.
    int Unreadable = 0;
    // The subkey exists but cannot be opened.
    bool KeyUnreadable = false;
};

// What the milestone notices have told, in the subkey Meilensteine of the settings key: the stop
// moment the count belongs to (the date-time value "Rauchstopp") and how many milestones of the
// timeline, from the first, were told or passed over (the integer value "Gemeldet").
extern const std::u16string NoticesKeyName; // u"Meilensteine"

struct TMilestonesTold {
    TDateTime Stop = 0;
    std::int32_t Count = 0;
    bool operator==(const TMilestonesTold&) const = default;
};

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

    // The attempts kept so far; a damaged value is counted, never raised. Only a registry that
    // cannot be used at all raises (ERegistryUnavailable). The seven values are not touched.
    TQuitHistory GetQuitHistory();
    // Keeps an attempt: in place of one kept with the same start, else in a free value, else in
    // place of a damaged one, else of the oldest.
    void AddQuitAttempt(const TQuitAttempt& attempt);

    // None where nothing was kept yet or what was kept cannot be read; only a registry that
    // cannot be used at all raises. Reading creates nothing.
    std::optional<TMilestonesTold> GetMilestonesTold();
    void SetMilestonesTold(const TMilestonesTold& told);

private:
    std::unique_ptr<TRegistry> Registry;
};

// The one store of the run: created by the ticker's constructor, never deleted.
extern TSetting* Setting;
