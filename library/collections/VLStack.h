#pragma once

#include <QMetaType>
#include <QString>

#include <concepts>
#include <memory>
#include <utility>
#include <vector>

namespace vl::detail {
/// Reports a null push to the assertion handler ("Attempt to push nil item on VLStack").
void reportNilPush(const void *stack);
/// Raises "NSRangeException": the stack is empty.
[[noreturn]] void raiseEmptyPop();
/// "<ClassName: 0xADDRESS>", the text an object without its own description gets.
QString objectDescription(const char *className, const void *address);
} // namespace vl::detail

/// A last-in, first-out stack of shared objects; the last element of items() is
/// the top. The stack keeps each pushed object alive until it is popped or
/// cleared, and never holds a null entry. Not thread-safe: one thread at a time.
///
/// T may provide `QString description() const`, used by description(); other
/// types are described by class name and address.
template <typename T>
class VLStack
{
public:
    using Item = std::shared_ptr<T>;

    /// An empty stack.
    VLStack() = default;

    /// Makes `item` the new top. A null item is refused through the assertion
    /// handler; if the handler returns, the stack is unchanged.
    void push(Item item)
    {
        if (!item) {
            vl::detail::reportNilPush(this);
            return;
        }
        m_items.push_back(std::move(item));
    }

    /// Takes the top item off and returns it; the caller's reference keeps it
    /// alive. REQUIRES: !isEmpty(); an empty stack raises "NSRangeException".
    Item pop()
    {
        if (m_items.empty())
            vl::detail::raiseEmptyPop();
        Item top = std::move(m_items.back());
        m_items.pop_back();
        return top;
    }

    /// The top item without removing it; null when the stack is empty.
    Item peek() const { return m_items.empty() ? Item() : m_items.back(); }

    bool isEmpty() const { return m_items.empty(); }

    /// The live contents, bottom first: later pushes and pops show through this
    /// reference. Read-only so that nothing can slip a null entry in.
    const std::vector<Item> &items() const { return m_items; }

    /// Empties the stack, releasing every item.
    void removeAllItems() { m_items.clear(); }

    /// "<VLStack: 0x...>: N items, topItem is D", where D is the top item's
    /// description, or "(null)" when the stack is empty.
    QString description() const
    {
        const QString top = m_items.empty() ? QStringLiteral("(null)") : describe(*m_items.back());
        return QStringLiteral("%1: %2 items, topItem is %3")
            .arg(vl::detail::objectDescription("VLStack", this))
            .arg(m_items.size())
            .arg(top);
    }

private:
    static QString describe(const T &item)
    {
        if constexpr (requires { { item.description() } -> std::convertible_to<QString>; })
            return item.description();
        else if constexpr (std::convertible_to<const T &, QString>)
            return QString(item);
        else
            return vl::detail::objectDescription(QMetaType::fromType<T>().name(), &item);
    }

    std::vector<Item> m_items;
};
