#include "busmaster.h"

namespace {

// Secondary search fields after the eight identification digits.
constexpr int kVersionField = 8;
constexpr int kMediumField = 9;
constexpr int kManufacturerField = 10;

// Every manufacturer field of three letters A-Z.
QList<std::uint16_t> LetterCodes()
{
    QList<std::uint16_t> codes;
    for (int a = 1; a <= 26; ++a) {
        for (int b = 1; b <= 26; ++b) {
            for (int c = 1; c <= 26; ++c)
                codes << std::uint16_t((a * 32 + b) * 32 + c);
        }
    }
    return codes;
}

} // namespace

QString MbusAnswerName(MbusAnswer answer)
{
    switch (answer) {
    case MbusAnswer::Ack:
        return QStringLiteral("acknowledged");
    case MbusAnswer::Frame:
        return QStringLiteral("frame");
    case MbusAnswer::Collision:
        return QStringLiteral("collision");
    case MbusAnswer::None:
        break;
    }
    return QStringLiteral("no answer");
}

MbusBusMaster::MbusBusMaster(MbusLine &line, const MbusBusOptions &options)
    : m_line(line), m_options(options)
{
}

MbusResult MbusBusMaster::request(const QByteArray &frame, int retries)
{
    MbusResult result;
    for (int attempt = 0; attempt <= retries; ++attempt) {
        const int attempts = result.attempts + 1;
        result = m_line.exchange(frame, m_options.timeoutMs);
        result.attempts = attempts;
        ++m_requests;
        // Only silence is retried: a collision already says that meters are there.
        if (result.answer != MbusAnswer::None || m_cancelled)
            break;
    }
    return result;
}

MbusTelegrams MbusBusMaster::readAll(std::uint8_t address)
{
    MbusTelegrams read;
    // SND_NKE starts the meter's telegram sequence afresh; FCB is then 1 for the first request.
    if (address != kMbusSelectedAddress) {
        read.last = ping(address);
        if (read.last.answer != MbusAnswer::Ack)
            return read;
    }
    bool fcb = true;
    for (;;) {
        read.last = request(MbusReqUd2(address, fcb));
        if (read.last.answer != MbusAnswer::Frame)
            return read;
        if (read.frames.isEmpty())
            read.firstAtMs = read.last.atMs;
        read.frames << read.last.bytes;
        if (!MbusFrameHasMore(read.last.bytes))
            return read;
        if (read.frames.size() >= m_options.maxTelegrams || m_cancelled) {
            read.boundReached = true;
            return read;
        }
        fcb = !fcb;
    }
}

MbusTelegrams MbusBusMaster::readSecondary(const MbusSecondaryAddress &address)
{
    const MbusResult selected = select(address);
    if (selected.answer != MbusAnswer::Ack) {
        MbusTelegrams read;
        read.last = selected;
        return read;
    }
    return readAll(kMbusSelectedAddress);
}

MbusResult MbusBusMaster::command(std::optional<MbusSecondaryAddress> secondary,
                                  const std::function<QByteArray(std::uint8_t)> &frame,
                                  std::uint8_t primary)
{
    if (!secondary)
        return request(frame(primary));
    const MbusResult selected = select(*secondary);
    if (selected.answer != MbusAnswer::Ack)
        return selected;
    return request(frame(kMbusSelectedAddress));
}

void MbusBusMaster::report(const QString &current)
{
    ++m_probes;
    if (m_progress)
        m_progress(m_probes, m_total, current);
}

void MbusBusMaster::addFound(const MbusResult &frame, QList<MbusFoundMeter> &found)
{
    const std::optional<MbusSecondaryAddress> identity = MbusFrameIdentity(frame.bytes);
    MbusFoundMeter meter;
    meter.primary = std::uint8_t(frame.bytes[5]);
    meter.address = identity.value_or(MbusSecondaryAddress{});
    meter.how = QStringLiteral("secondary");
    meter.atMs = frame.atMs;
    for (const MbusFoundMeter &known : found) {
        if (!known.collision && known.address == meter.address)
            return;
    }
    found << meter;
}

