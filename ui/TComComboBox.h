#pragma once

#include <QComboBox>
#include <string>
#include <vector>

class Port;

// The drop-down list of serial ports, bound to the port object whose name it shows and sets.
class TComComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TComComboBox(Port& port, QWidget* parent = nullptr);

    // Fills the list with the ports present and selects the port's current name when listed. When the
    // ports cannot be listed the box is emptied and false returned.
    bool showPorts();
    // Shows these port names and selects the port's current name when listed.
    void showPortNames(const std::vector<std::string>& names);
    // Selects the port's current name if listed, else the last entry, which then becomes the port name.
    void selectCurrentOrLast();

private:
    Port& port_;
};
