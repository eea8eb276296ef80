#include "support/karaoke_files.h"

#include <zlib.h>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QtEndian>
#include <algorithm>

namespace cdg {

QByteArray Packet(int instruction, std::initializer_list<int> data) {
    QByteArray packet(24, '\0');
    packet[0] = 0x09;
    packet[1] = static_cast<char>(instruction);
    int i = 4;
    for (int value : data) packet[i++] = static_cast<char>(value);
    return packet;
}

QByteArray NotGraphics() {
    QByteArray packet = MemoryPreset(1);
    packet[0] = 0x08;
    return packet;
}

QByteArray MemoryPreset(int color, int repeat) {
    return Packet(1, {color, repeat});
}

QByteArray BorderPreset(int color) {
    return Packet(2, {color});
}

QByteArray Tile(int color0, int color1, int row, int column, const std::array<int, 12>& bits,
                bool exclusiveOr) {
    QByteArray packet = Packet(exclusiveOr ? 38 : 6, {color0, color1, row, column});
    for (int i = 0; i < 12; ++i) packet[8 + i] = static_cast<char>(bits[i]);
    return packet;
}

QByteArray SolidTile(int color, int row, int column) {
    std::array<int, 12> bits;
    bits.fill(0x3F);
    return Tile(0, color, row, column, bits);
}

QByteArray Scroll(bool preset, int color, int horizontalCommand, int horizontalOffset,
                  int verticalCommand, int verticalOffset) {
    return Packet(preset ? 20 : 24, {color, horizontalCommand << 4 | horizontalOffset,
                                     verticalCommand << 4 | verticalOffset});
}

QByteArray DefineTransparent(int color) {
    return Packet(28, {color});
}

QByteArray LoadColors(bool high, const std::array<Rgb4, 8>& colors) {
    QByteArray packet = Packet(high ? 31 : 30, {});
    for (int i = 0; i < 8; ++i) {
        const Rgb4& c = colors[i];
        packet[4 + 2 * i] = static_cast<char>(c.red << 2 | c.green >> 2);
        packet[5 + 2 * i] = static_cast<char>((c.green & 3) << 4 | c.blue);
    }
    return packet;
}

}  // namespace cdg

namespace midi {

QByteArray VariableLength(std::uint32_t value) {
    QByteArray bytes(1, static_cast<char>(value & 0x7F));
    while (value >>= 7) bytes.prepend(static_cast<char>(0x80 | (value & 0x7F)));
    return bytes;
}

void Track::Delta(std::int64_t tick) {
    events += VariableLength(static_cast<std::uint32_t>(tick - lastTick));
    lastTick = tick;
}

Track& Track::Meta(std::int64_t tick, int type, const QByteArray& data) {
    Delta(tick);
    events += char(0xFF);
    events += static_cast<char>(type);
    events += VariableLength(static_cast<std::uint32_t>(data.size()));
    events += data;
    return *this;
}

Track& Track::Tempo(std::int64_t tick, std::uint32_t microsPerQuarter) {
    QByteArray data(3, '\0');
    data[0] = static_cast<char>(microsPerQuarter >> 16);
    data[1] = static_cast<char>(microsPerQuarter >> 8);
    data[2] = static_cast<char>(microsPerQuarter);
    return Meta(tick, 0x51, data);
}

Track& Track::Note(std::int64_t tick, int key, int duration) {
    Delta(tick);
    events += QByteArray::fromHex("90") + char(key) + char(100);
    Delta(tick + duration);
    events += QByteArray::fromHex("80") + char(key) + char(0);
    return *this;
}

Track& Track::RunningStatusNote(std::int64_t tick, int key, int duration) {
    Delta(tick);
    events += QByteArray::fromHex("90") + char(key) + char(100);
    Delta(tick + duration);
    events += QByteArray(1, char(key)) + char(0);
    return *this;
}

Track& Track::SysEx(std::int64_t tick, const QByteArray& body) {
    Delta(tick);
    events += char(0xF0);
    events += VariableLength(static_cast<std::uint32_t>(body.size()));
    events += body;
    return *this;
}

QByteArray Track::Chunk() const {
    const QByteArray body = events + QByteArray::fromHex("00FF2F00");
    const auto size = static_cast<quint32>(body.size());
    QByteArray chunk("MTrk");
    for (int shift = 24; shift >= 0; shift -= 8) chunk += static_cast<char>(size >> shift);
    return chunk + body;
}

QByteArray File(int format, std::uint16_t division, const std::vector<Track>& tracks) {
    QByteArray file("MThd");
    file += QByteArray::fromHex("00000006");
    const auto u16 = [](int value) { return QByteArray(1, char(value >> 8)) + char(value & 0xFF); };
    file += u16(format) + u16(static_cast<int>(tracks.size())) + u16(division);
    for (const Track& track : tracks) file += track.Chunk();
    return file;
}

QByteArray RiffWrapped(const QByteArray& smf) {
    const auto le32 = [](quint32 value) {
        quint32 little = qToLittleEndian(value);
        return QByteArray(reinterpret_cast<const char*>(&little), 4);
    };
    QByteArray data = "data" + le32(static_cast<quint32>(smf.size())) + smf;
    if (smf.size() % 2) data += '\0';
    return "RIFF" + le32(static_cast<quint32>(4 + data.size())) + "RMID" + data;
}

}  // namespace midi

