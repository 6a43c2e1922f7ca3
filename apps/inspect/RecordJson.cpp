#include "apps/inspect/RecordJson.h"

#include "core/history/FXULog.h"
#include "core/history/FXUMowerLog.h"
#include "core/i18n/Cp1252.h"

#include <cstdio>

using nlohmann::ordered_json;

namespace {

std::string hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::string utf8(const std::string& windows1252) {
    return cp1252::toUtf8(windows1252);
}

} // namespace

ordered_json RecordJson::record(const FXULog& r) {
    ordered_json j;
    j["time"] = r.logTime().isoText();
    j["identBytes"] = r.identBytes();
    j["extBytes"] = r.hasExtBytes() ? ordered_json(r.extBytes()) : ordered_json(nullptr);
    j["serialNumber"] = hex(r.serialNumber(), 8);
    j["firmwareVersion"] = hex(r.firmwareVersion(), 8);
    j["typeByte"] = hex(r.typeByte(), 2);
    j["bootloaderVersion"] = hex(r.bootloaderVersion(), 2);
    j["layout"] = r.layout();
    j["zones"] = r.zoneCount();
    j["shownParameters"] = r.shownParameterCount();

    ordered_json parameters = ordered_json::array();
    for (int k = 0; k < r.shownParameterCount(); ++k) {
        ordered_json perZone = ordered_json::array();
        for (int z = 0; z < r.zoneCount(); ++z)
            perZone.push_back(r.parameter(k, z));
        parameters.push_back(perZone);
    }
    j["parameters"] = parameters;

    ordered_json statistics = ordered_json::array();
    for (int i = 0; i < FXULog::kStatistics; ++i)
        statistics.push_back(r.statistic(i));
    j["statistics"] = statistics;

    ordered_json system = ordered_json::array();
    for (int i = 0; i < r.systemParameterCount(); ++i)
        system.push_back(r.systemParameter(i));
    j["systemParameters"] = system;
    j["recordLanguage"] = utf8(r.recordLanguageText());

    ordered_json sleep = ordered_json::array();
    for (int i = 0; i < r.sleepEntryTotal(); ++i) {
        const FXUSleepEntry e = r.sleepEntry(i);
        sleep.push_back({e.start, e.end, e.mask});
    }
    j["sleepEntries"] = sleep;

    ordered_json options = ordered_json::array();
    for (int slot = 0; slot < FXULog::kOptionSlots; ++slot) {
        if (!r.optionPresent(slot))
            continue;
        ordered_json values = ordered_json::array();
        const int zones = r.optionPerZone(slot) ? r.zoneCount() : 1;
        for (int z = 0; z < zones; ++z)
            values.push_back(r.optionValue(slot, z));
        ordered_json option;
        option["slot"] = "O" + std::string(slot < 10 ? "00" : "0") + std::to_string(slot);
        option["label"] = utf8(r.optionLabel(slot));
        option["perZone"] = r.optionPerZone(slot);
        option["values"] = values;
        options.push_back(option);
    }
    j["options"] = options;
    j["globalOptionCount"] = r.globalOptionCount();
    j["zoneOptionCount"] = r.zoneOptionCount();

    ordered_json events = ordered_json::array();
    for (int i = 0; i < r.eventCount(); ++i) {
        const FXUEventEntry e = r.event(i);
        ordered_json event;
        event["time"] = e.timeText();
        event["code"] = e.code;
        event["text"] = utf8(e.text(r.typeByte()));
        event["extraB"] = e.extraB;
        event["fu1"] = e.fu1;
        event["fu2"] = e.fu2;
        events.push_back(event);
    }
    j["events"] = events;
    j["extraBlock"] = r.hasExtraBlock() ? ordered_json(r.extraBlock()) : ordered_json(nullptr);
    j["comment"] = utf8(r.comment());
    return j;
}

ordered_json RecordJson::machine(const FXUMowerLog& m) {
    ordered_json j;
    j["serialNumber"] = hex(m.serialNumber(), 8);
    j["typeCode"] = m.typeCode();
    j["year"] = m.year();
    j["machineNumber"] = m.machineNumber();
    j["factoryFlag"] = m.factoryFlag();
    j["machineNumberText"] = utf8(m.MachineNumberText());
    j["name"] = utf8(m.name());
    j["firstName"] = utf8(m.firstName());
    j["address"] = utf8(m.address());
    ordered_json records = ordered_json::array();
    for (const auto& [time, record] : m.records())
        records.push_back(RecordJson::record(*record));
    j["records"] = records;
    return j;
}
