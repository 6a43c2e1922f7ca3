#pragma once

#include <string>

// Where the program file lies: its settings and its event log are kept beside it, named like it.
class ProgramFile {
public:
    static std::string executablePath();
    // "/opt/osk/tool.exe" + ".INI" -> "/opt/osk/tool.INI"; a name without extension gets it appended.
    static std::string withExtension(const std::string& programPath, const std::string& extension);
};
