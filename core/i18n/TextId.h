#pragma once

#include <cstdint>

// The message catalogue's texts, one per row, named after their English text; the numbers are the rows.
// Where two rows read the same in English the name says where each is used.
enum class TextId : std::uint16_t {
    File = 0,                            // File
    ImportDatabase = 1,                  // Import database (.dat)
    ImportHistory = 2,                   // Import history (.bin)
    Exit = 3,                            // Exit
    Export = 4,                          // Export
    UpgradeHint = 5,                     // Upgrade
    LoadHistoryHint = 6,                 // Load history
    Options = 7,                         // Options
    Window = 8,                          // Window
    Cascade = 9,                         // Cascade
    Upgrade = 10,                        // Upgrade
    LoadHistory = 11,                    // Load history
    Status = 12,                         // Status
    TestingPort = 13,                    // Testing port
    NoComPortFound = 14,                 // No COM port found
    SelectedPortNotFree = 15,            // Selected port not free
    CorruptedFile = 16,                  // Corrupted file
    GoingToUpdateWithVersion = 17,       // You are going to update with firmware version:
    NoMachineConnected = 18,             // No machine connected!
    UpgradeInProgress = 19,              // Upgrade in progress…
    ErrorDuringUpgrade = 20,             // Error during upgrade!
    UpgradeDone = 21,                    // Upgrade done.
    NoCommunication = 22,                // No communication between PC and machine
    ErrorLoadingMachineInformation = 23, // Error while loading machine information
    HistoryStatus = 24,                  // Status
    LoadingHistory = 25,                 // Loading history
    NewHistoryInsertionDone = 26,        // New history insertion done
    SelectMachineEntryFirst = 27,        // Please first select a machine entry
    ErrorDuringExportFileCreation = 28,  // Error during export file creation
    ExportationDone = 29,                // Exportation done
    Sort = 30,                           // Sort
    ByName = 31,                         // By name
    ByMachineId = 32,                    // By machine Id
    Edition = 33,                        // Edition
    ModifyData = 34,                     // Modify data
    GeneralInformations = 35,            // General informations
    CustomerReferences = 36,             // Customer references
    Firstname = 37,                      // Firstname
    Lastname = 38,                       // Lastname
    Address = 39,                        // Address
    MachineInformation = 40,             // Machine information
    MachineNr = 41,                      // Machine nr
    MachineSnb = 42,                     // Machine SNB
    Version = 43,                        // Version
    Bootloader = 44,                     // Bootloader
    OptionsGroup = 45,                   // Options
    Communication = 46,                  // Communication
    PortNumber = 47,                     // Port number
    Language = 48,                       // Language
    Abort = 49,                          // Abort
    CreateTitle = 50,                    // Create
    CreateFirstname = 51,                // Fisrtname
    CreateLastname = 52,                 // LastName
    CreateAddress = 53,                  // Address
    CreateMachineNumber = 54,            // Machine number
    CreateButton = 55,                   // Create
    SpecifyFirstname = 56,               // You must specify a firstname
    SpecifyLastname = 57,                // You must specify a lastname
    SpecifyMachineNumber = 58,           // You must specify a machine number
    IncorrectMachineNumber = 59,         // Incorrect machine number
    ExistingMachine = 60,                // Existing machine.
    ChangeCustomerReferences = 61,       // Customer references
    ChangeFirstname = 62,                // Firstname
    ChangeLastname = 63,                 // Lastname
    ChangeAddress = 64,                  // Address
    ChangeMachineNumber = 65,            // Machine number
    Save = 66,                           // Save
    ChangeSpecifyFirstname = 67,         // You must specify a firstname
    ChangeSpecifyLastname = 68,          // You must specify a lastname
    ChangeSpecifyMachineNumber = 69,     // You must specify a machine number
    ChangeIncorrectMachineNumber = 70,   // Incorrect machine number
    ChangeExistingMachine = 71,          // Existing machine.
    InsertTitle = 72,                    // Insert
    MachineListing = 73,                 // Machine listing
    InsertButton = 74,                   // Insert
    InsertCreateButton = 75,             // Create
    ChooseAMachine = 76,                 // You must choose a machine
    RecordAtThisDateExists = 77,         // There is already a record at this date
    Open = 78,                           // Open
    ExportMenuItem = 79,                 // Export
    MachineInformationPage = 80,         // Machine information
    HistoryPage = 81,                    // History
    SystemParametersPage = 82,           // System parameters
    Statistics = 83,                     // Statistics
    Statistic = 84,                      // Statistic
    Value = 85,                          // Value
    ParametersAndOptions = 86,           // Parameters and options
    FastCharge = 87,                     // Fast Charge
    MultipleRobots = 88,                 // Multiple Robots
    SilentCharge = 89,                   // Silent Charge
    MultipleCollector = 90,              // Multiple Collector
    PhaseInversion = 91,                 // Phase Inversion
    CounterClockwiseStationSeek = 92,    // CounterClockWise Station Seek
    InversionHeadsDirection = 93,        // Inversion Heads Direction
    ChargeOnTwoSides = 94,               // Charge on 2 Sides
    StationCapture = 95,                 // Station Capture
    UShapeReturn = 96,                   // U-Shape Return
    Comments = 97,                       // Comments
    SleepHours = 98,                     // Sleep hours
    Monday = 99,                         // Monday
    Tuesday = 100,                       // Tuesday
    Wednesday = 101,                     // Wednesday
    Thursday = 102,                      // Thursday
    Friday = 103,                        // Friday
    Saturday = 104,                      // Saturday
    Sunday = 105,                        // Sunday
    Range1 = 106,                        // Range 1
    Range2 = 107,                        // Range 2
    Range3 = 108,                        // Range 3
    Range4 = 109,                        // Range 4
    MowingTime = 110,                    // Mowing time
    ChargingTime = 111,                  // Charging Time
    NumberOfCycles = 112,                // Nb of cycles
    LeftWheelDistance = 113,             // L Wheel dist.
    RightWheelDistance = 114,            // R Wheel dist.
    ChargedCapacity = 115,               // Charged capacity
    DischargedCapacity = 116,            // Discharged capacity
    RestTime = 117,                      // Rest time
    FirmwareVersion = 118,               // Firmware version
    RecordLanguage = 119,                // Language
    CableLength = 120,                   // Cable length
    StationDepartDistance = 121,         // Station depart dist.
    English = 122,                       // English
    OptionSet = 123,                     // V
    OptionUnset = 124,                   // -
    GoingToDeleteMowerLog = 125,         // You are going to delete mower log of
    CannotDeleteMowerLog = 126,          // You can't delete this mower log
    Delete = 127,                        // delete
    CopyData = 128,                      // Copy data
    Empty = 129,                         // (empty)
};

inline constexpr int kTextIdCount = 130;

// The text offset rows after first, for the runs of rows that name a series ("Monday" .. "Sunday").
inline constexpr TextId TextIdAfter(TextId first, int offset) {
    return static_cast<TextId>(static_cast<int>(first) + offset);
}
