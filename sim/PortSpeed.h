#pragma once
// The line rate a terminal device is set to, custom rates included; 0 when it cannot be read.
int PortBaudRate(int fd);
