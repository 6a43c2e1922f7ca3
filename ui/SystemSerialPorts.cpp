#include "ui/SystemSerialPorts.h"

#include <QSerialPortInfo>

std::vector<std::string> listSystemSerialPorts() {
    std::vector<std::string> names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names.push_back(info.portName().toStdString());
    return names;
}