namespace zip {
namespace {

QByteArray Le16(quint32 value) {
    return QByteArray(1, char(value & 0xFF)) + char((value >> 8) & 0xFF);
}
QByteArray Le32(quint32 value) {
    return Le16(value & 0xFFFF) + Le16(value >> 16);
}

QByteArray RawDeflate(const QByteArray& data) {
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(static_cast<qsizetype>(deflateBound(&z, static_cast<uLong>(data.size()))), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(static_cast<qsizetype>(z.total_out));
    deflateEnd(&z);
    return out;
}

}  // namespace

QByteArray Archive(const std::vector<Member>& members) {
    QByteArray body;
    QByteArray directory;
    for (const Member& member : members) {
        const QByteArray name = member.name.toUtf8();
        const QByteArray stored = member.deflate ? RawDeflate(member.data) : member.data;
        const quint32 crc = crc32(0, reinterpret_cast<const Bytef*>(member.data.constData()),
                                  static_cast<uInt>(member.data.size()));
        const QByteArray common = Le16(20) + Le16(0x0800) + Le16(member.deflate ? 8 : 0) + Le32(0) +
                                  Le32(crc) + Le32(static_cast<quint32>(stored.size())) +
                                  Le32(static_cast<quint32>(member.data.size())) +
                                  Le16(static_cast<quint32>(name.size()));
        const auto offset = static_cast<quint32>(body.size());
        body += Le32(0x04034b50) + common + Le16(0) + name + stored;
        directory += Le32(0x02014b50) + Le16(20) + common + Le16(0) + Le16(0) + Le16(0) + Le16(0) +
                     Le32(0) + Le32(offset) + name;
    }
    const auto count = static_cast<quint32>(members.size());
    return body + directory + Le32(0x06054b50) + Le16(0) + Le16(0) + Le16(count) + Le16(count) +
           Le32(static_cast<quint32>(directory.size())) + Le32(static_cast<quint32>(body.size())) +
           Le16(0);
}

QByteArray WithDeclaredSize(QByteArray archive, int member, quint32 size) {
    qsizetype entry = -1;
    for (int i = 0; i <= member; ++i) entry = archive.indexOf("PK\x01\x02", entry + 1);
    if (entry >= 0) archive.replace(entry + 24, 4, Le32(size));
    return archive;
}

}  // namespace zip

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

namespace song {

QByteArray Kar() {
    constexpr int kQuarter = 480;  // ticks; 0.5 s at 120 bpm
    midi::Track tempo;
    tempo.Tempo(0, 500000);
    midi::Track words;
    words.Text(0, "@KMIDI KARAOKE FILE").Text(0, "@TNight Song").Text(0, "@TThe Testers");
    const char* syllables[] = {"\\Sing", " a", " song", "/of", " the", " night", "\\la", " la"};
    midi::Track melody;
    melody.Meta(0, 0x03, "Piano");
    for (int i = 0; i < 8; ++i) {
        const int tick = (2 + i) * kQuarter;
        words.Text(tick, syllables[i]);
        melody.Note(tick, 60 + i, kQuarter);
    }
    return midi::File(1, kQuarter, {tempo, words, melody});
}

namespace {

constexpr int kInnerColumns = 48, kInnerRows = 16;

// Places packets at times, each in the first free slot from its time on.
class PacketSchedule {
  public:
    explicit PacketSchedule(int seconds) : timeline(seconds * 300) {}
    void Put(int slot, const QByteArray& packet) {
        while (slot < static_cast<int>(timeline.size()) && !timeline[slot].isEmpty()) ++slot;
        if (slot < static_cast<int>(timeline.size())) timeline[slot] = packet;
    }
    QByteArray Stream() const {
        QByteArray stream;
        for (const QByteArray& packet : timeline)
            stream += packet.isEmpty() ? QByteArray(24, '\0') : packet;
        return stream;
    }

