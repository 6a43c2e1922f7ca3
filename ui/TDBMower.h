#pragma once

#include "core/database/Filing.h"
#include "core/database/MachineDatabase.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMdiSubWindow;
class QMenu;
class TChildForm;
class TDBMowerList;

// The tile of one machine of the database in the machine list (picture, owner name, machine number,
// serial number), and the way to its window: a click opens it.
class TDBMower : public QWidget {
    Q_OBJECT
public:
    TDBMower(MachineEntry& entry, TDBMowerList& list, QWidget* parent);
    ~TDBMower() override;

    struct Merged {
        std::size_t added = 0;
        bool saved = true;
    };

    void BuildTile();
    void RefreshTile();
    void OpenWindow();
    // Files the record; takes it only when it is no duplicate. The machine file is written at once, so a
    // record survives whatever happens to the program afterwards.
    Filing InsertRecord(std::unique_ptr<FXULog>& record);
    // Tells the dealer that the machine file could not be written after a filing, and where its records were
    // kept as history files (or that they could not be).
    void TellNotSaved(const MachineDatabase::SaveReport& save);
    // Reads the machine's records the first time they are needed; false, after telling the dealer, when
    // its file changed on disk or can no longer be read.
    bool Open();

    std::string GetNameText() const { return nameText_; }
    std::string GetMachineNumberText() const { return machineNumberText_; }
    std::uint32_t GetSerialNumber() const { return entry_.serialNumber(); }
    std::string serialText() const { return entry_.serialText(); }
    FXUMowerLog& GetMowerLog() { return entry_.machine(); }
    const FXUMowerLog& GetMowerLog() const { return entry_.machine(); }
    MachineEntry& entry() const { return entry_; }

    // False, with the reason in the event log, when the file could not be written.
    bool SaveMachineFile();
    // Writes only a machine whose window was opened, with the window's edits; false when that write failed,
    // with the reason in the event log and nothing shown: the close asks the user what to do.
    bool SaveIfOpen();
    const std::string& fileName() const { return entry_.fileName(); }
    // Takes over the other machine's records whose times are missing here, writes the file at once when
    // any came (telling the dealer when it could not be), and brings the machine's window up.
    Merged Merge(FXUMowerLog& other);
    // Asks for a file name and writes the machine file there, under the extension ".dat"; true as well
    // when the user cancels. A name in the database folder is refused: it would replace a live file.
    bool Export();

    TChildForm* window() const;
    const QImage& tile() const; // drawn on demand
    bool holdsPicture() const { return !tile_.isNull(); }
    void dropPicture() const { tile_ = QImage(); } // drawn again when next shown
    QMenu* contextMenu();                          // the tile's menu, with its "Export" item

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool writeMachineFile(); // logs a failure
    void tellNotOpened();
    void paintTile();
    void renderTile() const;

    MachineEntry& entry_;
    TDBMowerList& list_;
    mutable QImage tile_;
    mutable bool tileStale_ = true;
    std::string nameText_;          // Windows-1252
    std::string machineNumberText_; // Windows-1252
    std::string serialText_;
    // Owned by the MDI area; tracked so that a window the area has destroyed is never touched.
    QPointer<TChildForm> window_;
    QPointer<QMdiSubWindow> subWindow_;
    QMenu* menu_ = nullptr;
    QAction* exportAction_ = nullptr;
};
