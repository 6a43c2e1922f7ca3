#pragma once

#include "core/database/Filing.h"
#include "core/database/MachineDatabase.h"
#include "core/database/MachineFilter.h"
#include "ui/MachineDirectory.h"

#include <QScrollArea>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class Prompts;
class QLabel;
class QMdiArea;
class TDBMower;

// The machine list: the left panel's scrolling area of tiles, one per machine of the database it shows.
// Sorts and places the tiles, opens the machines' windows, writes the database's log lines and tells the
// dealer what its operations could not do; saves the opened machines at the end.
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

    // Loads the database of that folder (an empty text: the current one) and makes a tile per machine;
    // the report's lines are in the event log. Ends the program, after a message, when memory runs out.
    MachineDatabase::LoadReport LoadDatabase(const std::string& directory);

    bool sortByName() const { return sortByName_; }
    void setSortByName(bool byName) { sortByName_ = byName; }
    void SortByName();
    void SortByMachineId();
    // Sorts, places the tiles row by row across the visible width and scrolls back to the top. A later
    // change of that width places the tiles again in the same order.
    void Arrange() override;
    // Shows only the machines the filter keeps, in the same order; a filter that keeps none says so.
    void setFilter(MachineFilter filter);
    int shownCount() const { return shown_; }
    bool filtered() const { return filter_.active(); }

    // False, after an error box, when another machine's entry uses the machine's file: its serial number
    // changed since the file was named. A file there that no entry loaded is renamed to path + ".old" first.
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
    // Tiles for the machines the database gained without this list (a synchronisation brought them).
    void AddNewTiles();
    // The machine changed without this list (a synchronisation wrote it): its tile is drawn again, records
    // that came are shown in its open window, and a machine new to the list gets its tile (placed soon, once
    // for many).
    void MachineChanged(MachineEntry& entry, const std::vector<FXULogTime>& added);

    const std::vector<TDBMower*>& entries() const { return entries_; } // display order
    MachineDatabase& database() { return database_; }
    const std::string& directory() const { return database_.directory(); }
    // Where records whose machine file cannot be written are kept as history files; none when empty.
    void setUnsavedFolder(std::string folder) { database_.setUnsavedFolder(std::move(folder)); }
    const std::string& unsavedFolder() const { return database_.unsavedFolder(); }
    std::string PathFor(std::uint32_t serialNumber) const { return database_.PathFor(serialNumber); }
    static void Log(const std::vector<std::string>& lines); // into the event log, in order
    QMdiArea* mdiArea() const { return mdiArea_; }
    Prompts& prompts() const { return prompts_; }
    // Pictures are kept for the tiles drawn last only: scrolling through a large database must not leave
    // a picture behind for every machine.
    static constexpr std::size_t kTilePicturesKept = 384;
    void tileDrawn(const TDBMower* tile);
    void tileGone(const TDBMower* tile);

signals:
    // Machine files and history files dropped onto the list; sent after the drop has
    // ended, so that the imports they start may ask the user without holding the drag source up.
    void filesDropped(const QStringList& paths);
    // After the tiles were placed: how many the filter left, of how many.
    void shownChanged(int shown, int total);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool viewportEvent(QEvent* event) override;
    void clear();
    TDBMower* addTile(MachineEntry& entry);
    TDBMower* tileOf(const MachineEntry* entry) const;
    // repaint: the tiles' texts are taken again (an owner edit may have changed them).
    void arrange(bool repaint);
    void placeTiles(bool repaint);
    [[noreturn]] void outOfMemory();

    QMdiArea* mdiArea_;
    Prompts& prompts_;
    QWidget* canvas_; // holds the tiles at their computed places
    MachineDatabase database_;
    std::vector<TDBMower*> entries_; // children of canvas_, in the database's order
    std::unordered_map<const MachineEntry*, TDBMower*> tiles_;
    std::deque<const TDBMower*> drawn_; // the tiles holding a picture, the oldest drawn first
    // Layout cursor. Wider than 16 bits: a long single column would otherwise wrap onto its first tiles.
    int x_ = 0;
    int y_ = 0;
    int placedWidth_ = -1; // the visible width the tiles were last placed for
    bool sortByName_ = true;
    MachineFilter filter_;
    std::vector<std::string> searchKeys_; // of entries_, in their order; made while a filter is set
    int shown_ = 0;
    QLabel* noneFound_; // over the viewport while the filter leaves no machine
    bool arrangePending_ = false;
};
