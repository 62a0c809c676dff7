// Fuzzes protocol descriptions (D-Bus introspection XML), which both sides of a
// protocol read: any bytes give a protocol or none; a protocol read from a
// description introspects as a description that reads back as the same protocol.

#include "platform/bus/Protocol.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "%s: %s\n", what, detail.toUtf8().constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString name = QStringLiteral("CorvaneProtocol");
    const auto read = platform::Protocol::fromIntrospection(name, QByteArrayView(data, qsizetype(size)));
    if (!read)
        return 0;
    const QString again = QStringLiteral("<node>\n%1</node>\n").arg(read->introspection());
    const auto back = platform::Protocol::fromIntrospection(name, again.toUtf8());
    if (!back || back->methods().size() != read->methods().size())
        fail("the introspection of a protocol does not read back", again);
    for (std::size_t i = 0; i < read->methods().size(); ++i) {
        const auto &a = read->methods()[i];
        const auto &b = back->methods()[i];
        if (a.name != b.name || a.signature != b.signature)
            fail("a method changes on the way through its introspection", a.name + QLatin1Char(' ') + a.signature);
    }
    return 0;
}
