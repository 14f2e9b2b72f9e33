#include "mbusrecords.h"

#include "mbusvalue.h"
#include "mbusvif.h"

#include <QCoreApplication>
#include <array>

// The decoded readings' names and texts, in the language of the translation the program installs.
namespace {
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(MbusDecoder)
};
} // namespace

namespace {

// Special DIFs.
constexpr std::uint8_t kDifManufacturerData = 0x0F;
constexpr std::uint8_t kDifManufacturerDataMore = 0x1F;
constexpr std::uint8_t kDifIdleFiller = 0x2F;
constexpr std::uint8_t kExtensionBit = 0x80;
// EN 13757-3 allows at most ten DIFEs and ten VIFEs.
constexpr int kMaxExtensions = 10;

constexpr std::uint8_t kVifPlainText = 0x7C;
constexpr std::uint8_t kVifTableFd = 0xFD;
constexpr std::uint8_t kVifTableFb = 0xFB;
constexpr std::uint8_t kVifAny = 0x7E;
constexpr std::uint8_t kVifManufacturer = 0x7F;

constexpr int kDataSizes[16] = {0, 1, 2, 3, 4, 4, 6, 8, 0, 1, 2, 3, 4, -1, 6, -1};

const std::array<QString, 4> kFunctions{QStringLiteral("instantaneous"), QStringLiteral("maximum"),
                                        QStringLiteral("minimum"),
                                        QStringLiteral("value during error")};

QString Hex(std::uint8_t byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0'));
}

// Walks the data records of the variable data block.
class RecordReader
{
public:
    RecordReader(QByteArrayView data, bool msbFirst, std::optional<std::uint8_t> medium,
                 DecodedReply &reply)
        : m_data(data), m_msbFirst(msbFirst), m_medium(medium), m_reply(reply)
    {
    }

    void readAll()
    {
        while (m_pos < m_data.size() && readRecord()) {
        }
    }

private:
    bool has(qsizetype n) const { return n <= m_data.size() - m_pos; }
    std::uint8_t next() { return std::uint8_t(m_data[m_pos++]); }

    // Ends the decoding with the rest of the data as one record that could not be decoded.
    bool stop(DecodedRecord &r, const QString &error)
    {
        r.raw = m_data.sliced(m_start).toByteArray();
        r.error = error;
        r.value = std::monostate{};
        r.unit.clear();
        r.shown.clear();
        m_reply.records << r;
        return false;
    }

    // Reads one record; false when the decoding ends with it.
    bool readRecord()
    {
        m_start = m_pos;
        DecodedRecord r;
        const std::uint8_t dif = next();
        if (dif == kDifIdleFiller)
            return true;
        if (dif == kDifManufacturerData || dif == kDifManufacturerDataMore)
            return readManufacturerData(r, dif);
        const int field = dif & 0x0F;
        if (field == 0x0F)
            return stop(r, QStringLiteral("unsupported special DIF %1").arg(Hex(dif)));
        std::uint8_t vif = 0;
        Meaning meaning;
        QString error = readDataInformation(r, dif);
        if (error.isEmpty())
            error = readVif(vif, meaning);
        if (error.isEmpty())
            error = readVifes(vif, meaning);
        if (!error.isEmpty())
            return stop(r, error);
        r.quantity = meaning.quantity;
        r.label = meaning.label;
        r.unit = meaning.known ? meaning.unit : QString();
        r.modifiers = meaning.modifiers;

        error = readData(r, meaning, field);
        if (!error.isEmpty())
            return stop(r, error);
        if (!r.error.isEmpty()) {
            r.value = std::monostate{};
            r.unit.clear();
            r.shown.clear();
        }
        r.raw = m_data.sliced(m_start, m_pos - m_start).toByteArray();
        m_reply.records << r;
        return true;
    }

    static QString truncated() { return QStringLiteral("truncated record"); }

    // The rest of the data as manufacturer data; ends the decoding.
    bool readManufacturerData(DecodedRecord &r, std::uint8_t dif)
    {
        r.quantity = QStringLiteral("manufacturer data");
        r.label = Words::tr("厂商数据");
        r.value = SpacedHex(m_data.sliced(m_pos).toByteArray());
        r.raw = m_data.sliced(m_start).toByteArray();
        m_reply.records << r;
        m_reply.moreRecords = dif == kDifManufacturerDataMore;
        m_pos = m_data.size();
        return false;
    }

