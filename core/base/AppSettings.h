#pragma once

#include "core/base/IniFile.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

// The program's ten settings in its INI file, with their sections, keys and defaults. Reads go to the
// file each time; the start-up reads them once and the close writes them once.
class AppSettings {
public:
    explicit AppSettings(const std::string& iniPath) : ini_(iniPath) {}

    const std::string& FileName() const { return ini_.FileName(); }
    // Why the file is there but cannot be read (no regular file, too large, no permission); nothing when it
    // can be, or is simply absent. Every key then takes its default and no write replaces the file.
    std::optional<std::string> ReadProblem() const;

    int Height() const { return ini_.ReadInteger("MainForm", "Height", 775); }
    int Width() const { return ini_.ReadInteger("MainForm", "Width", 668); }
    int Top() const { return ini_.ReadInteger("MainForm", "Top", 130); }
    int Left() const { return ini_.ReadInteger("MainForm", "Left", 200); }
    // Only the low 8 bits count, so 257 selects French (1), like 1 itself.
    std::uint8_t Language() const {
        return static_cast<std::uint8_t>(ini_.ReadInteger("GENERAL", "LANGUAGE", 1));
    }
    bool SortByName() const { return ini_.ReadBool("GENERAL", "SORTBYNAME", false); }
    std::string DbPath() const { return ini_.ReadString("FILEPATH", "DBPATH", ""); }
    bool AutoCom() const { return ini_.ReadBool("COM", "AUTO", true); }
    std::string Port() const { return ini_.ReadString("COM", "PORT", ""); }
    // The folder the file dialogs last chose from. A section of its own: older settings files lack it.
    std::string LastFolder() const { return ini_.ReadString("DIALOGS", "LASTFOLDER", ""); }
    // The central store as a libpq connection string or URI (no password: libpq's own password file
    // holds it); none when empty. The workshop's name goes with every change it makes there.
    std::string CentralStore() const { return ini_.ReadString("CENTRAL", "STORE", ""); }
    std::string Workshop() const { return ini_.ReadString("CENTRAL", "WORKSHOP", ""); }

    void SetHeight(int value) { ini_.WriteInteger("MainForm", "Height", value); }
    void SetWidth(int value) { ini_.WriteInteger("MainForm", "Width", value); }
    void SetTop(int value) { ini_.WriteInteger("MainForm", "Top", value); }
    void SetLeft(int value) { ini_.WriteInteger("MainForm", "Left", value); }
    void SetLanguage(std::uint8_t value) { ini_.WriteInteger("GENERAL", "LANGUAGE", value); }
    void SetSortByName(bool value) { ini_.WriteBool("GENERAL", "SORTBYNAME", value); }
    // Written only when an installed program makes its own database folder at the first start.
    void SetDbPath(const std::string& value) { ini_.WriteString("FILEPATH", "DBPATH", value); }
    void SetAutoCom(bool value) { ini_.WriteBool("COM", "AUTO", value); }
    void SetPort(const std::string& value) { ini_.WriteString("COM", "PORT", value); }
    void SetLastFolder(const std::string& value) { ini_.WriteString("DIALOGS", "LASTFOLDER", value); }

    // The workshop a service report names; an INI line holds no line break, so the address is kept as one
    // key per line (ADDRESS1 ..).
    static constexpr int kWorkshopAddressLines = 4;
    std::string WorkshopName() const { return ini_.ReadString("WORKSHOP", "NAME", ""); }
    std::string WorkshopAddress() const {
        std::string address;
        for (int line = 1; line <= kWorkshopAddressLines; ++line) {
            const std::string text = ini_.ReadString("WORKSHOP", "ADDRESS" + std::to_string(line), "");
            if (!text.empty())
                address += (address.empty() ? "" : "\n") + text;
        }
        return address;
    }
    void SetWorkshop(const std::string& name, const std::string& address) {
        ini_.WriteString("WORKSHOP", "NAME", name);
        std::size_t at = 0;
        for (int line = 1; line <= kWorkshopAddressLines; ++line) {
            const std::size_t end = at < address.size() ? address.find('\n', at) : std::string::npos;
            // The last key takes what is left, its line breaks as blanks.
            std::string text = at >= address.size() ? std::string()
                               : line == kWorkshopAddressLines || end == std::string::npos
                                   ? address.substr(at)
                                   : address.substr(at, end - at);
            if (line == kWorkshopAddressLines)
                std::replace(text.begin(), text.end(), '\n', ' ');
            ini_.WriteString("WORKSHOP", "ADDRESS" + std::to_string(line), text);
            at = end == std::string::npos ? address.size() : end + 1;
        }
    }

private:
    IniFile ini_;
};
