#include "VLTrie.h"

#include "platform/core/AssertionHandler.h"

#include <algorithm>

VLTrie::VLTrie()
    : m_root(0)
{
}

VLTrie::~VLTrie() = default;

VLTrieNode *VLTrie::newNode(char16_t key)
{
    VLTrieNode *node;
    if (!m_freeNodes.empty()) {
        node = m_freeNodes.back();
        m_freeNodes.pop_back();
    } else {
        if (m_lastChunkUsed == m_lastChunkSize) {
            constexpr size_t firstChunk = 64, largestChunk = 16384;
            m_lastChunkSize = std::min(m_lastChunkSize ? 2 * m_lastChunkSize : firstChunk, largestChunk);
            m_chunks.push_back(std::make_unique<VLTrieNode[]>(m_lastChunkSize));
            m_lastChunkUsed = 0;
        }
        node = &m_chunks.back()[m_lastChunkUsed++];
    }
    node->m_key = key;
    return node;
}

VLTrieNode *VLTrie::childCreating(VLTrieNode &parent, char16_t key)
{
    VLTrieNode **link = &parent.m_firstChild;
    while (*link && (*link)->m_key < key)
        link = &(*link)->m_nextSibling;
    if (*link && (*link)->m_key == key)
        return *link;
    VLTrieNode *node = newNode(key);
    node->m_nextSibling = *link;
    *link = node;
    return node;
}

void VLTrie::eraseChild(VLTrieNode &parent, VLTrieNode *child)
{
    VLTrieNode **link = &parent.m_firstChild;
    while (*link != child)
        link = &(*link)->m_nextSibling;
    *link = child->m_nextSibling;
    child->m_nextSibling = nullptr;
    m_freeNodes.push_back(child);
}

void VLTrie::addString(const QString &string)
{
    if (string.isEmpty()) {
        platform::handleAssertionFailure(QStringLiteral("addString:"), this, QStringLiteral("VLTrie"), 39,
                                         QStringLiteral("Invalid string passed to VLTrie:addString"));
        return;
    }
    VLTrieNode *node = &m_root;
    for (const QChar c : string)
        node = childCreating(*node, c.unicode());
    node->m_word = string; // the listing hands this very string out
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
    std::vector<VLTrieNode *> path{&m_root};
    path.reserve(size_t(string.size()) + 1);
    for (const QChar c : string) {
        auto *next = const_cast<VLTrieNode *>(path.back()->child(c.unicode()));
        if (!next)
            return false;
        path.push_back(next);
    }
    path.back()->m_word = QString();
    // Free, bottom up, every node that is left with no string to end or lead to;
    // a node that still ends another string (removing "car" keeps "cart") stays.
    for (size_t i = path.size() - 1; i > 0; --i) {
        if (path[i]->isWord() || path[i]->hasChildren())
            break;
        eraseChild(*path[i - 1], path[i]);
    }
    return true;
}

void VLTrie::log() const
{
    m_root.log(0);
}
