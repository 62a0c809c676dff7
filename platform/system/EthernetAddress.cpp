#include "platform/system/EthernetAddress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringList>

#include <algorithm>
#include <cctype>

namespace platform {

namespace {

// /proc and /sys files are small; anything past this is not what the kernel writes.
constexpr qint64 maximumFileSize = 1 << 20;

QByteArray readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(maximumFileSize);
}

bool isInterfaceName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

bool isHexField(QByteArrayView field, quint32 expected)
{
    bool ok = false;
    const quint32 value = QByteArray(field.data(), field.size()).toUInt(&ok, 16);
    return ok && value == expected;
}

// Columns: Iface Destination Gateway Flags RefCnt Use Metric Mask ...
bool isDefaultRoute(const QList<QByteArray> &columns)
{
    constexpr quint32 routeUp = 0x1;
    if (columns.size() < 8 || !isHexField(columns[1], 0) || !isHexField(columns[7], 0))
        return false;
    bool ok = false;
    const quint32 flags = columns[3].toUInt(&ok, 16);
    return ok && (flags & routeUp);
}

std::optional<QByteArray> addressOfInterface(const QString &netFolder, const QString &name)
{
    return parseHardwareAddress(readSmallFile(netFolder + name + QLatin1String("/address")));
}

bool isPhysicalEthernet(const QString &netFolder, const QString &name)
{
    constexpr QByteArrayView ethernetType = "1";
    const QString folder = netFolder + name;
    return QFileInfo::exists(folder + QLatin1String("/device"))
           && readSmallFile(folder + QLatin1String("/type")).trimmed() == ethernetType;
}

} // namespace

QString defaultRouteInterface(QByteArrayView routeTable)
{
    const QList<QByteArray> lines = QByteArray(routeTable.data(), routeTable.size()).split('\n');
    // The first line names the columns.
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> columns = lines[i].simplified().split(' ');
        if (!isDefaultRoute(columns))
            continue;
        const QString name = QString::fromUtf8(columns[0]);
        return isInterfaceName(name) ? name : QString();
    }
    return {};
}

std::optional<QByteArray> parseHardwareAddress(QByteArrayView text)
{
    if (text.endsWith('\n'))
        text.chop(1);
    constexpr qsizetype length = 6 * 3 - 1;
    if (text.size() != length)
        return std::nullopt;
    QByteArray bytes;
    for (qsizetype i = 0; i < length; i += 3) {
        if (i + 2 < length && text[i + 2] != ':')
            return std::nullopt;
        const char pair[] = {text[i], text[i + 1]};
        if (!std::all_of(std::begin(pair), std::end(pair),
                         [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
            return std::nullopt;
        bytes.append(char(QByteArray(pair, 2).toUInt(nullptr, 16)));
    }
    return bytes;
}

std::optional<QByteArray> primaryEthernetAddress(const QString &root)
{
    const QString base = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    const QString netFolder = base + QLatin1String("sys/class/net/");
    const QString routed = defaultRouteInterface(readSmallFile(base + QLatin1String("proc/net/route")));
    if (!routed.isEmpty()) {
        if (auto address = addressOfInterface(netFolder, routed))
            return address;
    }
    QStringList names = QDir(netFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::NoSort);
    std::sort(names.begin(), names.end());
    for (const QString &name : std::as_const(names)) {
        if (!isPhysicalEthernet(netFolder, name))
            continue;
        if (auto address = addressOfInterface(netFolder, name))
            return address;
    }
    return std::nullopt;
}

} // namespace platform
