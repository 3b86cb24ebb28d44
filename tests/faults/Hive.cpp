#include "Hive.h"

#include "runtime/Text.h"

#include <sqlite3.h>

#include <cstdlib>
#include <stdexcept>

namespace faults {

std::string HiveFolder(const std::string& config) {
    return config + "/pelwick";
}
std::string HiveFile(const std::string& config) {
    return HiveFolder(config) + "/hkcu.sqlite3";
}

std::vector<std::string> Sql(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        throw std::runtime_error(file + ": " + message);
    }
    std::vector<std::string> rows;
    char* error = nullptr;
    const int rc = sqlite3_exec(
        db, sql.c_str(),
        [](void* out, int columns, char** values, char**) {
            static_cast<std::vector<std::string>*>(out)->push_back(
                columns > 0 && values[0] ? values[0] : "NULL");
            return 0;
        },
        &rows, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK) {
        throw std::runtime_error(file + ": " + sql + ": " + message);
    }
    return rows;
}

std::vector<std::string> GetAllOps() {
    return {"get:CigConsQty", "get:CigBoxQty",    "get:CigBoxPrice", "get:UserName",
            "get:UserDOB",    "get:UserStopTime", "get:SetupCompl"};
}

bool ParseValues(const std::vector<std::string>& lines, TValues& v, std::string& error) {
    const std::vector<std::string> names = GetAllOps();
    if (lines.size() != names.size() + 1 || lines.back() != "done") {
        error = "unexpected answer";
        return false;
    }
    for (std::size_t k = 0; k < names.size(); ++k) {
        const std::string prefix = names[k].substr(4) + "=";
        if (lines[k].rfind(prefix, 0) != 0) {
            error = lines[k];
            return false;
        }
        const std::string value = lines[k].substr(prefix.size());
        switch (k) {
        case 0:
            v.CigConsQty = std::stoi(value);
            break;
        case 1:
            v.CigBoxQty = std::stoi(value);
            break;
        case 2:
            v.CigBoxPrice = static_cast<float>(std::strtod(value.c_str(), nullptr));
            break;
        case 3:
            v.UserName = FromUtf8(value);
            break;
        case 4:
            v.UserDOB = FromUtf8(value);
            break;
        case 5:
            v.UserStopTime = std::strtod(value.c_str(), nullptr);
            break;
        default:
            v.SetupCompl = value == "1";
            break;
        }
    }
    return true;
}

} // namespace faults