  private:
    std::vector<QByteArray> timeline;
};

std::array<int, 12> TileBits(const QImage& page, int column, int row) {
    std::array<int, 12> bits{};
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 6; ++x) {
            if (qGray(page.pixel(column * 6 + x, row * 12 + y)) > 127) bits[y] |= 0x20 >> x;
        }
    }
    return bits;
}

}  // namespace

QByteArray CdgLyrics(const QStringList& lines, int seconds) {
    QImage page(kInnerColumns * 6, kInnerRows * 12, QImage::Format_RGB32);
    page.fill(Qt::black);
    QPainter painter(&page);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(20);
    painter.setFont(font);
    painter.setPen(Qt::white);
    for (int i = 0; i < lines.size(); ++i) {
        painter.drawText(QRect(0, 12 + i * 48, page.width(), 24), Qt::AlignCenter, lines[i]);
    }
    painter.end();

    PacketSchedule schedule(seconds);
    schedule.Put(0, cdg::LoadColors(false, {cdg::Rgb4{1, 1, 5}, cdg::Rgb4{15, 15, 15},
                                            cdg::Rgb4{15, 13, 0}, cdg::Rgb4{2, 2, 9}}));
    schedule.Put(0, cdg::MemoryPreset(0));
    schedule.Put(0, cdg::BorderPreset(3));
    const double lineSeconds = (seconds - 2.0) / std::max<qsizetype>(1, lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        const int firstRow = (12 + i * 48) / 12;
        for (int column = 0; column < kInnerColumns; ++column) {
            for (int row = firstRow; row < firstRow + 2; ++row) {
                const std::array<int, 12> bits = TileBits(page, column, row);
                if (std::all_of(bits.begin(), bits.end(), [](int b) { return b == 0; })) continue;
                schedule.Put(1, cdg::Tile(0, 1, row + 1, column + 1, bits));
                const double sungAt = 1.0 + i * lineSeconds + lineSeconds * column / kInnerColumns;
                schedule.Put(static_cast<int>(sungAt * 300),
                             cdg::Tile(0, 2, row + 1, column + 1, bits));
            }
        }
    }
    return schedule.Stream();
}

QByteArray Lrc() {
    return "[ti:Word Song]\r\n[00:00.50]First line\r\n"
           "[00:01.50]<00:01.50>Word <00:02.00>by <00:02.50>word<00:03.00>\r\n";
}

}  // namespace song
