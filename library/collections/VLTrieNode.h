#pragma once

#include <QString>
#include <QStringList>

#include <compare>

class VLTrie;

/// One character position of a VLTrie: the UTF-16 code unit by which its parent
/// reaches it, its children ordered by code unit, and whether a stored string
/// ends here. Nodes belong to their VLTrie, which alone creates and changes
/// them; the read-only steps are public for inspection. A node pointer stays
/// valid until its string is removed or the trie is destroyed.
class VLTrieNode
{
public:
    /// A node with `key`, no children, not a word end.
    explicit VLTrieNode(char16_t key = 0);
    VLTrieNode(const VLTrieNode &) = delete;
    VLTrieNode &operator=(const VLTrieNode &) = delete;

    char16_t key() const { return m_key; }
    /// True when a stored string ends at this node.
    bool isWord() const { return m_word != nullptr; }
    /// False when the node has no children table (a leaf, or an empty trie's root).
    bool hasChildren() const { return m_firstChild != nullptr; }
    /// The child reached by `key`, or null.
    const VLTrieNode *child(char16_t key) const;

    /// The node reached from this one by the code units of `string` from
    /// `position` on, or null when a character has no node, when `position` is
    /// outside the string, or when the string is empty.
    const VLTrieNode *findString(const QString &string, qsizetype position) const;

    /// Every string stored at or below this node, each written as `prefix`
    /// followed by the characters below this node, sorted case-insensitively
    /// (QString::compare with Qt::CaseInsensitive; strings equal without case
    /// keep code-unit order). `prefix` itself is included when this node is a
    /// word end or has no children.
    QStringList stringsWithPrefix(const QString &prefix) const;

    /// Orders the keys as unsigned 16-bit numbers; a missing node orders first,
    /// so the receiver is greater than null.
    std::strong_ordering compare(const VLTrieNode *other) const;

    /// True for this very node or another node with the same key; false for
    /// null. Children and word marks do not take part.
    bool isEqual(const VLTrieNode *other) const;

    /// "<VLTrieNode: 0x…> ('c')": the node's identity and its key's low byte as
    /// an 8-bit character (nothing for the byte 0).
    QString description() const;

    /// Writes this node and its subtree to the platform log, one line per node,
    /// each indented with one tab per level below this node plus `indentLevel`.
    void log(int indentLevel = 0) const;

private:
    friend class VLTrie;

    // 32 bytes, so that no node straddles two cache lines: walking the tree is a
    // chain of dependent loads, and the trie's own store keeps the words apart.
    char16_t m_key;
    quint16 m_childCount = 0;             // counted up to the size at which the trie indexes them
    quint32 m_childIndex = 0;             // 1 + the number of its index of children in the trie; 0 for none
    QString *m_word = nullptr;            // the whole stored string ending here, in the trie's store; null when none
    VLTrieNode *m_firstChild = nullptr;   // children form a list in ascending key order
    VLTrieNode *m_nextSibling = nullptr;
};