QList<MbusFoundMeter> MbusBusMaster::scanPrimary(int from, int to, MbusScanMethod method)
{
    QList<MbusFoundMeter> found;
    m_probes = 0;
    m_total = to - from + 1;
    for (int a = from; a <= to && !m_cancelled; ++a) {
        report(QString::number(a));
        const auto address = std::uint8_t(a);
        MbusResult r =
            request(method == MbusScanMethod::Nke ? MbusSndNke(address) : MbusReqUd2(address, true),
                    m_options.probeRetries);
        if (r.answer == MbusAnswer::Ack)
            r = request(MbusReqUd2(address, true));
        if (r.answer == MbusAnswer::None)
            continue;
        MbusFoundMeter meter;
        meter.primary = a;
        meter.how = method == MbusScanMethod::Nke ? QStringLiteral("nke") : QStringLiteral("ud2");
        meter.atMs = r.atMs;
        meter.answerBytes = int(r.bytes.size());
        const std::optional<MbusSecondaryAddress> identity = MbusFrameIdentity(r.bytes);
        meter.collision = r.answer != MbusAnswer::Frame;
        if (identity)
            meter.address = *identity;
        found << meter;
    }
    return found;
}

QList<MbusFoundMeter> MbusBusMaster::searchSecondary(const MbusSecondaryAddress &mask)
{
    QList<MbusFoundMeter> found;
    m_probes = 0;
    m_total = 0;
    int firstWildcard = 0;
    while (firstWildcard < 8 && mask.digit(firstWildcard) != 0xF)
        ++firstWildcard;
    probe(mask, firstWildcard, found);
    return found;
}

// Selects by `mask`: nothing answers, one meter (read for its identity), or several (refined).
void MbusBusMaster::probe(const MbusSecondaryAddress &mask, int field, QList<MbusFoundMeter> &found)
{
    if (m_cancelled)
        return;
    report(mask.text());
    const MbusResult selected = request(MbusSelect(mask), m_options.probeRetries);
    if (selected.answer == MbusAnswer::None)
        return;
    if (selected.answer == MbusAnswer::Ack) {
        // Several E5 sent at once look like one: only the reply tells one meter from several.
        const MbusResult reply = request(MbusReqUd2(kMbusSelectedAddress, true));
        if (reply.answer == MbusAnswer::Frame) {
            addFound(reply, found);
            return;
        }
    }
    refine(mask, field, found);
}

// Fixes the next identification digit to 0-9; with all digits fixed, the version, the medium
// and the manufacturer, which have no nibble wildcard, by their whole values.
void MbusBusMaster::refine(const MbusSecondaryAddress &mask, int field,
                           QList<MbusFoundMeter> &found)
{
    for (int i = field; i < 8; ++i) {
        if (mask.digit(i) != 0xF)
            continue;
        for (int d = 0; d <= 9 && !m_cancelled; ++d)
            probe(mask.withDigit(i, d), i + 1, found);
        return;
    }
    MbusSecondaryAddress next = mask;
    if (field <= kVersionField && mask.version == 0xFF) {
        for (int v = 0; v <= 0xFE && !m_cancelled; ++v) {
            next.version = std::uint8_t(v);
            probe(next, kMediumField, found);
        }
        return;
    }
    if (field <= kMediumField && mask.medium == 0xFF) {
        for (int m = 0; m <= 0xFE && !m_cancelled; ++m) {
            next.medium = std::uint8_t(m);
            probe(next, kManufacturerField, found);
        }
        return;
    }
    if (field <= kManufacturerField && mask.manufacturer == 0xFFFF) {
        static const QList<std::uint16_t> kCodes = LetterCodes();
        for (const std::uint16_t code : kCodes) {
            if (m_cancelled)
                return;
            next.manufacturer = code;
            probe(next, kManufacturerField + 1, found);
        }
        return;
    }
    // Meters with the very same secondary address cannot be told apart on the bus.
    MbusFoundMeter clash;
    clash.address = mask;
    clash.collision = true;
    clash.how = QStringLiteral("secondary");
    clash.atMs = m_line.nowMs();
    found << clash;
}
