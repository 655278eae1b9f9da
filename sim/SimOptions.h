#pragma once
// The virtual instrument's setup from text: the options of ohmara-sim and its small setup file.
//
// Setup file, one entry a line, '#' starts a comment:
//   record=24-05-17 09:12,QF101,ZHANG,SUB1,1,5,1234   (time, device, tester, location,
//                                                       step code, load seconds, tenths of µΩ)
//   records=demo | records=N                           (the demo records, or N generated ones)
//   identity=2
//   serial=0123456789ABCDEF
//   usb-serial=OH5731-000123
//   steps=1,7,8                                        (offered step codes; "all" for every one)
//   fault=short=1                                      (any fault, see ApplyFault)
#include "sim/VirtualInstrument.h"

#include <QString>

// Applies one fault description: no-reply, short=N, stray=HEX, surplus=HEX, status=0x81|0x82,
// die-after=K, only=CODE (faults touch only that command), none (clears every fault).
bool ApplyFault(const QString& fault, SimFaults& faults, QString* error);
// Applies one "key=value" entry of the setup file.
bool ApplySetupEntry(const QString& key, const QString& value, SimSetup& setup, QString* error);
// Reads a whole setup file.
bool LoadSetupFile(const QString& path, SimSetup& setup, QString* error);
// N stored records with varied but plausible contents (N clamped to 0..255).
QList<QByteArray> GeneratedRecords(int count);
// Writes COM<port>=<device> into section [SerialPorts] of the settings file at iniPath, keeping
// every other entry; false when the file cannot be written.
bool WriteSerialPortMapping(const QString& iniPath, int port, const QString& device);
