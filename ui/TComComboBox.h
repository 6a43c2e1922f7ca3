#pragma once

#include <QComboBox>
#include <string>
#include <vector>

class Port;

// The drop-down list of serial ports, bound to the port object whose name it shows and sets. Port names are
// short ("ttyUSB0") and the box keeps its narrow width for them; a port given by its path (a
// /dev/serial/by-id link, the simulated machine) widens it up to a limit, and what still does not fit is
// cut in the middle, so the end of the path, which names the device, stays readable. The port the program
// was set to stays listed while it is absent (an adapter unplugged at start), marked as not present, so that
// nothing but the dealer's choice replaces it.
class TComComboBox : public QComboBox {
    Q_OBJECT
public:
    static constexpr int kNarrowWidth = 97;
    static constexpr int kWidestWidth = 320;

    explicit TComComboBox(Port& port, QWidget* parent = nullptr);

    // Fills the list with the ports present and the port's current name, and selects that name. When the
    // ports cannot be listed only the current name is shown and false returned.
    bool showPorts();
    // Shows these port names and the port's current name, and selects that name.
    void showPortNames(const std::vector<std::string>& names);
    // Selects the port's current name if listed, else the last entry, which then becomes the port name.
    void selectCurrentOrLast();
    // The port name of the selected entry (the shown text may say it is not present); empty when none.
    std::string currentPortName() const;
    // How many of the entries are ports that are there.
    int presentCount() const { return count() - (absentShown_ ? 1 : 0); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void fitWidth();

    Port& port_;
    bool absentShown_ = false; // the last entry is the current name, not among the ports present
};
