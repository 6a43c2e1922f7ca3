#pragma once

#include "core/database/FXUCheckDir.h"
#include "core/database/Filing.h"
#include "core/database/MachineDirectory.h"

#include <QScrollArea>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Prompts;
class QMdiArea;
class TDBMower;

// The machine list: the left panel's scrolling area of tiles, one per machine of the database. Loads the
// database, sorts and places the tiles, finds machines, files records into them, creates machines and
// saves the opened ones at the end.
class TDBMowerList : public QScrollArea, public MachineDirectory {
    Q_OBJECT
public:
    static constexpr int kTileWidth = 95;
    static constexpr int kTileHeight = 100;
    static constexpr int kColumnStep = 105;

    // Machine windows open in mdiArea (without one they open as windows of their own); prompts carries the
    // messages of exports and windows.
    TDBMowerList(QMdiArea* mdiArea, Prompts& prompts, QWidget* parent = nullptr);
    ~TDBMowerList() override;

    // Loads every machine the directory's check file names, then every valid machine file of the folder
    // that it does not name (entering those in it again). FXUDBFC_error, once that is done, when the check
    // file is missing or damaged (the list then holds only the machines found, and can still take new
    // ones). An empty directory text means the current directory.
    bool LoadDatabase(const std::string& directory);

    bool sortByName() const { return sortByName_; }
    void setSortByName(bool byName) { sortByName_ = byName; }
    void SortByName();
    void SortByMachineId();
    // Sorts, places the tiles row by row across the visible width and scrolls back to the top. A later
    // change of that width places the tiles again in the same order.
    void Arrange() override;

    // False, after an error box, when another machine's entry uses that file: its serial number changed
    // since the file was named. A file there that no entry loaded is renamed to path + ".old" first.
    bool AddMachine(std::unique_ptr<FXUMowerLog> machine, const std::string& path);
    bool CreateMachine(std::unique_ptr<FXUMowerLog> machine) override;
    // Files the record into the first machine (display order) with its serial number and opens that
    // machine's window; takes the record only when it was filed. False when no machine has the serial.
    // Nothing when no machine has the record's serial number; a duplicate counts as filed.
    std::optional<Filing> InsertRecordBySerial(std::unique_ptr<FXULog>& record);
    bool InsertRecordByMachineNumber(const std::string& machineNumberText,
                                     std::unique_ptr<FXULog>& record) override;
    bool SaveMachine(FXUMowerLog& machine) override;
    std::vector<std::string> MachineNumberList() const override;
    bool MachineExists(std::uint8_t typeCode, std::uint8_t year, std::uint8_t factoryFlag,
                       std::int32_t machineNumber) const override;
    TDBMower* FindBySerial(std::uint32_t serialNumber) const;
    TDBMower* FindByIdentity(std::uint8_t typeCode, std::uint8_t year, std::uint8_t factoryFlag,
                             std::int32_t machineNumber) const;
    // Saves every machine whose window was opened. When a file cannot be written the user chooses: try
    // again, close without it, or cancel: false at once, the program stays and nothing is lost.
    bool SaveAll();

    const std::vector<TDBMower*>& entries() const { return entries_; } // display order
    const std::string& directory() const { return directory_; }
    // Where records whose machine file cannot be written are kept as history files; none when empty.
    void setUnsavedFolder(std::string folder) { unsavedFolder_ = std::move(folder); }
    const std::string& unsavedFolder() const { return unsavedFolder_; }
    std::string PathFor(std::uint32_t serialNumber) const; // directory + "/" + "0001A2F3.dat"
    QMdiArea* mdiArea() const { return mdiArea_; }
    Prompts& prompts() const { return prompts_; }

signals:
    // Machine files and history files dropped onto the list; sent after the drop has
    // ended, so that the imports they start may ask the user without holding the drag source up.
    void filesDropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool viewportEvent(QEvent* event) override;
    void clear();
    void addUnlistedMachines();
    void placeTiles(bool repaint);
    static void keepAside(const std::string& path);
    [[noreturn]] void outOfMemory();

    QMdiArea* mdiArea_;
    Prompts& prompts_;
    QWidget* canvas_;                // holds the tiles at their computed places
    std::vector<TDBMower*> entries_; // children of canvas_
    std::unique_ptr<FXUCheckDir> checker_;
    std::string directory_;
    std::string unsavedFolder_;
    // Layout cursor. Wider than 16 bits: a long single column would otherwise wrap onto its first tiles.
    int x_ = 0;
    int y_ = 0;
    int placedWidth_ = -1; // the visible width the tiles were last placed for
    bool sortByName_ = true;
};