    // The function and storage number of `dif`, then its DIFEs into storage number, tariff and
    // subunit. Returns the error that ends the decoding, or nothing.
    QString readDataInformation(DecodedRecord &r, std::uint8_t dif)
    {
        r.function = kFunctions[(dif >> 4) & 0x03];
        r.storage = (dif >> 6) & 0x01;
        bool extended = dif & kExtensionBit;
        for (int n = 0; extended; ++n) {
            if (n == kMaxExtensions)
                return QStringLiteral("more than ten DIFEs");
            if (!has(1))
                return truncated();
            const std::uint8_t dife = next();
            r.storage |= std::int64_t(dife & 0x0F) << (1 + 4 * n);
            r.tariff |= ((dife >> 4) & 0x03) << (2 * n);
            r.subunit |= ((dife >> 6) & 0x01) << n;
            extended = dife & kExtensionBit;
        }
        return {};
    }

    // The plain-text unit after VIF 7C/FC: its length, then its characters last first.
    QString readPlainTextUnit(Meaning &meaning)
    {
        if (!has(1))
            return truncated();
        const int length = next();
        if (!has(length))
            return truncated();
        meaning = Meaning{};
        meaning.quantity = QStringLiteral("plain text unit");
        meaning.label = Words::tr("文本单位量");
        meaning.unit = ReversedText(m_data.sliced(m_pos, length));
        m_pos += length;
        return {};
    }

    // The VIF into `vif` and what it stands for into `meaning`; after FD or FB the first VIFE is
    // looked at, not taken. Returns the error that ends the decoding, or nothing.
    QString readVif(std::uint8_t &vif, Meaning &meaning)
    {
        if (!has(1))
            return truncated();
        vif = next();
        if ((vif & 0x7F) == kVifPlainText)
            return readPlainTextUnit(meaning);
        if (vif == kVifTableFd || vif == kVifTableFb) {
            if (!has(1))
                return truncated();
            const std::uint8_t vife = m_data[m_pos];
            meaning = vif == kVifTableFd ? FdVif(vife & 0x7F) : FbVif(vife & 0x7F);
        } else if ((vif & 0x7F) == kVifManufacturer) {
            // Every VIFE after the manufacturer's VIF is the manufacturer's too.
            meaning = Other("manufacturer specific",
                            Words::tr("厂商自定义（%1）").arg(Hex(vif).toUpper()), Kind::Count);
            meaning.makerExtensions = true;
        } else if ((vif & 0x7F) == kVifAny) {
            meaning = Other("any", Words::tr("任意量"), Kind::Count);
        } else {
            meaning = PrimaryVif(vif & 0x7F);
        }
        UseMediumTerms(meaning, m_medium);
        return {};
    }

    // VIFEs: the first one after FD/FB names the quantity (read with the VIF); the rest, and those
    // after a primary VIF, are combinable extensions, each applied or named. Returns the error
    // that ends the decoding, or nothing.
    QString readVifes(std::uint8_t vif, Meaning &meaning)
    {
        bool extended = vif & kExtensionBit;
        for (int n = 0; extended; ++n) {
            if (n == kMaxExtensions)
                return QStringLiteral("more than ten VIFEs");
            if (!has(1))
                return truncated();
            const std::uint8_t vife = next();
            extended = vife & kExtensionBit;
            const bool namesQuantity = n == 0 && (vif == kVifTableFd || vif == kVifTableFb);
            if (!namesQuantity && meaning.known)
                ApplyCombinableVife(meaning, vife);
        }
        return {};
    }

    // The data of coding `field` (0x0D: variable length, its LVAR first), decoded into the
    // record. Returns the error that ends the decoding, or nothing.
    QString readData(DecodedRecord &r, const Meaning &meaning, int field)
    {
        if (field == 0x0D) {
            if (!has(1))
                return truncated();
            const std::uint8_t lvar = next();
            const int length = VariableLength(lvar);
            if (length < 0)
                return QStringLiteral("reserved LVAR %1").arg(Hex(lvar));
            if (!has(length))
                return truncated();
            DecodeVariable(r, meaning, lvar, m_data.sliced(m_pos, length));
            m_pos += length;
            return {};
        }
        const int length = kDataSizes[field];
        if (!has(length))
            return truncated();
        DecodeValue(r, meaning, field, FieldBytes(m_data.sliced(m_pos, length), m_msbFirst));
        m_pos += length;
        return {};
    }

    QByteArrayView m_data;
    bool m_msbFirst = false;
    std::optional<std::uint8_t> m_medium;
    DecodedReply &m_reply;
    qsizetype m_pos = 0;
    qsizetype m_start = 0;
};

} // namespace

void ReadRecords(QByteArrayView data, bool msbFirst, std::optional<std::uint8_t> medium,
                 DecodedReply &reply)
{
    RecordReader(data, msbFirst, medium, reply).readAll();
}
