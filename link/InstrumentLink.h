#pragma once
// The instrument as the windows talk to it: one call per command of the command set, each one
// blocking exchange over the link chosen by giCommStyle. Requests are built and replies decoded
// with the frame layouts of Protocol.h; the lengths come from its command table. A failed call
// gives nothing (or false) and leaves the reason in lastFailure(); shows nothing itself.
#include "core/TestRecord.h"
#include "link/Protocol.h"
#include "link/UCommUnit.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

class InstrumentLink {
public:
    // One per flow (an upload, a dialog's command), as a CommandBuffer was, with the link settings
    // in use when the flow starts.
    explicit InstrumentLink(LinkSettings settings = LinkSettings::Current())
        : m_settings(std::move(settings)) {}

    // cmdRecordCount: the number of stored records, 0..255.
    std::optional<int> recordCount();
    // cmdReadRecord: the stored record at the zero-based index, numbered as grid row rowNumber.
    std::optional<TestRecord> readRecord(int index, int rowNumber);
    // cmdClearHistory.
    bool clearHistory();
    // cmdReadStepTable: the flag of every step code 1..22 (index 0 is code 1).
    std::optional<std::array<uint8_t, kStepCount>> stepTable();
    // cmdSetTestParams and cmdStartTest.
    bool setTestParams(TestParamsRequest params);
    bool startTest(TestParamsRequest params);
    // cmdPollTest.
    std::optional<PollReply> poll();
    // cmdReadSerial: the serial number as 16 hexadecimal digits.
    std::optional<QString> readSerial();
    // cmdWriteSerial.
    bool writeSerial(const SerialNumber& serial);
    // cmdIdentify, which only the serial link carries: the model identity byte.
    std::optional<uint8_t> identify();
    // What names the instrument on USB, where there is no cmdIdentify: the bridge's serial-number
    // string (link/SiUsbXp.h, UsbSerialNumberString).
    std::optional<QString> usbSerialNumber();

    // The last reply, as many bytes as the command's serial reply length (what a byte trace
    // lists); empty after a failure or a command without reply.
    const QByteArray& lastReply() const { return m_lastReply; }
    // Why the last serial exchange failed, in the user's words; empty after a success and on USB.
    const QString& lastFailure() const { return m_lastFailure; }

private:
    // One exchange of the request frame; on success the reply is in m_buffer and m_lastReply.
    bool exchange(const QByteArray& request, bool serialOnly = false);

    LinkSettings m_settings;
    CommandBuffer m_buffer{};
    QByteArray m_lastReply;
    QString m_lastFailure;
};
