#include "VLTrie.h"

#include "platform/core/AssertionHandler.h"

#include <algorithm>
#include <type_traits>

// Nodes are left to their chunks when the trie goes; words are destroyed one by one.
static_assert(std::is_trivially_destructible_v<VLTrieNode>);
// A node's word pointer is the address of its Word.
static_assert(std::is_standard_layout_v<QString>);

VLTrie::VLTrie()
    : m_root(0)
{
    static_assert(sizeof(VLTrieNode) <= sizeof(Place) && sizeof(Word) <= sizeof(Place));
}

VLTrie::~VLTrie()
{
    for (Word *word : m_liveWords)
        std::destroy_at(word);
}

VLTrie::Place *VLTrie::newPlace()
{
    if (!m_freePlaces.empty()) {
        Place *place = m_freePlaces.back();
        m_freePlaces.pop_back();
        return place;
    }
    if (m_lastChunkUsed == m_lastChunkSize) {
        constexpr size_t firstChunk = 64, largestChunk = 16384;
        m_lastChunkSize = std::min(m_lastChunkSize ? 2 * m_lastChunkSize : firstChunk, largestChunk);
        m_chunks.push_back(std::make_unique_for_overwrite<Place[]>(m_lastChunkSize));
        m_lastChunkUsed = 0;
    }
    return &m_chunks.back()[m_lastChunkUsed++];
}

VLTrieNode *VLTrie::newNode(char16_t key)
{
    return new (newPlace()) VLTrieNode(key);
}

VLTrieNode *VLTrie::childCreating(VLTrieNode &parent, char16_t key)
{
    ChildIndex *index = parent.m_childIndex && key < 128 ? m_childIndexes[parent.m_childIndex - 1].get() : nullptr;
    if (index && (*index)[key])
        return (*index)[key];
    VLTrieNode **link = &parent.m_firstChild;
    while (*link && (*link)->m_key < key)
        link = &(*link)->m_nextSibling;
    if (*link && (*link)->m_key == key)
        return *link;
    VLTrieNode *node = newNode(key);
    node->m_nextSibling = *link;
    *link = node;
    if (index)
        (*index)[key] = node;
    else if (!parent.m_childIndex && ++parent.m_childCount == IndexedChildren)
        indexChildren(parent);
    return node;
}

void VLTrie::indexChildren(VLTrieNode &parent)
{
    if (m_freeChildIndexes.empty()) {
        m_childIndexes.push_back(std::make_unique<ChildIndex>());
        parent.m_childIndex = quint32(m_childIndexes.size());
    } else {
        parent.m_childIndex = m_freeChildIndexes.back();
        m_freeChildIndexes.pop_back();
    }
    ChildIndex &table = *m_childIndexes[parent.m_childIndex - 1];
    for (VLTrieNode *c = parent.m_firstChild; c; c = c->m_nextSibling) {
        if (c->m_key < 128)
            table[c->m_key] = c;
    }
}

const VLTrieNode *VLTrie::child(const VLTrieNode &parent, char16_t key) const
{
    if (parent.m_childIndex && key < 128)
        return (*m_childIndexes[parent.m_childIndex - 1])[key];
    return parent.child(key);
}

void VLTrie::setWord(VLTrieNode &node, const QString &string)
{
    // The listing hands this very string out.
    if (node.m_word) {
        *node.m_word = string;
        return;
    }
    Word *word = new (newPlace()) Word{string, m_liveWords.size()};
    m_liveWords.push_back(word);
    node.m_word = &word->text;
}

void VLTrie::clearWord(VLTrieNode &node)
{
    if (!node.m_word)
        return;
    auto *word = reinterpret_cast<Word *>(node.m_word);
    Word *last = m_liveWords.back();
    m_liveWords[word->live] = last;
    last->live = word->live;
    m_liveWords.pop_back();
    std::destroy_at(word);
    m_freePlaces.push_back(reinterpret_cast<Place *>(word));
    node.m_word = nullptr;
}

void VLTrie::eraseChild(VLTrieNode &parent, VLTrieNode *child)
{
    if (parent.m_childIndex && child->m_key < 128)
        (*m_childIndexes[parent.m_childIndex - 1])[child->m_key] = nullptr;
    else if (!parent.m_childIndex)
        --parent.m_childCount;
    VLTrieNode **link = &parent.m_firstChild;
    while (*link != child)
        link = &(*link)->m_nextSibling;
    *link = child->m_nextSibling;
    // Only a node without children is erased: each of them cleared its entry as it
    // went, so its table is empty and serves the next node that needs one.
    if (child->m_childIndex)
        m_freeChildIndexes.push_back(child->m_childIndex);
    m_freePlaces.push_back(reinterpret_cast<Place *>(child));
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
    setWord(*node, string);
}

QStringList VLTrie::findStringsWithPrefix(const QString &prefix) const
{
    if (prefix.isEmpty())
        return {};
    const VLTrieNode *node = &m_root;
    for (qsizetype i = 0; node && i < prefix.size(); ++i)
        node = child(*node, prefix.at(i).unicode());
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
        const VLTrieNode *next = child(*path.back(), c.unicode());
        if (!next)
            return false;
        path.push_back(const_cast<VLTrieNode *>(next));
    }
    clearWord(*path.back());
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
