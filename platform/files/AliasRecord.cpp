#include "platform/files/AliasRecord.h"

#include "platform/files/BigEndian_p.h"

namespace platform {

namespace {

using namespace bigendian;

constexpr qint64 Version2Size = 150;
constexpr qint64 Version3Size = 58;

// A Pascal string inside a fixed field of `size` bytes (length byte included).
std::optional<QByteArray> fixedPascal(QByteArrayView bytes, qint64 offset, qint64 size)
{
    const qint64 length = quint8(bytes[offset]);
    if (length >= size)
        return std::nullopt;
    return bytes.sliced(offset + 1, length).toByteArray();
}

void appendFixedPascal(QByteArray &out, const QByteArray &text, qint64 size)
{
    out.append(char(text.size()));
    out.append(text);
    out.append(QByteArray(size - 1 - text.size(), '\0'));
}

bool readVersion2(QByteArrayView b, AliasRecord &r)
{
    const std::optional<QByteArray> volume = fixedPascal(b, 10, 28);
    const std::optional<QByteArray> name = fixedPascal(b, 50, 64);
    if (!volume || !name)
        return false;
    r.volumeName = *volume;
    r.volumeCreationDate = at<quint32>(b, 38);
    r.fileSystemType = b.sliced(42, 2).toByteArray();
    r.driveType = at<quint16>(b, 44);
    r.parentDirectoryId = at<quint32>(b, 46);
    r.targetName = *name;
    r.targetId = at<quint32>(b, 114);
    r.targetCreationDate = at<quint32>(b, 118);
    r.fileType = at<quint32>(b, 122);
    r.creator = at<quint32>(b, 126);
    r.levelsFrom = qint16(at<quint16>(b, 130));
    r.levelsTo = qint16(at<quint16>(b, 132));
    r.volumeAttributes = at<quint32>(b, 134);
    r.fileSystemId = at<quint16>(b, 138);
    r.reserved = b.sliced(140, 10).toByteArray();
    return true;
}

void readVersion3(QByteArrayView b, AliasRecord &r)
{
    r.volumeCreationDate = at<quint64>(b, 10);
    r.fileSystemType = b.sliced(18, 4).toByteArray();
    r.driveType = at<quint16>(b, 22);
    r.parentDirectoryId = at<quint32>(b, 24);
    r.targetId = at<quint32>(b, 28);
    r.targetCreationDate = at<quint64>(b, 32);
    r.volumeAttributes = at<quint32>(b, 40);
    r.reserved = b.sliced(44, 10).toByteArray();
    r.levelsFrom = qint16(at<quint16>(b, 54));
    r.levelsTo = qint16(at<quint16>(b, 56));
}

std::optional<QList<AliasRecord::Field>> readFields(QByteArrayView record, qint64 offset)
{
    QList<AliasRecord::Field> fields;
    while (offset < record.size()) {
        const std::optional<quint16> tag = read<quint16>(record, offset);
        const std::optional<quint16> length = read<quint16>(record, offset + 2);
        if (!tag || !length)
            return std::nullopt;
        if (qint16(*tag) == AliasRecord::End)
            return fields;
        if (!fits(offset + 4, *length, record.size()))
            return std::nullopt;
        fields.append({qint16(*tag), record.sliced(offset + 4, *length).toByteArray()});
        offset += 4 + *length + (*length & 1);
    }
    return fields; // a record may end without the end mark
}

QByteArray fixedPartVersion2(const AliasRecord &r)
{
    QByteArray out;
    append<quint16>(out, r.kind);
    appendFixedPascal(out, r.volumeName, 28);
    append<quint32>(out, quint32(r.volumeCreationDate));
    out.append(r.fileSystemType);
    append<quint16>(out, r.driveType);
    append<quint32>(out, r.parentDirectoryId);
    appendFixedPascal(out, r.targetName, 64);
    append<quint32>(out, r.targetId);
    append<quint32>(out, quint32(r.targetCreationDate));
    append<quint32>(out, r.fileType);
    append<quint32>(out, r.creator);
    append<quint16>(out, quint16(r.levelsFrom));
    append<quint16>(out, quint16(r.levelsTo));
    append<quint32>(out, r.volumeAttributes);
    append<quint16>(out, r.fileSystemId);
    out.append(r.reserved);
    return out;
}

QByteArray fixedPartVersion3(const AliasRecord &r)
{
    QByteArray out;
    append<quint16>(out, r.kind);
    append<quint64>(out, r.volumeCreationDate);
    out.append(r.fileSystemType);
    append<quint16>(out, r.driveType);
    append<quint32>(out, r.parentDirectoryId);
    append<quint32>(out, r.targetId);
    append<quint64>(out, r.targetCreationDate);
    append<quint32>(out, r.volumeAttributes);
    out.append(r.reserved);
    append<quint16>(out, quint16(r.levelsFrom));
    append<quint16>(out, quint16(r.levelsTo));
    return out;
}

} // namespace

std::optional<AliasRecord> AliasRecord::parse(QByteArrayView bytes)
{
    const std::optional<quint16> size = read<quint16>(bytes, 4);
    const std::optional<quint16> version = read<quint16>(bytes, 6);
    if (!size || !version || (*version != 2 && *version != 3) || *size > bytes.size())
        return std::nullopt;
    const qint64 fixedSize = *version == 2 ? Version2Size : Version3Size;
    if (*size < fixedSize)
        return std::nullopt;
    const QByteArrayView record = bytes.first(*size);
    AliasRecord r;
    r.userType = at<quint32>(record, 0);
    r.version = *version;
    r.kind = at<quint16>(record, 8);
    if (*version == 2) {
        if (!readVersion2(record, r))
            return std::nullopt;
    } else {
        readVersion3(record, r);
    }
    std::optional<QList<Field>> fields = readFields(record, fixedSize);
    if (!fields)
        return std::nullopt;
    r.fields = std::move(*fields);
    r.trailing = bytes.sliced(*size).toByteArray();
    return r;
}

std::optional<QByteArray> AliasRecord::toBytes() const
{
    const bool v2 = version == 2;
    if ((version != 2 && version != 3) || fileSystemType.size() != (v2 ? 2 : 4) || reserved.size() != 10
        || (v2 && (volumeName.size() > 27 || targetName.size() > 63)))
        return std::nullopt;
    QByteArray out;
    append<quint32>(out, userType);
    append<quint16>(out, 0); // the size, filled in below
    append<quint16>(out, version);
    out += v2 ? fixedPartVersion2(*this) : fixedPartVersion3(*this);
    for (const Field &field : fields) {
        if (field.value.size() > 0xFFFF || field.tag == End)
            return std::nullopt;
        append<quint16>(out, quint16(field.tag));
        append<quint16>(out, quint16(field.value.size()));
        out += field.value;
        if (field.value.size() & 1)
            out += '\0';
    }
    append<quint16>(out, quint16(End));
    append<quint16>(out, 0);
    if (out.size() > 0xFFFF)
        return std::nullopt;
    put<quint16>(out, 4, quint16(out.size()));
    return out + trailing;
}

std::optional<QByteArray> AliasRecord::field(qint16 tag) const
{
    for (const Field &f : fields) {
        if (f.tag == tag)
            return f.value;
    }
    return std::nullopt;
}

void AliasRecord::setField(qint16 tag, const QByteArray &value)
{
    for (Field &f : fields) {
        if (f.tag == tag) {
            f.value = value;
            return;
        }
    }
    fields.append({tag, value});
}

void AliasRecord::removeField(qint16 tag)
{
    fields.removeIf([tag](const Field &f) { return f.tag == tag; });
}

std::optional<QString> AliasRecord::unicodeField(qint16 tag) const
{
    const std::optional<QByteArray> value = field(tag);
    const std::optional<quint16> count = value ? read<quint16>(*value, 0) : std::nullopt;
    if (!count || !fits(2, qint64(*count) * 2, value->size()))
        return std::nullopt;
    QString text(*count, Qt::Uninitialized);
    for (quint16 i = 0; i < *count; ++i)
        text[i] = QChar(at<quint16>(*value, 2 + 2 * i));
    return text;
}

QByteArray AliasRecord::unicodeValue(const QString &text)
{
    QByteArray out;
    append<quint16>(out, quint16(std::min<qsizetype>(text.size(), 0x7FFE)));
    for (qsizetype i = 0; i < std::min<qsizetype>(text.size(), 0x7FFE); ++i)
        append<quint16>(out, text[i].unicode());
    return out;
}

} // namespace platform
