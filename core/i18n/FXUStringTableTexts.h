#pragma once

// Raw catalogue rows (UTF-8), indexed [id][language]; only FXUStringTable reads them.

inline constexpr int kLanguageCount = 5;
inline constexpr int kUiTextCount = 130;
inline constexpr int kEventTextCount = 13;
inline constexpr int kAlarmSourceCount = 36;

extern const char* const kUiTextRows[kUiTextCount][kLanguageCount];
extern const char* const kEventTextRows[kEventTextCount][kLanguageCount];
extern const char* const kAlarmSourceRows[kAlarmSourceCount][kLanguageCount];
