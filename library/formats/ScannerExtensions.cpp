#include "ScannerExtensions.h"

namespace vl {

bool scanAllCharactersFromSet(Scanner &scanner, const CharacterSet &set, QString *into)
{
    const QString &string = scanner.string();
    QString collected;
    for (qsizetype i = scanner.scanLocation(); i < string.size();) {
        const qsizetype n = set.memberLengthAt(string, i);
        if (n > 0)
            collected += QStringView(string).sliced(i, n);
        i += n > 0 ? n : 1;
    }
    scanner.setScanLocation(string.size());
    if (collected.isEmpty())
        return false;
    if (into)
        *into = std::move(collected);
    return true;
}

QString scanRemainderOfString(const Scanner &scanner)
{
    return scanner.string().sliced(scanner.scanLocation());
}

} // namespace vl
