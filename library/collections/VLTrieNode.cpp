#include "VLTrieNode.h"

#include "Log.h"

#include <algorithm>
#include <utility>

namespace {

bool caseInsensitiveLess(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

} // namespace

VLTrieNode::VLTrieNode(char16_t key)
    : m_key(key)
{
}

VLTrieNode::~VLTrieNode()
{
    // A string of a million characters makes a chain a million nodes deep:
    // free it with a work list instead of a recursion as deep as the chain.
    std::vector<std::unique_ptr<VLTrieNode>> pending;
    for (Child &c : m_children)
        pending.push_back(std::move(c.node));
    m_children.clear();
    while (!pending.empty()) {
        std::unique_ptr<VLTrieNode> node = std::move(pending.back());
        pending.pop_back();
        for (Child &c : node->m_children)
            pending.push_back(std::move(c.node));
        node->m_children.clear();
    }
}

const VLTrieNode *VLTrieNode::child(char16_t key) const
{
    const auto it = std::lower_bound(m_children.begin(), m_children.end(), key,
                                     [](const Child &c, char16_t k) { return c.key < k; });
    return it != m_children.end() && it->key == key ? it->node.get() : nullptr;
}

VLTrieNode *VLTrieNode::mutableChild(char16_t key)
{
    return const_cast<VLTrieNode *>(std::as_const(*this).child(key));
}

VLTrieNode &VLTrieNode::childCreating(char16_t key)
{
    auto it = std::lower_bound(m_children.begin(), m_children.end(), key,
                               [](const Child &c, char16_t k) { return c.key < k; });
    if (it == m_children.end() || it->key != key)
        it = m_children.insert(it, Child{key, std::make_unique<VLTrieNode>(key)});
    return *it->node;
}

void VLTrieNode::eraseChild(char16_t key)
{
    std::erase_if(m_children, [key](const Child &c) { return c.key == key; });
    if (m_children.empty())
        m_children.shrink_to_fit(); // an emptied table is released, as a never-used one
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

void VLTrieNode::addString(const QString &string, qsizetype position)
{
    if (position < 0 || position >= string.size())
        return;
    VLTrieNode *node = this;
    for (qsizetype i = position; i < string.size(); ++i)
        node = &node->childCreating(string.at(i).unicode());
    node->m_word = string;
}

bool VLTrieNode::removeString(const QString &string, qsizetype position)
{
    if (position < 0 || position >= string.size())
        return false;
    std::vector<VLTrieNode *> path{this};
    for (qsizetype i = position; i < string.size(); ++i) {
        VLTrieNode *next = path.back()->mutableChild(string.at(i).unicode());
        if (!next)
            return false;
        path.push_back(next);
    }
    path.back()->m_word = QString();
    // Free, bottom up, every node that is left with no string to end or lead to;
    // a node that still ends another string (removing "car" keeps "cart") stays.
    for (size_t i = path.size() - 1; i > 0; --i) {
        const VLTrieNode *node = path[i];
        if (node->isWord() || node->hasChildren())
            break;
        path[i - 1]->eraseChild(node->m_key);
    }
    return true;
}

QStringList VLTrieNode::stringsWithPrefix(const QString &prefix) const
{
    if (!hasChildren() && !isWord())
        return {prefix};

    // Depth-first in code-unit order; each word node knows its whole string, so
    // only the part below this node is needed to write it after `prefix`.
    struct Pending
    {
        const VLTrieNode *node;
        qsizetype depth;
    };
    std::vector<Pending> pending{{this, 0}};
    QStringList strings;
    std::optional<bool> prefixIsOwnPath; // then the stored strings are the answer as they are
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        if (node->isWord()) {
            const QString &word = node->m_word;
            if (!prefixIsOwnPath)
                prefixIsOwnPath = word.size() - depth == prefix.size() && word.startsWith(prefix);
            strings.append(*prefixIsOwnPath ? word : prefix + word.right(depth));
        }
        for (auto it = node->m_children.rbegin(); it != node->m_children.rend(); ++it)
            pending.push_back({it->node.get(), depth + 1});
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
        for (auto it = node->m_children.rbegin(); it != node->m_children.rend(); ++it)
            pending.push_back({it->node.get(), level + 1});
    }
}
