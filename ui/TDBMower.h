#pragma once

#include "core/database/DBMowerFile.h"
#include "core/database/Filing.h"

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

// One machine of the database: its tile in the machine list (picture, owner name, machine number,
// serial number) and the owner of its machine file and history. A click opens its machine window.
class TDBMower : public QWidget {
    Q_OBJECT
public:
    // Loads the machine file; its errors (FXUCrc_error, std::ios_base::failure) propagate.
    static TDBMower* CreateFromFile(const std::string& path, TDBMowerList& list, QWidget* parent);
    static TDBMower* CreateFromLog(std::unique_ptr<FXUMowerLog> machine, TDBMowerList& list, QWidget* parent);
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
    // Writes the machine file after the records of these times were filed. When it cannot be written, those
    // records are kept as history files (UnsavedHistory) and the dealer is told where, or that they could
    // not be kept either; false then.
    bool SaveFiled(const std::vector<FXULogTime>& times);

    std::string GetNameText() const { return nameText_; }
    std::string GetMachineNumberText() const { return machineNumberText_; }
    std::uint32_t GetSerialNumber() const;
    std::string serialText() const; // "0001A2F3", from the machine as it is now
    FXUMowerLog& GetMowerLog() { return file_.mowerLog(); }
    const FXUMowerLog& GetMowerLog() const { return file_.mowerLog(); }

    bool LoadMachineFile() { return file_.LoadMachineFile(); }
    // False, with the reason in the event log, when the file could not be written.
    bool SaveMachineFile();
    // Writes only a machine whose window was opened, with the window's edits; false when that write failed,
    // with the reason in the event log and nothing shown: the close asks the user what to do.
    bool SaveIfOpen();
    void SetFileName(const std::string& path) { file_.SetFileName(path); }
    const std::string& fileName() const { return file_.fileName(); }
    // Takes over the other machine's records whose times are missing here, writes the file at once when
    // any came (as SaveFiled), and brings the machine's window up.
    Merged Merge(FXUMowerLog& other);
    // Asks for a file name and writes the machine file there, under the extension ".dat"; true as well
    // when the user cancels. A name in the database folder is refused: it would replace a live file.
    bool Export();

    TChildForm* window() const;
    const QImage& tile() const; // drawn on demand
    QMenu* contextMenu();       // the tile's menu, with its "Export" item

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    TDBMower(TDBMowerList& list, QWidget* parent);
    bool writeMachineFile(); // logs a failure
    void paintTile();
    void renderTile() const;
    bool inDatabaseFolder(const std::filesystem::path& target) const;

    TDBMowerList& list_;
    DBMowerFile file_;
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
