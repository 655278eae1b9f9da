#include "link/InstrumentLink.h"

#include "link/SiUsbXp.h"

#include <algorithm>

bool InstrumentLink::exchange(const QByteArray& request, bool serialOnly) {
    const auto code = uint8_t(request.at(0));
    // Like a CommandBuffer kept through one flow: bytes a short USB reply does not reach keep the
    // earlier content.
    std::copy(request.cbegin(), request.cend(), m_buffer.begin());
    m_lastReply.clear();
    m_lastFailure.clear();
    const int replyLength = ReplyLength(code);
    const int requestLength = int(request.size());
    const bool ok =
        serialOnly ? SerialExchange(m_settings, code, m_buffer, replyLength, requestLength, &m_lastFailure)
                   : SendCommand(m_settings, code, m_buffer, replyLength, requestLength, &m_lastFailure);
    if (ok)
        m_lastReply = QByteArray(reinterpret_cast<const char*>(m_buffer.data()), replyLength);
    return ok;
}

std::optional<int> InstrumentLink::recordCount() {
    if (!exchange(EncodeRequest(cmdRecordCount)))
        return std::nullopt;
    return DecodeRecordCount(m_buffer.data());
}

std::optional<TestRecord> InstrumentLink::readRecord(int index, int rowNumber) {
    if (!exchange(EncodeReadRecord(index)))
        return std::nullopt;
    return DecodeTestRecord(m_buffer.data(), rowNumber);
}

bool InstrumentLink::clearHistory() {
    return exchange(EncodeRequest(cmdClearHistory));
}

std::optional<std::array<uint8_t, kStepCount>> InstrumentLink::stepTable() {
    if (!exchange(EncodeRequest(cmdReadStepTable)))
        return std::nullopt;
    return DecodeStepFlags(m_buffer.data());
}

bool InstrumentLink::setTestParams(TestParamsRequest params) {
    return exchange(EncodeTestParams(cmdSetTestParams, params));
}

bool InstrumentLink::startTest(TestParamsRequest params) {
    return exchange(EncodeTestParams(cmdStartTest, params));
}

std::optional<PollReply> InstrumentLink::poll() {
    if (!exchange(EncodeRequest(cmdPollTest)))
        return std::nullopt;
    return DecodePoll(m_buffer.data());
}

std::optional<QString> InstrumentLink::readSerial() {
    if (!exchange(EncodeRequest(cmdReadSerial)))
        return std::nullopt;
    return DecodeSerialNumber(m_buffer.data());
}

bool InstrumentLink::writeSerial(const SerialNumber& serial) {
    return exchange(EncodeSerial(cmdWriteSerial, serial));
}

std::optional<uint8_t> InstrumentLink::identify() {
    if (!exchange(EncodeRequest(cmdIdentify), true))
        return std::nullopt;
    return DecodeIdentity(m_buffer.data());
}

std::optional<QString> InstrumentLink::usbSerialNumber() {
    m_lastReply.clear();
    m_lastFailure.clear();
    return UsbSerialNumberString();
}
