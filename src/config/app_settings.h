#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace rennik {

// The measurement settings of Rennik.ini and the values derived from them. The derived fields
// are recomputed by the two setters, so they can never disagree with the stored ones.
struct AppSettings {
    // Stored fields, in the order in which they stand in Rennik.ini.
    std::string MeasurePrecision = "1/1000";
    std::int16_t NoInputSeconds = 10;
    std::string AutoMessLap3 = "あと３周でピットインです。";
    std::string AutoMessLap2 = "あと２周でピットインです。";
    std::string AutoMessLap1 = "次の周でピットインしてください。";
    std::string AutoMessEmpty = "はよピットインせんかい！";
    std::int32_t DefaultCheckLaps = 10;

    // Derived fields.
    std::int32_t TicksPerSecond = 1000;
    std::string FractionFormat = "000";
    std::int32_t MsPerTick = 1;
    std::int32_t NoInputTicks = 10000;

    // "1/1000" gives 1000 ticks a second; every other text gives 100.
    void setMeasurePrecision(std::string precision) {
        MeasurePrecision = std::move(precision);
        const bool fine = MeasurePrecision == "1/1000";
        TicksPerSecond = fine ? 1000 : 100;
        FractionFormat = fine ? "000" : "00";
        MsPerTick = fine ? 1 : 10;
        NoInputTicks = NoInputSeconds * TicksPerSecond;
    }
    void setNoInputSeconds(std::int16_t seconds) {
        NoInputSeconds = seconds;
        NoInputTicks = NoInputSeconds * TicksPerSecond;
    }
};

}  // namespace rennik
