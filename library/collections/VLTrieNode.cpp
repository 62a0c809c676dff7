#include "VLTrieNode.h"

#include "platform/core/Log.h"

#include <QVarLengthArray>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// QString::compare(a, b, Qt::CaseInsensitive) < 0, without its per-character
// case-folding lookup while both strings hold ASCII: sorting the listing is most
// of its cost. There folding case is lowering A-Z. At the first code unit beyond
// ASCII Qt's own comparison decides, as full folding maps some of them onto
// ASCII letters (U+212A KELVIN SIGN onto 'k', U+017F LONG S onto 's').
bool caseInsensitiveLess(const QString &a, const QString &b)
{
    const auto *x = reinterpret_cast<const char16_t *>(a.constData());
    const auto *y = reinterpret_cast<const char16_t *>(b.constData());
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t cx = x[i], cy = y[i];
        if ((cx | cy) >= 0x80)
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        if (cx == cy)
            continue;
        const char16_t lx = cx >= u'A' && cx <= u'Z' ? char16_t(cx + 32) : cx;
        const char16_t ly = cy >= u'A' && cy <= u'Z' ? char16_t(cy + 32) : cy;
        if (lx != ly)
            return lx < ly;
    }
    return a.size() < b.size();
}

} // namespace

VLTrieNode::VLTrieNode(char16_t key)
    : m_key(key)
{
}

const VLTrieNode *VLTrieNode::child(char16_t key) const
{
    const VLTrieNode *c = m_firstChild;
    while (c && c->m_key < key)
        c = c->m_nextSibling;
    return c && c->m_key == key ? c : nullptr;
}

const VLTrieNode *VLTrieNode::findString(const QString &string, qsizetype position) const
{
    if (position < 0 || position >= string.size())
        return nullptr;
    const VLTrieNode *node = this;
    for (qsizetype i = position; node && i < string.size(); ++i)
        node = node->child(string.at(i).unicode());
    return node;
}

QStringList VLTrieNode::stringsWithPrefix(const QString &prefix) const
{
    if (!hasChildren() && !isWord())
        return {prefix};

    // Depth-first in code-unit order, without recursion (any depth is safe).
    // Each word node keeps its whole string, so only the part below this node
    // is needed to write it after `prefix`; when `prefix` is this node's own
    // path, as for the trie's listing, the stored strings are the answer.
    struct Pending
    {
        const VLTrieNode *node;
        qsizetype depth;
    };
    // The stack holds a node's later siblings per level: on the stack frame for
    // any listing a completion list makes, so that a short one allocates only
    // its result.
    QVarLengthArray<Pending, 64> pending{{this, 0}};
    // The walk only gathers the words and asks for their text to be fetched; the
    // copies, each counting a reference in that text, come after it. A count is
    // a locked instruction that waits for its cache miss and holds up the loads
    // behind it, so made during the walk they would take the misses one by one.
    QVarLengthArray<Pending, 64> found;
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        if (node->isWord()) {
            found.push_back({node, depth});
            __builtin_prefetch(node->m_word->data_ptr().d_ptr(), 1);
        }
        // Siblings are pushed first to last, and a node's own subtree is pushed
        // after its next sibling, so the stack yields them in key order.
        if (node != this && node->m_nextSibling) {
            __builtin_prefetch(node->m_nextSibling); // reached once this subtree is done
            pending.push_back({node->m_nextSibling, depth});
        }
        if (node->m_firstChild)
            pending.push_back({node->m_firstChild, depth + 1});
    }
    QStringList strings;
    strings.reserve(found.size());
    std::optional<bool> prefixIsOwnPath;
    for (const auto &[node, depth] : found) {
        const QString &word = *node->m_word;
        if (!prefixIsOwnPath)
            prefixIsOwnPath = word.size() - depth == prefix.size() && word.startsWith(prefix);
        strings.append(*prefixIsOwnPath ? word : prefix + word.right(depth));
    }
    std::stable_sort(strings.begin(), strings.end(), caseInsensitiveLess);
    return strings;
}

std::strong_ordering VLTrieNode::compare(const VLTrieNode *other) const
{
    if (!other)
        return std::strong_ordering::greater;
    return m_key <=> other->m_key;
}

bool VLTrieNode::isEqual(const VLTrieNode *other) const
{
    return other && (other == this || other->m_key == m_key);
}

QString VLTrieNode::description() const
{
    const uchar low = uchar(m_key & 0xFF);
    const QString key = low ? QString(QChar(low)) : QString();
    return QStringLiteral("<VLTrieNode: 0x%1> ('%2')").arg(quintptr(this), 0, 16).arg(key);
}

void VLTrieNode::log(int indentLevel) const
{
    struct Pending
    {
        const VLTrieNode *node;
        int level;
    };
    std::vector<Pending> pending{{this, std::max(indentLevel, 0)}};
    while (!pending.empty()) {
        const auto [node, level] = pending.back();
        pending.pop_back();
        platform::log(QString(level, QLatin1Char('\t')) + node->description());
        if (node != this && node->m_nextSibling)
            pending.push_back({node->m_nextSibling, level});
        if (node->m_firstChild)
            pending.push_back({node->m_firstChild, level + 1});
    }
}
