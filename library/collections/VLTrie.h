#pragma once

#include "VLTrieNode.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <memory>
#include <vector>

/// A set of strings stored character by character (UTF-16 code units, case
/// kept, nothing normalised) that answers which stored strings begin with a
/// prefix, sorted without regard to case; for completion lists and similar
/// lookups. Not safe to use from two threads at once.
class VLTrie
{
public:
    /// An empty trie: a root node with key 0 that stands for the empty prefix.
    VLTrie();
    ~VLTrie();
    VLTrie(const VLTrie &) = delete;
    VLTrie &operator=(const VLTrie &) = delete;

    /// Stores `string`; storing it again changes nothing. An empty (or null)
    /// string is a programming error reported to the assertion handler
    /// ("Invalid string passed to VLTrie:addString"); if the handler returns,
    /// nothing changes.
    void addString(const QString &string);

    /// The stored strings that begin with `prefix` (case-sensitively), the
    /// prefix itself included when it is stored, sorted with
    /// QString::compare(…, Qt::CaseInsensitive). An empty prefix gives an empty
    /// list, not the whole content.
    QStringList findStringsWithPrefix(const QString &prefix) const;

    /// Removes `string`. True exactly when every character of it has a node on
    /// the path from the root, whether or not it was stored itself; other
    /// stored strings stay, so removing "car" keeps "cart" and the reverse. An
    /// empty string is reported to the assertion handler ("Invalid string
    /// passed to VLTrie:removeString"); if the handler returns, the result is false.
    bool removeString(const QString &string);

    /// Writes the tree to the platform log, one line per node, one tab per level.
    void log() const;

    /// The root node, for inspection.
    const VLTrieNode &root() const { return m_root; }

private:
    // A place of the pool: a node, or a stored word.
    struct alignas(32) Place
    {
        std::byte bytes[32];
    };
    // A word knows its index in m_liveWords, so that removing it takes no search.
    struct Word
    {
        QString text;
        size_t live;
    };

    Place *newPlace();
    VLTrieNode *newNode(char16_t key);
    VLTrieNode *childCreating(VLTrieNode &parent, char16_t key);
    const VLTrieNode *child(const VLTrieNode &parent, char16_t key) const;
    void indexChildren(VLTrieNode &parent);
    void eraseChild(VLTrieNode &parent, VLTrieNode *child);
    void setWord(VLTrieNode &node, const QString &string);
    void clearWord(VLTrieNode &node);

    // Nodes and words live in an arena of growing chunks of 32-byte places:
    // building and freeing a large trie costs few allocations, every node and
    // word keeps its address, and no place straddles two cache lines. The nodes
    // a new string adds lie side by side, its word right after the last of them,
    // which a listing walks quickly. Freed places are reused.
    VLTrieNode m_root;
    std::vector<std::unique_ptr<Place[]>> m_chunks;
    size_t m_lastChunkSize = 0;
    size_t m_lastChunkUsed = 0;
    std::vector<Place *> m_freePlaces;
    std::vector<Word *> m_liveWords; // to destroy them with the trie

    // Walking a list of children is a chain of dependent loads, each a likely cache
    // miss, and the nodes with many children are the ones every string passes
    // through (the root, the first letters). Once a node has IndexedChildren
    // children, its ASCII children are also found here at once, by key; the list
    // stays, in key order, for listing and for other characters. A table per node
    // would cost more than it saves: most nodes have one child.
    static constexpr quint16 IndexedChildren = 6;
    using ChildIndex = std::array<VLTrieNode *, 128>;
    std::vector<std::unique_ptr<ChildIndex>> m_childIndexes;
    std::vector<quint32> m_freeChildIndexes; // of erased nodes, cleared, for reuse
};
