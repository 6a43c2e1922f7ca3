#pragma once

#include <QComboBox>
#include <string>
#include <vector>

class Port;

// The drop-down list of serial ports, bound to the port object whose name it shows and sets. Port names are
// short ("ttyUSB0") and the box keeps its design width for them; a port given by its path (a
// /dev/serial/by-id link, the simulated machine) widens it up to a limit, and what still does not fit is
// cut in the middle, so the end of the path, which names the device, stays readable.
class TComComboBox : public QComboBox {
    Q_OBJECT
public:
    static constexpr int kDesignWidth = 97;
    static constexpr int kWidestWidth = 320;

    explicit TComComboBox(Port& port, QWidget* parent = nullptr);

    // Fills the list with the ports present and selects the port's current name when listed. When the
    // ports cannot be listed the box is emptied and false returned.
    bool showPorts();
    // Shows these port names and selects the port's current name when listed.
    void showPortNames(const std::vector<std::string>& names);
    // Selects the port's current name if listed, else the last entry, which then becomes the port name.
    void selectCurrentOrLast();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void fitWidth();

    Port& port_;
};
