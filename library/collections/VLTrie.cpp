#include "VLTrie.h"

#include "AssertionHandler.h"

VLTrie::VLTrie()
    : m_root(0)
{
}

VLTrie::~VLTrie() = default;

void VLTrie::addString(const QString &string)
{
    if (string.isEmpty()) {
        platform::handleAssertionFailure(QStringLiteral("addString:"), this, QStringLiteral("VLTrie"), 39,
                                         QStringLiteral("Invalid string passed to VLTrie:addString"));
        return;
    }
    m_root.addString(string, 0);
}

QStringList VLTrie::findStringsWithPrefix(const QString &prefix) const
{
    const VLTrieNode *node = m_root.findString(prefix, 0);
    return node ? node->stringsWithPrefix(prefix) : QStringList();
}

bool VLTrie::removeString(const QString &string)
{
    if (string.isEmpty()) {
        platform::handleAssertionFailure(QStringLiteral("removeString:"), this, QStringLiteral("VLTrie"), 58,
                                         QStringLiteral("Invalid string passed to VLTrie:removeString"));
        return false;
    }
    return m_root.removeString(string, 0);
}

void VLTrie::log() const
{
    m_root.log(0);
}
