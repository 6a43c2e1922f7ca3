#pragma once

#include "core/base/CLogger.h"
#include "core/i18n/FXUStringTable.h"

#include <gtest/gtest.h>
#include <ios>
#include <string>
#include <vector>

// The event log and the catalogue are process-wide; each test leaves them as it found them: not there.
// Destroying the log writes it (and says so on standard output), which a test does not want to see.
inline void releaseEventLog() {
    testing::internal::CaptureStdout();
    try {
        CLogger::destroyInstance();
    } catch (const std::ios_base::failure&) {
        // A test's log may point nowhere writable; its entries are of no use afterwards.
    }
    testing::internal::GetCapturedStdout();
}

inline void releaseSharedState() {
    releaseEventLog();
    FXUStringTable::destroyInstance();
}

// The texts of the event log's entries, oldest first.
inline std::vector<std::string> eventLogTexts() {
    std::vector<std::string> texts;
    for (const LogEntry& entry : CLogger::getInstance()->entries())
        texts.push_back(entry.text);
    return texts;
}
