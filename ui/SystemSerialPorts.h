#pragma once

#include <string>
#include <vector>

// Names of the serial ports present on this computer, as the port enumeration hands them to TComPort.
std::vector<std::string> listSystemSerialPorts();
