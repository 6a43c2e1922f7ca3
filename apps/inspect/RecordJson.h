#pragma once

#include <nlohmann/json.hpp>

class FXULog;
class FXUMowerLog;

// What orvane-inspect prints: records and machines as JSON, texts in the catalogue's current language
// converted from Windows-1252 to UTF-8.
class RecordJson {
public:
    static nlohmann::ordered_json record(const FXULog& record);
    static nlohmann::ordered_json machine(const FXUMowerLog& machine);
};
