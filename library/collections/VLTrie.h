#pragma once

#include "VLTrieNode.h"

#include <QString>
#include <QStringList>

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
    VLTrieNode *newNode(char16_t key);
    VLTrieNode *childCreating(VLTrieNode &parent, char16_t key);
    void eraseChild(VLTrieNode &parent, VLTrieNode *child);

    // Nodes live in an arena of growing chunks: building and freeing a large
    // trie costs few allocations, every node keeps its address, and the nodes
    // a new string adds lie side by side, which a listing walks quickly.
    // Removed nodes are reused.
    VLTrieNode m_root;
    std::vector<std::unique_ptr<VLTrieNode[]>> m_chunks;
    size_t m_lastChunkSize = 0;
    size_t m_lastChunkUsed = 0;
    std::vector<VLTrieNode *> m_freeNodes;
};
