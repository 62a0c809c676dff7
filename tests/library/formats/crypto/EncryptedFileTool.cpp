// A small command over the encrypted files for the script that sets them against the
// openssl command (openssl-interop.sh):
//   iv                                  print the fixed vector in hex
//   write-dictionary FILE PASSWORD K=V...  write a dictionary of strings
//   read-plist FILE PASSWORD            print the property list in FILE as XML
//   write-data FILE PASSWORD INPUT [max]   encrypt INPUT's bytes (256-bit key with max)
//   read-data FILE PASSWORD OUTPUT [max]   decrypt into OUTPUT
// Exit status 0 on success, 1 when the operation answers none or false, 2 for bad usage.

#include "Cdsa.h"
#include "DataEncrypted.h"
#include "DictionaryEncrypted.h"

#include "platform/plist/PropertyList.h"

#include <QFile>

#include <cstdio>
#include <cstring>

namespace {

bool writeBytes(const char *path, const QByteArray &bytes)
{
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

std::optional<QByteArray> readBytes(const char *path)
{
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

int run(int argc, char **argv)
{
    const QByteArray command = argc > 1 ? argv[1] : "";
    if (command == "iv" && argc == 2) {
        const QByteArray iv(reinterpret_cast<const char *>(CdsaInitVector.data()), CdsaInitVector.size());
        std::printf("%s\n", iv.toHex().constData());
        return 0;
    }
    if (argc < 4)
        return 2;
    const QString file = QFile::decodeName(argv[2]);
    const char *password = argv[3];
    if (command == "write-dictionary") {
        QVariantMap dictionary;
        for (int i = 4; i < argc; ++i) {
            const QByteArray pair = argv[i];
            const qsizetype equals = pair.indexOf('=');
            dictionary.insert(QString::fromUtf8(pair.left(equals)), QString::fromUtf8(pair.mid(equals + 1)));
        }
        return vl::writeToFileEncrypted(dictionary, file, true, password) ? 0 : 1;
    }
    if (command == "read-plist") {
        const QVariant value = vl::dictionaryWithContentsOfEncryptedFile(file, password);
        const QByteArray xml = platform::writePropertyList(value, platform::PropertyListFormat::Xml).bytes;
        std::fwrite(xml.constData(), 1, std::size_t(xml.size()), stdout);
        return value.isValid() ? 0 : 1;
    }
    const bool max = argc == 6 && std::strcmp(argv[5], "max") == 0;
    if (command == "write-data" && argc >= 5) {
        const auto plain = readBytes(argv[4]);
        const auto encrypted = plain ? vl::encrypt(*plain, password, max) : std::nullopt;
        return encrypted && writeBytes(argv[2], *encrypted) ? 0 : 1;
    }
    if (command == "read-data" && argc >= 5) {
        const auto encrypted = readBytes(argv[2]);
        const auto plain = encrypted ? vl::decrypt(*encrypted, password, max) : std::nullopt;
        return plain && writeBytes(argv[4], *plain) ? 0 : 1;
    }
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    const int status = run(argc, argv);
    if (status == 2)
        std::fprintf(stderr, "usage: see the head of EncryptedFileTool.cpp\n");
    return status;
}
