// Uses a trie and two string extensions of the installed library, and says
// what it got; exits non-zero when a result is wrong.

#include "StringExtensions.h"
#include "VLTrie.h"

#include <QByteArray>

#include <cstdio>

int main()
{
    VLTrie trie;
    for (const char *word : {"cart", "Carbon", "car", "dog"})
        trie.addString(QString::fromLatin1(word));
    const QStringList found = trie.findStringsWithPrefix(QStringLiteral("car"));

    // A Pascal string in Mac Roman: the length byte, then "café" with é as 0x8E.
    const auto decoded = vl::stringWithPascalString(QByteArray("\x04" "caf\x8e", 5), vl::StringEncoding::MacOSRoman);
    const int order = vl::compareVersionStrings(QStringLiteral("1.2"), QStringLiteral("1.10"));

    std::printf("trie: %s\npascal: %s\nversions: %d\n", qPrintable(found.join(u',')),
                decoded ? qPrintable(*decoded) : "(none)", order);
    const bool ok = found == QStringList{QStringLiteral("car"), QStringLiteral("cart")}
                    && decoded == QStringLiteral("caf\u00e9") && order == -1;
    return ok ? 0 : 1;
}
